#include "canvas/TxCanvas.h"

#include "shell/FormMain.h"

namespace canvas {

TxCanvas::TxCanvas(shell::FormMain& form) : QObject(nullptr), form_(form) {}

void TxCanvas::Option6_Click() {}
void TxCanvas::Option7_Click() {}
void TxCanvas::Option8_Click() {}
void TxCanvas::Label32_Click() {}
void TxCanvas::Label38_Click() {}
void TxCanvas::Check19_Click() {}
void TxCanvas::Command12_Click() {}
void TxCanvas::Timer2_Timer() {}

} // namespace canvas
