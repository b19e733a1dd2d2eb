#include "media/FrmMain.h"

#include "interfaces/Form.h"
#include "interfaces/ShellRoom.h"
#include "media/FrmSelectFile.h"
#include "media/Media.h"
#include "media/ModuleMultimedia.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Twips.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"
#include "platform/widgets/Slider.h"
#include "platform/widgets/WindowHandles.h"

#include <QCloseEvent>

#include <cmath>
#include <limits>

namespace media {

namespace {

const QString NoErrors = QStringLiteral("No Errors");
// The height of the sound frame, which it keeps: its design height.
constexpr double ChannelsHeightTwips = 2500;

// A number rounded to an integer; one beyond the integers stands at their end, so the
// command that takes it refuses it as out of range instead of the handler failing.
int wholeNumber(double value)
{
    const double v = platform::roundHalfEven(value);
    if (std::isnan(v))
        return 0;
    return int(std::clamp(v, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

// A box's leading number, rounded to an integer (a blank box gives 0).
int boxNumber(const QString& text) { return wholeNumber(platform::Val(text)); }

QGroupBox* frame(const QString& name, const QString& caption, QWidget* parent, QRect geometry)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    return box;
}

platform::Label* label(const QString& caption, QWidget* parent, QRect geometry, const QString& name = {})
{
    auto* l = new platform::Label(name, caption, parent);
    l->setGeometry(geometry);
    return l;
}

// A status value: an empty label with a sunken border.
platform::Label* valueLabel(const QString& name, QWidget* parent, QRect geometry)
{
    auto* l = label(QString(), parent, geometry, name);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return l;
}

platform::CommandButton* button(const QString& name, const QString& caption, QWidget* parent, QRect geometry)
{
    auto* b = new platform::CommandButton(name, caption, parent);
    b->setGeometry(geometry);
    return b;
}

platform::TextBox* textBox(const QString& name, QWidget* parent, QRect geometry)
{
    auto* t = new platform::TextBox(name, parent);
    t->setGeometry(geometry);
    return t;
}

} // namespace

QString MovieAlias(int index) { return QStringLiteral("movie") + QString::number(index); }

FrmMain::FrmMain(interfaces::Form& form, Media& media)
    : QWidget(nullptr, Qt::Window), form_(form), media_(media)
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("Multimedia Controller"));
    build();
    connectHandlers();
    Form_Load();
}

FrmMain::~FrmMain() = default;

ModuleMultimedia& FrmMain::mm() const { return media_.module(); }

void FrmMain::build()
{
    setFixedSize(800, 400);

    MainFrame = frame(QStringLiteral("MainFrame"), QStringLiteral("Multimedia"), this, {5, 5, 420, 250});
    CmdSelectFile = button(QStringLiteral("CmdSelectFile"), QStringLiteral("Select &File"), MainFrame, {10, 20, 90, 26});
    label(QStringLiteral("File : "), MainFrame, {108, 24, 36, 20});
    LbFileName = valueLabel(QStringLiteral("LbFileName"), MainFrame, {146, 20, 264, 26});
    const char* names[] = {"CmdOpen", "CmdPlay", "CmdPause", "CmdResume", "CmdStop", "CmdClose"};
    const char* captions[] = {"Open", "Play", "Pause", "Resume", "Stop", "Close"};
    platform::CommandButton** buttons[] = {&CmdOpen, &CmdPlay, &CmdPause, &CmdResume, &CmdStop, &CmdClose};
    for (int i = 0; i < 6; ++i)
        *buttons[i] = button(QString::fromLatin1(names[i]), QString::fromLatin1(captions[i]), MainFrame,
                             {10 + i * 67, 54, 63, 26});
    label(QStringLiteral("From:"), MainFrame, {10, 92, 38, 20});
    txtFrom = textBox(QStringLiteral("txtFrom"), MainFrame, {48, 88, 72, 26});
    label(QStringLiteral("To:"), MainFrame, {130, 92, 24, 20});
    TxtTo = textBox(QStringLiteral("TxtTo"), MainFrame, {156, 88, 72, 26});
    Check = new platform::CheckBox(QStringLiteral("Check"), QStringLiteral("&Auto Repeat"), MainFrame);
    Check->setGeometry(250, 90, 150, 22);
    SliderMoveMultimedia = new platform::Slider(QStringLiteral("SliderMoveMultimedia"), Qt::Horizontal, 0, 50, MainFrame);
    SliderMoveMultimedia->setGeometry(10, 122, 400, 24);
    SliderMoveMultimedia->setTickPosition(QSlider::TicksBelow);
    ProgressMultimedia = new QProgressBar(MainFrame);
    ProgressMultimedia->setObjectName(QStringLiteral("ProgressMultimedia"));
    ProgressMultimedia->setRange(0, 100);
    ProgressMultimedia->setValue(0);
    ProgressMultimedia->setTextVisible(false);
    ProgressMultimedia->setGeometry(10, 152, 400, 16);
    CmdDemoFight = button(QStringLiteral("CmdDemoFight"), QStringLiteral("Nothing"), MainFrame, {10, 176, 80, 26});
    LbResult = label(QStringLiteral(" Error Report : Please select a file."), MainFrame, {10, 208, 400, 34},
                     QStringLiteral("LbResult"));
    LbResult->setWordWrap(true);
    LbResult->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    FrameRate = frame(QStringLiteral("FrameRate"), QStringLiteral("Rate"), this, {430, 5, 80, 250});
    SliderRate = new platform::Slider(QStringLiteral("SliderRate"), Qt::Vertical, 0, 200, FrameRate);
    SliderRate->setValueFromCode(100);
    SliderRate->setGeometry(10, 22, 24, 220);
    SliderRate->setTickPosition(QSlider::TicksRight);
    SliderRate->setTickInterval(50);
    label(QStringLiteral("200%"), FrameRate, {38, 22, 40, 16});
    label(QStringLiteral("100%"), FrameRate, {38, 124, 40, 16});
    label(QStringLiteral("0%"), FrameRate, {38, 226, 40, 16});

    FrameChannels = frame(QStringLiteral("FrameChannels"), QStringLiteral("Sound Control"), this, {515, 5, 280, 167});
    const char* volNames[] = {"SliderBothVol", "SliderLeftVol", "SliderRightVol"};
    const char* volCaptions[] = {"Both Vol", "Left Vol", "Right Vol"};
    platform::Slider** vols[] = {&SliderBothVol, &SliderLeftVol, &SliderRightVol};
    for (int i = 0; i < 3; ++i) {
        QGroupBox* box = frame(QString::fromLatin1(volCaptions[i]).remove(QLatin1Char(' ')), QString::fromLatin1(volCaptions[i]),
                               FrameChannels, {5 + i * 57, 16, 55, 146});
        *vols[i] = new platform::Slider(QString::fromLatin1(volNames[i]), Qt::Vertical, 0, 100, box);
        (*vols[i])->setGeometry(4, 18, 20, 122);
        label(QStringLiteral("100%"), box, {24, 18, 30, 14})->setStyleSheet(QStringLiteral("font-size: 8pt"));
        label(QStringLiteral("50%"), box, {24, 72, 30, 14})->setStyleSheet(QStringLiteral("font-size: 8pt"));
        label(QStringLiteral("0%"), box, {24, 126, 30, 14})->setStyleSheet(QStringLiteral("font-size: 8pt"));
    }
    CmdShowVol = button(QStringLiteral("CmdShowVol"), QStringLiteral("Vol"), FrameChannels, {178, 18, 46, 24});
    CmdHideVol = button(QStringLiteral("CmdHideVol"), QStringLiteral("<<"), FrameChannels, {228, 18, 46, 24});
    const char* optNames[] = {"OptnChannelAllOff", "OptnChannelAllOn", "OptnChannelRight", "OptnChannelLeft"};
    const char* optCaptions[] = {"All Off", "All On", "Right", "Left"};
    platform::OptionButton** opts[] = {&OptnChannelAllOff, &OptnChannelAllOn, &OptnChannelRight, &OptnChannelLeft};
    for (int i = 0; i < 4; ++i) {
        *opts[i] = new platform::OptionButton(QString::fromLatin1(optNames[i]), QString::fromLatin1(optCaptions[i]),
                                              FrameChannels);
        (*opts[i])->setGeometry(180, 50 + i * 27, 95, 22);
    }
    OptnChannelAllOn->setChecked(true);

    FrameSize = frame(QStringLiteral("FrameSize"), QStringLiteral("Size"), this, {515, 176, 280, 80});
    label(QStringLiteral("Actual:"), FrameSize, {50, 16, 100, 16});
    label(QStringLiteral("Current:"), FrameSize, {160, 16, 100, 16});
    label(QStringLiteral("wx"), FrameSize, {12, 34, 30, 18});
    label(QStringLiteral("hy"), FrameSize, {12, 56, 30, 18});
    LbActualCx = valueLabel(QStringLiteral("LbActualCx"), FrameSize, {50, 34, 100, 20});
    LbActualCy = valueLabel(QStringLiteral("LbActualCy"), FrameSize, {50, 56, 100, 20});
    LbCurrentCx = valueLabel(QStringLiteral("LbCurrentCx"), FrameSize, {160, 34, 100, 20});
    LbCurrentCy = valueLabel(QStringLiteral("LbCurrentCy"), FrameSize, {160, 56, 100, 20});

    Frame4 = frame(QStringLiteral("Frame4"), QStringLiteral("Misc"), this, {5, 262, 505, 132});
    struct Row {
        const char* caption;
        const char* name;
        platform::Label** value;
    };
    const Row rows[] = {{"Current Rate:", "LbCurrentRate", &LbCurrentRate},
                        {"Current time :", "LbCurrentTime", &LbCurrentTime},
                        {"Frames per second:", "LbFramesPerSecond", &LbFramesPerSecond},
                        {"Status: ", "LbStatus", &LbStatus},
                        {"Current postion:", "LbCurrPos", &LbCurrPos},
                        {"Total frames:", "LbTotalFrames", &LbTotalFrames},
                        {"Total time:", "LbTotalTime", &LbTotalTime},
                        {"Progress (Percent):", "LbProgress", &LbProgress}};
    for (int i = 0; i < 8; ++i) {
        const int x = i < 4 ? 10 : 255, y = 20 + (i % 4) * 27;
        label(QString::fromLatin1(rows[i].caption), Frame4, {x, y + 2, 125, 20});
        *rows[i].value = valueLabel(QString::fromLatin1(rows[i].name), Frame4, {x + 128, y, 110, 22});
    }

    Frame2 = frame(QStringLiteral("Frame2"), QStringLiteral("Resize"), this, {515, 262, 280, 132});
    CmdResize = button(QStringLiteral("CmdResize"), QStringLiteral("Resize and Position"), Frame2, {10, 20, 260, 26});
    const char* boxCaptions[] = {"Left:", "Top:", "Width:", "Height:"};
    const char* boxNames[] = {"txtLeft", "TxtTop", "txtWidth", "TxtHeight"};
    platform::TextBox** boxes[] = {&txtLeft, &TxtTop, &txtWidth, &TxtHeight};
    for (int i = 0; i < 4; ++i) {
        const int x = 10 + (i % 2) * 135, y = 56 + (i / 2) * 34;
        label(QString::fromLatin1(boxCaptions[i]), Frame2, {x, y + 3, 50, 20});
        *boxes[i] = textBox(QString::fromLatin1(boxNames[i]), Frame2, {x + 52, y, 70, 26});
    }

    TimerAtEndFile = new platform::VbTimer(QStringLiteral("TimerAtEndFile"), 100, false, this);
    TimerMisc = new platform::VbTimer(QStringLiteral("TimerMisc"), 500, false, this);
}

void FrmMain::connectHandlers()
{
    using platform::CommandButton;
    auto click = [this](CommandButton* b, void (FrmMain::*handler)(int)) {
        connect(b, &CommandButton::Click, this, [this, handler] { (this->*handler)(0); });
    };
    click(CmdSelectFile, &FrmMain::CmdSelectFile_Click);
    click(CmdOpen, &FrmMain::CmdOpen_Click);
    click(CmdPlay, &FrmMain::CmdPlay_Click);
    click(CmdPause, &FrmMain::CmdPause_Click);
    click(CmdResume, &FrmMain::CmdResume_Click);
    click(CmdStop, &FrmMain::CmdStop_Click);
    click(CmdClose, &FrmMain::CmdClose_Click);
    click(CmdResize, &FrmMain::CmdResize_Click);
    click(CmdShowVol, &FrmMain::CmdShowVol_Click);
    click(CmdHideVol, &FrmMain::CmdHideVol_Click);
    connect(CmdDemoFight, &CommandButton::Click, this, [this] { CmdDemoFight_Click(); });
    connect(Check, &platform::CheckBox::Click, this, [this] { Check_Click(0); });
    auto option = [this](platform::OptionButton* o, void (FrmMain::*handler)(int)) {
        connect(o, &platform::OptionButton::Click, this, [this, handler] { (this->*handler)(0); });
    };
    option(OptnChannelAllOff, &FrmMain::OptnChannelAllOff_Click);
    option(OptnChannelAllOn, &FrmMain::OptnChannelAllOn_Click);
    option(OptnChannelLeft, &FrmMain::OptnChannelLeft_Click);
    option(OptnChannelRight, &FrmMain::OptnChannelRight_Click);
    auto slider = [this](platform::Slider* s, void (FrmMain::*handler)(int)) {
        connect(s, &platform::Slider::Change, this, [this, handler] { (this->*handler)(0); });
    };
    slider(SliderBothVol, &FrmMain::SliderBothVol_Change);
    slider(SliderLeftVol, &FrmMain::SliderLeftVol_Change);
    slider(SliderRightVol, &FrmMain::SliderRightVol_Change);
    slider(SliderMoveMultimedia, &FrmMain::SliderMoveMultimedia_Change);
    slider(SliderRate, &FrmMain::SliderRate_Change);
    connect(TimerAtEndFile, &platform::VbTimer::Timer, this, [this] { TimerAtEndFile_Timer(0); });
    connect(TimerMisc, &platform::VbTimer::Timer, this, [this] { TimerMisc_Timer(0); });
}

void FrmMain::report(const QString& result) { LbResult->setCaption(QStringLiteral(" Error Report   : ") + result); }

void FrmMain::setChannelsHeight() { FrameChannels->resize(FrameChannels->width(), platform::twipsToPixelsRounded(ChannelsHeightTwips)); }

void FrmMain::Form_Load()
{
    setChannelsHeight();
    // The media drivers' registration, repaired where it differs.
    const std::pair<const char*, const char*> drivers[] = {
        {"MPEGVideo", "mciqtz.drv"}, {"sequencer", "mciseq.drv"}, {"avivideo", "mciavi.drv"}};
    for (const auto& [key, driver] : drivers)
        if (mm().ReadMciIniKey(QString::fromLatin1(key)) != QLatin1String(driver))
            mm().WriteMciIniKey(QString::fromLatin1(key), QString::fromLatin1(driver));
}

void FrmMain::CmdSelectFile_Click(int index)
{
    Tag = QString::number(index);
    if (!frmSelectFile_)
        frmSelectFile_ = std::make_unique<FrmSelectFile>(*this);
    frmSelectFile_->show();
    frmSelectFile_->raise();
}

void FrmMain::unloadFrmSelectFile()
{
    if (!frmSelectFile_)
        return;
    FrmSelectFile* chooser = frmSelectFile_.release();
    chooser->Form_Unload();
    chooser->hide();
    chooser->deleteLater();
}

void FrmMain::CmdOpen_Click(int index)
{
    const QString alias = MovieAlias(index);
    if (LbFileName->caption().isEmpty()) {
        form_.ui().msgBox(QStringLiteral("Please select a file first"), platform::vbCritical + platform::vbOKOnly);
        return;
    }
    platform::StepRunner steps(QStringLiteral("CmdOpen_Click"));
    LbResult->setCaption(QStringLiteral(" Error Report: Please wait up to 2mins to Initialize"));
    platform::doEvents();

    const QString path = LbFileName->caption();
    const QString ending = path.right(4).toLower();
    QString type = QStringLiteral("MPEGVideo");
    if (ending == QLatin1String(".avi")) {
        type = QStringLiteral("AviVideo");
    } else if (ending == QLatin1String(".vob")) {
        platform::Ui& ui = form_.ui();
        ui.msgBox(QStringLiteral("You trying Now to open DVD Video you must have")
                      + QStringLiteral(" a VGA card Support DVD like ATI All in Wonder 128."),
                  platform::vbInformation + platform::vbOKOnly);
        const int answer = ui.msgBox(
            QStringLiteral("Do you wish to select type (MPEGVideo) or Type (DvdVideo)THIS IS TYPE FOR ATI CARD. my advice "
                           "is to use type (MPEGVideo) because it Also will support ANY TYPE FOR DVD VIDEO. if you wish "
                           "to use type (MPEGVideo) click on yes and if you wish to use type (DVDVideo)click on no"),
            platform::vbQuestion + platform::vbYesNo);
        type = answer == platform::vbYes ? QStringLiteral("MPEGVideo") : QStringLiteral("DvDVideo");
    }
    QString result;
    steps.step(QStringLiteral("open"), [&] {
        result = mm().MciOpenDevice(platform::hWnd(form_.Picture1), alias, path, type);
        report(result);
    });
    if (result != NoErrors)
        return;
    steps.step(QStringLiteral("all channels on"), [&] { OptnChannelAllOn->setValue(true); });
    steps.step(QStringLiteral("actual width"), [&] { LbActualCx->setCaption(QString::number(mm().MciGetVideoSize(alias, QStringLiteral("cx")))); });
    steps.step(QStringLiteral("actual height"), [&] { LbActualCy->setCaption(QString::number(mm().MciGetVideoSize(alias, QStringLiteral("cy")))); });
    steps.step(QStringLiteral("frames per second"), [&] { LbFramesPerSecond->setCaption(QString::number(mm().MciGetFramesPerSecond(alias))); });
    steps.step(QStringLiteral("total frames"), [&] { LbTotalFrames->setCaption(QString::number(mm().MciGetTotalFrames(alias))); });
    steps.step(QStringLiteral("total time"), [&] { LbTotalTime->setCaption(platform::numberText(mm().MciGetTotalMs(alias) / 1000.0)); });
    steps.step(QStringLiteral("rate"), [&] { LbCurrentRate->setCaption(QString::number(mm().MciGetSpeed(alias)) + QStringLiteral(" %")); });
    steps.step(QStringLiteral("sound frame"), [&] { setChannelsHeight(); });
    // One step of the play-point slider is two seconds of play; an AVI keeps the range.
    if (ending != QLatin1String(".avi"))
        steps.step(QStringLiteral("play-point range"), [&] {
            const double fps = platform::Val(LbFramesPerSecond->caption());
            if (fps == 0)
                throw platform::VbError(11, QStringLiteral("Division by zero"));
            SliderMoveMultimedia->setMax(platform::CLng(platform::Val(LbTotalFrames->caption()) / (2 * fps)));
        });
    steps.step(QStringLiteral("status timer"), [&] { TimerMisc->setEnabled(true); });
}

void FrmMain::CmdPlay_Click(int index)
{
    CmdResize_Click(index);
    const QString result = mm().MciPlay(MovieAlias(index), txtFrom->text(), TxtTo->text());
    report(result);
    if (result != NoErrors)
        return;
    form_.shell().showTab(interfaces::ShellRoom::Tab::Tx);
    TimerAtEndFile->setEnabled(true);
}

void FrmMain::CmdResize_Click(int index)
{
    const QString alias = MovieAlias(index);
    int left = boxNumber(txtLeft->text()), top = boxNumber(TxtTop->text());
    int width = boxNumber(txtWidth->text()), height = boxNumber(TxtHeight->text());
    const QString result = mm().MciPutWindow(platform::hWnd(form_.Picture1), alias, left, top, width, height);
    report(result);
    if (result != NoErrors)
        return;
    LbCurrentCx->setCaption(QString::number(mm().MciGetVideoSize(alias, QStringLiteral("cx"))));
    LbCurrentCy->setCaption(QString::number(mm().MciGetVideoSize(alias, QStringLiteral("cy"))));
}

void FrmMain::CmdPause_Click(int index) { report(mm().MciPause(MovieAlias(index))); }
void FrmMain::CmdResume_Click(int index) { report(mm().MciResume(MovieAlias(index))); }
void FrmMain::CmdStop_Click(int index) { report(mm().MciStop(MovieAlias(index))); }

void FrmMain::CmdClose_Click(int index)
{
    const QString result = mm().MciClose(MovieAlias(index));
    report(result);
    if (result != NoErrors)
        return;
    TimerMisc->setEnabled(false);
    TimerAtEndFile->setEnabled(false);
    for (platform::Label* l : {LbFramesPerSecond, LbTotalFrames, LbTotalTime, LbCurrentTime, LbCurrPos, LbProgress,
                               LbStatus, LbActualCx, LbActualCy, LbCurrentCx, LbCurrentCy, LbCurrentRate})
        l->setCaption(QString());
    ProgressMultimedia->setValue(0);
}

void FrmMain::Check_Click(int) { TimerAtEndFile->setEnabled(Check->value() == 1); }

void FrmMain::TimerAtEndFile_Timer(int index)
{
    int to = boxNumber(TxtTo->text());
    if (mm().MciAtEnd(MovieAlias(index), to) && Check->value() == 1)
        CmdPlay_Click(index);
}

void FrmMain::TimerMisc_Timer(int index)
{
    const QString alias = MovieAlias(index);
    const int p = mm().MciGetProgressPercent(alias);
    if (p != -1)
        ProgressMultimedia->setValue(std::clamp(p, 0, 100));
    LbProgress->setCaption(QString::number(p) + QStringLiteral(" %"));
    LbCurrPos->setCaption(QString::number(mm().MciGetPosition(alias)));
    // Seconds have no value while the frame rate is unknown or 0.
    const double fps = platform::Val(LbFramesPerSecond->caption());
    LbCurrentTime->setCaption(LbFramesPerSecond->caption().isEmpty() || fps == 0
                                  ? QString()
                                  : platform::numberText(platform::Val(LbCurrPos->caption()) / fps));
    LbStatus->setCaption(mm().MciGetMode(alias));
}

void FrmMain::OptnChannelAllOff_Click(int index)
{
    const QString result = mm().MciSetChannelAudio(MovieAlias(index), QStringLiteral("all"), QStringLiteral("off"));
    report(result);
    if (result == NoErrors)
        TimerAtEndFile->setEnabled(true);
    CmdShowVol_Click(0);
}

void FrmMain::OptnChannelAllOn_Click(int index)
{
    const QString alias = MovieAlias(index);
    const QString result = mm().MciSetChannelAudio(alias, QStringLiteral("all"), QStringLiteral("on"));
    report(result);
    if (result != NoErrors)
        return;
    TimerAtEndFile->setEnabled(true);
    for (platform::Slider* s : {SliderBothVol, SliderLeftVol, SliderRightVol})
        s->setValueFromCode(0);
    mm().MciSetVolume(alias, QStringLiteral("all"), 100);
}

void FrmMain::OptnChannelLeft_Click(int index)
{
    const QString alias = MovieAlias(index);
    report(mm().MciSetChannelAudio(alias, QStringLiteral("left"), QStringLiteral("on")));
    const QString result = mm().MciSetChannelAudio(alias, QStringLiteral("right"), QStringLiteral("off"));
    report(result);
    if (result != NoErrors)
        return;
    TimerAtEndFile->setEnabled(true);
    SliderLeftVol->setValueFromCode(0);
    SliderRightVol->setValueFromCode(100);
    SliderBothVol->setValueFromCode(50);
}

void FrmMain::OptnChannelRight_Click(int index)
{
    const QString alias = MovieAlias(index);
    report(mm().MciSetChannelAudio(alias, QStringLiteral("right"), QStringLiteral("on")));
    const QString result = mm().MciSetChannelAudio(alias, QStringLiteral("left"), QStringLiteral("off"));
    report(result);
    if (result != NoErrors)
        return;
    TimerAtEndFile->setEnabled(true);
    SliderLeftVol->setValueFromCode(100);
    SliderRightVol->setValueFromCode(0);
    SliderBothVol->setValueFromCode(50);
}

namespace {

void volumeChange(FrmMain& w, platform::Slider* slider, const QString& channel, int index,
                  const std::function<void(const QString&)>& report)
{
    const QString result = w.mm().MciSetVolume(MovieAlias(index), channel, 100 - slider->Value());
    report(result);
    if (result == NoErrors)
        w.CmdShowVol_Click(index);
}

} // namespace

void FrmMain::SliderBothVol_Change(int index)
{
    volumeChange(*this, SliderBothVol, QStringLiteral("all"), index, [this](const QString& r) { report(r); });
}

void FrmMain::SliderLeftVol_Change(int index)
{
    volumeChange(*this, SliderLeftVol, QStringLiteral("left"), index, [this](const QString& r) { report(r); });
}

void FrmMain::SliderRightVol_Change(int index)
{
    volumeChange(*this, SliderRightVol, QStringLiteral("right"), index, [this](const QString& r) { report(r); });
}

void FrmMain::CmdShowVol_Click(int index)
{
    setChannelsHeight();
    const QString alias = MovieAlias(index);
    const std::pair<const char*, platform::Slider*> channels[] = {
        {"left", SliderLeftVol}, {"right", SliderRightVol}, {"all", SliderBothVol}};
    for (const auto& [channel, slider] : channels) {
        const int v = mm().MciGetVolume(alias, QString::fromLatin1(channel));
        if (v != -1)
            slider->setValueFromCode(100 - v);
    }
}

// The sound frame keeps its design height, which is the height this button gives it.
void FrmMain::CmdHideVol_Click(int) { setChannelsHeight(); }

void FrmMain::SliderMoveMultimedia_Change(int index)
{
    if (LbFramesPerSecond->caption().isEmpty())
        return;
    const double frame = 2 * platform::Val(LbFramesPerSecond->caption()) * SliderMoveMultimedia->Value();
    report(mm().MciSeekAndPlay(MovieAlias(index), wholeNumber(frame)));
}

void FrmMain::SliderRate_Change(int index)
{
    const int rate = 200 - SliderRate->Value();
    const QString result = mm().MciSetSpeed(MovieAlias(index), rate);
    report(result);
    if (result == NoErrors)
        LbCurrentRate->setCaption(QString::number(rate) + QStringLiteral(" %"));
}

void FrmMain::CmdDemoFight_Click()
{
    form_.ui().msgBox(QStringLiteral("I told you there was nothing here"), platform::vbOKOnly);
}

bool FrmMain::Form_QueryUnload()
{
    if (form_.widget().isVisible()) {
        hide();
        CmdClose_Click(0);
        return false;
    }
    TimerMisc->setEnabled(false);
    TimerAtEndFile->setEnabled(false);
    mm().MciCloseAll();
    unloadFrmSelectFile();
    return true;
}

void FrmMain::closeEvent(QCloseEvent* event)
{
    if (Form_QueryUnload())
        event->accept();
    else
        event->ignore();
}

} // namespace media
