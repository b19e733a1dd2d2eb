#pragma once
// The C interface of the Tovaro SSTV engine (libvareror.so).
//
// Conventions:
// - Every function may be called at any time from the program's GUI thread, also before
//   mmsCreate and after mmsDelete: the engine functions then do nothing and return 0 or an
//   empty text. The DIB functions and the output gain do not depend on the engine instance.
// - Texts come back as pointers to the engine's own zero-terminated Latin-1 text; they stay
//   valid until the next call of the same function (of vrrGetOption: with the same name).
// - A word setter given -1 only reads; every setter returns the current word.
// - A rectangle is a pointer to four int32 values left, top, right, bottom (right and bottom
//   exclusive); a null pointer or four zeros mean the whole picture.
// - A window is a QWidget*, a device context a QPaintDevice* (for example a QImage), a bitmap
//   a const QImage*. A DIB handle (1..65535) may stand in place of a bitmap: pass it through
//   VRR_DIB_AS_BITMAP.

#include <stdint.h>

#ifdef __cplusplus
class QImage;
class QPaintDevice;
extern "C" {
#else
typedef struct QImage QImage;
typedef struct QPaintDevice QPaintDevice;
#endif

#define VARERO_API __attribute__((visibility("default")))

// A DIB handle passed where a bitmap is expected.
#define VRR_DIB_AS_BITMAP(dib) ((const QImage *)(intptr_t)(dib))

// The status word of mmsDoJob, the one definition the engine, its receiver and the program
// share: the bits of the events since the last job. A picture's end (sent or received) is
// never combined with another bit: a word that is exactly VRR_STATUS_ENDED is an end, and the
// events that came with it follow in the next jobs' words.
#define VRR_STATUS_RX_STARTED 0x04 // a received picture started
#define VRR_STATUS_SENDING 0x08    // a picture or tone is being sent
#define VRR_STATUS_FSKID 0x10      // an FSK identification was received (mmsGetFSKID)
#define VRR_STATUS_ENDED 0x20      // a picture finished: always alone in its word

// ---- Life cycle and identity ----
VARERO_API const char *mmsGetVersion(void);
VARERO_API int32_t mmsCreate(void *hWnd, int32_t reserved);
VARERO_API int32_t mmsStart(void);
VARERO_API int32_t mmsDelete(void);
VARERO_API int32_t mmsSetOptionTitle(const char *text);
VARERO_API int32_t mmsOption(void);                   // 1 when the operator accepted it

// ---- DIBs and drawing ----
VARERO_API int32_t mmsCreateDIB(int32_t width, int32_t height);
VARERO_API int32_t mmsDeleteDIB(int32_t dib);
VARERO_API int32_t mmsFillDIB(int32_t dib, int32_t colour);           // colour &HBBGGRR
VARERO_API int32_t mmsCopyDIB(int32_t dib);                           // to the clipboard
VARERO_API int32_t mmsSetBitmap(int32_t rxDib, int32_t reserved, int32_t txDib);
VARERO_API int32_t mmsSetTuneBitmap(int32_t specDibA, int32_t specDibB, int32_t tuneDib);
VARERO_API int32_t mmsDrawDIBwnd(void *hWnd, const int32_t *dstRect, int32_t dib,
                                 const int32_t *srcRect, int32_t mode);
VARERO_API int32_t mmsDrawDIBdc(QPaintDevice *hDC, const int32_t *dstRect, int32_t dib,
                                const int32_t *srcRect, int32_t mode);
VARERO_API int32_t mmsDrawDIBbmp(int32_t dib, const int32_t *dstRect, const QImage *bitmap,
                                 const int32_t *srcRect, int32_t mode);
VARERO_API int32_t mmsDrawTransDIBdc(QPaintDevice *hDC, int32_t x, int32_t y,
                                     const QImage *bitmap, int32_t keyColour);

// ---- Polling, modes, positions ----
VARERO_API int32_t mmsDoJob(int32_t kind);
VARERO_API int32_t mmsGetPos(int32_t kind);        // 0 lines received; 1 played, 2 generated
VARERO_API int32_t mmsGetMode(int32_t kind);
VARERO_API const char *mmsGetModeName(int32_t mode);
VARERO_API int32_t mmsGetImageSize(int32_t mode);  // width low 16, height high 16 bits
VARERO_API const char *mmsGetFSKID(void);
VARERO_API const char *mmsSetFSKID(const char *text);  // null only reads

// ---- Transmit and receive ----
VARERO_API int32_t mmsSendPic(int32_t mode);
VARERO_API int32_t mmsSendTone(int32_t hz);
VARERO_API int32_t mmsSendStop(void);
VARERO_API int32_t mmsStartScan(int32_t mode);
VARERO_API int32_t mmsStopScan(int32_t kind);
VARERO_API int32_t mmsReSync(void);
VARERO_API int32_t mmsCorrectSlant(void);
VARERO_API int32_t mmsSetPTT(void *reserved, int32_t on);

// ---- Option words ----
VARERO_API int32_t mmsSetRxControl(int32_t word);
VARERO_API int32_t mmsSetTxControl(int32_t word);
VARERO_API int32_t mmsSetLMS(int32_t mode);
VARERO_API int32_t mmsSetTuneControl(int32_t word);
VARERO_API int32_t mmsSetNotch(int32_t hz);
VARERO_API int32_t mmsSetSpecRange(int32_t lowHz, int32_t highHz);

// Copies at most size - 1 characters of text and a NUL into buffer; returns the count copied.
VARERO_API int32_t mmsStrCopy(char *buffer, int32_t size, const char *text);

// ---- Tovaro's extensions of the interface ----
// Process-wide output gain standing in for the wave-out volume: left channel in the low,
// right channel in the high 16 bits, 0..65535 each. Full (0xFFFFFFFF) at load.
VARERO_API uint32_t vrrGetOutputGain(void);
VARERO_API uint32_t vrrSetOutputGain(uint32_t gain);   // returns the gain now in force

// Plays samples (-1..1, at sampleRate Hz, resampled to the engine's rate) through the transmit
// output after whatever is queued; the caller keys PTT with mmsSetPTT. mmsSendStop drops them.
// Returns 1 when queued, 0 without an engine or for bad arguments.
VARERO_API int32_t vrrPlaySamples(const float *samples, int32_t count, int32_t sampleRate);

// Engine options by name. vrrSetOption returns 1 when taken, 0 for an unknown name or a bad
// value; options set before mmsCreate are applied over the settings file when it is loaded.
// Names: "input", "output" ("default", a sound card name, "wav:/path.wav", "loopback",
// "none"), "rate" (11025, 44100, 48000), "rxclock" and "txclock" (the input and output sound
// card's clock calibration, a factor such as "1.0001" or "-35ppm"; "clock" sets both and reads
// the input's), "jobms" (virtual-clock slice, 200), "ptt" (none, rts, dtr, cat), "pttport",
// "rigmodel", "pttspeed" (the CAT port's serial speed, 0 for the rig's default).
// Read only: "soundstatus", "pttstatus", "pttkeyed" ("1"/"0"), "pttlog", "clockmode"
// ("real"/"virtual"), "settingsfile", "filefault" (what the engine could not read, write, open
// or key, one line each, "" while all is well: its settings file (kept after mmsDelete), a
// sound device asked for that did not open, its WAV input; and, from when they happen until
// the mmsDoJob after the one that first returned since, a transmission sent without PTT (once
// per transmission) and a picture cut short to open its sound input again).
VARERO_API int32_t vrrSetOption(const char *name, const char *value);
VARERO_API const char *vrrGetOption(const char *name);

#ifdef __cplusplus
}
#endif
