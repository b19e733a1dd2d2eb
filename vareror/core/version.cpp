#include "version.h"

namespace vareror::core {
const char *versionText() { return "1.05"; }
}
