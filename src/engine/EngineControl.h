#pragma once
// The SSTV engine's controller on the main window: the polling tick, the transmit and
// receive buttons, the mode list, the tuning and spectrum displays and the floating RX
// monitor. The engine binding and the handlers' bodies arrive with their own steps.

#include <QObject>
#include <QString>

namespace shell { class FormMain; }

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

private:
    shell::FormMain& form_;
};

} // namespace engine
