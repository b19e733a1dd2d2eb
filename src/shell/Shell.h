#pragma once
// The application shell's controller: the shell items of the menu bar (Setup, Help,
// About, Exit), the main window's keyboard shortcuts and the tab change of SSTab1.
// Start-up, shut-down and the settings file join it in later steps.

#include "platform/runtime/InstanceLock.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>

class QKeyEvent;
class QWidget;
class QWindow;

namespace platform {
class Picbuf;
class StepRunner;
} // namespace platform

namespace shell {

class FormMain;

class Shell : public QObject {
    Q_OBJECT
public:
    explicit Shell(FormMain& form);
    FormMain& form() const { return form_; }

    // Menu items of the shell.
    void copypaste_Click(); // "Setup"
    void helpp_Click();     // "Help" > "Help"
    void about_Click();     // "Help" > "About"
    void exits_Click();     // "Exit"

    // Keyboard shortcuts of the main window. keyAscii is the character code of the key
    // (Ctrl+letter gives 1 to 26); it is read and left as it is, never consumed.
    void Form_KeyPress(int& keyAscii);
    // keyCode is the VB key code (F5 = 116); shift (1 Shift, 2 Ctrl, 4 Alt) is ignored.
    void Form_KeyDown(int keyCode, int shift);

    // Runs whenever the selected tab of SSTab1 changes. previousTab is not used.
    void SSTab1_Click(int previousTab);

    // The main window's load handler: builds the whole initial state in its fixed
    // order. Ended: a second instance, or no engine; the program must end at once,
    // without the unload steps, so nothing is saved.
    enum class LoadResult { Running, Ended };
    LoadResult Form_Load();
    // The main window's unload, after the engine's query-unload.
    void Form_Unload();

    // Module routines.
    static void SetupPicbuf(platform::Picbuf& picbuf, bool scrollBars, const QString& pictureName = {});
    static void SetTopMost(QWidget& window);

    // Start-up state of the main window.
    QString messagesText;      // the message pane's text as read from "messages"
    QString scratchText;
    quint32 savedWaveVolume = 0xFFFFFFFF; // the output gain found at start-up
    double browserPanelLeft = 0;
    double browserPanelTop = 0;
    QVariant spareValueA;      // settings fields 5 and 6: carried, never applied
    QVariant spareValueB;
    QVariant shadowDepthScroll; // settings field 16, applied to VScroll1 late in the start-up
    // The display's twips per pixel for the large-fonts check (a test may stand in a display).
    std::function<int()> displayTwipsPerPixel;

    // The start-up's titled texts.
    static const QString DuplicateTitle;
    static const QString DuplicateText;
    static const QString LargeFontsTitle;
    static const QString LargeFontsText;
    static const QString OptionTitle;

    // VB's character code of a Qt key event (0 when the key has none).
    static int keyAscii(const QKeyEvent& event);

signals:
    // A shortcut ran the routine of that name (for example "Command3_Click").
    void shortcutRan(const QString& routine);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchWindow();
    // The steps of the start-up that later issues fill out; each does the least the
    // start-up needs of it now.
    void readSettings();
    void restoreControls(platform::StepRunner& steps);
    void createFolders(platform::StepRunner& steps);
    void loadPictureStore();
    void checkscreensize();
    void loadLastTxImage(platform::StepRunner& steps);
    platform::InstanceLock lock_;
    FormMain& form_;
    QPointer<QWindow> watched_;
};

} // namespace shell
