#pragma once
// The program's binding to the SSTV engine library (libvareror.so).
//
// The library is loaded at run time from beside the executable, and every function the
// program calls is resolved up front: a library that is missing, or that lacks any one of
// those functions, counts as no engine at all. The pointer types come from the library's
// own header, so a signature change there shows up here as a compile error.
//
// Calls go through Engine's methods, named like the library's functions. A call that can't
// reach the engine (no engine, or the engine already deleted) throws EngineError, which the
// start-up and shut-down step runners treat as a failing statement.

#include <QString>
#include <memory>
#include <stdexcept>

#include "vareror.h"

class QImage;
class QLibrary;

namespace platform {

namespace gdi { class Dc; }

// Every library function the program calls, in one list; X(name) per function.
#define TOVARO_ENGINE_FUNCTIONS(X)                                                           \
    X(mmsGetVersion)                                                                         \
    X(mmsCreate)                                                                             \
    X(mmsStart)                                                                              \
    X(mmsDelete)                                                                             \
    X(mmsSetOptionTitle)                                                                     \
    X(mmsOption)                                                                             \
    X(mmsCreateDIB)                                                                          \
    X(mmsDeleteDIB)                                                                          \
    X(mmsFillDIB)                                                                            \
    X(mmsCopyDIB)                                                                            \
    X(mmsSetBitmap)                                                                          \
    X(mmsSetTuneBitmap)                                                                      \
    X(mmsDrawDIBwnd)                                                                         \
    X(mmsDrawDIBdc)                                                                          \
    X(mmsDrawDIBbmp)                                                                         \
    X(mmsDrawTransDIBdc)                                                                     \
    X(mmsDoJob)                                                                              \
    X(mmsGetPos)                                                                             \
    X(mmsGetMode)                                                                            \
    X(mmsGetModeName)                                                                        \
    X(mmsGetImageSize)                                                                       \
    X(mmsGetFSKID)                                                                           \
    X(mmsSetFSKID)                                                                           \
    X(mmsSendPic)                                                                            \
    X(mmsSendTone)                                                                           \
    X(mmsSendStop)                                                                           \
    X(mmsStartScan)                                                                          \
    X(mmsStopScan)                                                                           \
    X(mmsReSync)                                                                             \
    X(mmsCorrectSlant)                                                                       \
    X(mmsSetPTT)                                                                             \
    X(mmsSetRxControl)                                                                       \
    X(mmsSetTxControl)                                                                       \
    X(mmsSetLMS)                                                                             \
    X(mmsSetTuneControl)                                                                     \
    X(mmsSetNotch)                                                                           \
    X(mmsSetSpecRange)                                                                       \
    X(mmsStrCopy)                                                                            \
    TOVARO_ENGINE_PORT_FUNCTIONS(X)

// The functions this port adds to the library: the output gain that stands in for the
// wave-out volume, the announcement samples, and the engine's options by name.
#define TOVARO_ENGINE_PORT_FUNCTIONS(X)                                                      \
    X(vrrGetOutputGain)                                                                      \
    X(vrrSetOutputGain)                                                                      \
    X(vrrPlaySamples)                                                                        \
    X(vrrSetOption)                                                                          \
    X(vrrGetOption)

// The function table. The program fills it from the library; unit tests may fill it with
// a scripted engine of their own.
struct EngineFunctions {
#define TOVARO_ENGINE_MEMBER(name) decltype(&::name) name = nullptr;
    TOVARO_ENGINE_FUNCTIONS(TOVARO_ENGINE_MEMBER)
#undef TOVARO_ENGINE_MEMBER

    // True when every function is present.
    bool complete() const;
    // The name of the first function missing, or an empty string.
    QString firstMissing() const;
};

class EngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Engine {
public:
    // The file name of the library, looked for beside the executable.
    static constexpr const char *LibraryFileName = "libvareror.so";

    // No engine: every call throws.
    Engine() = default;
    // One binding per engine: the deleted state must not be copied apart.
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;
    Engine(Engine &&) = default;
    Engine &operator=(Engine &&) = default;
    // An engine behind a given function table (incomplete tables give no engine).
    explicit Engine(const EngineFunctions &functions);

    // Loads the library from the executable's folder.
    static Engine loadBesideExecutable(QString *why = nullptr);
    // Loads the library from a given file; why receives the reason when there is no engine.
    static Engine load(const QString &path, QString *why = nullptr);

    // True when the library was found with all its functions.
    bool present() const { return present_; }
    // True once mmsDelete has been called: from then on nothing reaches the engine.
    bool deleted() const { return deleted_; }

    const EngineFunctions &functions() const { return fn_; }

    // Turns a text that the engine returned into a program string of exactly 20
    // characters: the text as mmsStrCopy copies it into 20 bytes, then NUL characters.
    QString EngineString(const char *engineText) const;

    // Calls named like the library's functions. Each throws EngineError when there is no
    // engine, or when the engine has been deleted: mmsDelete closes the binding to every
    // later call except those that do not reach the engine instance, the release of the
    // buffers (mmsDeleteDIB), the output gain (restored at shut-down) and the options read.
#define TOVARO_ENGINE_CALL(name)                                                             \
    template <class... A>                                                                    \
    auto name(A... args) const -> decltype(std::declval<EngineFunctions>().name(args...))    \
    {                                                                                        \
        require(#name);                                                                      \
        return fn_.name(args...);                                                            \
    }
    TOVARO_ENGINE_FUNCTIONS(TOVARO_ENGINE_CALL)
#undef TOVARO_ENGINE_CALL

    // mmsDrawDIBdc with a picture as its source: the engine draws only from its own
    // buffers, so the picture is copied 1:1 into a buffer of its size for the call and the
    // buffer freed afterwards. The srcRect part of the picture lands stretched in the
    // dstRect part of every layer the device context writes to (the persistent picture
    // too while a picture box redraws automatically). Throws EngineError when the engine
    // cannot take the picture.
    void drawPictureDc(gdi::Dc &dc, const int32_t *dstRect, const QImage &picture, const int32_t *srcRect,
                       int32_t mode) const;

private:
    void require(const char *name) const;

    EngineFunctions fn_;
    std::shared_ptr<QLibrary> library_; // kept loaded for the life of the process
    bool present_ = false;
    mutable bool deleted_ = false; // set by the call to mmsDelete
};

// An engine text as shown and compared: its characters up to the first NUL.
QString engineText(const QString &engineString);
// True when an engine text counts as empty: its first character is NUL (or it has none).
bool engineTextEmpty(const QString &engineString);

} // namespace platform
