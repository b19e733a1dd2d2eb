#pragma once
// The hub the rooms hold instead of the main window: the window's controls by their
// designer names (FormControls), the window's own services, its other windows, and each
// room's interface. shell::FormMain implements it and wires the rooms in; a room's code
// keeps its spelling: form.canvas().Command12_Click() reaches the canvas through
// CanvasRoom. (FormMain's own accessors of the same names give the shell the concrete
// controllers.)

#include "interfaces/FormControls.h"

class QWidget;

namespace platform { class Ui; }
// A room's own windows: only that room uses the type; the shell builds them.
namespace engine { class FormRXfloat; }
namespace intake { class FormCrop; }
namespace media { class FrmMain; }
namespace capture { class frmMemCapMain; }

namespace interfaces {

class EngineRoom;
class CanvasRoom;
class TextRoom;
class IntakeRoom;
class StripsRoom;
class QsoRoom;
class ShellRoom;

class Form : public FormControls {
public:
    // The window itself (shown, hidden, parent of dialogs) and its dialogs.
    virtual QWidget& widget() = 0;
    virtual platform::Ui& ui() const = 0;
    // The window's mouse pointer (0 default, 11 hourglass): shown over the whole window.
    virtual int MousePointer() const = 0;
    virtual void setMousePointer(int pointer) = 0;
    // Text1 as the log view's listing (taller) or as the text to place.
    virtual void setText1Listing(bool listing) = 0;

    // The other windows. Touching one loads it (hidden) when it is not loaded yet.
    virtual engine::FormRXfloat& formRXfloat() = 0;
    virtual intake::FormCrop& formCrop() = 0;
    virtual bool formCropLoaded() const = 0;
    virtual void unloadFormCrop() = 0;
    virtual media::FrmMain& frmMain() = 0;
    virtual capture::frmMemCapMain& frmMemCapMain() = 0;
    virtual void unloadFrmMemCapMain() = 0;
    // The other windows by role: loaded() gives the window only when it has been loaded,
    // so asking never loads it.
    enum class Window { Setup, RxMonitor, Crop, Splash, Multimedia, Camera };
    virtual QWidget* loaded(Window window) const = 0;

    // The rooms, by what other rooms may ask of them.
    EngineRoom& engine() const { return *rooms_.engine; }
    CanvasRoom& canvas() const { return *rooms_.canvas; }
    TextRoom& text() const { return *rooms_.text; }
    IntakeRoom& intake() const { return *rooms_.intake; }
    StripsRoom& strips() const { return *rooms_.strips; }
    QsoRoom& qso() const { return *rooms_.qso; }
    ShellRoom& shell() const { return *rooms_.shell; }

protected:
    ~Form() = default;
    // Filled by the shell as it builds each controller, before any handler runs.
    struct Rooms {
        EngineRoom* engine = nullptr;
        CanvasRoom* canvas = nullptr;
        TextRoom* text = nullptr;
        IntakeRoom* intake = nullptr;
        StripsRoom* strips = nullptr;
        QsoRoom* qso = nullptr;
        ShellRoom* shell = nullptr;
    };
    Rooms rooms_;
};

} // namespace interfaces
