#pragma once
// The engine's own option dialog (mmsOption): the sound devices and the sample rate, the
// clock calibration of either end (taken, if wished, from the slant the receiver measured
// on the last picture), PTT with a one-second test, the FSK ID text, and the receive and
// transmit options with the LMS mode. OK keeps and applies them; Cancel leaves the options as
// they were when the dialog opened. A device or port that fails to open on OK is shown in the
// dialog, which then stays open; OK again, with nothing changed, keeps the options so.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class QWidget;

namespace vareror::lib {

// Everything the dialog edits, as the engine keeps it.
struct EngineOptions {
    QString input, output;       // "default", a sound card, "wav:/path", "loopback", "none"
    int rate = 11025;
    double rxClock = 1, txClock = 1;
    QString ptt = "none", pttPort;
    int rigModel = 1, pttSpeed = 0;
    QString fskId;
    int32_t rxWord = 0, txWord = 0, lms = 0;
    // The operator chose the input again: it opens again, a file playing from its start.
    bool inputAgain = false;
    bool operator==(const EngineOptions &) const = default;
};

// What the dialog needs of the engine.
class OptionHost {
public:
    virtual ~OptionHost() = default;
    virtual EngineOptions options() const = 0;
    virtual QStringList soundCards(bool output) = 0;
    // The sound devices and the PTT as they are, in plain words; trouble when one that was
    // asked for is missing or went away.
    virtual QString deviceStatus() = 0;
    virtual bool deviceTrouble() = 0;
    // The sample-clock error measured on the last picture received.
    virtual std::optional<double> lastSlantPpm() = 0;
    // Keeps the options in the engine's file and puts them in force at once, opening again
    // only what they change (and what failed).
    virtual void apply(const EngineOptions &options) = 0;
    // Keys the PTT the options describe (not the engine's own): an empty answer when keyed,
    // else what went wrong. endPttTest releases it and says how it went.
    virtual QString startPttTest(const EngineOptions &options) = 0;
    virtual QString endPttTest() = 0;
};

// Shows the dialog modally over `parent`; false without a QApplication (nothing shown).
// True when the operator accepted it with OK.
bool showOptionDialog(QWidget *parent, const QString &title, OptionHost &host);

} // namespace vareror::lib
