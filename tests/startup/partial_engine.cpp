// A library that exports only part of the engine interface: the binding must refuse it.
#include "vareror.h"

extern "C" {
VARERO_API const char *mmsGetVersion(void) { return "1.05-partial"; }
VARERO_API int32_t mmsStrCopy(char *buffer, int32_t size, const char *text)
{
    int32_t n = 0;
    while (text[n] && n < size - 1) {
        buffer[n] = text[n];
        ++n;
    }
    buffer[n] = '\0';
    return n;
}
VARERO_API int32_t mmsCreate(void *, int32_t) { return 1; }
}
