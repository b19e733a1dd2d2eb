// The main window's load handler: the whole initial state of the program in its fixed
// order. Later steps read what earlier ones restored, and setting a control runs its
// handler at once, with the state as far as it has been set.
//
// Every statement runs as a step: one that fails is logged with its reason and skipped,
// and the next one runs; a failing test runs its body. A file that does not exist yet
// (a first start) is no failure: its step has nothing to do.

#include "shell/Shell.h"

#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "engine/FormRXfloat.h"
#include "intake/Intake.h"
#include "interfaces/Facts.h"
#include "media/FrmMain.h"
#include "platform/runtime/AppFolder.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/StepValues.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/FileLists.h"
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
#include <QFileInfo>
#include <QGroupBox>
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

using platform::steps::fail;
using platform::steps::isEmpty;
using platform::steps::number;
using platform::steps::setScrollValue;

const QString kHeaderHelp = QStringLiteral(
    "Make up header in box below, in same way as normal picture\r\n"
    "CTRL + Click color button changes header backcolor\r\n"
    "When finished, drag (RT Mouse Button) to one of the boxes above\r\n"
    "Click DONE when completely finished\r\n"
    "Headers (top or bottom) may be loaded by clicking HDR buttons");

} // namespace

// The start-up in its phases; each phase's steps run in order, and a step that fails is
// skipped without ending its phase. A second instance, or no engine, ends the start-up.
Shell::LoadResult Shell::Form_Load()
{
    platform::StepRunner steps(QStringLiteral("Form_Load"));
    const bool otherInstance = lockAndShowSplash(steps);
    // A second instance is told so and ends here; nothing is written. This comes before
    // the display check, so a second instance shows no other box.
    if (otherInstance) {
        form_.ui().msgBox(DuplicateText, platform::vbOKOnly, DuplicateTitle);
        return LoadResult::Ended;
    }
    prepareAppFolder(steps);
    clearTextTools(steps);
    steps.step(QStringLiteral("read messages"), [&] { readMessages(); });

    // The settings, and everything restored from them (the folders are made inside).
    readSettings(steps);
    restoreControls(steps);

    showFirstPages(steps);
    form_.intake().openStartFolder(steps);
    resetTextBox(steps);
    restoreTextEffects(steps);
    resetDrawingTools(steps);
    restoreStyleBoxes(steps);

    // The engine, with the tuning displays from the restored boxes; without an engine
    // the program ends here.
    if (!form_.engine().engineStart(steps))
        return LoadResult::Ended;

    showWindow(steps);
    restoreFontPreset(steps);
    placeLoadedWindows(steps);
    // What went wrong with the stored files, the engine's among them, told once the window
    // stands.
    tellEngineFileFaults();
    tellTroubles();
    return LoadResult::Running;
}

// The lock comes before anything touches the application folder, so a second instance
// ends without writing or changing a file; it is told so after the splash. A lock that
// cannot be made at all (no folder, no permission) is no other instance: that failure is
// logged and the start goes on. True: another instance holds the lock.
bool Shell::lockAndShowSplash(platform::StepRunner& steps)
{
    FormMain& form = form_;
    bool otherInstance = false;
    steps.step(QStringLiteral("instance lock"), [&] {
        if (lock_.tryLock()) {
            if (!lock_.takenOverFrom().isEmpty())
                addTrouble(QStringLiteral("The lock %1 was left by Tovaro on the host \"%2\" (a folder copied from "
                                          "there, or this computer renamed): it is taken over. If Tovaro runs on %2 "
                                          "over this same folder, close one of them.")
                               .arg(QDir::toNativeSeparators(lock_.lockFilePath()), lock_.takenOverFrom()));
            if (!lock_.notAFile().isEmpty())
                notRead(lock_.lockFilePath(), lock_.notAFile());
            return;
        }
        otherInstance = lock_.heldElsewhere();
        if (!otherInstance)
            fail(75, lock_.error());
    });

    // The splash plays while it loads and stays on the screen while the rest starts; the
    // setup dialog is loaded hidden, ready for the restore to set its boxes.
    steps.step(QStringLiteral("splash"), [&] { form.form2().Form_Load(); });
    steps.step(QStringLiteral("setup dialog"), [&] { form.formSetup(); });
    steps.step(QStringLiteral("show splash"), [&] { form.form2().show(); });
    steps.step(QStringLiteral("TX tab"), [&] { form.SSTab1->setCurrentIndex(1); });
    steps.step(QStringLiteral("Picture21"), [&] {
        form.Picture21->setBoxSize(688, 556);
        form.Picture21->move(55, 33);
    });
    platform::doEvents();
    // The picture buffers are work areas, never shown at start.
    steps.step(QStringLiteral("PicbufVisible hidden"), [&] { form.PicbufVisible->hide(); });
    steps.step(QStringLiteral("PicbufEdit hidden"), [&] { form.PicbufEdit->hide(); });
    steps.step(QStringLiteral("SetupPicbuf"), [&] { SetupPicbuf(*form.PicbufVisible, false); });
    return otherInstance;
}

// The display's scale, and the application folder made, checked and its log backed up.
void Shell::prepareAppFolder(platform::StepRunner& steps)
{
    FormMain& form = form_;
    // A display at another scale than the normal one is only warned about.
    steps.stepIf(QStringLiteral("large fonts"), [&] {
                     const int twips = displayTwipsPerPixel ? displayTwipsPerPixel() : platform::displayTwipsPerPixel();
                     return twips != platform::kTwipsPerPixel;
                 },
                 [&] { form.ui().msgBox(LargeFontsText, platform::vbOKOnly, LargeFontsTitle); });
    form.text().setTextEditState(1);
    // All files below are in the application folder (the working directory is left alone).
    steps.step(QStringLiteral("application folder"), [&] {
        if (!platform::ensureAppFolder())
            fail(76, QStringLiteral("Path not found: ") + platform::appFolder());
    });

    // A folder that cannot be written is said once; the program runs on without saving.
    steps.step(QStringLiteral("folder writable"), [&] { checkAppFolder(); });
    // Before anything is written: what writes stopped by a kill left behind goes.
    steps.step(QStringLiteral("left-over temporaries"), [&] { removeLeftOverTemporaries(); });
    backUpLog(steps);
}

// The text tools start from nothing: red text on the TX screen, a yellow fill.
void Shell::clearTextTools(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& text = form.text();
    steps.step(QStringLiteral("Command2 hidden"), [&] { form.Command2->hide(); });
    text.clearTextToDraw();
    steps.step(QStringLiteral("Text2 emptied"), [&] { form.Text2->setText(QString()); });
    steps.step(QStringLiteral("TX fore colour"), [&] { form.Picture1->setForeColor(FormMain::StartTextColour); });
    text.setDrawingColour(QString::number(FormMain::StartTextColour));
    steps.step(QStringLiteral("TX fill colour"), [&] { form.Picture1->setFillColor(platform::vbYellow); });
}

// The kept pictures, before the strip shows its first page; the draw thickness, strip
// page 1 (the strip's pager runs), empty text boxes and the screens at their sizes.
void Shell::showFirstPages(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& text = form.text();
    loadPictureStore(steps);
    form.canvas().setOverlayWidth(240);
    steps.step(QStringLiteral("Image6"), [&] { form.canvas().keepScreenAsClean(); });
    steps.step(QStringLiteral("HScroll1"), [&] { setScrollValue(form.HScroll1, 3); });
    steps.step(QStringLiteral("HScroll2"), [&] { setScrollValue(form.HScroll2, 1); });
    // The whole first page of favourites, also when the page was 1 already (no change of
    // the scroll bar then runs the pager).
    steps.step(QStringLiteral("strip page"), [&] { form.strips().HScroll2_Change(); });
    steps.step(QStringLiteral("Text1"), [&] { form.Text1->setText(QString()); });
    steps.step(QStringLiteral("Text3"), [&] { form.Text3->setText(QString()); });
    steps.step(QStringLiteral("Text4"), [&] { form.Text4->setText(QString()); });
    steps.step(QStringLiteral("Text5"), [&] { form.Text5->setText(QStringLiteral("1")); });
    // The text size starts from the TX screen's restored font.
    steps.step(QStringLiteral("textFontSize"),
               [&] { text.setTextFontSize(platform::numberText(form.Picture1->FontSize())); });
    steps.step(QStringLiteral("checkscreensize"), [&] { checkscreensize(); });
}

// Browser folder: the folder of the quick directory in use, or the application folder
// when none is. A quick directory that no longer exists leaves the lists as they were.
// The shadow depth once more, now that the text tools stand; the header help and the
// text box as a start shows it.
void Shell::resetTextBox(platform::StepRunner& steps)
{
    FormMain& form = form_;
    if (!isEmpty(shadowDepthScroll_))
        steps.step(QStringLiteral("VScroll1"),
                   [&] { setScrollValue(form.VScroll1, platform::CInt(number(shadowDepthScroll_))); });
    steps.step(QStringLiteral("Text12"), [&] { form.Text12->setText(kHeaderHelp); });
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
}

void Shell::restoreTextEffects(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& text = form.text();
    steps.stepIf(QStringLiteral("outline swatch"), [&] { return number(kept_.paletteIndex) >= 0 && number(kept_.paletteIndex) <= 11; },
                 [&] { setScrollValue(form.HScroll4, platform::CInt(number(kept_.paletteIndex))); });
    text.showOutlineColour();
    steps.stepIf(QStringLiteral("shadow colour"), [&] { return number(kept_.colourPresetSlot) >= 1 && number(kept_.colourPresetSlot) <= 7; },
                 [&] { setScrollValue(form.HScroll5, platform::CInt(number(kept_.colourPresetSlot))); });
    steps.step(QStringLiteral("Label47"), [&] {
        const double weight = number(text.outlineWeight());
        if (weight == 1)
            form.Label47->setCaption(QStringLiteral("Thin outline"));
        else if (weight == 2)
            form.Label47->setCaption(QStringLiteral("Bold outline"));
    });
    steps.step(QStringLiteral("presetColour"), [&] { text.setPresetColour(); });
    steps.step(QStringLiteral("Combo3_Click"), [&] {
        form.Combo3->setText(kept_.textStyle.isEmpty() ? QStringLiteral("Normal Text") : kept_.textStyle);
        text.Combo3_Click();
    });
}

// No tool active, and the tools' settings from scratch; the splash goes.
void Shell::resetDrawingTools(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& canvas = form.canvas();
    steps.step(QStringLiteral("TX italic"), [&] { form.Picture1->setFontItalic(false); });
    form.qso().setHeaderBackColour(platform::vbWhite);
    steps.step(QStringLiteral("Command12_Click"), [&] { canvas.Command12_Click(); });
    steps.step(QStringLiteral("Image6 again"), [&] { canvas.keepScreenAsClean(); });
    steps.step(QStringLiteral("VScroll3"), [&] { setScrollValue(form.VScroll3, 3); });
    canvas.startToolDefaults();
    steps.step(QStringLiteral("hide splash"), [&] { form.form2().hide(); });
    steps.step(QStringLiteral("unload splash"), [&] { form.unloadForm2(); });
}

// The style boxes from fontStyleCode, which keeps what is left; each box ticked redraws
// the text through its handler.
void Shell::restoreStyleBoxes(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& text = form.text();
    steps.stepIf(QStringLiteral("underline"), [&] { return text.fontStyleCode() >= 100; }, [&] {
        text.setFontStyleCode(qint16(text.fontStyleCode() - 100));
        form.Check13->setValue(1);
    });
    steps.stepIf(QStringLiteral("italic"), [&] { return text.fontStyleCode() >= 10; }, [&] {
        text.setFontStyleCode(qint16(text.fontStyleCode() - 10));
        form.Check14->setValue(1);
    });
    steps.stepIf(QStringLiteral("bold"), [&] { return text.fontStyleCode() >= 1; },
                 [&] { form.Check6->setValue(1); });
}

// The last TX picture, with the header chosen in the settings over it; the window shown
// and enabled, and the engine's option dialog titled with the engine's version.
void Shell::showWindow(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& engine = form.engine();
    loadLastTxImage(steps);
    steps.step(QStringLiteral("show"), [&] { form.setVisible(true); });
    // The window takes the keyboard focus as a window manager would give it; on a display
    // without one no control of it would ever get the focus.
    steps.step(QStringLiteral("activate"), [&] { form.activateWindow(); });
    steps.step(QStringLiteral("engine version"),
               [&] { scratchText_ = engine.binding().EngineString(engine.binding().mmsGetVersion()); });
    steps.step(QStringLiteral("option title"), [&] {
        const QByteArray title = (OptionTitle + scratchText_).toLatin1();
        engine.binding().mmsSetOptionTitle(title.constData());
    });
    steps.step(QStringLiteral("enabled"), [&] { form.setEnabled(true); });
}

// Font preset: the chosen button green and the preset's font name applied. An empty
// choice (no settings yet) is the first preset; a preset never stored has no name to
// apply.
void Shell::restoreFontPreset(platform::StepRunner& steps)
{
    auto& text = form_.text();
    for (int k = 0; k < 4; ++k)
        steps.stepIf(
            QStringLiteral("font preset %1").arg(k), [&] { return number(text.fontPresetSelected()) == k; },
            [&] { text.applyFontPreset(k + 1); });
}

// The engine given the TX screen; the browser panel, the RX monitor and the multimedia
// window placed; the output volume noted.
void Shell::placeLoadedWindows(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& engine = form.engine();
    // The engine holds the TX screen as restored.
    steps.step(QStringLiteral("TX DIB"), [&] { engine.copyTxScreenToDib(int(interfaces::kTxWidth), int(interfaces::kTxHeight)); });
    // The browser panel's first place: beside the screens, clear of the controls used
    // while browsing.
    steps.step(QStringLiteral("browser panel place"), [&] {
        setBrowserPanelPlace(form.browserPanelHome());
    });
    // The floating RX monitor: loaded, hidden, centred on the screen, on top.
    steps.step(QStringLiteral("RX monitor"), [&] {
        QWidget& monitor = form.formRXfloat();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        monitor.move(screen.left() + (screen.width() - monitor.width()) / 2,
                     screen.top() + (screen.height() - monitor.height()) / 2);
        SetTopMost(monitor);
    });
    // The output volume as found, for the announcement and the shut-down to restore.
    steps.step(QStringLiteral("output gain"), [&] {
        savedWaveVolume_ = engine.binding().vrrGetOutputGain();
        engine.clearEngineReply();
    });
    // The multimedia window: loaded, hidden, on top. (Its own load finds no system
    // entries to repair on this platform.)
    steps.step(QStringLiteral("multimedia window"), [&] { SetTopMost(form.frmMain()); });
    steps.step(QStringLiteral("refresh"), [&] { form.update(); });
    // Smooth rendering of rotated overlays.
    form.canvas().smoothTurnedElements();
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
