#include "ScriptedEngine.h"

#include <QPaintDevice>

#include <cstring>

namespace scripted {

namespace {

Script &state()
{
    static Script s;
    return s;
}

template <class... A>
int32_t record(const char *name, int32_t result, A... args)
{
    QStringList parts;
    (parts.append(QString::number(args)), ...);
    state().calls.append(QStringLiteral("%1(%2)=%3").arg(QLatin1String(name), parts.join(','), QString::number(result)));
    return result;
}

const char *recordText(const char *name, const QByteArray &text, const QString &arg = {})
{
    state().calls.append(QStringLiteral("%1(%2)=%3").arg(QLatin1String(name), arg, QString::fromLatin1(text)));
    static QByteArray held[4];
    static int next = 0;
    QByteArray &slot = held[next++ % 4];
    slot = text;
    return slot.constData();
}

} // namespace

Script &script()
{
    return state();
}

void reset()
{
    state() = Script{};
}

QStringList callNames()
{
    QStringList names;
    for (const QString &call : state().calls)
        names.append(call.section(QLatin1Char('('), 0, 0));
    return names;
}

QStringList callsOf(const QString &name)
{
    QStringList found;
    for (const QString &call : state().calls)
        if (call.startsWith(name + QLatin1Char('(')))
            found.append(call);
    return found;
}

platform::EngineFunctions functions()
{
    platform::EngineFunctions f;
    f.mmsGetVersion = []() { return recordText("mmsGetVersion", state().version); };
    f.mmsCreate = [](void *, int32_t r) { return record("mmsCreate", 1, r); };
    f.mmsStart = []() { return record("mmsStart", 1); };
    f.mmsDelete = []() { return record("mmsDelete", 1); };
    f.mmsSetOptionTitle = [](const char *text) {
        state().calls.append(QStringLiteral("mmsSetOptionTitle(%1)=1").arg(QString::fromLatin1(text)));
        return int32_t(1);
    };
    f.mmsOption = []() { return record("mmsOption", 1); };
    f.mmsCreateDIB = [](int32_t w, int32_t h) { return record("mmsCreateDIB", state().nextDib++, w, h); };
    f.mmsDeleteDIB = [](int32_t dib) { return record("mmsDeleteDIB", 1, dib); };
    f.mmsFillDIB = [](int32_t dib, int32_t colour) { return record("mmsFillDIB", 1, dib, colour); };
    f.mmsCopyDIB = [](int32_t dib) { return record("mmsCopyDIB", 1, dib); };
    f.mmsSetBitmap = [](int32_t rx, int32_t r, int32_t tx) { return record("mmsSetBitmap", 1, rx, r, tx); };
    f.mmsSetTuneBitmap = [](int32_t a, int32_t b, int32_t t) { return record("mmsSetTuneBitmap", 1, a, b, t); };
    f.mmsDrawDIBwnd = [](void *, const int32_t *, int32_t dib, const int32_t *, int32_t m) {
        return record("mmsDrawDIBwnd", 1, dib, m);
    };
    f.mmsDrawDIBdc = [](QPaintDevice *dc, const int32_t *dst, int32_t dib, const int32_t *, int32_t m) {
        const int32_t none[4] = {-1, -1, -1, -1};
        const int32_t *d = dst ? dst : none;
        return record("mmsDrawDIBdc", 1, dc ? dc->width() : 0, dc ? dc->height() : 0, d[0], d[1], d[2], d[3], dib, m);
    };
    f.mmsDrawDIBbmp = [](int32_t dib, const int32_t *dst, const QImage *, const int32_t *, int32_t m) {
        return dst ? record("mmsDrawDIBbmp", 1, dib, dst[0], dst[1], dst[2], dst[3], m)
                   : record("mmsDrawDIBbmp", 1, dib, m);
    };
    f.mmsDrawTransDIBdc = [](QPaintDevice *, int32_t x, int32_t y, const QImage *, int32_t key) {
        return record("mmsDrawTransDIBdc", 1, x, y, key);
    };
    f.mmsDoJob = [](int32_t k) {
        const int32_t status = state().statuses.isEmpty() ? 0 : state().statuses.takeFirst();
        return record("mmsDoJob", status, k);
    };
    f.mmsGetPos = [](int32_t k) { return record("mmsGetPos", k >= 0 && k < 3 ? state().pos[k] : 0, k); };
    f.mmsGetMode = [](int32_t k) { return record("mmsGetMode", state().rxMode, k); };
    f.mmsGetModeName = [](int32_t mode) {
        const auto &names = state().modeNames;
        return recordText("mmsGetModeName", mode >= 0 && mode < names.size() ? names[mode] : QByteArray(),
                          QString::number(mode));
    };
    f.mmsGetImageSize = [](int32_t mode) {
        return record("mmsGetImageSize", int32_t(state().imageSizes.value(mode, 320u | (256u << 16))), mode);
    };
    f.mmsGetFSKID = []() { return recordText("mmsGetFSKID", state().fskId); };
    f.mmsSetFSKID = [](const char *text) {
        if (text)
            state().fskId = text;
        return recordText("mmsSetFSKID", state().fskId, text ? QString::fromLatin1(text) : QStringLiteral("0"));
    };
    f.mmsSendPic = [](int32_t mode) { return record("mmsSendPic", state().sendPicResult, mode); };
    f.mmsSendTone = [](int32_t hz) { return record("mmsSendTone", 1, hz); };
    f.mmsSendStop = []() { return record("mmsSendStop", 1); };
    f.mmsStartScan = [](int32_t mode) { return record("mmsStartScan", 1, mode); };
    f.mmsStopScan = [](int32_t k) { return record("mmsStopScan", 1, k); };
    f.mmsReSync = []() { return record("mmsReSync", 1); };
    f.mmsCorrectSlant = []() { return record("mmsCorrectSlant", 1); };
    f.mmsSetPTT = [](void *, int32_t on) { return record("mmsSetPTT", 1, on); };
    f.mmsSetRxControl = [](int32_t w) {
        if (w != -1)
            state().rxWord = w;
        return record("mmsSetRxControl", state().rxWord, w);
    };
    f.mmsSetTxControl = [](int32_t w) {
        if (w != -1)
            state().txWord = w;
        return record("mmsSetTxControl", state().txWord, w);
    };
    f.mmsSetLMS = [](int32_t m) { return record("mmsSetLMS", m == -1 ? 0 : m, m); };
    f.mmsSetTuneControl = [](int32_t w) {
        if (w != -1)
            state().tuneWord = w;
        return record("mmsSetTuneControl", state().tuneWord, w);
    };
    f.mmsSetNotch = [](int32_t hz) { return record("mmsSetNotch", hz, hz); };
    f.mmsSetSpecRange = [](int32_t lo, int32_t hi) { return record("mmsSetSpecRange", 1, lo, hi); };
    // As the library's own: at most size - 1 characters and a NUL.
    f.mmsStrCopy = [](char *buffer, int32_t size, const char *text) {
        int32_t n = 0;
        if (buffer && size > 0) {
            while (text && text[n] && n < size - 1) {
                buffer[n] = text[n];
                ++n;
            }
            buffer[n] = '\0';
        }
        return n;
    };
    f.vrrGetOutputGain = []() {
        state().calls.append(QStringLiteral("vrrGetOutputGain()=%1").arg(state().outputGain));
        return state().outputGain;
    };
    f.vrrSetOutputGain = [](uint32_t gain) {
        state().outputGain = gain;
        state().calls.append(QStringLiteral("vrrSetOutputGain(%1)=%1").arg(gain));
        return gain;
    };
    f.vrrPlaySamples = [](const float *, int32_t count, int32_t rate) { return record("vrrPlaySamples", 1, count, rate); };
    f.vrrSetOption = [](const char *, const char *) { return record("vrrSetOption", 1); };
    f.vrrGetOption = [](const char *name) {
        return recordText("vrrGetOption", state().options.value(QByteArray(name)), QString::fromLatin1(name));
    };
    return f;
}

} // namespace scripted
