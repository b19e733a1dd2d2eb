// The C interface: thin functions over the engine instance, the DIB table and the settings.
// Without an engine (before mmsCreate, after mmsDelete) the engine functions do nothing and
// return 0 or an empty text.

#include "vareror.h"

#include "dib.h"
#include "engine.h"
#include "modes.h"
#include "optiondialog.h"
#include "settings.h"
#include "version.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QWidget>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace vareror;
using namespace vareror::lib;

namespace {

EngineSettings g_settings;
std::unique_ptr<Engine> g_engine;
// Options set before mmsCreate, applied over the settings file when it is loaded.
std::vector<std::pair<QString, QString>> g_pending;
QString g_optionTitle;
QWidget *g_window = nullptr;

// The engine's own texts handed out by pointer.
std::string g_fskIdRx, g_fskIdTx;
std::map<QString, std::string> g_optionTexts; // one per option name
const char kEmpty[] = "";

QString latin1(const char *text) { return text ? QString::fromLatin1(text) : QString(); }

const char *hold(std::string &slot, const QString &value)
{
    slot = value.toLatin1().toStdString();
    return slot.c_str();
}

// Validates and stores one option in the settings; false for an unknown name or a bad value.
bool storeOption(const QString &name, const QString &value)
{
    bool ok = false;
    if (name == "input" || name == "output") {
        const QString v = value.trimmed();
        if (v.isEmpty() || v == "wav:")
            return false;
        (name == "input" ? g_settings.input : g_settings.output) = v;
        return true;
    }
    if (name == "rate") {
        const int r = value.trimmed().toInt(&ok);
        if (!ok || !validRate(r))
            return false;
        g_settings.rate = r;
        return true;
    }
    if (name == "clock" || name == "rxclock" || name == "txclock") {
        double f = 1.0;
        if (!parseClock(value, f))
            return false;
        if (name != "txclock")
            g_settings.clock = f;
        if (name != "rxclock")
            g_settings.txClock = f;
        return true;
    }
    if (name == "jobms") {
        const int ms = value.trimmed().toInt(&ok);
        if (!ok || ms < 1 || ms > 3600000)
            return false;
        g_settings.jobMs = ms;
        return true;
    }
    if (name == "ptt") {
        const QString m = value.trimmed().toLower();
        if (!validPttMethod(m))
            return false;
        g_settings.ptt = m;
        return true;
    }
    if (name == "pttport") {
        g_settings.pttPort = value.trimmed();
        return true;
    }
    if (name == "pttspeed") {
        const int speed = value.trimmed().toInt(&ok);
        if (!ok || !validSerialSpeed(speed))
            return false;
        g_settings.pttSpeed = speed;
        return true;
    }
    if (name == "rigmodel") {
        const int m = value.trimmed().toInt(&ok);
        if (!ok || m <= 0)
            return false;
        g_settings.rigModel = m;
        return true;
    }
    return false;
}

QString storedOption(const QString &name)
{
    if (name == "input")
        return g_settings.input;
    if (name == "output")
        return g_settings.output;
    if (name == "rate")
        return QString::number(g_settings.rate);
    if (name == "clock" || name == "rxclock")
        return QString::number(g_settings.clock, 'g', 12);
    if (name == "txclock")
        return QString::number(g_settings.txClock, 'g', 12);
    if (name == "pttspeed")
        return QString::number(g_settings.pttSpeed);
    if (name == "jobms")
        return QString::number(g_settings.jobMs);
    if (name == "ptt")
        return g_settings.ptt;
    if (name == "pttport")
        return g_settings.pttPort;
    if (name == "rigmodel")
        return QString::number(g_settings.rigModel);
    if (name == "settingsfile")
        return EngineSettings::filePath();
    return {};
}

} // namespace

extern "C" {

const char *mmsGetVersion(void) { return core::versionText(); }

int32_t mmsCreate(void *hWnd, int32_t)
{
    if (g_engine)
        return 1;
    EngineSettings fresh;
    fresh.jobMs = g_settings.jobMs;
    fresh.load();
    g_settings = fresh;
    for (const auto &[name, value] : g_pending)
        storeOption(name, value);
    g_pending.clear();
    g_window = static_cast<QWidget *>(hWnd);
    g_engine = std::make_unique<Engine>(g_settings);
    g_engine->saveSettings();
    return 1;
}

int32_t mmsStart(void)
{
    if (!g_engine)
        return 0;
    g_engine->start();
    return 1;
}

int32_t mmsDelete(void)
{
    if (!g_engine)
        return 0;
    g_engine.reset();
    g_window = nullptr;
    return 1;
}

int32_t mmsSetOptionTitle(const char *text)
{
    if (!g_engine)
        return 0;
    g_optionTitle = latin1(text);
    return 1;
}

int32_t mmsOption(void)
{
    if (!g_engine)
        return 0;
    // The dialog runs its own event loop: the program's timer may call in meanwhile.
    return showOptionDialog(g_window, g_optionTitle, *g_engine) ? 1 : 0;
}

// ---- DIBs ----

int32_t mmsCreateDIB(int32_t width, int32_t height)
{
    return DibTable::instance().create(width, height);
}

int32_t mmsDeleteDIB(int32_t dib) { return DibTable::instance().remove(dib) ? 1 : 0; }

int32_t mmsFillDIB(int32_t dib, int32_t colour)
{
    QImage *image = DibTable::instance().find(dib);
    if (!image)
        return 0;
    image->fill(fromBgr(colour));
    return 1;
}

int32_t mmsCopyDIB(int32_t dib)
{
    QImage *image = DibTable::instance().find(dib);
    if (!image || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return 0;
    QGuiApplication::clipboard()->setImage(image->copy());
    return 1;
}

int32_t mmsSetBitmap(int32_t rxDib, int32_t, int32_t txDib)
{
    if (!g_engine)
        return 0;
    g_engine->setBitmaps(rxDib, txDib);
    return 1;
}

int32_t mmsSetTuneBitmap(int32_t specDibA, int32_t specDibB, int32_t tuneDib)
{
    if (!g_engine)
        return 0;
    g_engine->setTuneBitmaps(specDibA, specDibB, tuneDib);
    return 1;
}

int32_t mmsDrawDIBwnd(void *hWnd, const int32_t *dstRect, int32_t dib, const int32_t *srcRect,
                      int32_t mode)
{
    const QImage *image = DibTable::instance().find(dib);
    if (!image)
        return 0;
    return drawToWidget(static_cast<QWidget *>(hWnd), dstRect, *image, srcRect, mode == 4) ? 1 : 0;
}

int32_t mmsDrawDIBdc(QPaintDevice *hDC, const int32_t *dstRect, int32_t dib,
                     const int32_t *srcRect, int32_t mode)
{
    const QImage *image = DibTable::instance().find(dib);
    if (!image)
        return 0;
    return stretchDraw(hDC, dstRect, *image, srcRect, mode == 4) ? 1 : 0;
}

int32_t mmsDrawDIBbmp(int32_t dib, const int32_t *dstRect, const QImage *bitmap,
                      const int32_t *srcRect, int32_t mode)
{
    QImage *target = DibTable::instance().find(dib);
    const QImage *source = DibTable::instance().resolveBitmap(bitmap);
    if (!target || !source)
        return 0;
    if (source == target) {
        const QImage copy = *source;
        return stretchDraw(target, dstRect, copy, srcRect, mode == 4) ? 1 : 0;
    }
    return stretchDraw(target, dstRect, *source, srcRect, mode == 4) ? 1 : 0;
}

int32_t mmsDrawTransDIBdc(QPaintDevice *hDC, int32_t x, int32_t y, const QImage *bitmap,
                          int32_t keyColour)
{
    const QImage *source = DibTable::instance().resolveBitmap(bitmap);
    if (!source)
        return 0;
    return keyedDraw(hDC, x, y, *source, fromBgr(keyColour)) ? 1 : 0;
}

// ---- polling, modes, positions ----

int32_t mmsDoJob(int32_t) { return g_engine ? g_engine->doJob() : 0; }

int32_t mmsGetPos(int32_t kind)
{
    if (!g_engine)
        return 0;
    return kind == 0 ? g_engine->rxPosition() : g_engine->txPosition(kind);
}

int32_t mmsGetMode(int32_t) { return g_engine ? g_engine->rxMode() : 0; }

const char *mmsGetModeName(int32_t mode)
{
    return core::validMode(mode) ? core::modeInfo(mode).name : kEmpty;
}

int32_t mmsGetImageSize(int32_t mode) { return int32_t(core::packedImageSize(mode)); }

const char *mmsGetFSKID(void)
{
    if (!g_engine)
        return kEmpty;
    g_fskIdRx = g_engine->receivedFskId();
    return g_fskIdRx.c_str();
}

const char *mmsSetFSKID(const char *text)
{
    if (!g_engine)
        return kEmpty;
    if (text)
        g_engine->setFskIdText(text);
    g_fskIdTx = g_engine->fskIdText();
    return g_fskIdTx.c_str();
}

// ---- transmit and receive ----

int32_t mmsSendPic(int32_t mode) { return g_engine && g_engine->sendPic(mode) ? 1 : 0; }
int32_t mmsSendTone(int32_t hz) { return g_engine && g_engine->sendTone(hz) ? 1 : 0; }

int32_t mmsSendStop(void)
{
    if (!g_engine)
        return 0;
    g_engine->sendStop();
    return 1;
}

int32_t mmsStartScan(int32_t mode) { return g_engine && g_engine->startScan(mode) ? 1 : 0; }
int32_t mmsStopScan(int32_t) { return g_engine && g_engine->stopScan() ? 1 : 0; }
int32_t mmsReSync(void) { return g_engine && g_engine->reSync() ? 1 : 0; }
int32_t mmsCorrectSlant(void) { return g_engine && g_engine->correctSlant() ? 1 : 0; }

int32_t mmsSetPTT(void *, int32_t on)
{
    if (!g_engine)
        return 0;
    g_engine->setManualPtt(on != 0);
    return 1;
}

// ---- words ----

int32_t mmsSetRxControl(int32_t word) { return g_engine ? g_engine->setRxWord(word) : 0; }
int32_t mmsSetTxControl(int32_t word) { return g_engine ? g_engine->setTxWord(word) : 0; }
int32_t mmsSetLMS(int32_t mode) { return g_engine ? g_engine->setLms(mode) : 0; }
int32_t mmsSetTuneControl(int32_t word) { return g_engine ? g_engine->setTuneWord(word) : 0; }
int32_t mmsSetNotch(int32_t hz) { return g_engine ? g_engine->setNotch(hz) : 0; }

int32_t mmsSetSpecRange(int32_t lowHz, int32_t highHz)
{
    return g_engine && g_engine->setSpecRange(lowHz, highHz) ? 1 : 0;
}

int32_t mmsStrCopy(char *buffer, int32_t size, const char *text)
{
    if (!buffer || size <= 0)
        return 0;
    int32_t n = 0;
    if (text)
        while (n < size - 1 && text[n] != '\0')
            ++n;
    std::memcpy(buffer, text ? text : "", size_t(n));
    buffer[n] = '\0';
    return n;
}

// ---- Tovaro's extensions of the interface ----

uint32_t vrrGetOutputGain(void) { return outputGain(); }

uint32_t vrrSetOutputGain(uint32_t gain)
{
    setOutputGain(gain);
    return outputGain();
}

int32_t vrrPlaySamples(const float *samples, int32_t count, int32_t sampleRate)
{
    return g_engine && g_engine->playSamples(samples, count, sampleRate) ? 1 : 0;
}

int32_t vrrSetOption(const char *name, const char *value)
{
    if (!name || !value)
        return 0;
    const QString n = QString::fromLatin1(name).trimmed().toLower();
    const QString v = QString::fromLatin1(value);
    // "clock" sets both ends' calibration: a change of either counts.
    const auto state = [&n] { return n == "clock" ? storedOption("rxclock") + storedOption("txclock") : storedOption(n); };
    const QString before = state();
    if (!storeOption(n, v))
        return 0;
    if (!g_engine) {
        g_pending.emplace_back(n, v);
        return 1;
    }
    if (state() != before)
        g_engine->optionChanged(n);
    return 1;
}

const char *vrrGetOption(const char *name)
{
    if (!name)
        return kEmpty;
    const QString n = QString::fromLatin1(name).trimmed().toLower();
    static const QStringList stored = {"input", "output", "rate", "clock", "rxclock", "txclock", "jobms",
                                       "ptt", "pttport", "pttspeed", "rigmodel", "settingsfile"};
    if (n == "filefault") {
        // What the engine could not read, write, open or key, for the program to tell the
        // operator; the settings file's trouble is kept after mmsDelete, whose settings write
        // is the last.
        QStringList faults;
        if (g_engine)
            faults << g_engine->faults();
        if (!g_settings.fault.isEmpty())
            faults << g_settings.fault;
        if (!g_settings.damage.isEmpty())
            faults << g_settings.damage;
        return hold(g_optionTexts[n], faults.join('\n'));
    }
    const QString value = stored.contains(n) ? storedOption(n)
                          : g_engine         ? g_engine->option(n)
                                             : QString();
    return hold(g_optionTexts[n], value);
}

} // extern "C"
