// The pictures kept from one run to the next: the picture store (favourites, the
// splash as painted over the TX screen, the header boxes and the recent row), one
// bitmap file per element in "Favorites", and the TX screen as "LastTXImage.bmp".
// Loaded at start-up, written at shut-down; each file costs only its own step.

#include "shell/Shell.h"

#include "canvas/TxCanvas.h"
#include "interfaces/Facts.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/StepValues.h"
#include "platform/services/Picbuf.h"
#include "platform/services/PictureFile.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"
#include "strips/Strips.h"

#include <QDir>
#include <QFileInfo>

namespace shell {


const QString Shell::kLastTxImage = QStringLiteral("LastTXImage.bmp");

// The elements kept in files: 31 to 34 have no role and are never read or written.
bool Shell::stored(int element)
{
    return (element >= 1 && element <= 30) || (element >= 35 && element <= 53);
}

// A kept picture, unless it is far too large, is no regular file or cannot be read: then it
// is told and the file is kept as found (never replaced in this run).
QImage Shell::loadStoredPicture(const QString& path)
{
    const std::optional<QByteArray> bytes = readStored(path, kLargestPicture);
    if (!bytes)
        platform::steps::fail(75, QStringLiteral("%1 was not read").arg(path));
    try {
        return platform::decodePicture(*bytes);
    } catch (const std::exception& e) {
        keptAsFound_.insert(path);
        addTrouble(QStringLiteral("%1 cannot be read as a picture: it is left as it is.").arg(QDir::toNativeSeparators(path)));
        throw;
    }
}

QString Shell::favoriteFile(int element)
{
    return platform::appPath(QStringLiteral("Favorites/Favorite%1.bmp").arg(element));
}

void Shell::loadPictureStore(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& store = form.strips();
    // A file not made yet leaves its element empty; one that cannot be read does too,
    // and stays on disk to be tried again at the next start.
    for (int n = 1; n <= 53; ++n) {
        if (!stored(n) || !QFileInfo::exists(favoriteFile(n)))
            continue;
        steps.step(QStringLiteral("Favorite%1.bmp").arg(n), [&] { store.storePicture(n, loadStoredPicture(favoriteFile(n))); });
    }
    // An empty element puts no picture into its control.
    auto show = [&](auto* control, int n) {
        if (const QImage picture = store.storedPicture(n); !picture.isNull())
            steps.step(control->objectName(), [&] { control->setPicture(picture); });
    };
    for (int n = 4; n <= 12; ++n)
        show(form.headerBox(n), 18 + n);
    show(form.Image13, 21);
    show(form.Image2, 1);
    show(form.Image3, 2);
    show(form.Image5, 3);
    show(form.Image4, 4);
    show(form.Image12, 35);
    show(form.Image17, 36);
    show(form.Image18, 37);
    show(form.Image19, 38);
}

void Shell::loadLastTxImage(platform::StepRunner& steps)
{
    FormMain& form = form_;
    const QString path = platform::appPath(kLastTxImage);
    if (QFileInfo::exists(path))
        steps.step(kLastTxImage, [&] { form.canvas().setTxPicture(loadStoredPicture(path)); });
    // The header selected in the settings goes over the picture restored.
    steps.step(QStringLiteral("ShowHeaders"), [&] { form.qso().ShowHeaders(); });
    steps.step(QStringLiteral("Image6"), [&] { form.canvas().keepScreenAsClean(); });
}

void Shell::saveTxScreenAtExit(platform::StepRunner& steps)
{
    FormMain& form = form_;
    platform::Picbuf& writer = *form.PicbufVisible;
    platform::PictureBox& tx = *form.Picture1;
    // Always a bitmap, as the name says, whatever format the writer's last save of the
    // run left in it; that format is left as it was for any later save.
    const QString path = platform::appPath(kLastTxImage);
    steps.stepIf(kLastTxImage, [&] { return mayReplace(path); }, [&] {
        const int format = writer.ImageFormat();
        writer.setFilename(path);
        writer.setPicture(tx.Image());
        writer.setImageFormat(platform::Picbuf::Bmp);
        try {
            writer.Store();
        } catch (const std::exception& e) {
            writer.setImageFormat(format);
            writeFailed(path, QString::fromUtf8(e.what()));
            throw;
        }
        writer.setImageFormat(format);
    });
    // The splash picture painted over the whole TX screen becomes element 21.
    steps.step(QStringLiteral("splash over the TX screen"), [&] {
        tx.setAutoRedraw(true);
        tx.PaintPicture(form.Image1->Picture(), 0, 0, interfaces::kTxWidth, interfaces::kTxHeight);
        form.canvas().commitTxScreen();
        tx.setAutoRedraw(false);
    });
    platform::doEvents();
    form.strips().storePicture(21, tx.Image());
}

void Shell::savePictureStore(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& store = form.strips();
    for (int n = 4; n <= 12; ++n)
        store.storePicture(18 + n, form.headerBox(n)->Image());
    const platform::ImageBox* const recent[] = {form.Image12, form.Image17, form.Image18, form.Image19};
    for (int i = 0; i < 4; ++i)
        store.storePicture(35 + i, recent[i]->Picture());
    // An empty element writes nothing: a file of that number stays as it was. A file
    // that cannot be written keeps its previous content and the others are written.
    auto write = [&](int n) {
        if (store.storedPicture(n).isNull() || !mayReplace(favoriteFile(n)))
            return;
        steps.step(QStringLiteral("Favorite%1.bmp").arg(n), [&] {
            try {
                platform::SavePicture(store.storedPicture(n), favoriteFile(n));
            } catch (const std::exception& e) {
                writeFailed(favoriteFile(n), QString::fromUtf8(e.what()));
                throw;
            }
        });
    };
    for (int n = 22; n <= 30; ++n)
        write(n);
    for (int n = 35; n <= 53; ++n)
        write(n);
    for (int n = 1; n <= 21; ++n)
        write(n);
}

} // namespace shell
