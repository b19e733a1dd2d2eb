#pragma once
// The application shell's controller: the shell items of the menu bar (Setup, Help,
// About, Exit), the main window's keyboard shortcuts and the tab change of SSTab1.
// Start-up, shut-down and the settings file join it in later steps.

#include <QObject>
#include <QPointer>
#include <QString>

class QKeyEvent;
class QWindow;

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

    // VB's character code and key code of a Qt key event (0 when the key has none).
    static int keyAscii(const QKeyEvent& event);
    static int keyCode(const QKeyEvent& event);

signals:
    // A shortcut ran the routine of that name (for example "Command3_Click").
    void shortcutRan(const QString& routine);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchWindow();
    FormMain& form_;
    QPointer<QWindow> watched_;
};

} // namespace shell
