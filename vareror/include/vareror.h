#pragma once
// The C interface of the Tovaro SSTV engine (libvareror.so).

#ifdef __cplusplus
extern "C" {
#endif

#define VARERO_API __attribute__((visibility("default")))

VARERO_API const char *mmsGetVersion(void);

#ifdef __cplusplus
}
#endif
