#include "qso/Qso.h"

#include "shell/FormMain.h"

namespace qso {

Qso::Qso(shell::FormMain& form) : QObject(nullptr), form_(form) {}

void Qso::makeheader16_Click() {}
void Qso::makeheader_Click() {}
void Qso::Text3_Change() {}

} // namespace qso
