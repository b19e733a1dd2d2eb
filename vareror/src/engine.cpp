#include "engine.h"
#include "vareror.h"

#include "dib.h"
#include "modes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace vareror::lib {

using Clock = std::chrono::steady_clock;

// The receiver reads a sound card's input by itself, on its own thread; the count of what
// it read tells the job that the card still delivers.
class CardSource : public core::SampleSource {
public:
    explicit CardSource(CardInput &card) : card_(card) {}
    void read(std::vector<float> &appendTo) override { read_ += card_.read(appendTo); }
    uint64_t samplesRead() const { return read_.load(); }

private:
    CardInput &card_;
    std::atomic<uint64_t> read_{0};
};

namespace {

// A sound card is kept this far ahead of what it plays.
constexpr double kCardAheadSeconds = 1.0;
// A real-time job never makes up for more than this (a stalled program loses the time).
constexpr int64_t kMaxRealSliceNs = 1000000000;
constexpr size_t kPttLogSize = 32;
// A card that has played nothing of what it holds for this long has stopped.
constexpr auto kCardStall = std::chrono::seconds(3);

std::string toStd(const QString &s) { return s.toStdString(); }

bool isWav(const QString &device) { return device.startsWith("wav:"); }
} // namespace

unsigned StatusQueue::take(bool sendingNow, std::optional<RxEnd> &rxEnd)
{
    rxEnd.reset();
    if (!queue_.empty() && queue_.front().bits == VRR_STATUS_ENDED) {
        rxEnd = std::move(queue_.front().rxEnd);
        queue_.pop_front();
        return VRR_STATUS_ENDED;
    }
    unsigned word = 0;
    while (!queue_.empty() && queue_.front().bits != VRR_STATUS_ENDED) {
        word |= queue_.front().bits;
        queue_.pop_front();
    }
    if (sendingNow)
        word |= VRR_STATUS_SENDING;
    return word;
}

Engine::Engine(EngineSettings &settings) : s_(settings)
{
    fskIdLatin1_ = s_.fskId.toLatin1().toStdString();
    outRate_ = inRate_ = s_.rate;
    makeReceiver();
}

Engine::~Engine()
{
    stopTx();
    manualPtt_ = false;
    applyPtt();
    ptt_.close();
    closeDevices();
    saveSettings();
}

void Engine::saveSettings()
{
    s_.fskId = QString::fromLatin1(fskIdLatin1_.c_str());
    // Said once for each new trouble: the words change the settings at every change.
    if (!s_.save() && s_.fault != toldFault_) {
        toldFault_ = s_.fault;
        std::fprintf(stderr, "vareror: %s\n", toStd(s_.fault).c_str());
    }
}

// ---- devices and clock ----

void Engine::start()
{
    if (started_)
        return;
    started_ = true;
    reopenChanged(true, true);
    openPtt();
}

void Engine::closeDevices()
{
    closeOutput();
    closeInput();
}

void Engine::closeOutput()
{
    cardOut_.reset();
    wavOut_.reset();
    outKind_ = DeviceKind::None;
}

void Engine::closeInput()
{
    if (rx_)
        rx_->setSource(nullptr); // the receiver lets go of the card before it closes
    cardSource_.reset();
    cardIn_.reset();
    wavIn_.reset();
    inKind_ = DeviceKind::None;
}

namespace {
// A device as the option dialog names it.
QString deviceLabel(const QString &device) { return device == "default" ? QString("System default") : device; }
bool isNone(const QString &device) { return device == "none" || device.isEmpty(); }
} // namespace

// A sound card that did not open: said in the option dialog, and to the program.
void Engine::cardFailed(DeviceSide &side, const char *which, const QString &device, const std::string &error)
{
    side.note += QString::fromStdString(error) + ", running without sound";
    side.cardTrouble = QString("\"%1\" cannot be opened: %2").arg(deviceLabel(device), QString::fromStdString(error));
    side.fault = QString("The sound %1 ").arg(which) + side.cardTrouble;
}

void Engine::openOutput()
{
    closeOutput();
    output_ = DeviceSide();
    output_.device = s_.output;
    outRate_ = s_.rate;
    const QString out = s_.output;
    if (isNone(out)) {
        output_.note = "Output: none";
    } else if (out == "loopback") {
        outKind_ = DeviceKind::Loopback;
        output_.note = "Output: internal loopback";
    } else if (isWav(out)) {
        wavOut_ = std::make_unique<WavWriter>(toStd(out.mid(4)), outRate_);
        if (wavOut_->ok()) {
            outKind_ = DeviceKind::Wav;
            output_.note = "Output: WAV file " + out.mid(4);
        } else {
            output_.note = "Output: " + QString::fromStdString(wavOut_->error()) + ", running without it";
            output_.fault = "The sound output " + QString::fromStdString(wavOut_->error());
            wavOut_.reset();
        }
    } else {
        output_.note = "Output: ";
        cardOut_ = std::make_unique<CardOutput>(toStd(out), outRate_);
        if (cardOut_->ok()) {
            outKind_ = DeviceKind::Card;
            output_.note += "sound card " + QString::fromStdString(cardOut_->deviceName());
        } else {
            cardFailed(output_, "output", out, cardOut_->error());
            cardOut_.reset();
        }
    }
}

void Engine::openInput()
{
    closeInput();
    input_ = DeviceSide();
    input_.device = s_.input;
    inRate_ = s_.rate;
    const QString in = s_.input;
    if (isNone(in)) {
        input_.note = "Input: none";
    } else if (in == "loopback") {
        inKind_ = DeviceKind::Loopback;
        input_.note = "Input: internal loopback";
    } else if (isWav(in)) {
        wavIn_ = std::make_unique<WavReader>(toStd(in.mid(4)));
        if (wavIn_->ok()) {
            inKind_ = DeviceKind::Wav;
            inRate_ = wavIn_->rate();
            input_.note = "Input: WAV file " + in.mid(4) + QString(" (%1 Hz)").arg(inRate_);
        } else {
            input_.note = "Input: " + QString::fromStdString(wavIn_->error()) + ", running without it";
            // The operator is told why the file gives no sound: in the displays too.
            input_.fault = "The sound input " + QString::fromStdString(wavIn_->error());
            wavIn_.reset();
        }
    } else {
        input_.note = "Input: ";
        cardIn_ = std::make_unique<CardInput>(toStd(in), s_.rate);
        if (cardIn_->ok()) {
            inKind_ = DeviceKind::Card;
            input_.note += "sound card " + QString::fromStdString(cardIn_->deviceName());
        } else {
            cardFailed(input_, "input", in, cardIn_->error());
            cardIn_.reset(); // (the receiver has not been given it yet)
        }
    }
}

// A device asked for that is not open: it did not open, or it went away.
bool Engine::missing(const DeviceSide &side, DeviceKind kind) const
{
    return started_ && kind == DeviceKind::None && !isNone(side.device);
}

double Engine::receiverRate() const
{
    return inKind_ == DeviceKind::Card ? inRate_ * s_.clock : double(inRate_);
}

// Opens again only what the settings now ask for and the open devices do not give, or what
// is missing: the output (also when `outputAgain`), the input (also when `inputAgain`: a file
// then plays from its start), and a new receiver when the input opened again or the
// receiver's rate changed (a sound card's receive calibration). A transmission going out
// through an output opened again ends; a picture coming in ends as one cut short
// (makeReceiver). The transmit calibration touches nothing open: the next transmission
// takes it.
void Engine::reopenChanged(bool inputAgain, bool outputAgain)
{
    if (!started_) {
        inRate_ = outRate_ = s_.rate;
        if (receiverRate() != rx_->sampleRate())
            makeReceiver();
        return;
    }
    const bool output = outputAgain || s_.output != output_.device || s_.rate != outRate_ || missing(output_, outKind_);
    const bool input = inputAgain || s_.input != input_.device || (!isWav(s_.input) && s_.rate != inRate_) ||
                       missing(input_, inKind_);
    if (output) {
        stopTx();
        applyPtt();
        openOutput();
    }
    if (input)
        openInput();
    if (output || input) {
        realClock_ = outKind_ == DeviceKind::Card || inKind_ == DeviceKind::Card;
        clockNs_ = 0;
        outTicks_ = inTicks_ = 0;
        lastJob_ = lastInput_ = Clock::now();
    }
    if (input || receiverRate() != rx_->sampleRate())
        makeReceiver();
}

// A sound card that stopped by itself (its sound server went away, it was unplugged), or an
// input that has given nothing for a while: what goes out ends at once, releasing the PTT; a
// picture coming in ends with what arrived, so the program keeps it; the engine goes on
// without the card and says so in its displays and its status, and the option dialog's OK
// opens the devices again.
void Engine::checkDevices(bool inputStalled)
{
    const bool outLost = cardOut_ && !cardOut_->alive();
    const bool inLost = cardIn_ && (!cardIn_->alive() || inputStalled);
    if (!outLost && !inLost)
        return;
    const QString gone = " went away (running without it until the options are confirmed)";
    if (outLost) {
        stopTx();
        manualPtt_ = false;
        applyPtt();
        closeOutput();
        output_.note += "; it" + gone;
        output_.wentAway = true;
    }
    if (inLost) {
        closeInput();
        if (rx_->receiving())
            stopScan();
        input_.note += "; it" + gone;
        input_.wentAway = true;
    }
    realClock_ = outKind_ == DeviceKind::Card || inKind_ == DeviceKind::Card;
    const QString which = outLost && inLost ? "the sound output and input" : outLost ? "the sound output" : "the sound input";
    std::fprintf(stderr, "vareror: %s went away\n", toStd(which).c_str());
}

void Engine::openPtt()
{
    const bool keyed = ptt_.keyed();
    ptt_.open(toStd(s_.ptt), toStd(s_.pttPort), s_.rigModel, s_.pttSpeed);
    if (keyed && !ptt_.set(true))
        pttTrouble(true);
}

void Engine::makeReceiver()
{
    // A picture being received ends, reported as any other end, before its receiver goes;
    // the program keeps it as a picture cut short, and says why.
    if (rx_ && rx_->receiving()) {
        rx_->stopScan();
        rx_->drain();
        takeRxEvents();
        copyRxRows();
        notice("The picture being received was cut short to put the new sound input settings in force (it is "
               "kept when more than half of it had arrived)");
    }
    rx_.reset();
    rx_ = std::make_unique<core::ReceiverThread>(receiverRate(), rxOptions(), rxLms(), notchHz_);
    if (cardIn_) {
        cardSource_ = std::make_unique<CardSource>(*cardIn_);
        rx_->setSource(cardSource_.get());
        lastInputCount_ = 0;
        lastInput_ = Clock::now();
    }
}

core::RxOptions Engine::rxOptions() const
{
    const auto w = uint32_t(s_.rxWord);
    core::RxOptions o;
    o.fskIdRx = w & 0x1;
    o.afc = w & 0x2;
    o.lmsSmoothing = w & 0x4;
    o.autoRestart = w & 0x8;
    o.autoStop = w & 0x10;
    o.autoResync = w & 0x20;
    o.autoSlant = w & 0x40;
    o.autoClear = w & 0x80;
    // Two-bit fields hold 0..2 (the filter 0..3); a 3 in the others counts as the highest.
    o.syncAccuracy = std::min(2, int((w >> 16) & 3));
    o.rxBuffer = std::min(2, int((w >> 20) & 3));
    o.demodulator = std::min(2, int((w >> 24) & 3));
    o.dspFilter = int((w >> 28) & 3);
    return o;
}

// The engine's LMS modes are 0 noise smoothing (on while the word's &H4 is set), 1 the fast
// and 2 the slow auto-notch; the receiver counts 1 to 3 for them.
int Engine::rxLms() const { return s_.lms == 1 ? 2 : s_.lms == 2 ? 3 : 0; }

void Engine::applyRxOptions()
{
    rx_->setOptions(rxOptions());
    rx_->setLms(rxLms());
}

// ---- PTT ----

void Engine::logPtt(bool on)
{
    pttLog_.push_back(std::string(on ? "on@" : "off@") + std::to_string(sentSamples_));
    while (pttLog_.size() > kPttLogSize)
        pttLog_.pop_front();
}

void Engine::applyPtt()
{
    const bool want = manualPtt_ || transmitting();
    if (want == ptt_.keyed())
        return;
    if (want)
        pttTold_ = false; // a new transmission: its PTT trouble is told again
    if (!ptt_.set(want))
        pttTrouble(want);
    logPtt(want);
}

// A PTT that did not key (or release) the transmitter, or whose port went away while keyed,
// is told to the program once per transmission, naming the port and the reason; what is sent
// goes on (a VOX may key the transmitter).
void Engine::pttTrouble(bool keying)
{
    if (pttTold_)
        return;
    pttTold_ = true;
    const QString what = QString::fromStdString(ptt_.status()).mid(int(std::strlen("PTT: ")));
    notice((keying ? "Sending without PTT: " : "The transmitter may still be keyed: ") + what);
}

void Engine::setManualPtt(bool on)
{
    start();
    manualPtt_ = on;
    applyPtt();
}

// ---- transmitter ----

void Engine::finishTx()
{
    txKind_ = TxKind::None;
    encoder_.reset();
    tone_.reset();
    generationDone_ = draining_ = false;
    lineMarks_.clear();
    // A transmission ends the manual keying as well: the announcement's PTT is part of it.
    manualPtt_ = false;
    applyPtt();
    if (wavOut_)
        wavOut_->sync();
    status_.push(VRR_STATUS_ENDED);
    for (RxEnd &end : heldRxEnds_)
        status_.push(VRR_STATUS_ENDED, std::move(end));
    heldRxEnds_.clear();
}

void Engine::stopTx()
{
    speech_.clear();
    speechPos_ = 0;
    if (cardOut_)
        cardOut_->drop();
    if (transmitting())
        finishTx();
}

// A new transmission ends the one under way; an announcement still playing (no transmission
// of its own) is kept and the new transmission follows it.
void Engine::replaceTx()
{
    if (transmitting())
        stopTx();
}

bool Engine::sendPic(int mode)
{
    if (!core::validMode(mode))
        return false;
    const QImage *dib = DibTable::instance().find(txDib_);
    if (!dib)
        return false;
    start();
    const core::ModeInfo &m = core::modeInfo(mode);
    // The program draws the picture to send into the top-left corner of the TX DIB at the
    // mode's exposed size; the copy made here is what goes out, whatever is drawn later.
    const QImage area = dib->copy(0, 0, m.exposedWidth, m.exposedHeight)
                            .convertToFormat(QImage::Format_RGB888);
    core::TxRequest req;
    req.mode = mode;
    req.picture = core::RgbImage(area.width(), area.height());
    for (int y = 0; y < area.height(); ++y)
        std::copy_n(area.constScanLine(y), size_t(area.width()) * 3, req.picture.pixel(0, y));
    req.sampleRate = outRate_;
    req.clockFactor = outKind_ == DeviceKind::Card ? s_.txClock : 1.0;
    req.fskId = s_.txWord & 0x1;
    req.cwId = s_.txWord & 0x2;
    req.idText = fskIdLatin1_;
    auto encoder = std::make_unique<core::Encoder>(req);
    if (!encoder->valid())
        return false;
    replaceTx();
    encoder_ = std::move(encoder);
    txMode_ = mode;
    txKind_ = TxKind::Picture;
    generationDone_ = draining_ = false;
    lastProgress_ = Clock::now();
    lineMarks_.clear();
    status_.push(VRR_STATUS_SENDING);
    applyPtt(); // keyed before the first sample
    return true;
}

bool Engine::sendTone(int hz)
{
    // A tone of 0 Hz (or less) is no transmission: the program asks for it when it abandons
    // an announcement, right before stopping.
    if (hz <= 0)
        return false;
    start();
    const double rate = outRate_ * (outKind_ == DeviceKind::Card ? s_.txClock : 1.0);
    const double f = std::min(double(hz), rate / 2 - 1);
    replaceTx();
    tone_ = std::make_unique<core::ToneGenerator>(f, rate);
    txKind_ = TxKind::Tone;
    generationDone_ = draining_ = false;
    lastProgress_ = Clock::now();
    status_.push(VRR_STATUS_SENDING);
    applyPtt();
    return true;
}

void Engine::sendStop()
{
    stopTx();
    manualPtt_ = false;
    applyPtt();
}

bool Engine::playSamples(const float *samples, int count, int rate)
{
    if (!samples || count <= 0 || rate <= 0)
        return false;
    start();
    // Linear interpolation is plenty for speech.
    const double step = double(rate) / outRate_;
    const auto outCount = size_t(std::floor((count - 1) / step)) + 1;
    if (speechPos_ > 0) {
        speech_.erase(speech_.begin(), speech_.begin() + long(speechPos_));
        speechPos_ = 0;
    }
    speech_.reserve(speech_.size() + outCount);
    for (size_t i = 0; i < outCount; ++i) {
        const double t = double(i) * step;
        const auto k = size_t(t);
        const double frac = t - double(k);
        const float a = samples[std::min<size_t>(k, size_t(count) - 1)];
        const float b = samples[std::min<size_t>(k + 1, size_t(count) - 1)];
        speech_.push_back(float(a + (b - a) * frac));
    }
    return true;
}

// Fills up to n samples of what is being sent: the announcement first, then the picture or
// tone. Returns the samples produced; fewer than n when the transmission runs out.
size_t Engine::produce(float *out, size_t n)
{
    size_t done = 0;
    if (speechPos_ < speech_.size()) {
        const size_t k = std::min(n, speech_.size() - speechPos_);
        std::copy_n(speech_.data() + speechPos_, k, out);
        speechPos_ += k;
        done += k;
        if (speechPos_ >= speech_.size()) {
            speech_.clear();
            speechPos_ = 0;
        }
    }
    if (done < n && txKind_ == TxKind::Tone) {
        done += tone_->generate(out + done, n - done);
    } else if (done < n && txKind_ == TxKind::Picture && !generationDone_) {
        while (done < n) {
            const size_t k = encoder_->generate(out + done, n - done);
            if (k == 0)
                break;
            done += k;
        }
        if (encoder_->finished())
            generationDone_ = true;
    }
    return done;
}

int Engine::txPosition(int kind) const
{
    if (txKind_ != TxKind::Picture || !encoder_)
        return 0;
    const core::ModeInfo &m = core::modeInfo(txMode_);
    int line = encoder_->currentLine();
    if (kind == 1 && cardOut_) {
        // The line the card is playing now, from the marks left as lines were generated.
        const uint64_t played = cardOut_->played();
        line = 0;
        for (const auto &mark : lineMarks_) {
            if (mark.first > played)
                break;
            line = mark.second;
        }
    }
    // Positions count the lines the program shows (modes 0..2 are shown at twice their size).
    return m.height > 0 ? line * m.exposedHeight / m.height : line;
}

// ---- receiver ----

// While a transmission is under way, a received picture's end waits for the transmission's
// own: the program takes an end that comes while it sends for the end of the transmission,
// and through a sound card the picture heard back ends before the card has played the last
// of it.
void Engine::pushRxEnd(RxEnd end)
{
    if (transmitting())
        heldRxEnds_.push_back(std::move(end));
    else
        status_.push(VRR_STATUS_ENDED, std::move(end));
}

void Engine::takeRxEvents()
{
    for (const core::ReceiverThread::Event &e : rx_->takeEvents()) {
        if (e.bits == core::RxEnded)
            pushRxEnd({e.mode, e.lines, e.picture});
        else
            status_.push(e.bits);
        if (e.bits == core::RxStarted && s_.lastRxMode != e.mode) {
            s_.lastRxMode = e.mode;
            saveSettings();
        }
    }
}

namespace {
void copyRow(QImage *dib, int y, const uint8_t *p, int width)
{
    if (!dib || y >= dib->height())
        return;
    auto *line = reinterpret_cast<QRgb *>(dib->scanLine(y));
    const int w = std::min(width, dib->width());
    for (int x = 0; x < w; ++x, p += 3)
        line[x] = qRgb(p[0], p[1], p[2]);
}
} // namespace

void Engine::copyRxRows()
{
    QImage *dib = DibTable::instance().find(rxDib_);
    rx_->takeRows([dib](int y, const uint8_t *p, int width) { copyRow(dib, y, p, width); });
}

// The word this job hands to the program. With a received picture's end the RX DIB shows
// that picture as it ended, and its lines are the position the program reads to decide
// whether to keep it: the next picture may already have begun (its header ended this one)
// and drawn over it. That one's rows come back once the program, told of its start, has
// cleared the DIB.
int32_t Engine::handOut()
{
    std::optional<RxEnd> end;
    const unsigned word = status_.take(transmitting(), end);
    if (end && end->picture) {
        QImage *dib = DibTable::instance().find(rxDib_);
        for (int y = 0; y < end->picture->height; ++y)
            copyRow(dib, y, end->picture->pixel(0, y), end->picture->width);
    }
    if (end)
        toldEnd_ = std::move(end);
    if (word & VRR_STATUS_RX_STARTED) {
        toldEnd_.reset();
        rx_->resendRows();
    }
    return int32_t(word);
}

// Starting and stopping a picture take effect at once: their status events are queued
// before the call returns (the last redraw of a picture stopped comes in later jobs).
bool Engine::startScan(int mode)
{
    if (!core::validMode(mode))
        return false;
    start();
    rx_->startScan(mode);
    rx_->sync();
    takeRxEvents();
    copyRxRows();
    return true;
}

bool Engine::stopScan()
{
    rx_->stopScan();
    rx_->sync();
    takeRxEvents();
    copyRxRows();
    return true;
}

bool Engine::reSync()
{
    const bool ok = rx_->resync();
    copyRxRows();
    return ok;
}

bool Engine::correctSlant()
{
    const bool ok = rx_->correctSlant();
    copyRxRows();
    return ok;
}

// The mode of the picture being received or last received, kept across runs (6 before any).
int Engine::rxMode() const { return s_.lastRxMode; }

int Engine::rxPosition() const
{
    // The receiver counts the rows of its picture (modes 0..2 at twice their lines), which
    // is what the program compares with the mode's exposed height; after an end the program
    // was told of, those of the picture that ended.
    const int lines = toldEnd_ ? toldEnd_->lines : rx_->linesReceived();
    const int mode = toldEnd_ ? toldEnd_->mode : rx_->mode();
    return core::validMode(mode) ? std::min(lines, core::modeInfo(mode).exposedHeight) : lines;
}

std::string Engine::receivedFskId() const { return rx_->fskId(); }

// ---- the job ----

int32_t Engine::doJob()
{
    start();
    // What happened once has been handed out by the job before: the program has read it.
    std::erase_if(notices_, [](const Notice &n) { return n.handedOut; });
    size_t nOut = 0, nIn = 0;
    advanceClock(nOut, nIn);
    checkDevices(false);
    // Transmit, then what the receiver hears meanwhile.
    const bool wasSending = transmitting();
    const bool active = wasSending || speechPos_ < speech_.size();
    transmitSlice(active, nOut);
    hearSlice(wasSending, active, nIn, nOut);
    // On the virtual clock the job is the time that passes: what was heard in it is taken in
    // before the job returns (its redraws go on in later jobs).
    rx_->sync();
    takeRxEvents();
    copyRxRows();
    watchTransmission();
    if (ptt_.keyed() && ptt_.portGone())
        pttTrouble(true);
    drawDisplays();
    for (Notice &n : notices_)
        n.handedOut = true;
    return handOut();
}

// This job's slice of time, in output and input samples (nOut, nIn).
void Engine::advanceClock(size_t &nOut, size_t &nIn)
{
    // How much time this job stands for: a fixed slice on the virtual clock, the time since
    // the last job on a sound card's. Sample counts follow from the total time, so slices
    // never lose or gain a sample.
    int64_t sliceNs = int64_t(s_.jobMs) * 1000000;
    if (realClock_) {
        const auto now = Clock::now();
        sliceNs = std::min<int64_t>(kMaxRealSliceNs,
                                    std::chrono::duration_cast<std::chrono::nanoseconds>(now - lastJob_).count());
        lastJob_ = now;
    }
    clockNs_ += sliceNs;
    auto samplesAt = [this](int rate) {
        return uint64_t(clockNs_ / 1000000000) * uint64_t(rate) +
               uint64_t(clockNs_ % 1000000000) * uint64_t(rate) / 1000000000u;
    };
    const uint64_t outTarget = samplesAt(outRate_), inTarget = samplesAt(inRate_);
    nOut = size_t(outTarget - outTicks_);
    nIn = size_t(inTarget - inTicks_);
    outTicks_ = outTarget;
    inTicks_ = inTarget;
}

// The transmitter's samples for this slice (`active`: a transmission or speech is under way),
// to the card, the output file and, for a loopback, what the receiver may hear (played_).
void Engine::transmitSlice(bool active, size_t nOut)
{
    size_t sent = 0;
    played_.clear();
    if (active) {
        const size_t want = cardOut_ ? cardOut_->wanted(kCardAheadSeconds) : nOut;
        chunk_.resize(want);
        sent = produce(chunk_.data(), want);
        chunk_.resize(sent);
        if (cardOut_)
            cardOut_->write(chunk_.data(), sent); // the card applies the gain per channel
        if (!cardOut_ || inKind_ == DeviceKind::Loopback) {
            const float g = monoGain();
            played_.resize(sent);
            for (size_t i = 0; i < sent; ++i)
                played_[i] = chunk_[i] * g;
        }
        if (wavOut_)
            wavOut_->write(played_.data(), sent);
        sentSamples_ += sent;
        if (txKind_ == TxKind::Picture && encoder_) {
            // Marks in the card's own count of samples, which its playing position uses.
            lineMarks_.emplace_back(cardOut_ ? cardOut_->written() : sentSamples_,
                                    encoder_->currentLine());
            while (lineMarks_.size() > 64)
                lineMarks_.pop_front();
        }
    }
}

// What the receiver hears in this slice, handed to it and to the displays.
void Engine::hearSlice(bool wasSending, bool active, size_t nIn, size_t nOut)
{
    // What the receiver hears during this job. The transmit word's loopback field: 1 the
    // receiver hears the signal as it is sent, 2 it keeps listening to the input while sending.
    const unsigned loop = (uint32_t(s_.txWord) >> 16) & 3;
    const bool internalLoop = loop == 1 || loop == 3, externalLoop = loop == 2;
    std::vector<float> input;
    if (inKind_ == DeviceKind::Card) {
        // The receiver's thread reads the card; the job only watches that something comes.
        const uint64_t got = cardSource_->samplesRead();
        if (got != lastInputCount_) {
            lastInputCount_ = got;
            lastInput_ = Clock::now();
        } else if (Clock::now() - lastInput_ > kCardStall) {
            checkDevices(true);
        }
    } else if (inKind_ == DeviceKind::Wav) {
        input.resize(nIn);
        wavIn_->read(input.data(), nIn);
    } else if (inKind_ == DeviceKind::None) {
        input.assign(nIn, 0.0f); // no input is a silent one: the receiver's time goes on
    }
    heard_.clear();
    if (inKind_ == DeviceKind::Loopback) {
        // The cable from output to input: what was played, then silence as time goes on.
        heard_ = played_;
        if (heard_.size() < nOut && !(cardOut_ && active))
            heard_.resize(nOut, 0.0f);
    } else if (wasSending && internalLoop) {
        if (outRate_ == inRate_)
            heard_ = chunk_;
    } else if (!wasSending || externalLoop) {
        heard_ = std::move(input);
    }
    if (inKind_ == DeviceKind::Card) {
        // The receiver reads the card itself; here it is only told whether to listen.
        rx_->setListening(!wasSending || externalLoop);
        if (!(wasSending && internalLoop))
            rx_->takeHeard(heard_);
    }
    if (!heard_.empty()) {
        if (inKind_ != DeviceKind::Card || (wasSending && internalLoop))
            rx_->feed(heard_.data(), heard_.size());
        displays_.feed(heard_.data(), heard_.size(), inRate_);
    }
}

// A transmission the card stopped playing is ended; one played to its end is finished.
void Engine::watchTransmission()
{
    // A card that stops taking samples (unplugged, taken by another program) must not hold
    // the transmitter keyed: the transmission ends and the status says why.
    if (cardOut_ && transmitting()) {
        const auto now = Clock::now();
        if (cardOut_->played() != lastPlayed_ || cardOut_->drained()) {
            lastPlayed_ = cardOut_->played();
            lastProgress_ = now;
        } else if (now - lastProgress_ > kCardStall) {
            output_.note += "; the sound card stopped playing";
            std::fprintf(stderr, "vareror: the sound card stopped playing; transmission ended\n");
            stopTx();
        }
    }

    // The end of a transmission: everything generated, and played when a card plays it.
    if (transmitting() && txKind_ == TxKind::Picture && generationDone_) {
        if (!cardOut_) {
            finishTx();
        } else if (cardOut_->drained()) {
            if (!draining_) {
                draining_ = true;
                releaseAt_ = Clock::now() +
                             std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(cardOut_->latencySeconds()));
            }
            if (Clock::now() >= releaseAt_)
                finishTx();
        }
    }
}

// The displays show what the receiver heard, in the DIBs the program bound.
void Engine::drawDisplays()
{
    DisplaySettings d;
    d.tuneWord = s_.tuneWord;
    d.lowHz = specLow_;
    d.highHz = specHigh_;
    d.notchHz = notchHz_;
    // Why the input gives no sound: a WAV file refused, or a card gone.
    d.fault = isWav(input_.device) && inKind_ == DeviceKind::None ? input_.fault
              : output_.wentAway || input_.wentAway                ? QString("Sound device went away")
                                                                   : QString();
    DibTable &dibs = DibTable::instance();
    displays_.draw(dibs.find(specA_), dibs.find(specB_), dibs.find(tuneDib_), d);
}

// ---- words ----

int32_t Engine::setRxWord(int32_t word)
{
    if (word != -1 && word != s_.rxWord) {
        s_.rxWord = word;
        applyRxOptions();
        saveSettings();
    }
    return s_.rxWord;
}

int32_t Engine::setTxWord(int32_t word)
{
    if (word != -1 && word != s_.txWord) {
        s_.txWord = word;
        saveSettings();
    }
    return s_.txWord;
}

int32_t Engine::setLms(int32_t mode)
{
    if (mode >= 0 && mode <= 2 && mode != s_.lms) {
        s_.lms = mode;
        applyRxOptions();
        saveSettings();
    }
    return s_.lms;
}

int32_t Engine::setTuneWord(int32_t word)
{
    if (word != -1 && word != s_.tuneWord) {
        s_.tuneWord = word;
        saveSettings();
    }
    return s_.tuneWord;
}

int32_t Engine::setNotch(int32_t hz)
{
    if (hz >= 0) {
        notchHz_ = std::min<int32_t>(hz, inRate_ / 2);
        rx_->setNotch(notchHz_);
    }
    return notchHz_;
}

bool Engine::setSpecRange(int lowHz, int highHz)
{
    if (lowHz < 0 || highHz <= lowHz)
        return false;
    specLow_ = lowHz;
    specHigh_ = highHz;
    return true;
}

void Engine::setFskIdText(const std::string &latin1)
{
    if (latin1 == fskIdLatin1_)
        return;
    fskIdLatin1_ = latin1;
    saveSettings();
}

void Engine::setBitmaps(int rxDib, int txDib)
{
    rxDib_ = rxDib;
    txDib_ = txDib;
}

void Engine::setTuneBitmaps(int specA, int specB, int tune)
{
    specA_ = specA;
    specB_ = specB;
    tuneDib_ = tune;
}

// ---- options ----

void Engine::optionChanged(const QString &name)
{
    if (name == "input" || name == "output" || name == "rate" || name == "clock" || name == "rxclock") {
        reopenChanged();
    } else if (name == "ptt" || name == "pttport" || name == "rigmodel" || name == "pttspeed") {
        if (started_)
            openPtt();
    }
    if (name != "jobms")
        saveSettings();
}

QString Engine::option(const QString &name)
{
    if (name == "soundstatus")
        return started_ ? soundStatus() : QString("not started");
    if (name == "pttstatus")
        return QString::fromStdString(ptt_.status());
    if (name == "pttkeyed") {
        bool on = false;
        if (!ptt_.queryRig(on))
            on = ptt_.keyed();
        return on ? "1" : "0";
    }
    if (name == "pttlog") {
        QStringList l;
        for (const auto &e : pttLog_)
            l << QString::fromStdString(e);
        return l.join(',');
    }
    if (name == "clockmode")
        return realClock_ ? "real" : "virtual";
    return {};
}

// ---- the option dialog ----

EngineOptions Engine::options() const
{
    EngineOptions o;
    o.input = s_.input;
    o.output = s_.output;
    o.rate = s_.rate;
    o.rxClock = s_.clock;
    o.txClock = s_.txClock;
    o.ptt = s_.ptt;
    o.pttPort = s_.pttPort;
    o.rigModel = s_.rigModel;
    o.pttSpeed = s_.pttSpeed;
    o.fskId = QString::fromLatin1(fskIdLatin1_.c_str());
    o.rxWord = s_.rxWord;
    o.txWord = s_.txWord;
    o.lms = s_.lms;
    return o;
}

QStringList Engine::soundCards(bool output)
{
    QStringList cards;
    for (const std::string &name : cardNames(output))
        cards << QString::fromStdString(name);
    return cards;
}

QString Engine::deviceStatus()
{
    start();
    return "Sound: " + soundStatus() + "\n" + QString::fromStdString(ptt_.status());
}

QString Engine::soundStatus() const { return output_.note + "; " + input_.note; }

bool Engine::deviceTrouble()
{
    start();
    return missing(output_, outKind_) || missing(input_, inKind_) || ptt_.failed();
}

QStringList Engine::faults() const
{
    QStringList lines;
    // No sound card at all is said once, for both ends.
    if (!input_.cardTrouble.isEmpty() && input_.cardTrouble == output_.cardTrouble)
        lines << "The sound input and output " + input_.cardTrouble;
    else
        for (const DeviceSide *side : {&input_, &output_})
            if (!side->fault.isEmpty())
                lines << side->fault;
    for (const Notice &n : notices_)
        lines << n.text;
    return lines;
}

void Engine::notice(const QString &text) { notices_.push_back({text}); }

std::optional<double> Engine::lastSlantPpm()
{
    return rx_->lastSlantPpm();
}

// What the options change is put in force, and only that is opened again (the sound
// devices, the receiver, the PTT); a device or PTT that failed opens again as well.
void Engine::apply(const EngineOptions &o)
{
    start();
    const bool ptt = o.ptt != s_.ptt || o.pttPort != s_.pttPort || o.rigModel != s_.rigModel ||
                     o.pttSpeed != s_.pttSpeed || ptt_.failed();
    s_.input = o.input;
    s_.output = o.output;
    if (validRate(o.rate))
        s_.rate = o.rate;
    s_.clock = o.rxClock;
    s_.txClock = o.txClock;
    if (validPttMethod(o.ptt))
        s_.ptt = o.ptt;
    s_.pttPort = o.pttPort;
    s_.rigModel = o.rigModel;
    if (validSerialSpeed(o.pttSpeed))
        s_.pttSpeed = o.pttSpeed;
    setRxWord(o.rxWord);
    setTxWord(o.txWord);
    setLms(o.lms);
    setFskIdText(o.fskId.toLatin1().toStdString());
    reopenChanged(o.inputAgain);
    if (ptt)
        openPtt();
    saveSettings();
}

QString Engine::startPttTest(const EngineOptions &o)
{
    if (transmitting() || ptt_.keyed())
        return "Not while the transmitter is keyed.";
    if (o.ptt == "none")
        return "No PTT chosen.";
    // The engine's own port is let go for the test: a serial port opens once.
    ptt_.close();
    testPtt_ = std::make_unique<Ptt>();
    testPtt_->open(toStd(o.ptt), toStd(o.pttPort), o.rigModel, o.pttSpeed);
    if (!testPtt_->failed())
        testPtt_->set(true);
    if (testPtt_->failed()) {
        const QString problem = QString::fromStdString(testPtt_->status());
        testPtt_.reset();
        openPtt();
        return problem;
    }
    return {};
}

QString Engine::endPttTest()
{
    if (!testPtt_)
        return {};
    testPtt_->set(false);
    const bool ok = !testPtt_->failed();
    const QString status = QString::fromStdString(testPtt_->status());
    testPtt_.reset();
    openPtt();
    return ok ? "PTT keyed for one second and released (" + status.mid(5) + ")." : status;
}

} // namespace vareror::lib
