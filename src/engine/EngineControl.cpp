#include "engine/EngineControl.h"

#include "shell/FormMain.h"

namespace engine {

EngineControl::EngineControl(shell::FormMain& form) : QObject(nullptr), form_(form) {}

QString EngineControl::engineVersion() const
{
    return {};
}

// Until the engine binding exists the tick has nothing to poll.
void EngineControl::Timer1_Timer() {}

void EngineControl::Command3_Click() {}
void EngineControl::Command1_Click() {}
void EngineControl::Command7_Click() {}
void EngineControl::Command45_Click() {}
void EngineControl::Command11_Click() {}
void EngineControl::Command48_MouseDown(int, int, double, double) {}
void EngineControl::Command48_MouseUp(int, int, double, double) {}

void EngineControl::Combo2_Click() {}
// "AutoRX" and "A-Save" are only read by the tick: their clicks do nothing.
void EngineControl::Check1_Click() {}
void EngineControl::Check4_Click() {}
void EngineControl::Check7_Click() {}
void EngineControl::Check8_Click() {}
void EngineControl::Check11_Click() {}
void EngineControl::Check12_Click() {}
void EngineControl::Check25_Click() {}

void EngineControl::Picture16_MouseDown(int, int, double, double) {}
void EngineControl::Picture16_MouseMove(int, int, double, double) {}
void EngineControl::Picture17_MouseDown(int, int, double, double) {}
void EngineControl::Picture17_MouseMove(int, int, double, double) {}

} // namespace engine
