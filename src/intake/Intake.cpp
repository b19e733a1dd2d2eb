#include "intake/Intake.h"

#include "shell/FormMain.h"

namespace intake {

Intake::Intake(shell::FormMain& form) : QObject(nullptr), form_(form) {}

void Intake::loadpic_Click() {}
void Intake::copyrx_Click() {}
void Intake::copye_Click() {}
void Intake::savepic_Click() {}
void Intake::Command27_Click() {}

} // namespace intake
