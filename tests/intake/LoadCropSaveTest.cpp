// Load through the crop dialog onto the TX screen and the engine's buffer; the save menu.
#include "FormFixture.h"
#include "TestPictures.h"

#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "intake/FormCrop.h"
#include "intake/Intake.h"
#include "intake/PictureFiles.h"
#include "platform/drawing/Colors.h"
#include "platform/services/Engine.h"
#include "platform/services/Picbuf.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "shell/FormMain.h"

#include <QTemporaryDir>
#include <QtTest>

using testsupport::FormFixture;
using testsupport::fileBytes;
using testsupport::pixels;
using testsupport::solid;

namespace {

constexpr QRgb Red = 0xFFFF0000, Blue = 0xFF0000FF, Black = 0xFF000000, Green = 0xFF00FF00;

// The bounding box of the pixels that are not black.
QRect litArea(const QImage &image)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0)
                area |= QRect(x, y, 1, 1);
    return area;
}

// The main window with the engine library bound (its picture buffers work without a
// started engine) and a TX buffer to send from.
struct Station {
    FormFixture f;
    QTemporaryDir dir;
    Station()
    {
        auto &engine = f.form().engine();
        engine.setEngine(platform::Engine::load(QStringLiteral(REAL_ENGINE_PATH)));
        engine.setTxDib(engine.binding().mmsCreateDIB(800, 616));
        engine.setModePictureSize(320, 256);
    }
    ~Station() { f.form().engine().binding().mmsDeleteDIB(f.form().engine().txDib()); }
    shell::FormMain &form() { return f.form(); }
    platform::ScriptedUi &ui() { return f.ui(); }
    QString write(const QString &name, const QImage &picture, int format)
    {
        platform::Picbuf writer;
        writer.setPicture(picture);
        writer.setImageFormat(format);
        writer.setFilename(dir.filePath(name));
        writer.Store();
        return dir.filePath(name);
    }
    // The menu item, answering the open dialog with the file.
    void load(const QString &path)
    {
        ui().answerOpen(path);
        form().loadpic->trigger();
    }
    intake::FormCrop &crop() { return form().formCrop(); }
    QImage canvas() { return crop().Picture1->Picture(); }
    // The engine's TX buffer over the mode size.
    QImage txBuffer()
    {
        auto &engine = form().engine();
        QImage out(engine.modeWidth(), engine.modeHeight(), QImage::Format_RGB32);
        out.fill(Qt::gray);
        const int32_t rect[4] = {0, 0, engine.modeWidth(), engine.modeHeight()};
        engine.binding().mmsDrawDIBdc(&out, rect, engine.txDib(), rect, 0);
        return out;
    }
};

} // namespace

class LoadCropSaveTest : public QObject {
    Q_OBJECT
private slots:
    void layoutOnTheCanvas_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("place");
        QTest::addColumn<QString>("name");
        QTest::newRow("640x480") << QSize(640, 480) << QRect(QPoint(0, 32), QPoint(639, 511)) << "a.bmp";
        QTest::newRow("800x600") << QSize(800, 600) << QRect(QPoint(0, 32), QPoint(639, 511)) << "b.tga";
        QTest::newRow("320x256") << QSize(320, 256) << QRect(QPoint(0, 0), QPoint(639, 511)) << "c.pcx";
        QTest::newRow("1600x900") << QSize(1600, 900) << QRect(QPoint(0, 95), QPoint(639, 420)) << "d.png";
        QTest::newRow("512x512") << QSize(512, 512) << QRect(QPoint(51, 0), QPoint(575, 511)) << "e.tif";
        QTest::newRow("480x640") << QSize(480, 640) << QRect(QPoint(102, 0), QPoint(511, 511)) << "x.Jpg";
    }

    // Each size lands where the layout puts it, on black, through both loaders; the mixed-case
    // extension loads like its upper-case form.
    void layoutOnTheCanvas()
    {
        QFETCH(QSize, size);
        QFETCH(QRect, place);
        QFETCH(QString, name);
        Station s;
        const QString ext = name.section('.', -1).toUpper();
        const int code = ext == "JPG" ? platform::Picbuf::Jpeg : intake::saveFormat(ext);
        const QString path = s.write(name, solid(size.width(), size.height(), Red), code);
        s.load(path);
        QVERIFY(s.crop().isVisible());
        QCOMPARE(litArea(s.canvas()), place);
        QCOMPARE(s.form().Picture3->Picture().size(), size);
        // The open dialog starts in the application folder and leaves the file's folder current.
        QVERIFY(s.ui().last());
        QCOMPARE(s.ui().last()->file.title, QStringLiteral("Load Image"));
        QCOMPARE(s.ui().last()->file.initDir, s.f.appFolder());
        QCOMPARE(s.form().intake().dialogFolderPath(), s.dir.path());
    }

    // A file that cannot be read, or whose extension neither loader takes, is reported and
    // opens no dialog; a cancel opens none and says nothing.
    void loadFailuresOpenNoDialog()
    {
        Station s;
        s.ui().setAutoAcceptOkOnly(true);
        QVERIFY(testsupport::writeBytes(s.dir.filePath("broken.png"), "not a picture at all"));
        const QString jpeg = s.write("good.jpeg", solid(64, 64, Red), platform::Picbuf::Jpeg);
        for (const QString &path : {s.dir.filePath("broken.png"), jpeg, s.dir.filePath("missing.bmp")}) {
            s.ui().clearCalls();
            s.load(path);
            QVERIFY2(!s.form().formCropLoaded(), qPrintable(path));
            QCOMPARE(s.ui().messages().size(), 1);
            QVERIFY(s.ui().messages()[0].startsWith(QStringLiteral("Cannot load picture file ") + path));
        }
        s.ui().clearCalls();
        s.ui().cancelOpen();
        s.form().loadpic->trigger();
        QVERIFY(!s.form().formCropLoaded());
        QVERIFY(s.ui().messages().isEmpty());
    }

    // A picture loaded while the dialog is open replaces the old one wholly: the 16:9 picture's
    // bands are black, not the earlier picture. The crop settings stay.
    void secondLoadStartsFromBlack()
    {
        Station s;
        s.load(s.write("first.png", solid(640, 512, Red), platform::Picbuf::Png));
        s.crop().Command1_Click();
        s.crop().Command3_Click();
        const double width = s.crop().cropWidth();
        s.load(s.write("second.png", solid(1600, 900, Blue), platform::Picbuf::Png));
        QCOMPARE(litArea(s.canvas()), QRect(QPoint(0, 95), QPoint(639, 420)));
        QCOMPARE(pixels(s.canvas(), {{320, 90}, {320, 200}}), (QList<QRgb>{Black, Blue}));
        QCOMPARE(s.crop().cropWidth(), width);
        QVERIFY(s.crop().fullSizeChosen());
        // The crop rectangle never goes into the picture cropped from.
        s.crop().Command3_Click();
        QCOMPARE(s.canvas().pixel(320, 300), Blue);
    }

    void cropBoxesGrowAndShrink()
    {
        Station s;
        s.load(s.write("p.png", solid(640, 512, Blue), platform::Picbuf::Png));
        intake::FormCrop &crop = s.crop();
        QVERIFY(crop.noChangeChosen());
        // No Change: neither the buttons nor the mouse move anything.
        crop.Command3_Click();
        crop.Command4_Click();
        crop.Picture1_MouseDown(1, 0, 100, 100);
        QCOMPARE(crop.cropWidth(), 450.0);
        QCOMPARE(crop.cropAnchor().x(), 315.0);
        QCOMPARE(crop.Picture1->MousePointer(), 0);

        crop.Command1_Click();
        QCOMPARE(crop.cropBox(), QRectF(90, 63, 450, 360));
        QCOMPARE(pixels(crop.Picture1->screenImage(), {{90, 200}, {300, 200}}), (QList<QRgb>{Red, Blue}));
        QCOMPARE(crop.Picture1->Picture().pixel(90, 200), Blue);
        crop.Command2_Click();
        QCOMPARE(crop.cropBox(), QRectF(90, 63, 450, 337.5));
        QVERIFY(crop.headerSpaceChosen() && !crop.fullSizeChosen() && !crop.noChangeChosen());
        crop.Command7_Click();
        QCOMPARE(crop.Picture1->screenImage(), crop.Picture1->Picture());

        crop.Command1_Click();
        crop.Command3_Click();
        QVERIFY(qAbs(crop.cropWidth() - 481.68) < 0.005);
        crop.setCropWidth(450);
        crop.Command4_Click();
        QCOMPARE(crop.cropWidth(), 419.5);
        // Shrinking stops at 16: the box never turns inside out.
        for (int i = 0; i < 40; ++i)
            crop.Command4_Click();
        QCOMPARE(crop.cropWidth(), intake::FormCrop::MinimumCropWidth);
        QVERIFY(crop.cropBox().width() > 0 && crop.cropBox().height() > 0);

        // The rubber band: the left button places the anchor, others do nothing.
        crop.Picture1_MouseDown(2, 0, 100, 100);
        QCOMPARE(crop.cropAnchor().x(), 315.0);
        crop.Picture1_MouseDown(1, 0, 200, 300);
        QCOMPARE(crop.Picture1->MousePointer(), 5);
        crop.Picture1_MouseMove(1, 0, 220, 310);
        crop.Picture1_MouseMove(3, 0, 400, 400);
        QCOMPARE(crop.cropAnchor(), QPointF(220, 310));
        crop.Picture1_MouseUp(2, 0, 0, 0);
        QCOMPARE(crop.Picture1->MousePointer(), 0);
    }

    // Send to TX in each mode, pixel for pixel on the TX screen, and in the engine's TX
    // buffer at the mode size. The canvas holds red exactly where the opening rectangle lies.
    void sendToTxInEachMode()
    {
        QImage picture = solid(640, 512, Blue);
        testsupport::paint(picture, 90, 63, 540, 423, Red);
        for (int mode = 0; mode < 4; ++mode) {
            Station s;
            s.form().canvas().setDragSource(11);
            s.load(s.write("p.png", picture, platform::Picbuf::Png));
            intake::FormCrop &crop = s.crop();
            if (mode == 1)
                crop.Command1_Click();
            if (mode == 2)
                crop.Command2_Click();
            if (mode == 3) { // Full Size dragged half off the picture's right side
                crop.Command1_Click();
                crop.Picture1_MouseDown(1, 0, 600, 288);
            }
            crop.Command5_Click();
            QVERIFY(!s.form().formCropLoaded());
            QCOMPARE(s.form().canvas().dragSourceCode(), 0);
            const QImage tx = s.form().Picture1->Picture();
            QCOMPARE(s.form().Image6->Picture(), tx);
            QCOMPARE(tx.size(), QSize(640, 512));
            const QImage buffer = s.txBuffer();
            switch (mode) {
            case 0:
                QCOMPARE(tx.convertToFormat(QImage::Format_RGB32), picture);
                QCOMPARE(pixels(buffer, {{10, 10}, {160, 128}}), (QList<QRgb>{Blue, Red}));
                break;
            case 1: // the red part alone, stretched over the whole screen
                QCOMPARE(tx.copy(1, 1, 638, 510).convertToFormat(QImage::Format_RGB32), solid(638, 510, Red));
                QCOMPARE(pixels(buffer, {{2, 2}, {317, 253}}), (QList<QRgb>{Red, Red}));
                break;
            case 2: // rows 0 to 31 black for the header, the rest red
                QCOMPARE(litArea(tx), QRect(QPoint(0, 32), QPoint(639, 511)));
                QCOMPARE(tx.pixel(320, 300), Red);
                QCOMPARE(pixels(buffer, {{100, 8}, {100, 100}}), (QList<QRgb>{Black, Red}));
                break;
            case 3: { // source x 375 to 825: the part past the picture is black
                const int edge = int((640 - 375) * 640.0 / 450); // where the picture ends on screen
                QCOMPARE(pixels(tx, {{5, 256}, {edge - 5, 256}, {edge + 3, 256}, {639, 256}}),
                         (QList<QRgb>{Red, Blue, Black, Black}));
                QCOMPARE(buffer.pixel(319, 128), Black);
                break;
            }
            }
        }
    }

    void cancelChangesNothing()
    {
        Station s;
        s.form().Picture1->setPicture(solid(640, 512, Green));
        s.form().engine().copyTxScreenToDib();
        s.form().Image6->setPicture(s.form().Picture1->Image());
        const QImage buffer = s.txBuffer();
        s.form().canvas().setDragSource(12);
        s.load(s.write("p.png", solid(640, 512, Red), platform::Picbuf::Png));
        s.crop().Command1_Click();
        s.crop().Command6_Click();
        QVERIFY(!s.form().formCropLoaded());
        QCOMPARE(s.form().canvas().dragSourceCode(), 0);
        QCOMPARE(s.form().Picture1->Image().pixel(100, 100), Green);
        QCOMPARE(s.form().Image6->Picture().pixel(100, 100), Green);
        QCOMPARE(s.txBuffer(), buffer);
        // Loaded anew, the dialog starts over.
        s.load(s.dir.filePath("p.png"));
        QVERIFY(s.crop().noChangeChosen());
        QCOMPARE(s.crop().cropWidth(), 450.0);
    }

    void saveImageAs()
    {
        Station s;
        platform::CommonDialog &dlg = *s.form().CommonDialog1;
        platform::Picbuf buffer;
        buffer.setPicture(solid(40, 30, Red));
        auto save = [&](const QString &name, int format = 0, int quality = 0) {
            s.ui().clearCalls();
            s.ui().answerSave(s.dir.filePath(name));
            buffer.setImageFormat(format);
            buffer.setWriteCompression(quality);
            intake::SaveImageAs(buffer, dlg);
            return s.dir.filePath(name);
        };
        const auto bytes = fileBytes;

        // Neither GIF nor FIF is written, each with its message.
        QVERIFY(!QFile::exists(save("a.gif", 0, 30)));
        QCOMPARE(s.ui().messages(), QStringList{"Sorry. Not allowed by generous software giant without license"});
        QCOMPARE(buffer.ImageFormat(), 0);
        QCOMPARE(buffer.WriteCompression(), 0);
        QVERIFY(!QFile::exists(save("a.fif")));
        QCOMPARE(s.ui().messages(), QStringList{"FIF pictures cannot be written. Choose another type."});

        // The request, and the extension read in any case.
        QVERIFY(bytes(save("X.Png")).startsWith("\x89PNG"));
        QVERIFY(s.ui().last());
        QCOMPARE(s.ui().last()->file.title, QStringLiteral("Save Image"));
        QVERIFY(s.ui().last()->file.overwritePrompt);

        // JPEG with no quality set is written at 65; both fields are 0 afterwards.
        QCOMPARE(bytes(save("q.jpg")), testsupport::jpegAt(buffer.picture(), 65));
        QCOMPARE(buffer.ImageFormat(), 0);
        QCOMPARE(buffer.WriteCompression(), 0);

        // A name typed without an extension takes the chosen type's: JPEG as the dialog
        // opens, PNG when that entry was chosen; a name with one keeps it.
        QVERIFY(!QFile::exists(save("noext")));
        QVERIFY(bytes(s.dir.filePath("noext.jpg")).startsWith("\xFF\xD8"));
        s.ui().answerSave(s.dir.filePath("other"), 9);
        intake::SaveImageAs(buffer, dlg);
        QVERIFY(bytes(s.dir.filePath("other.png")).startsWith("\x89PNG"));
        QVERIFY(bytes(save("v1.bmp")).startsWith("BM"));

        // A format the caller chose stands whatever the name says.
        QVERIFY(bytes(save("t.png", platform::Picbuf::Targa)).startsWith(QByteArray("\0\0\x02", 3)));

        // A failing store says why and leaves the file that was there.
        QVERIFY(testsupport::writeBytes(s.dir.filePath("keep.bmp"), "old"));
        buffer.setPicture(QImage());
        save("keep.bmp");
        QCOMPARE(s.ui().messages().size(), 1);
        QCOMPARE(bytes(s.dir.filePath("keep.bmp")), QByteArray("old"));
        QCOMPARE(QDir(s.dir.path()).entryList({"keep.bmp*"}, QDir::Files).size(), 1);

        // A cancel is silent.
        s.ui().clearCalls();
        s.ui().cancelSave();
        intake::SaveImageAs(buffer, dlg);
        QVERIFY(s.ui().messages().isEmpty());
    }

    // The menu saves the TX screen from a buffer of its own, in a dialog that opens in the
    // application folder with no file chosen, whatever a load or a drop into the browser's
    // folder chose before: Enter alone must never overwrite the operator's photo.
    void savepicWritesTheTxScreen()
    {
        Station s;
        s.form().Picture1->setPicture(solid(640, 512, Green));
        s.form().PicbufVisible->setPicture(solid(10, 10, Red));
        const QString wide = s.write("wide.jpg", solid(64, 48, Red), platform::Picbuf::Jpeg);
        const QByteArray photo = fileBytes(wide);
        s.load(wide);
        QCOMPARE(s.form().intake().dialogFolderPath(), s.dir.path());
        s.ui().answerSave(s.dir.filePath("tx.tga"));
        s.form().savepic->trigger();
        const platform::UiCall* shown = s.ui().last();
        QVERIFY(shown);
        QCOMPARE(shown->start.folder, s.f.appFolder());
        QCOMPARE(shown->start.file, QString());
        const QImage saved = platform::LoadPicture(s.dir.filePath("tx.tga"));
        QCOMPARE(saved.size(), QSize(640, 512));
        QCOMPARE(saved.pixel(300, 300), Green);
        QCOMPARE(s.form().PicbufVisible->picture().size(), QSize(10, 10));
        QCOMPARE(s.form().intake().dialogFolderPath(), s.f.appFolder());
        QCOMPARE(fileBytes(wide), photo);

        // A drop saved into the browser's folder opens there; the menu afterwards opens in
        // the application folder again, offering neither file.
        s.form().File1->setPath(s.dir.path());
        s.form().canvas().setDragSource(canvas::dragTxPicture);
        s.ui().answerSave(s.dir.filePath("dropped.bmp"));
        s.form().intake().browserListDragDrop();
        QVERIFY(s.ui().last());
        QCOMPARE(s.ui().last()->start.folder, s.dir.path());
        QCOMPARE(s.ui().last()->start.file, QString());
        s.ui().cancelSave();
        s.form().savepic->trigger();
        QVERIFY(s.ui().last());
        QCOMPARE(s.ui().last()->start.folder, s.f.appFolder());
        QCOMPARE(s.ui().last()->start.file, QString());
    }
};

QTEST_MAIN(LoadCropSaveTest)
#include "LoadCropSaveTest.moc"
