#include "shell/Shell.h"

#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "intake/Intake.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/StepRunner.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"
#include "platform/services/Ui.h"
#include "shell/FormMain.h"
#include "shell/FormSetup.h"
#include "text/TextTools.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabWidget>
#include <QWindow>

#include <cmath>

namespace shell {

const QString Shell::HelpFile = QStringLiteral("sstv.html");
const QString Shell::HelpMissing = QStringLiteral("The help page is missing: ");
const QString Shell::HelpNotOpened = QStringLiteral("No program on this desktop opens the help page: ");

Shell::Shell(FormMain& form) : QObject(nullptr), form_(form)
{
    helpFolder_ = QCoreApplication::applicationDirPath();
    // The shortcuts see every key typed into the window, whichever control has the
    // focus: the window's own key events are watched, before Qt hands them to the
    // focused control, and never consumed.
    form_.installEventFilter(this);
    watchWindow();
    form_.Frame2->installEventFilter(this);
}

void Shell::watchWindow()
{
    QWindow* window = form_.windowHandle();
    if (window && window != watched_) {
        window->installEventFilter(this);
        watched_ = window;
    }
}

bool Shell::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &form_) {
        if (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show)
            watchWindow();
        return false;
    }
    if (watched == form_.Frame2)
        return browserPanelEvent(event);
    if (watched == watched_ && event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (const int code = platform::vbKeyCode(key.key()))
            Form_KeyDown(code, platform::vbShift(key.modifiers()));
        int ascii = keyAscii(key);
        if (ascii)
            Form_KeyPress(ascii);
    }
    return false;
}

// The browser panel's own area (its caption and margins; the lists and pictures in it take
// their own presses) moves the panel. It takes the press, so the moves that follow come
// to it.
bool Shell::browserPanelEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return true;
    case QEvent::MouseMove: {
        const auto& e = static_cast<const QMouseEvent&>(*event);
        Frame2_MouseMove(platform::vbButtons(e.buttons()), platform::vbShift(e.modifiers()), e.position().x(),
                         e.position().y());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const auto& e = static_cast<const QMouseEvent&>(*event);
        Frame2_MouseUp(platform::vbButton(e.button()), platform::vbShift(e.modifiers()), e.position().x(),
                       e.position().y());
        return true;
    }
    default:
        return false;
    }
}

// The setup dialog comes up over the window, modeless, showing what the engine and the
// program now hold.
void Shell::copypaste_Click()
{
    platform::StepRunner steps(QStringLiteral("copypaste_Click"));
    FormSetup& setup = form_.formSetup();
    steps.step(QStringLiteral("Command12_Click"), [&] { form_.canvas().Command12_Click(); });
    steps.step(QStringLiteral("CheckRxTxSettings"), [&] { setup.CheckRxTxSettings(); });
    setup.show();
    setup.raise();
    setup.activateWindow();
    steps.step(QStringLiteral("fill"), [&] { setup.fillFromSettings(); });
}

// The program's own help page, opened by the desktop's handler for web pages. A page
// that is missing, or that nothing opens, is said so (with where it was looked for).
void Shell::helpp_Click()
{
    form_.intake().setDialogFolder(platform::appFolder());
    const QString page = QDir(helpFolder_).filePath(HelpFile);
    if (!QFileInfo(page).isFile()) {
        form_.ui().msgBox(HelpMissing + page, platform::vbOKOnly);
        return;
    }
    if (!form_.ui().openDocument(page))
        form_.ui().msgBox(HelpNotOpened + page, platform::vbOKOnly);
}

void Shell::about_Click()
{
    const QString title = QStringLiteral("TOVARO+    17/NOV/2002   Vareror Engine Version:  ")
                          + form_.engine().engineVersion();
    const QString credits = QStringLiteral(
        "The SSTV modem at the heart of this program, the Vareror Engine, does all of the "
        "signal work: receiving, synchronising, correcting slant, identifying and sending "
        "pictures. Sincere thanks to its author from everyone who uses this program on the air.");
    const QString signOff = QStringLiteral("Tovaro is written for radio amateurs, with best 73 from its author.");
    form_.ui().msgBox(credits + QLatin1Char('\r') + signOff, platform::vbOKOnly, title);
}

void Shell::exits_Click()
{
    form_.close();
}

void Shell::Form_KeyPress(int& keyAscii)
{
    if (keyAscii == 20) { // Ctrl+T
        form_.text().Option1_Click();
        emit shortcutRan(QStringLiteral("Option1_Click"));
    }
    if (keyAscii == 15) { // Ctrl+O
        form_.canvas().Option6_Click();
        emit shortcutRan(QStringLiteral("Option6_Click"));
    }
    if (keyAscii == 6) { // Ctrl+F
        form_.canvas().Label32_Click();
        emit shortcutRan(QStringLiteral("Label32_Click"));
    }
    if (keyAscii == 3) { // Ctrl+C
        form_.canvas().Label38_Click();
        emit shortcutRan(QStringLiteral("Label38_Click"));
    }
    if (keyAscii == 16) { // Ctrl+P
        form_.canvas().Option7_Click();
        emit shortcutRan(QStringLiteral("Option7_Click"));
    }
    if (keyAscii == 24) { // Ctrl+X
        form_.canvas().Check19_Click();
        emit shortcutRan(QStringLiteral("Check19_Click"));
        // Ticking the box runs its click once more when it was not ticked.
        form_.canvas().tickFourPicsInOne();
    }
}

void Shell::Form_KeyDown(int keyCode, int /*shift: Shift, Ctrl or Alt with the key act the same*/)
{
    switch (keyCode) {
    case 116: // F5
        form_.engine().Command3_Click();
        emit shortcutRan(QStringLiteral("Command3_Click"));
        break;
    case 117: // F6
        form_.engine().Command7_Click();
        emit shortcutRan(QStringLiteral("Command7_Click"));
        break;
    case 120: // F9
        form_.engine().Command1_Click();
        emit shortcutRan(QStringLiteral("Command1_Click"));
        break;
    default:
        break;
    }
}

void Shell::SSTab1_Click(int /*previousTab*/)
{
    // The zoom view closes and a pending picture adjustment is discarded on every tab change.
    form_.intake().closeZoom();
    form_.intake().Command27_Click();
}

int Shell::keyAscii(const QKeyEvent& event)
{
    const int key = event.key();
    // Ctrl with a letter is a control character (Ctrl+A = 1 ... Ctrl+Z = 26), whatever
    // text the platform attaches to the event.
    if ((event.modifiers() & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
        return key - Qt::Key_A + 1;
    const QString text = event.text();
    if (text.isEmpty())
        return 0;
    const char16_t c = text.at(0).unicode();
    return c < 0x20 && c != 8 && c != 9 && c != 13 && c != 27 ? 0 : int(c);
}

void Shell::showTab(Tab tab) { form_.SSTab1->setCurrentIndex(int(tab)); }

QPoint Shell::browserPanelPlace() const
{
    return QPoint(int(std::lround(browserPanelLeft_)), int(std::lround(browserPanelTop_)));
}

void Shell::setBrowserPanelPlace(QPoint place)
{
    browserPanelLeft_ = place.x();
    browserPanelTop_ = place.y();
}

// Asking loads the setup dialog (hidden) when it is not loaded yet, as reading its box did.
bool Shell::announcesBeforeTransmit() { return form_.formSetup().Check27->value() == 1; }

bool Shell::autoSaveFolderEdited() { return form_.formSetup().autoSaveDirEdited == 1; }

} // namespace shell
