#include "platform/services/Engine.h"

#include "platform/drawing/Gdi.h"
#include "platform/runtime/AppFolder.h"

#include <QFileInfo>
#include <QImage>
#include <QLibrary>
#include <cstring>

namespace platform {

bool EngineFunctions::complete() const
{
    return firstMissing().isEmpty();
}

QString EngineFunctions::firstMissing() const
{
#define TOVARO_ENGINE_CHECK(name)                                                            \
    if (!name)                                                                               \
        return QStringLiteral(#name);
    TOVARO_ENGINE_FUNCTIONS(TOVARO_ENGINE_CHECK)
#undef TOVARO_ENGINE_CHECK
    return {};
}

Engine::Engine(const EngineFunctions &functions) : fn_(functions), present_(functions.complete()) {}

Engine Engine::loadBesideExecutable(QString *why)
{
    return load(engineLibraryPath(), why);
}

Engine Engine::load(const QString &path, QString *why)
{
    Engine engine;
    if (!QFileInfo::exists(path)) {
        // Checked first so that QLibrary never goes looking for a library of that name
        // elsewhere on the system.
        if (why)
            *why = QStringLiteral("%1 not found").arg(path);
        return engine;
    }
    auto library = std::make_shared<QLibrary>(path);
    if (!library->load()) {
        if (why)
            *why = library->errorString();
        return engine;
    }
    EngineFunctions fn;
#define TOVARO_ENGINE_RESOLVE(name)                                                          \
    fn.name = reinterpret_cast<decltype(fn.name)>(library->resolve(#name));
    TOVARO_ENGINE_FUNCTIONS(TOVARO_ENGINE_RESOLVE)
#undef TOVARO_ENGINE_RESOLVE
    const QString missing = fn.firstMissing();
    if (!missing.isEmpty()) {
        if (why)
            *why = QStringLiteral("%1 lacks %2").arg(path, missing);
        return engine;
    }
    engine.fn_ = fn;
    engine.library_ = std::move(library);
    engine.present_ = true;
    return engine;
}

namespace {

// The library functions that work without the engine instance and so may still be called
// once it has been deleted.
bool outsideEngineInstance(const char *name)
{
    // The engine's options stay readable after it is deleted (its last settings write is in
    // mmsDelete, and the program reads whether that failed).
    for (const char *allowed : {"mmsDeleteDIB", "vrrGetOutputGain", "vrrSetOutputGain", "vrrGetOption"})
        if (std::strcmp(name, allowed) == 0)
            return true;
    return false;
}

} // namespace

void Engine::require(const char *name) const
{
    if (!present_)
        throw EngineError(std::string("No engine: ") + name);
    if (deleted_ && !outsideEngineInstance(name))
        throw EngineError(std::string("Engine deleted: ") + name);
    if (std::strcmp(name, "mmsDelete") == 0)
        deleted_ = true;
}

QString Engine::EngineString(const char *text) const
{
    char buffer[20];
    std::memset(buffer, 0, sizeof buffer);
    mmsStrCopy(buffer, 20, text);
    return QString::fromLatin1(buffer, 20);
}

void Engine::drawPictureDc(gdi::Dc &dc, const int32_t *dstRect, const QImage &picture, const int32_t *srcRect,
                           int32_t mode) const
{
    if (picture.isNull())
        throw EngineError("mmsDrawDIBdc: no picture to draw");
    const int32_t dib = mmsCreateDIB(picture.width(), picture.height());
    if (dib <= 0)
        throw EngineError("mmsCreateDIB: no buffer for a picture of that size");
    struct Release {
        const Engine &engine;
        int32_t dib;
        ~Release()
        {
            try {
                engine.mmsDeleteDIB(dib);
            } catch (const EngineError &) {
                // The engine went away meanwhile; its buffers went with it.
            }
        }
    } release{*this, dib};
    mmsDrawDIBbmp(dib, nullptr, &picture, nullptr, mode);
    QRect area(0, 0, dc.width(), dc.height());
    if (dstRect && (dstRect[0] || dstRect[1] || dstRect[2] || dstRect[3]))
        area &= QRect(QPoint(dstRect[0], dstRect[1]), QPoint(dstRect[2] - 1, dstRect[3] - 1));
    dc.paint(area, [&](QImage &layer) { mmsDrawDIBdc(&layer, dstRect, dib, srcRect, mode); });
}

QString engineText(const QString &engineString)
{
    const qsizetype end = engineString.indexOf(QChar(0));
    return end < 0 ? engineString : engineString.left(end);
}

bool engineTextEmpty(const QString &engineString)
{
    return engineString.isEmpty() || engineString.at(0) == QChar(0);
}

} // namespace platform
