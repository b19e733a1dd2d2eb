#include "strips/Strips.h"

#include "shell/FormMain.h"

namespace strips {

Strips::Strips(shell::FormMain& form) : QObject(nullptr), form_(form) {}

} // namespace strips
