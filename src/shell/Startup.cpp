// The main window's load handler and the steps of it that the shell owns: the single
// instance, the log backup, the message pane, the folders, the font preset, the other
// windows, and the unload that follows the engine's query-unload.
//
// Every statement runs as a step: one that fails is logged and skipped and the next one
// runs; a failing test runs its body. Settings, restore, picture store, window layout
// and splash are their own pieces of work; here each does only what the start-up
// needs of it now.

#include "shell/Shell.h"

#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "engine/FormRXfloat.h"
#include "intake/Intake.h"
#include "media/FrmMain.h"
#include "platform/runtime/AppFolder.h"
#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "platform/runtime/Events.h"
#include "platform/widgets/ImageBox.h"
#include "platform/services/Picbuf.h"
#include "platform/widgets/PictureBox.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/TextFile.h"
#include "platform/runtime/Twips.h"
#include "platform/services/Ui.h"
#include "platform/runtime/Vb.h"
#include "qso/Qso.h"
#include "shell/Form2.h"
#include "shell/FormMain.h"
#include "shell/FormSetup.h"
#include "strips/Strips.h"
#include "text/TextTools.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace shell {

const QString Shell::DuplicateTitle = QStringLiteral("DUPLICATE INSTANCE Tovaro");
const QString Shell::DuplicateText = QStringLiteral(
    "You are trying to open this application a second time.\r\n"
    "There will be BIG TROUBLE if this takes place.\r\n"
    "Click OK to abort.");
const QString Shell::LargeFontsTitle = QStringLiteral("LARGE FONTS");
const QString Shell::LargeFontsText = QStringLiteral(
    "Your Computer is configured with Large Fonts.\r"
    "Tovaro will not work correctly in Large Fonts.");
const QString Shell::OptionTitle = QStringLiteral(
    "Set clock sample rate not above 11025+- for slower computers.     Vareror Engine VER: ");

namespace {

const QString kHeaderHelp = QStringLiteral(
    "Make up header in box below, in same way as normal picture\r\n"
    "CTRL + Click color button changes header backcolor\r\n"
    "When finished, drag (RT Mouse Button) to one of the boxes above\r\n"
    "Click DONE when completely finished\r\n"
    "Headers (top or bottom) may be loaded by clicking HDR buttons");

[[noreturn]] void fail(int number, const QString& description)
{
    throw platform::VbError(number, description);
}

// A folder made in the application folder; one that exists already fails (and is
// left as it is, with its files).
void makeFolder(const QString& name)
{
    QDir folder(platform::appFolder());
    if (folder.exists(name))
        fail(75, QStringLiteral("Path/File access error: %1 exists").arg(name));
    if (!folder.mkdir(name))
        fail(76, QStringLiteral("Path not found: %1").arg(name));
}

// An empty value counts as 0 wherever a number is compared.
double number(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return 0;
    if (value.typeId() == QMetaType::QString) {
        bool ok = false;
        const double v = value.toString().trimmed().toDouble(&ok);
        if (!ok)
            fail(13, QStringLiteral("Type mismatch"));
        return v;
    }
    return value.toDouble();
}

// A scroll bar given a value outside its range refuses it.
void setScrollValue(platform::ScrollBar* bar, int value)
{
    if (value < bar->minimum() || value > bar->maximum())
        fail(380, QStringLiteral("Invalid property value"));
    bar->setValue(value);
}

} // namespace

Shell::LoadResult Shell::Form_Load()
{
    FormMain& form = form_;
    auto& engine = form.engine();
    auto& canvas = form.canvas();
    auto& text = form.text();
    auto& qso = form.qso();
    auto& intake = form.intake();
    platform::StepRunner steps(QStringLiteral("Form_Load"));

    // 1. The lock comes before anything touches the application folder, so a second
    // instance ends without writing or changing a file; it is told so at its place below.
    // A lock that cannot be made at all (no folder, no permission) is no other instance:
    // that failure is logged and the start goes on.
    bool otherInstance = false;
    steps.step(QStringLiteral("instance lock"), [&] {
        if (lock_.tryLock())
            return;
        otherInstance = lock_.heldElsewhere();
        if (!otherInstance)
            fail(75, lock_.error());
    });

    // 2. Splash, setup dialog (loaded, hidden), splash shown.
    steps.step(QStringLiteral("splash"), [&] { form.form2(); });
    steps.step(QStringLiteral("setup dialog"), [&] { form.formSetup(); });
    steps.step(QStringLiteral("show splash"), [&] { form.form2().show(); });
    // 3. The TX tab.
    steps.step(QStringLiteral("TX tab"), [&] { form.SSTab1->setCurrentIndex(1); });
    // 4. Zoom view.
    steps.step(QStringLiteral("Picture21"), [&] {
        form.Picture21->setBoxSize(688, 556);
        form.Picture21->move(55, 33);
    });
    // 5.
    platform::doEvents();
    // 6. Picture buffers.
    steps.step(QStringLiteral("PicbufVisible hidden"), [&] { form.PicbufVisible->hide(); });
    steps.step(QStringLiteral("PicbufEdit hidden"), [&] { form.PicbufEdit->hide(); });
    steps.step(QStringLiteral("SetupPicbuf"), [&] { SetupPicbuf(*form.PicbufVisible, false); });

    // 7. Second instance: the message, then the end; nothing is written.
    if (otherInstance) {
        form.ui().msgBox(DuplicateText, platform::vbOKOnly, DuplicateTitle);
        return LoadResult::Ended;
    }
    // 8. Large fonts: a warning only.
    steps.stepIf(QStringLiteral("large fonts"), [&] {
                     const int twips = displayTwipsPerPixel ? displayTwipsPerPixel() : platform::displayTwipsPerPixel();
                     return twips != platform::kTwipsPerPixel;
                 },
                 [&] { form.ui().msgBox(LargeFontsText, platform::vbOKOnly, LargeFontsTitle); });
    // 9.
    spareValueA = 1;
    text.textEditState = 1;
    // 10. All files below are in the application folder (the working directory is left alone).
    steps.step(QStringLiteral("application folder"), [&] {
        if (!platform::ensureAppFolder())
            fail(76, QStringLiteral("Path not found: ") + platform::appFolder());
    });

    // 11. Log backup: the log as read, between double quotes, then CR LF. A log that
    // cannot be read leaves an existing backup alone: it may be the only copy left.
    steps.step(QStringLiteral("log backup"), [&] {
        const auto bytes = platform::readFileBytes(platform::appPath(QStringLiteral("logdata")));
        if (!bytes)
            fail(53, QStringLiteral("File not found: logdata"));
        qso.logText = platform::decodeText(*bytes);
        QByteArray backup;
        backup.reserve(bytes->size() + 4);
        backup += '"';
        backup += *bytes;
        backup += "\"\r\n";
        QString why;
        if (!platform::writeFileBytes(platform::appPath(QStringLiteral("logdata.bak")), backup, &why))
            fail(75, why);
    });

    // 12.
    steps.step(QStringLiteral("Command2 hidden"), [&] { form.Command2->hide(); });
    text.textToDraw.clear();
    steps.step(QStringLiteral("Text2 emptied"), [&] { form.Text2->setText(QString()); });
    steps.step(QStringLiteral("TX fore colour"), [&] { form.Picture1->setForeColor(0xEE); });
    text.fontRecord[7] = QStringLiteral("238");
    steps.step(QStringLiteral("TX fill colour"), [&] { form.Picture1->setFillColor(platform::vbYellow); });

    // 13. Message pane: the file less its last two characters (the line end its writer
    // adds). A missing file leaves the text as it was; one too short to shorten shows as it is.
    steps.step(QStringLiteral("read messages"), [&] {
        const auto content = platform::readTextFile(platform::appPath(QStringLiteral("messages")));
        if (!content)
            fail(53, QStringLiteral("File not found: messages"));
        messagesText = *content;
    });
    steps.step(QStringLiteral("shorten messages"), [&] {
        if (messagesText.size() < 2)
            fail(5, QStringLiteral("Invalid procedure call or argument"));
        messagesText.chop(2);
    });
    steps.step(QStringLiteral("Text2"), [&] { form.Text2->setText(messagesText); });

    // 14. Settings and the controls restored from them; 15. the folders, inside that order.
    steps.step(QStringLiteral("read settings"), [&] { readSettings(); });
    restoreControls(steps);

    // 16. Picture store.
    steps.step(QStringLiteral("picture store"), [&] { loadPictureStore(); });
    // 17, 18.
    canvas.overlayScale = 240;
    steps.step(QStringLiteral("Image6"), [&] { form.Image6->setPicture(form.Picture1->Image()); });
    // 19.
    steps.step(QStringLiteral("HScroll1"), [&] { setScrollValue(form.HScroll1, 3); });
    steps.step(QStringLiteral("HScroll2"), [&] { setScrollValue(form.HScroll2, 1); });
    steps.step(QStringLiteral("Text1"), [&] { form.Text1->setText(QString()); });
    steps.step(QStringLiteral("Text3"), [&] { form.Text3->setText(QString()); });
    steps.step(QStringLiteral("Text4"), [&] { form.Text4->setText(QString()); });
    steps.step(QStringLiteral("Text5"), [&] { form.Text5->setText(QStringLiteral("1")); });
    // 20.
    steps.step(QStringLiteral("textFontSize"),
               [&] { text.textFontSize = QString::number(form.Picture1->FontSize()); });
    // 21. Window layout.
    steps.step(QStringLiteral("checkscreensize"), [&] { checkscreensize(); });

    // 22. Browser folder: the current quick directory, or the application folder.
    steps.step(QStringLiteral("File1 quick directory"), [&] {
        const int index = platform::CInt(number(intake.currentQuickDir));
        if (index < 0 || index > 14)
            fail(9, QStringLiteral("Subscript out of range"));
        intake.setFile1Path(intake.quickDirs[index]);
    });
    steps.stepIf(QStringLiteral("File1 application folder"), [&] { return number(intake.currentQuickDir) == 0; },
                 [&] { intake.setFile1Path(platform::appFolder()); });
    steps.step(QStringLiteral("Dir1"), [&] { intake.setDir1Path(intake.File1Path()); });
    steps.step(QStringLiteral("Drive1"), [&] { intake.setDrive1Drive(intake.Dir1Path()); });

    // 23.
    steps.step(QStringLiteral("VScroll1"),
               [&] { setScrollValue(form.VScroll1, platform::CInt(number(shadowDepthScroll))); });
    // 24.
    steps.step(QStringLiteral("Text12"), [&] { form.Text12->setText(kHeaderHelp); });
    // 25.
    steps.step(QStringLiteral("Text1 font size"), [&] {
        QFont font = form.Text1->font();
        font.setPointSizeF(12);
        form.Text1->setFont(font);
    });
    steps.step(QStringLiteral("Text1 italic"), [&] {
        QFont font = form.Text1->font();
        font.setItalic(false);
        form.Text1->setFont(font);
    });
    steps.step(QStringLiteral("Text1 text"), [&] { form.Text1->setText(QStringLiteral("TYPE HERE")); });
    steps.step(QStringLiteral("TX italic"), [&] { form.Picture1->setFontItalic(false); });
    // 26.
    qso.headerBackColor = platform::vbWhite;
    // 27. No tool active; the tool settings from scratch.
    steps.step(QStringLiteral("Command12_Click"), [&] { canvas.Command12_Click(); });
    steps.step(QStringLiteral("Image6 again"), [&] { form.Image6->setPicture(form.Picture1->Image()); });
    steps.step(QStringLiteral("VScroll3"), [&] { setScrollValue(form.VScroll3, 3); });
    qso.logTextUpper = qso.logText.toUpper();
    qso.logChunkLength = qso.logText.size() / 20.0;
    canvas.shapeSize = 100;
    canvas.shapeAspect = 0.5;
    canvas.shapeScrollLast = 9;
    canvas.blendPercent = 50;
    canvas.blendRest = 50;
    canvas.drawnExtentTop = 512;
    canvas.drawnExtentBottom = 0;
    canvas.drawnExtentLeft = 640;
    canvas.drawnExtentRight = 0;
    // 28. The splash goes.
    steps.step(QStringLiteral("hide splash"), [&] { form.form2().hide(); });
    steps.step(QStringLiteral("unload splash"), [&] { form.form2().close(); });

    // 29. The style boxes from fontStyleCode, which keeps what is left.
    steps.stepIf(QStringLiteral("underline"), [&] { return text.fontStyleCode >= 100; }, [&] {
        text.fontStyleCode -= 100;
        form.Check13->setValue(1);
    });
    steps.stepIf(QStringLiteral("italic"), [&] { return text.fontStyleCode >= 10; }, [&] {
        text.fontStyleCode -= 10;
        form.Check14->setValue(1);
    });
    steps.stepIf(QStringLiteral("bold"), [&] { return text.fontStyleCode >= 1; },
                 [&] { form.Check6->setValue(1); });

    // 30, 31. The engine; without one the program ends here.
    if (!engine.engineStart(steps))
        return LoadResult::Ended;

    // 32. The last TX picture, with its header.
    loadLastTxImage(steps);
    // 33.
    steps.step(QStringLiteral("show"), [&] { form.setVisible(true); });
    // 34. The title of the engine's own option dialog.
    steps.step(QStringLiteral("engine version"),
               [&] { scratchText = engine.binding().EngineString(engine.binding().mmsGetVersion()); });
    steps.step(QStringLiteral("option title"), [&] {
        const QByteArray title = (OptionTitle + scratchText).toLatin1();
        engine.binding().mmsSetOptionTitle(title.constData());
    });
    // 35. The window takes input.
    steps.step(QStringLiteral("enabled"), [&] { form.setEnabled(true); });

    // 36. Font preset: the chosen button green and the preset's font name applied.
    platform::CommandButton* const presetButtons[] = {form.Command21, form.Command25, form.Command23,
                                                      form.Command24};
    for (int k = 0; k < 4; ++k) {
        steps.stepIf(
            QStringLiteral("font preset %1").arg(k),
            [&] { return number(text.fontPresetSelected) == k; },
            [&] {
                text.fontbutton();
                platform::setBackColor(presetButtons[k], 0xC000);
                steps.step(QStringLiteral("Text1 preset font"), [&] {
                    const QString name = text.fontPresetsText[7 * k + 1];
                    if (name.isEmpty())
                        fail(380, QStringLiteral("Invalid property value"));
                    QFont font = form.Text1->font();
                    font.setFamily(name);
                    form.Text1->setFont(font);
                });
                steps.step(QStringLiteral("TX preset font"), [&] {
                    const QString name = text.fontPresetsPicture[7 * k + 1];
                    if (name.isEmpty())
                        fail(380, QStringLiteral("Invalid property value"));
                    form.Picture1->setFontName(name);
                });
            });
    }

    // 37. The engine holds the TX screen as restored.
    steps.step(QStringLiteral("TX DIB"), [&] { engine.copyTxScreenToDib(640, 512); });
    // 38.
    browserPanelLeft = 790;
    browserPanelTop = 2;
    // 39. The floating RX monitor: loaded, hidden, centred on the screen, on top.
    steps.step(QStringLiteral("RX monitor"), [&] {
        QWidget& monitor = form.formRXfloat();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        monitor.move(screen.left() + (screen.width() - monitor.width()) / 2,
                     screen.top() + (screen.height() - monitor.height()) / 2);
        SetTopMost(monitor);
    });
    // 40. The output volume as found, for the announcement and the shut-down.
    steps.step(QStringLiteral("output gain"), [&] {
        savedWaveVolume = engine.binding().vrrGetOutputGain();
        engine.engineResult = 0;
    });
    // 41. The multimedia window: loaded, hidden, on top. (Its own load finds no system
    // entries to repair on this platform.)
    steps.step(QStringLiteral("multimedia window"), [&] { SetTopMost(form.frmMain()); });
    // 42. The window is redrawn as it now stands.
    steps.step(QStringLiteral("refresh"), [&] { form.update(); });
    // 43. Smooth rendering of rotated overlays.
    canvas.rotateFlags += 2;
    return LoadResult::Running;
}

// The settings file is read by its own piece of work; until then only the value that
// the start-up presets before the read is set, and every other value keeps what it
// had, as when the file is missing.
void Shell::readSettings()
{
    spareValueA = 1;
}

// The restore of the controls from the settings, in its order, as far as it gives the
// defaults that a start without settings needs.
void Shell::restoreControls(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& engine = form.engine();
    auto& strips = form.strips();
    auto& qso = form.qso();

    // Strip page counts.
    for (int i = 1; i <= 4; ++i)
        strips.stripPages[i] = 1;
    strips.stripPages[0] = 5;
    steps.stepIf(QStringLiteral("strip pages"), [&] { return number(engine.autoSaveLimit) != 0; },
                 [&] { strips.stripPages[0] = int(std::floor(number(engine.autoSaveLimit) / 7)) + 1; });
    // The folders, where the restore's order places them.
    createFolders(steps);
    // JPEG quality and tone frequency within their ranges.
    steps.stepIf(
        QStringLiteral("JPEG quality"),
        [&] { return number(engine.jpegQuality) < 1 || number(engine.jpegQuality) > 99; },
        [&] { engine.jpegQuality = 65; });
    steps.stepIf(
        QStringLiteral("tone frequency"),
        [&] { return number(engine.toneFrequency) < 1 || number(engine.toneFrequency) > 2700; },
        [&] { engine.toneFrequency = 1750; });
    steps.step(QStringLiteral("tone caption"),
               [&] { form.Command48->setText(QString::number(number(engine.toneFrequency))); });
    // Station data: defaults for what is empty.
    if (qso.stationRecord[2].isEmpty())
        qso.stationRecord[2] = QStringLiteral("SETUP YOUR CALLSIGN");
    if (qso.stationRecord[3].isEmpty())
        qso.stationRecord[3] = QStringLiteral("20M");
    if (qso.stationRecord[4].isEmpty())
        qso.stationRecord[4] = QStringLiteral("595");
    steps.step(QStringLiteral("Text9"), [&] { form.Text9->setText(qso.stationRecord[3]); });
    steps.step(QStringLiteral("Text10"), [&] { form.Text10->setText(qso.stationRecord[4]); });
    if (qso.stationRecord[5].size() < 2)
        qso.stationRecord[5] = QStringLiteral("UTC");
}

// "AutoSave" only while no auto-save folder is set (even one that does not exist);
// then the other four. An existing folder stays as it is.
void Shell::createFolders(platform::StepRunner& steps)
{
    auto& engine = form_.engine();
    if (engine.autoSaveDir.isEmpty()) {
        steps.step(QStringLiteral("AutoSave"), [] { makeFolder(QStringLiteral("AutoSave")); });
        engine.autoSaveDir = platform::appPath(QStringLiteral("AutoSave")) + QLatin1Char('/');
    }
    for (const char* name : {"TXImages", "MugShots", "Favorites", "CamImages"})
        steps.step(QString::fromLatin1(name), [name] { makeFolder(QString::fromLatin1(name)); });
}

// The kept pictures come with the picture store; the splash picture painted over the
// TX screen at the last shut-down is the one the start-up itself hands on (Image13).
void Shell::loadPictureStore()
{
    const QImage splash(platform::appPath(QStringLiteral("Favorites/Favorite21.bmp")));
    if (splash.isNull())
        fail(481, QStringLiteral("Invalid picture"));
    form_.Image13->setPicture(splash);
}

// The TX screen keeps its designed size and scale; what the layout step does beyond
// that (header modes, browser panel) comes with those tools. Here: events run, no tool
// is left active, and the copies of the TX picture (Image6, and the take-back copies
// Image13 and Image14) start equal to the screen.
void Shell::checkscreensize()
{
    platform::doEvents();
    form_.canvas().Command12_Click();
    form_.Image6->setPicture(form_.Picture1->Image());
    form_.Image13->setPicture(form_.Picture1->Image());
    form_.Image14->setPicture(form_.Picture1->Image());
}

void Shell::loadLastTxImage(platform::StepRunner& steps)
{
    steps.step(QStringLiteral("LastTXImage.bmp"), [&] {
        const QImage last(platform::appPath(QStringLiteral("LastTXImage.bmp")));
        if (last.isNull())
            fail(53, QStringLiteral("File not found: LastTXImage.bmp"));
        form_.Picture1->setPicture(last);
    });
    steps.step(QStringLiteral("ShowHeaders"), [&] { form_.qso().ShowHeaders(); });
    steps.step(QStringLiteral("Image6"), [&] { form_.Image6->setPicture(form_.Picture1->Image()); });
}

void Shell::Form_Unload()
{
    FormMain& form = form_;
    platform::StepRunner steps(QStringLiteral("Form_Unload"));
    steps.step(QStringLiteral("RX monitor"), [&] { form.formRXfloat().close(); });
    steps.step(QStringLiteral("output gain"),
               [&] { form.engine().binding().vrrSetOutputGain(savedWaveVolume); });
    steps.step(QStringLiteral("hide"), [&] { form.hide(); });
    steps.step(QStringLiteral("setup dialog"), [&] { form.formSetup().close(); });
    steps.step(QStringLiteral("multimedia window"), [&] { form.frmMain().close(); });
    lock_.unlock();
}

void Shell::SetupPicbuf(platform::Picbuf& picbuf, bool, const QString&)
{
    picbuf.setBackColor(0);
    picbuf.setAppearance(1);
}

void Shell::SetTopMost(QWidget& window)
{
    const bool shown = window.isVisible();
    window.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (shown)
        window.show();
}

} // namespace shell
