#pragma once
// The engine instance behind the C interface: sound devices and their clock, the
// transmitter, the receiver, PTT, the status word and the settings.

#include "audio.h"
#include "displays.h"
#include "optiondialog.h"
#include "ptt.h"
#include "settings.h"

#include "encoder.h"
#include "receiver_thread.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vareror::lib {

// A received picture's end as the program is told of it: its lines received and the picture
// as it ended, which the program reads back at that end (the next picture may have begun in
// the receiver meanwhile).
struct RxEnd {
    int mode = 0;
    int lines = 0;
    std::shared_ptr<const core::RgbImage> picture;
};

// The status word's events in the order they happened. An end (&H20) is always reported
// alone and in its own job, so two ends are never merged and none is lost; the other bits of
// consecutive events share one word.
class StatusQueue {
public:
    // `rxEnd`: with an end (&H20) of a received picture.
    void push(unsigned bits, std::optional<RxEnd> rxEnd = std::nullopt)
    {
        // Bounded for a program that stops polling; at 200 ms per job this is over 13 minutes.
        if (queue_.size() >= 4096)
            queue_.pop_front();
        queue_.push_back({bits, std::move(rxEnd)});
    }
    // The next word; `rxEnd` is set when it is a received picture's end.
    unsigned take(bool sendingNow, std::optional<RxEnd> &rxEnd);
    void clear() { queue_.clear(); }

private:
    struct Entry {
        unsigned bits;
        std::optional<RxEnd> rxEnd;
    };
    std::deque<Entry> queue_;
};

enum class DeviceKind { None, Card, Wav, Loopback };
class CardSource;

class Engine : public OptionHost {
public:
    explicit Engine(EngineSettings &settings);
    ~Engine() override;

    void start();
    int32_t doJob();

    bool sendPic(int mode);
    bool sendTone(int hz);
    void sendStop();
    bool playSamples(const float *samples, int count, int rate);
    void setManualPtt(bool on);
    int txPosition(int kind) const;

    bool startScan(int mode);
    bool stopScan();
    bool reSync();
    bool correctSlant();
    int rxMode() const;
    int rxPosition() const;
    std::string receivedFskId() const;

    int32_t setRxWord(int32_t word);
    int32_t setTxWord(int32_t word);
    int32_t setLms(int32_t mode);
    int32_t setTuneWord(int32_t word);
    int32_t setNotch(int32_t hz);
    bool setSpecRange(int lowHz, int highHz);
    const std::string &fskIdText() const { return fskIdLatin1_; }
    void setFskIdText(const std::string &latin1);

    void setBitmaps(int rxDib, int txDib);
    void setTuneBitmaps(int specA, int specB, int tune);

    // Applies an option already validated and stored in the settings.
    void optionChanged(const QString &name);
    // What the program tells the operator, one line each: the sound devices asked for that
    // did not open, and what happened once (a transmission without PTT, a picture cut short
    // to open its input again), which is given until a job has handed it out.
    QStringList faults() const;
    QString option(const QString &name);
    void saveSettings();

    // What the option dialog reads and changes.
    EngineOptions options() const override;
    QStringList soundCards(bool output) override;
    QString deviceStatus() override;
    bool deviceTrouble() override;
    std::optional<double> lastSlantPpm() override;
    void apply(const EngineOptions &options) override;
    QString startPttTest(const EngineOptions &options) override;
    QString endPttTest() override;

private:
    // One end of the sound: the device asked for (as last opened), what the option dialog
    // says of it, what the program is told when it did not open (a sound card's own trouble
    // also apart, so that no card at all is said once for both ends), and whether it went
    // away since.
    struct DeviceSide {
        QString device;
        QString note, fault, cardTrouble;
        bool wentAway = false;
    };
    void closeDevices();
    void closeOutput();
    void closeInput();
    void openOutput();
    void openInput();
    void cardFailed(DeviceSide &side, const char *which, const QString &device, const std::string &error);
    bool missing(const DeviceSide &side, DeviceKind kind) const;
    void reopenChanged(bool inputAgain = false, bool outputAgain = false);
    double receiverRate() const;
    QString soundStatus() const;
    void checkDevices(bool inputStalled);
    void openPtt();
    void pttTrouble(bool keying);
    void notice(const QString &text);
    void makeReceiver();
    core::RxOptions rxOptions() const;
    int rxLms() const;
    void applyRxOptions();
    void applyPtt();
    void logPtt(bool on);
    void finishTx();
    void stopTx();
    void replaceTx();
    size_t produce(float *out, size_t n);
    void takeRxEvents();
    void pushRxEnd(RxEnd end);
    void copyRxRows();
    int32_t handOut();
    void drawDisplays();
    // the job's steps
    void advanceClock(size_t &nOut, size_t &nIn);
    void transmitSlice(bool active, size_t nOut);
    void hearSlice(bool wasSending, bool active, size_t nIn, size_t nOut);
    void watchTransmission();
    bool transmitting() const { return txKind_ != TxKind::None; }

    EngineSettings &s_;
    bool started_ = false;

    // Devices.
    DeviceKind outKind_ = DeviceKind::None, inKind_ = DeviceKind::None;
    std::unique_ptr<CardOutput> cardOut_;
    std::unique_ptr<CardInput> cardIn_;
    std::unique_ptr<WavWriter> wavOut_;
    std::unique_ptr<WavReader> wavIn_;
    DeviceSide output_, input_;
    QString toldFault_;                   // the settings fault last said on standard error
    std::chrono::steady_clock::time_point lastInput_;
    int outRate_ = 11025, inRate_ = 11025;
    bool realClock_ = false;
    int64_t clockNs_ = 0;                 // engine time since the devices opened
    uint64_t outTicks_ = 0, inTicks_ = 0; // samples of engine time handed out at each rate
    std::chrono::steady_clock::time_point lastJob_;

    // Transmitter.
    enum class TxKind { None, Picture, Tone };
    TxKind txKind_ = TxKind::None;
    std::unique_ptr<core::Encoder> encoder_;
    std::unique_ptr<core::ToneGenerator> tone_;
    int txMode_ = 0;
    bool generationDone_ = false, draining_ = false;
    std::chrono::steady_clock::time_point releaseAt_, lastProgress_;
    uint64_t lastPlayed_ = 0;
    std::vector<float> speech_;
    size_t speechPos_ = 0;
    uint64_t sentSamples_ = 0;           // samples handed to the output since the start
    std::deque<std::pair<uint64_t, int>> lineMarks_; // (sentSamples_, line) for played position
    std::vector<float> chunk_, played_, heard_;

    // PTT.
    Ptt ptt_;
    bool manualPtt_ = false;
    std::deque<std::string> pttLog_;
    std::unique_ptr<Ptt> testPtt_;        // the option dialog's one-second test
    bool pttTold_ = false;                // this transmission's PTT trouble is told

    struct Notice {
        QString text;
        bool handedOut = false;           // a job has returned since it happened
    };
    std::vector<Notice> notices_;

    // Receiver, on a thread of its own; a sound card's input goes to it directly.
    std::unique_ptr<core::ReceiverThread> rx_;
    std::unique_ptr<CardSource> cardSource_;
    uint64_t lastInputCount_ = 0;         // samples the receiver had read from the card
    int rxDib_ = 0, txDib_ = 0, specA_ = 0, specB_ = 0, tuneDib_ = 0;
    int notchHz_ = 0, specLow_ = 700, specHigh_ = 2000;
    DisplayRenderer displays_;

    StatusQueue status_;
    std::vector<RxEnd> heldRxEnds_;       // received pictures' ends waiting for the transmission's
    // The received picture whose end was the last reception event the program was told of
    // (until it is told of the next start): its lines are the position it reads.
    std::optional<RxEnd> toldEnd_;
    std::string fskIdLatin1_;
};

} // namespace vareror::lib
