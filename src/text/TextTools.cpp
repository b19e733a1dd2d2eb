#include "text/TextTools.h"

#include "shell/FormMain.h"

namespace text {

TextTools::TextTools(shell::FormMain& form) : QObject(nullptr), form_(form) {}

void TextTools::Option1_Click() {}
void TextTools::savefontandcolor_Click() {}

} // namespace text
