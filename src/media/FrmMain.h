#pragma once
// The multimedia controller window, "Multimedia Controller": plays a video or sound file
// through one media device whose picture lies over the TX screen. Every control the
// handlers use is element 0 of its set, and each handler gets the index of the control
// whose event ran; the device's alias is "movie" and that index.

#include <QGroupBox>
#include <QProgressBar>
#include <QWidget>

#include <memory>

namespace platform {
class CheckBox;
class CommandButton;
class Label;
class OptionButton;
class Slider;
class TextBox;
class VbTimer;
} // namespace platform
namespace interfaces { class Form; }

namespace media {

class FrmSelectFile;
class Media;
class ModuleMultimedia;

class FrmMain : public QWidget {
    Q_OBJECT
public:
    // The shell builds the window with the hub and the room's own controller, whose
    // command layer plays the devices.
    FrmMain(interfaces::Form& form, Media& media);
    ~FrmMain() override;
    interfaces::Form& form() const { return form_; }
    ModuleMultimedia& mm() const;

    // The requesting index: the "Select File" button's index, which the chooser reads
    // back to know whose file name to fill.
    QString Tag;

    // The window's load handler (runs as the window is made).
    void Form_Load();
    void CmdSelectFile_Click(int index);
    void CmdOpen_Click(int index);
    void CmdPlay_Click(int index);
    void CmdResize_Click(int index);
    void CmdPause_Click(int index);
    void CmdResume_Click(int index);
    void CmdStop_Click(int index);
    void CmdClose_Click(int index);
    void Check_Click(int index);
    void TimerAtEndFile_Timer(int index);
    void TimerMisc_Timer(int index);
    void OptnChannelAllOff_Click(int index);
    void OptnChannelAllOn_Click(int index);
    void OptnChannelLeft_Click(int index);
    void OptnChannelRight_Click(int index);
    void SliderBothVol_Change(int index);
    void SliderLeftVol_Change(int index);
    void SliderRightVol_Change(int index);
    void CmdShowVol_Click(int index);
    void CmdHideVol_Click(int index);
    void SliderMoveMultimedia_Change(int index);
    void SliderRate_Change(int index);
    void CmdDemoFight_Click();
    // Closing while the main window is shown only hides the window (and closes the
    // device); returns whether the unload goes on.
    bool Form_QueryUnload();

    // The file chooser while it is loaded (nullptr otherwise), and its unload.
    FrmSelectFile* frmSelectFile() const { return frmSelectFile_.get(); }
    void unloadFrmSelectFile();

    // "Multimedia"
    QGroupBox* MainFrame = nullptr;
    platform::CommandButton* CmdSelectFile = nullptr;
    platform::Label* LbFileName = nullptr;
    platform::CommandButton* CmdOpen = nullptr;
    platform::CommandButton* CmdPlay = nullptr;
    platform::CommandButton* CmdPause = nullptr;
    platform::CommandButton* CmdResume = nullptr;
    platform::CommandButton* CmdStop = nullptr;
    platform::CommandButton* CmdClose = nullptr;
    platform::TextBox* txtFrom = nullptr;
    platform::TextBox* TxtTo = nullptr;
    platform::CheckBox* Check = nullptr;
    platform::Slider* SliderMoveMultimedia = nullptr;
    QProgressBar* ProgressMultimedia = nullptr;
    platform::CommandButton* CmdDemoFight = nullptr;
    platform::Label* LbResult = nullptr;
    // "Rate"
    QGroupBox* FrameRate = nullptr;
    platform::Slider* SliderRate = nullptr;
    // "Sound Control"
    QGroupBox* FrameChannels = nullptr;
    platform::CommandButton* CmdShowVol = nullptr;
    platform::CommandButton* CmdHideVol = nullptr;
    platform::Slider* SliderBothVol = nullptr;
    platform::Slider* SliderLeftVol = nullptr;
    platform::Slider* SliderRightVol = nullptr;
    platform::OptionButton* OptnChannelAllOff = nullptr;
    platform::OptionButton* OptnChannelAllOn = nullptr;
    platform::OptionButton* OptnChannelRight = nullptr;
    platform::OptionButton* OptnChannelLeft = nullptr;
    // "Size"
    QGroupBox* FrameSize = nullptr;
    platform::Label* LbActualCx = nullptr;
    platform::Label* LbActualCy = nullptr;
    platform::Label* LbCurrentCx = nullptr;
    platform::Label* LbCurrentCy = nullptr;
    // "Misc"
    QGroupBox* Frame4 = nullptr;
    platform::Label* LbCurrentRate = nullptr;
    platform::Label* LbCurrentTime = nullptr;
    platform::Label* LbFramesPerSecond = nullptr;
    platform::Label* LbStatus = nullptr;
    platform::Label* LbCurrPos = nullptr;
    platform::Label* LbTotalFrames = nullptr;
    platform::Label* LbTotalTime = nullptr;
    platform::Label* LbProgress = nullptr;
    // "Resize"
    QGroupBox* Frame2 = nullptr;
    platform::CommandButton* CmdResize = nullptr;
    platform::TextBox* txtLeft = nullptr;
    platform::TextBox* TxtTop = nullptr;
    platform::TextBox* txtWidth = nullptr;
    platform::TextBox* TxtHeight = nullptr;

    platform::VbTimer* TimerAtEndFile = nullptr;
    platform::VbTimer* TimerMisc = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void connectHandlers();
    void report(const QString& result);
    void setChannelsHeight();

    interfaces::Form& form_;
    Media& media_;
    std::unique_ptr<FrmSelectFile> frmSelectFile_;
};

// The alias of a control index's device: "movie" and the index.
QString MovieAlias(int index);

} // namespace media
