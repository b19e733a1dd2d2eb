#include "vareror.h"
#include "version.h"

extern "C" const char *mmsGetVersion(void) { return vareror::core::versionText(); }
