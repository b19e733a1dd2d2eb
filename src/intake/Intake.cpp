#include "intake/Intake.h"

#include "intake/FormCrop.h"
#include "intake/PictureFiles.h"
#include "interfaces/CanvasRoom.h"
#include "interfaces/DragSource.h"
#include "interfaces/EngineRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Twips.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Engine.h"
#include "platform/services/Picbuf.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QDir>
#include <QFileInfo>

namespace intake {

namespace {

using interfaces::kStateOn;
using interfaces::kStateOff;

// Where the crop dialog opens on the screen, in twips.
constexpr double CropDialogPlace = 740;

const QString kLoadTypes = QStringLiteral("BMP, JPG, GIF, TIF, TGA, PNG, PCX, DIB, WMF, EMF, ICO and CUR");

} // namespace

Intake::Intake(interfaces::Form& form)
    : QObject(nullptr), dialogFolder_(platform::appFolder()), form_(form),
      picbufFile_(std::make_unique<platform::Picbuf>())
{
    picbufFile_->setObjectName(QStringLiteral("PicbufFile"));
}

Intake::~Intake() = default;

void Intake::shareDialogFolder(platform::CommonDialog& dialog)
{
    dialog.CurrentDir = &dialogFolder_;
}

void Intake::putWorkPicture(const QImage& picture)
{
    form_.Picture3->setBoxSize(picture.width(), picture.height());
    form_.Picture3->setPicture(picture);
}

// The load menu: a picture file onto the crop dialog's canvas, and the dialog shown; the
// picture reaches the TX screen only through the dialog.
void Intake::loadpic_Click()
{
    interfaces::Form& form = form_;
    form.canvas().keepTakeBackCopy();

    QString file;
    platform::StepRunner steps(QStringLiteral("loadpic_Click"));
    if (interfaces::isOn(form.Command20) && interfaces::isOn(form.Label17)
        && form.canvas().dragSourceCode() > 0) {
        // A browser thumbnail dropped on the TX screen with "With Crop" on: the file it
        // shows, without the open dialog.
        file = browserDropFile();
        if (file.isEmpty())
            return;
    } else {
        platform::CommonDialog& dlg = *form.CommonDialog1;
        dlg.FileName.clear();
        dlg.DialogTitle = QStringLiteral("Load Image");
        form.Picture1->Cls();
        if (form.Picture3->Picture().isNull())
            putWorkPicture(form.Picture1->Image());

        steps.step(QStringLiteral("SET idle"), [&] { form.canvas().markNothingPending(); });
        // The dialog keeps the flags and cancel setting of its last use; a cancel that raises
        // an error is skipped like any other failure and leaves the name empty.
        steps.step(QStringLiteral("open dialog"), [&] {
            dlg.Filter = kLoadFilter;
            dlg.FilterIndex = 1;
            dlg.ShowOpen();
        });
        if (dlg.FileName.isEmpty()) {
            form.Text1->setFocus();
            return;
        }
        file = dlg.FileName;
    }

    // A file that cannot be read is said so, and the dialog is not opened on the
    // picture loaded before.
    QImage picture;
    try {
        switch (loadRoad(loadExtension(file))) {
        case LoadRoad::PlatformLoader:
            picture = platform::LoadPicture(file);
            break;
        case LoadRoad::PictureBuffer:
            picbufFile_->setFilename(file);
            picbufFile_->load();
            picture = picbufFile_->picture();
            break;
        case LoadRoad::NotLoaded:
            throw platform::PicbufError(
                QStringLiteral("Only %1 files are loaded here.").arg(kLoadTypes).toStdString());
        }
    } catch (const std::exception& e) {
        form.ui().msgBox(QStringLiteral("Cannot load picture file ") + file + QStringLiteral("\r\n")
                             + QString::fromStdString(e.what()),
                         platform::vbOKOnly);
        form.Text1->setFocus();
        return;
    }
    steps.step(QStringLiteral("Picture3"), [&] {
        putWorkPicture(picture);
        form.Picture3->setAutoRedraw(true);
    });

    FormCrop& crop = form.formCrop();
    steps.step(QStringLiteral("place dialog"), [&] {
        const int place = platform::twipsToPixelsRounded(CropDialogPlace);
        crop.showAt(QPoint(place, place));
    });

    // The picture laid out on the canvas. The canvas is emptied first, so a picture loaded
    // while the dialog is open never shows parts of the one before.
    const QImage source = form.Picture3->Picture();
    bool headerBand = false;
    const std::array<int32_t, 4> place = cropCanvasPlace(source.width(), source.height(), headerBand);
    const int32_t whole[4] = {0, 0, source.width(), source.height()};
    platform::PictureBox& canvas = *crop.Picture1;
    const bool autoRedraw = canvas.AutoRedraw();
    canvas.setAutoRedraw(true);
    canvas.Line(0, 0, interfaces::kTxWidth + 4, interfaces::kTxHeight + 4, platform::vbBlack, platform::PictureBox::LineKind::FilledBox);
    steps.step(QStringLiteral("draw"), [&] {
        form.engine().binding().drawPictureDc(*canvas.hDC(), place.data(), source, whole, 4);
    });
    // What is drawn becomes the canvas's picture: the one the crop is taken from.
    canvas.setPicture(canvas.Image());
    canvas.setAutoRedraw(autoRedraw);
    crop.show();
    crop.raise();
}

// The file of the browser thumbnail dropped: the one its slot showed, found by its path
// (a position in the list may name another file after a delete or a save), and selected
// in the list when it is listed; any other drag loads the file selected in the list.
QString Intake::browserDropFile()
{
    interfaces::Form& form = form_;
    platform::FileListBox& list = *form.File1;
    dialogFolder_ = list.Path();
    const int code = form.canvas().dragSourceCode();
    if (!interfaces::isBrowserSlot(code))
        return list.filePath();
    const QString file = browserSlotPath(interfaces::browserSlotOf(code));
    const QFileInfo info(file);
    if (info.absolutePath() == list.Path()) {
        for (int i = 0; i < list.ListCount(); ++i)
            if (list.List(i) == info.fileName()) {
                list.setListIndex(i);
                break;
            }
    }
    return file;
}

void Intake::Label17_Click()
{
    platform::setBackColor(form_.Label17, platform::backColor(form_.Label17) == kStateOff ? kStateOn : kStateOff);
}

// The menu "Save TX  Picture": the TX screen through the "Save Image" dialog.
void Intake::savepic_Click()
{
    interfaces::Form& form = form_;
    platform::StepRunner steps(QStringLiteral("savepic_Click"));
    // The save dialog names no folder: it opens in the application folder.
    steps.step(QStringLiteral("application folder"), [&] { dialogFolder_ = platform::appFolder(); });
    steps.step(QStringLiteral("picture"), [&] { picbufFile_->setPicture(form.Picture1->Image()); });
    steps.step(QStringLiteral("format"), [&] { picbufFile_->setImageFormat(platform::Picbuf::NoFormat); });
    // The buffer's pre-save check is 0, never above 1: no save greys the picture first.
    steps.step(QStringLiteral("SaveImageAs"), [&] { SaveImageAs(*picbufFile_, *form.CommonDialog1); });
    steps.step(QStringLiteral("File1"), [&] { form.File1->Refresh(); });
    steps.step(QStringLiteral("application folder again"), [&] { dialogFolder_ = platform::appFolder(); });
    form.Text1->setFocus();
}

} // namespace intake
