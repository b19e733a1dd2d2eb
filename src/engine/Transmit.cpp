// The transmit sequence of the TX button (and F5): an optional spoken announcement with
// the transmitter keyed, then the TX screen's committed picture into the engine's TX
// buffer and the engine asked to send it in the TX mode.

#include "engine/EngineControl.h"

#include "engine/ButtonStates.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/QsoRoom.h"
#include "interfaces/ShellRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Speech.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/LineControl.h"
#include "platform/widgets/PictureBox.h"

#include <cmath>
#include <optional>

namespace engine {

namespace {

constexpr uint32_t FullVolume = 0xFFFFFFFF; // both channels

// The pace of the announcement, in words a minute.
constexpr int SpeechPace = 140;

// The modes whose names the synthesiser would not say well, by the engine's name.
QString spokenModeName(const QString& engineName)
{
    static const std::pair<const char*, const char*> spoken[] = {
        {"B/W 8", "Black and White 8 seconds"},
        {"B/W 12", "Black and White 12 seconds"},
        {"Scottie DX", "Scottie D X"},
        {"AVT 90", "A V T 90"},
    };
    for (const auto& [name, words] : spoken)
        if (engineName == QLatin1String(name))
            return QString::fromLatin1(words);
    return engineName;
}

// How long to wait so that the wait ends on the whole second nearest to the time of
// day plus `seconds` (a half going to the even second): 0 to 1 s for half a second,
// 3.5 to 4.5 s for four. Measured once, then waited on the monotonic clock, so a wait
// that spans midnight ends like any other.
int waitToWholeSecond(const QDateTime& now, double seconds)
{
    const double timeOfDay = now.time().msecsSinceStartOfDay() / 1000.0;
    const double end = platform::roundHalfEven(timeOfDay + seconds);
    return int(std::lround((end - timeOfDay) * 1000));
}

} // namespace

QString EngineControl::announcementText(int mode) const
{
    QString text = QStringLiteral(" This is ");
    for (const QChar c : form_.qso().stationCall())
        text += c + QStringLiteral("  ");
    const QString name = platform::engineText(engine_.EngineString(engine_.mmsGetModeName(mode)));
    return text + QLatin1Char(' ') + spokenModeName(name);
}

void EngineControl::copyTxScreenToDib(int width, int height)
{
    dstRect_[0] = 0;
    dstRect_[1] = 0;
    dstRect_[2] = width;
    dstRect_[3] = height;
    // The committed picture only: whatever is drawn over it and not set is not sent. A
    // screen that never had a picture is its back colour.
    platform::PictureBox* screen = form_.Picture1;
    QImage picture = screen->Picture();
    if (picture.isNull()) {
        picture = QImage(screen->size(), QImage::Format_RGB32);
        picture.fill(platform::toQColor(screen->BackColor()));
    }
    engine_.mmsDrawDIBbmp(txDib_, dstRect_, &picture, nullptr, 4);
}

// The announcement: the transmitter keyed, the output at full volume, " This is ", the
// call sign spelled out and the mode's name spoken into the transmit audio, with two
// waits in which events run. The RX, Force RX or tone button (anything that leaves the
// TX button neither red nor announcing) aborts it: the volume found before it comes
// back and the engine stops, releasing the transmitter.
bool EngineControl::announce(platform::StepRunner& steps)
{
    const platform::Engine& e = engine_;
    platform::setBackColor(form_.Command3, AnnouncingColour);
    char zeros[16] = {};
    steps.step(QStringLiteral("key PTT"), [&] { e.mmsSetPTT(zeros, 1); });
    // Full volume only when the volume it had can be put back.
    std::optional<uint32_t> volumeBefore;
    steps.step(QStringLiteral("volume"), [&] { volumeBefore = e.vrrGetOutputGain(); });
    if (volumeBefore)
        steps.step(QStringLiteral("full volume"), [&] { e.vrrSetOutputGain(FullVolume); });
    const auto restoreVolume = [&] {
        if (volumeBefore)
            steps.step(QStringLiteral("restore volume"), [&] { e.vrrSetOutputGain(*volumeBefore); });
    };
    QString text;
    steps.step(QStringLiteral("announcement text"), [&] { text = announcementText(txModeNumber()); });

    const auto aborted = [this] {
        const uint32_t state = platform::backColor(form_.Command3);
        return state != SendingColour && state != AnnouncingColour;
    };
    const auto abort = [&] {
        restoreVolume();
        steps.step(QStringLiteral("silence"), [&] { e.mmsSendTone(0); });
        steps.step(QStringLiteral("stop"), [&] { e.mmsSendStop(); });
        platform::setBackColor(form_.Command3, IdleColour);
        return false;
    };
    if (platform::waitWithEventsUntil(waitToWholeSecond(localTime_(), 0.5), aborted))
        return abort();
    steps.step(QStringLiteral("speak"), [&] {
        const platform::SpokenText spoken = platform::speak(text, SpeechPace);
        if (!e.vrrPlaySamples(spoken.samples.data(), int32_t(spoken.samples.size()), spoken.sampleRate))
            throw platform::SpeechError("The engine took no announcement samples.");
    });
    if (platform::waitWithEventsUntil(waitToWholeSecond(localTime_(), 4), aborted))
        return abort();
    restoreVolume();
    return true;
}

void EngineControl::Command3_Click()
{
    const uint32_t state = platform::backColor(form_.Command3);
    if (state == SendingColour || state == AnnouncingColour)
        return;
    platform::StepRunner steps(QStringLiteral("Command3_Click"));
    const platform::Engine& e = engine_;
    bool keyed = false;
    if (form_.shell().announcesBeforeTransmit()) {
        if (!announce(steps))
            return;
        keyed = true;
    }
    form_.shell().showTab(interfaces::ShellRoom::Tab::Tx);
    for (auto* line : {form_.Line1, form_.Line2}) {
        line->setX1(2);
        line->setX2(2);
    }
    if (!form_.Frame9->isHidden())
        steps.step(QStringLiteral("close the panels"), [&] { form_.canvas().Command13_Click(); });
    steps.step(QStringLiteral("mode size"), [&] {
        const uint32_t packed = uint32_t(e.mmsGetImageSize(txModeNumber()));
        modeWidth_ = int(packed & 0xFFFF);
        modeHeight_ = int(packed >> 16);
    });
    // A tone held with the tone button is sent instead of the picture.
    if (toneOn_ == 1) {
        form_.Picture15->setFocus();
        return;
    }
    steps.step(QStringLiteral("loopback clears the RX picture"), [&] {
        engineResult_ = e.mmsSetTxControl(-1);
        if (engineResult_ & (0x10000 | 0x20000))
            e.mmsFillDIB(rxDib_, 0);
    });
    txProgressScale_ = modeHeight_ > 0 ? interfaces::kTxHeight / modeHeight_ : 0;
    steps.step(QStringLiteral("TX DIB"), [&] { copyTxScreenToDib(modeWidth_, modeHeight_); });
    // The picture drawn keeps the earlier mode's size when the TX mode follows the RX mode.
    if (form_.Check7->value() == 1)
        steps.step(QStringLiteral("TX mode from RX mode"), [&] { txMode_ = e.mmsGetMode(0); });
    steps.step(QStringLiteral("spectrum range"), [&] { e.mmsSetSpecRange(700, 2000); });
    steps.step(QStringLiteral("notch off"), [&] { e.mmsSetNotch(0); });
    steps.step(QStringLiteral("stop scan"), [&] { e.mmsStopScan(1); });
    bool sending = false;
    steps.step(QStringLiteral("send"), [&] { sending = e.mmsSendPic(txModeNumber()) != 0; });
    // The transmitter keyed for the announcement is never left on without a picture to send.
    if (keyed && !sending)
        steps.step(QStringLiteral("release PTT"), [&] { e.mmsSendStop(); });
    form_.Picture17->setFocus();
}

} // namespace engine
