#include "capture/Capture.h"

#include "shell/FormMain.h"

namespace capture {

Capture::Capture(shell::FormMain& form) : QObject(nullptr), form_(form) {}

void Capture::selectsource_Click() {}
void Capture::acquire_Click() {}
void Capture::camera_Click() {}

} // namespace capture
