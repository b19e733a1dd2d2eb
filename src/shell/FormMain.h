#pragma once
// The main window. Its controls keep their designer names, as members (interfaces::
// FormControls) and as object names. Each room's controller is built here and wired to
// the hub the rooms hold (interfaces::Form): through it a room reaches another by that
// room's interface, form.canvas().Command12_Click(). The accessors below, of the same
// names, give the shell the concrete controllers.

#include "interfaces/Form.h"

#include <QMainWindow>

#include <memory>

class QHBoxLayout;
class QLayout;
class QScrollArea;

namespace engine { class EngineControl; class FormRXfloat; }
namespace canvas { class TxCanvas; }
namespace text { class TextTools; }
namespace intake { class Intake; class FormCrop; }
namespace strips { class Strips; }
namespace qso { class Qso; }
namespace capture { class Capture; class frmMemCapMain; }
namespace media { class Media; class FrmMain; }

namespace shell {

class Shell;
class FormSetup;
class Form2;

class FormMain : public QMainWindow, public interfaces::Form {
    Q_OBJECT
public:
    explicit FormMain(platform::Ui& ui, QWidget* parent = nullptr);
    ~FormMain() override;

    platform::Ui& ui() const override { return ui_; }
    QWidget& widget() override { return *this; }

    // The text colour a start gives the TX screen before the settings (red 238), which
    // the "Text Forecolor" indicator shows from the window's design on.
    static constexpr quint32 StartTextColour = 0xEE;

    // The rooms' controllers (namespaces spelled out: the accessors share their names).
    Shell& shell() const { return *shell_; }
    ::engine::EngineControl& engine() const { return *engine_; }
    ::canvas::TxCanvas& canvas() const { return *canvas_; }
    ::text::TextTools& text() const { return *text_; }
    ::intake::Intake& intake() const { return *intake_; }
    ::strips::Strips& strips() const { return *strips_; }
    ::qso::Qso& qso() const { return *qso_; }
    ::capture::Capture& capture() const { return *capture_; }
    ::media::Media& media() const { return *media_; }

    // The other windows. Touching one loads it (hidden) when it is not loaded yet.
    FormSetup& formSetup();
    ::engine::FormRXfloat& formRXfloat() override;
    ::intake::FormCrop& formCrop() override;
    // The crop dialog is unloaded when it closes itself and loaded anew by its next use.
    bool formCropLoaded() const override { return formCrop_ != nullptr; }
    void unloadFormCrop() override;
    Form2& form2();
    // The splash goes once the start-up no longer shows it (its unload runs first).
    void unloadForm2();
    ::media::FrmMain& frmMain() override;
    ::capture::frmMemCapMain& frmMemCapMain() override;
    // The camera window goes when it closes (its unload runs) and is loaded anew, over
    // the system's cameras, by its next use. A window built over another capture device
    // (a clip standing in for a camera) takes the place of the loaded one.
    void unloadFrmMemCapMain() override;
    void setFrmMemCapMain(std::unique_ptr<::capture::frmMemCapMain> window);
    // The other windows by role, for the shut-down: loaded() gives the window only when
    // it has been loaded, so unloading a window never loads it first.
    QWidget* loaded(Window window) const override;

    // Text1 as the log view's listing (taller) or as the text to place.
    void setText1Listing(bool listing) override;

    // Prints the TX picture on one page of the printer chosen in the printer dialog,
    // 11485 x 9372 twips at the page's top-left corner; a cancelled dialog prints nothing.
    void printTxPicture();

    // The window on its screen: at its designed size, or as much larger as its controls
    // need, in the top-left corner of the screen's available area and never larger than
    // that area (frame included); the controls lie in a scrolled area, so what a small
    // screen cannot show is reached by scrolling. Done again once the window is first
    // shown, when its frame is known.
    void fitToScreen(QSize designed);
    // Where the browser panel opens until the operator drags it elsewhere: at the top of
    // the right-hand column, against its right edge, clear of the screens, the fit modes,
    // the waterfall, SET, OOPS!!, Undo, the adjust button and the strip.
    QPoint browserPanelHome() const;

    // The window's mouse pointer (0 default, 11 hourglass): shown over the whole window.
    int MousePointer() const override { return mousePointer_; }
    void setMousePointer(int pointer) override;

signals:
    void MousePointerChanged(int pointer);
    // The shut-down is complete: the program ends.
    void ended();

protected:
    // Closing the window runs the shut-down (engine stop, then unload).
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // The panels that open over the controls scrolled into view as they open (the QSL
    // panel placed over the text tools first); the text colours' indicators.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildControls();
    QWidget* buildStationFrame(QWidget* parent);
    QHBoxLayout* buildEffectsRow(QWidget* frame);
    void buildHiddenControls(QWidget* parent);
    QWidget* buildCanvasFrame(QWidget* parent);
    QWidget* buildModesFrame(QWidget* parent);
    QWidget* buildStripFrame(QWidget* parent);
    QWidget* buildStripPager(QWidget* parent);
    QWidget* buildStripChoice(QWidget* parent);
    void connectStripHandlers();
    void buildCanvasHiddenControls(QWidget* parent);
    void buildAdjustPanel();
    void buildPictureToolButtons();
    void connectPictureTools();
    void connectCanvasHandlers();
    QWidget* buildMugShotColumn(QWidget* parent);
    QLayout* buildLogRow(QWidget* parent);
    QWidget* buildQslPanel(QWidget* parent);
    void placeMugShot();
    void connectLogHandlers();
    void buildHeaderPanel(QWidget* parent);
    void connectHeaderHandlers();
    QWidget* buildPalette(QWidget* parent);
    void connectPaletteHandlers();
    QWidget* buildIntakeRow(QWidget* parent);
    void buildBrowserPanel(QWidget* parent);
    void connectBrowserHandlers();
    void connectHandlers();
    void connectStartupHandlers();
    void buildMessagePane(QWidget* parent);
    void connectTextHandlers();
    void placeQslPanel();
    void scrollIntoView(QWidget* panel);

    platform::Ui& ui_;
    QScrollArea* scroll_ = nullptr;
    QSize designedSize_;
    bool fitPending_ = false;
    int currentTab_ = 0;
    bool closing_ = false;
    int mousePointer_ = 0;

    std::unique_ptr<Shell> shell_;
    std::unique_ptr<::engine::EngineControl> engine_;
    std::unique_ptr<::canvas::TxCanvas> canvas_;
    std::unique_ptr<::text::TextTools> text_;
    std::unique_ptr<::intake::Intake> intake_;
    std::unique_ptr<::strips::Strips> strips_;
    std::unique_ptr<::qso::Qso> qso_;
    std::unique_ptr<::capture::Capture> capture_;
    std::unique_ptr<::media::Media> media_;

    std::unique_ptr<platform::CommonDialog> commonDialog1_;
    std::unique_ptr<FormSetup> formSetup_;
    std::unique_ptr<::engine::FormRXfloat> formRXfloat_;
    std::unique_ptr<::intake::FormCrop> formCrop_;
    std::unique_ptr<Form2> form2_;
    std::unique_ptr<::media::FrmMain> frmMain_;
    std::unique_ptr<::capture::frmMemCapMain> frmMemCapMain_;
};

} // namespace shell
