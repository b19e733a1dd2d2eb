#pragma once
// What other rooms ask of the shell (shell::Shell): the setup dialog's settings that
// other rooms act on, where the browser panel opens, and the tab the screens show.

#include <QPoint>

class QWidget;

namespace interfaces {

class ShellRoom {
public:
    // "Audio Anounce Mode": the transmit button speaks an announcement first.
    virtual bool announcesBeforeTransmit() = 0;
    // The auto-save folder box changed since the last SET of the setup dialog.
    virtual bool autoSaveFolderEdited() = 0;
    // Where the browser panel opens: its home, or where the operator last dragged it.
    virtual QPoint browserPanelPlace() const = 0;
    // A window kept above the others.
    virtual void keepOnTop(QWidget& window) = 0;
    // The window's tab strip is the shell's: another room asks for the screen it wants
    // shown. A change of tab runs the tab change (the zoom view closes, a pending
    // adjustment is dropped), as the operator's click does; the tab shown already changes
    // nothing.
    enum class Tab { RxFull = 0, Tx = 1, RxTrue = 2 };
    virtual void showTab(Tab tab) = 0;

protected:
    ~ShellRoom() = default;
};

} // namespace interfaces
