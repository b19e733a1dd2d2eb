// Mug shots: a picture per call sign in the folder "MugShots", shown in Image7 with the
// call's log entry, saved from what Image7 shows, and dragged to and from the other picture
// holders. The call comes from the operator or from the air (a received FSK ID), so the
// file it names always lies inside the folder.

#include "qso/Qso.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/DragSource.h"
#include "interfaces/EngineRoom.h"
#include "interfaces/Form.h"
#include "interfaces/IntakeRoom.h"
#include "interfaces/StripsRoom.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Picbuf.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragIcons.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QDir>

namespace qso {

namespace {

// Tried in this order; when several files exist, the last one that loads is shown.
const char* const kMugShotTypes[] = {".bmp", ".gif", ".jpg", ".png", ".tif", ".pcx", ".dib", ".tga"};

const QString kSavePrompt = QStringLiteral(
    "BE CAREFUL. read below:\rYou might overwrite a desired mug shot accidentally.\r"
    "Save to this CALLSIGN or type NEW CALLSIGN.\rMug Shot is saved as jpg file in 'MugShots' folder.\r"
    "Original will be overwritten if it already exists.");
const QString kSaveTitle = QStringLiteral("Save Displayed Mug Shot as New Mug Shot.");

// The name of a call's mug shot file inside the folder, without its extension: a
// portable or mobile call ("Q1AB/P") has "_" for each separator, so that it can never
// name a file elsewhere. Empty for a call that names no file: hidden, "." or "..", or
// holding a character below 32.
QString mugShotName(const QString& call)
{
    if (call.isEmpty() || call.startsWith(QLatin1Char('.')))
        return {};
    QString name = call;
    for (QChar& c : name) {
        if (c.unicode() < 32)
            return {};
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            c = QLatin1Char('_');
    }
    return name;
}

QString mugShotFolder()
{
    return platform::appPath(QStringLiteral("MugShots"));
}

// The file of `name` in the folder's listing, its case ignored; the name as written wins
// over others that differ only in case.
QString fileNamed(const QStringList& listing, const QString& name)
{
    QString found;
    for (const QString& file : listing) {
        if (file == name)
            return file;
        if (found.isEmpty() && file.compare(name, Qt::CaseInsensitive) == 0)
            found = file;
    }
    return found;
}

} // namespace

Qso::~Qso() = default;

platform::Picbuf& Qso::PicbufMugShot()
{
    if (!picbufMugShot_) {
        picbufMugShot_ = std::make_shared<platform::Picbuf>();
        picbufMugShot_->setObjectName(QStringLiteral("PicbufMugShot"));
    }
    return *picbufMugShot_;
}

void Qso::mugShotToImage7(const QImage& picture)
{
    form_.Image7->setPicture(picture);
}

void Qso::loadMugShot()
{
    const QString name = mugShotName(form_.Text3->text());
    QImage shown;
    if (!name.isEmpty()) {
        const QDir folder(mugShotFolder());
        const QStringList listing = folder.entryList(QDir::Files | QDir::Readable, QDir::Name);
        platform::Picbuf& buffer = PicbufMugShot();
        buffer.Clear();
        buffer.setFlag(true);
        buffer.setDepth(24);
        for (const char* type : kMugShotTypes) {
            const QString file = fileNamed(listing, name + QLatin1String(type));
            if (file.isEmpty())
                continue;
            try {
                buffer.setFilename(folder.filePath(file));
                buffer.load();
                shown = buffer.picture();
            } catch (const platform::PicbufError&) {
                // An unreadable file is passed over; the next type may have one.
            }
        }
    }
    mugShotToImage7(shown);
}

void Qso::Label26_MouseDown(int, int, double, double)
{
    interfaces::Form& f = form_;
    if (!f.Image7->hasPicture()) {
        f.ui().msgBox(QStringLiteral("No Image to Save"), platform::vbOKOnly);
        return;
    }
    const auto answer = f.ui().inputBox(kSavePrompt, kSaveTitle, f.Text3->text());
    if (!answer || answer->isEmpty())
        return;
    const QString name = mugShotName(upperKeepingPositions(*answer));
    if (name.isEmpty()) {
        f.ui().msgBox(QStringLiteral("Not a valid value"), platform::vbOKOnly);
        return;
    }
    platform::Picbuf& buffer = PicbufMugShot();
    try {
        if (!QDir().mkpath(mugShotFolder()))
            throw platform::PicbufError("The folder " + mugShotFolder().toStdString() + " cannot be made.");
        buffer.setPicture(f.Image7->Picture());
        buffer.setImageFormat(platform::Picbuf::Jpeg);
        buffer.setWriteCompression(f.engine().jpegWriteQuality());
        buffer.setFilename(QDir(mugShotFolder()).filePath(name + QStringLiteral(".jpg")));
        buffer.Store();
    } catch (const std::exception& e) {
        f.ui().msgBox(QString::fromUtf8(e.what()), platform::vbExclamation);
    }
}

void Qso::Image7_MouseDown(int button, int, double, double)
{
    interfaces::Form& f = form_;
    f.canvas().setDragSource(interfaces::dragMugShot);
    if (!f.Image7->hasPicture())
        return;
    if (button == 2) {
        f.intake().ShowZoom();
    } else if (button == 1 && f.Frame9->isHidden()) {
        f.Image7->setDragIcon(platform::dragIcon(platform::DragIcon::Carry));
        f.Image7->Drag(platform::vbBeginDrag);
    }
}

void Qso::Image7_DragOver(int state)
{
    if (state == platform::vbEnter)
        form_.strips().iconon();
    else if (state == platform::vbLeave)
        form_.strips().iconoff();
}

// A dropped picture is only shown; "Mug Shot" saves it.
void Qso::Image7_DragDrop()
{
    interfaces::Form& f = form_;
    const int code = f.canvas().dragSourceCode();
    if (code == interfaces::dragTxPicture) {
        mugShotToImage7(f.Picture1->Image());
        return;
    }
    if (code == interfaces::dragMugShot)
        return;
    if (interfaces::isStripSlot(code) || interfaces::isBrowserSlot(code) || interfaces::isRecentPicture(code))
        mugShotToImage7(f.thumbnailFor(code)->Picture());
}

} // namespace qso
