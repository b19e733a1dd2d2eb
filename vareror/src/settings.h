#pragma once
// What the engine keeps across runs, in its own file "vareror.ini" in the application folder
// ($XDG_DATA_HOME/Tovaro, by default ~/.local/share/Tovaro).

#include <QString>

#include <cstdint>

namespace vareror::lib {

// Defaults of the receive word: FSK ID RX, AFC, auto restart/stop/resync/slant/clear, sync
// level 1, RX buffer in RAM, Hilbert demodulator, broad DSP filter.
constexpr int32_t kDefaultRxWord = 0x1 | 0x2 | 0x8 | 0x10 | 0x20 | 0x40 | 0x80 | 0x10000 |
                                   0x100000 | 0x2000000 | 0x10000000;
constexpr int32_t kDefaultTuneWord = 0x25; // FM spectrum display

struct EngineSettings {
    int32_t rxWord = kDefaultRxWord;
    int32_t txWord = 0;
    int32_t tuneWord = kDefaultTuneWord;
    int32_t lms = 0;
    QString fskId;
    int lastRxMode = 6;
    QString input = "default", output = "default";
    int rate = 11025;
    double clock = 1.0;   // the input sound card's clock calibration factor
    double txClock = 1.0; // the output sound card's
    int jobMs = 200;      // virtual-clock slice (not kept in the file)
    QString ptt = "none"; // none, rts, dtr, cat
    QString pttPort;
    int rigModel = 1;     // hamlib model for CAT PTT (1 = the dummy rig)
    int pttSpeed = 0;     // the CAT port's serial speed (0: the rig's default)

    // Why the file was last not read or not written, in plain words; empty while all is well.
    // A file far larger than any the engine writes is neither read nor ever replaced.
    mutable QString fault;
    bool refused = false;
    // What a damaged file lost (the settings read from it are in use), for the operator.
    QString damage;

    static QString folder();
    static QString filePath();
    void load();
    // Through the one writer: the old file stays whole when the new one cannot be written.
    bool save() const;
    // The file's whole text as save() writes it (only the engine's own keys).
    QByteArray text() const;
};

// The largest settings file read: the engine writes well under a kilobyte.
constexpr qint64 kMaxSettingsFile = 64 * 1024;

bool validRate(int rate);
bool validPttMethod(const QString &method);
bool validSerialSpeed(int speed); // 0 (the rig's default) or a standard rate
// "1.0001" (factor) or "-35ppm"/"120 ppm"; a bare number outside 0.5..2 counts as ppm.
bool parseClock(const QString &text, double &factor);

} // namespace vareror::lib
