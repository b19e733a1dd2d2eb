#pragma once

namespace vareror::core {
// The engine's version text as the program shows it in its title and about box.
const char *versionText();
}
