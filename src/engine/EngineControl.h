#pragma once
// The SSTV engine's controller on the main window: the polling tick, the transmit and
// receive buttons, the mode list, the tuning and spectrum displays and the floating RX
// monitor. The engine binding and the handlers' bodies arrive with their own steps.

#include "platform/services/Engine.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <cstdint>

namespace shell { class FormMain; }
namespace platform { class StepRunner; }

namespace engine {

class EngineControl : public QObject {
    Q_OBJECT
public:
    explicit EngineControl(shell::FormMain& form);
    shell::FormMain& form() const { return form_; }

    // The engine's version text, shown in the title banner and the About box; empty
    // while no engine is bound.
    QString engineVersion() const;

    void Timer1_Timer();     // the polling tick, every 200 ms

    void Command3_Click();   // "TX" (F5)
    void Command1_Click();   // "RX" (F9)
    void Command7_Click();   // "Force RX" (F6)
    void Command45_Click();  // "RE Sync"
    void Command11_Click();  // "Fix Slant this Picture only"
    void Command48_MouseDown(int button, int shift, double x, double y); // tone button
    void Command48_MouseUp(int button, int shift, double x, double y);

    void Combo2_Click();     // TX mode list
    void Check1_Click();     // "AutoRX"
    void Check4_Click();     // "RxMon"
    void Check7_Click();     // "TX=RX"
    void Check8_Click();     // "A-Save"
    void Check11_Click();    // "Notch"
    void Check12_Click();    // "Sp FFT"
    void Check25_Click();    // "Sp FM"

    // The notch is placed on either spectrum display by one body.
    void Picture16_MouseDown(int button, int shift, double x, double y);
    void Picture16_MouseMove(int button, int shift, double x, double y);
    void Picture17_MouseDown(int button, int shift, double x, double y);
    void Picture17_MouseMove(int button, int shift, double x, double y);

    // The engine binding: the library beside the executable for the program, any
    // function table for tests. Without one every engine call fails.
    platform::Engine& binding() { return engine_; }
    void setEngine(platform::Engine engine) { engine_ = std::move(engine); }

    // The engine's start inside the main window's load handler; false when there is no
    // engine and the program must end (the message has been shown).
    bool engineStart(platform::StepRunner& steps);
    // The main window's query-unload: deletes the engine and its buffers, then waits
    // about two seconds while window events run. Nothing reaches the engine afterwards.
    void Form_QueryUnload();
    // The TX screen into the TX DIB, over (0, 0, width, height); by default the
    // current mode's size.
    void copyTxScreenToDib(int width, int height);
    void copyTxScreenToDib() { copyTxScreenToDib(modeWidth, modeHeight); }

    // Engine buffers, 0 until created; kept after deletion, never used again.
    int32_t txDib = 0;
    int32_t rxDib = 0;
    int32_t tuneDib = 0;
    int32_t specDibA = 0;
    int32_t specDibB = 0;
    int32_t notchFreq = 0;
    int32_t engineResult = 0;
    int32_t dstRect[4] = {0, 0, 0, 0};
    int32_t srcRect[4] = {0, 0, 0, 0};
    int modeWidth = 0;
    int modeHeight = 0;
    // Values the settings carry.
    QVariant txMode;
    QVariant rxMode;
    QVariant jpegQuality;   // 1 to 99
    QVariant toneFrequency; // Hz
    QVariant autoSaveLimit;
    QString autoSaveDir;    // ends in "/"
    int modeChanged = 0;    // 1: the next tick shows the TX mode's name in the list again

private:
    shell::FormMain& form_;
    platform::Engine engine_;
};

} // namespace engine
