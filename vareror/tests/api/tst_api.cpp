// The engine library through its C interface, as the program uses it.

#include "vareror.h"

#include "encoder.h"
#include "modes.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

std::vector<float> readWav(const QString &path, int *rate = nullptr)
{
    SF_INFO info{};
    SNDFILE *f = sf_open(path.toLocal8Bit().constData(), SFM_READ, &info);
    if (!f)
        return {};
    std::vector<float> s(size_t(info.frames) * size_t(info.channels));
    sf_readf_float(f, s.data(), info.frames);
    sf_close(f);
    if (rate)
        *rate = info.samplerate;
    return s;
}

// The status words of jobs until one is exactly &H20 (included), at most maxJobs.
std::vector<int> jobsUntilEnd(int maxJobs)
{
    std::vector<int> words;
    for (int i = 0; i < maxJobs; ++i) {
        words.push_back(mmsDoJob(1));
        if (words.back() == VRR_STATUS_ENDED)
            break;
    }
    return words;
}

// Frequency of a stretch of samples from its zero crossings.
double zeroCrossingHz(const float *s, size_t n, int rate)
{
    int crossings = 0;
    for (size_t i = 1; i < n; ++i)
        if ((s[i - 1] < 0) != (s[i] < 0))
            ++crossings;
    return crossings / 2.0 / (double(n) / rate);
}

vareror::core::RgbImage toRgb(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    vareror::core::RgbImage out(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(out.pixel(0, y), rgb.constScanLine(y), size_t(rgb.width()) * 3);
    return out;
}

QImage smoothPicture(int w, int h)
{
    QImage p(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setPixel(x, y, qRgb(40 + x * 180 / w, 40 + y * 180 / h, 200 - (x + y) * 150 / (w + h)));
    return p;
}

double psnrOf(const QImage &a, const QImage &b, bool grey)
{
    double se = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (grey) {
                const double d = qGray(p) - (0.299 * qRed(q) + 0.587 * qGreen(q) + 0.114 * qBlue(q));
                se += 3 * d * d;
            } else {
                for (int c = 0; c < 3; ++c) {
                    const double d = double((p >> (8 * c)) & 255) - double((q >> (8 * c)) & 255);
                    se += d * d;
                }
            }
        }
    const double mse = se / (3.0 * a.width() * a.height());
    return mse <= 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}
double psnr(const QImage &a, const QImage &b) { return psnrOf(a, b, false); }
double greyPsnr(const QImage &a, const QImage &b) { return psnrOf(a, b, true); }

} // namespace

class ApiTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    int txDib_ = 0, rxDib_ = 0;
    QString wavPath() const { return dir_->filePath("out.wav"); }
    // One second of silence, the transmission, two seconds of silence, as a WAV file.
    QString writeSignalWav(const vareror::core::TxRequest &req)
    {
        std::vector<float> signal(11025, 0.0f);
        const std::vector<float> tx = vareror::core::encodeAll(req);
        signal.insert(signal.end(), tx.begin(), tx.end());
        signal.resize(signal.size() + 22050, 0.0f);
        return writeWav(signal);
    }
    // 11025 Hz mono samples as a 16-bit WAV file.
    QString writeWav(const std::vector<float> &signal)
    {
        const QString path = dir_->filePath("in.wav");
        SF_INFO info{};
        info.samplerate = 11025;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE *f = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
        if (f) {
            sf_writef_float(f, signal.data(), sf_count_t(signal.size()));
            sf_close(f);
        }
        return path;
    }
    // A 16-bit mono WAV file's audio split in two data chunks mid-way, a LIST chunk between.
    static void splitData(const QString &path)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray b = f.readAll();
        QVERIFY(b.mid(36, 4) == "data");
        auto le32 = [](int v) { return QByteArray(1, char(v & 0xFF)) + char((v >> 8) & 0xFF) + char((v >> 16) & 0xFF) + char(v >> 24); };
        const QByteArray audio = b.mid(44);
        const int half = audio.size() / 4 * 2;
        b = b.left(36) + "data" + le32(half) + audio.left(half) + "LIST" + le32(4) + "INFO" + "data" +
            le32(int(audio.size()) - half) + audio.mid(half);
        b.replace(4, 4, le32(int(b.size()) - 8));
        f.seek(0);
        f.write(b);
    }
    QImage rxArea(int w, int h) const
    {
        QImage out(w, h, QImage::Format_RGB32);
        const int32_t src[4] = {0, 0, w, h};
        mmsDrawDIBdc(&out, nullptr, rxDib_, src, 0);
        return out;
    }

    // An engine writing to a WAV file on the virtual clock, with its two picture buffers.
    void startEngine(const char *extraName = nullptr, const char *extraValue = nullptr)
    {
        QVERIFY(vrrSetOption("output", ("wav:" + wavPath()).toLocal8Bit().constData()));
        QVERIFY(vrrSetOption("input", "none"));
        QVERIFY(vrrSetOption("rate", "11025"));
        QVERIFY(vrrSetOption("jobms", "200"));
        QVERIFY(vrrSetOption("ptt", "none"));
        if (extraName)
            QVERIFY(vrrSetOption(extraName, extraValue));
        QCOMPARE(mmsCreate(nullptr, 0), 1);
        txDib_ = mmsCreateDIB(800, 616);
        rxDib_ = mmsCreateDIB(800, 616);
        QVERIFY(txDib_ > 0 && rxDib_ > 0 && txDib_ != rxDib_);
        QCOMPARE(mmsSetBitmap(rxDib_, 0, txDib_), 1);
        QCOMPARE(mmsStart(), 1);
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", dir_->path().toLocal8Bit());
    }

    void cleanup()
    {
        mmsDelete();
        mmsDeleteDIB(txDib_);
        mmsDeleteDIB(rxDib_);
        txDib_ = rxDib_ = 0;
        vrrSetOutputGain(0xFFFFFFFFu);
    }

    // Every function before mmsCreate and after mmsDelete: nothing happens, nothing breaks.
    void everyFunctionSafeWithoutEngine()
    {
        for (int round = 0; round < 2; ++round) {
            if (round == 1) {
                QCOMPARE(mmsCreate(nullptr, 0), 1);
                QCOMPARE(mmsDelete(), 1);
            }
            QCOMPARE(QByteArray(mmsGetVersion()), QByteArray("1.05"));
            char zeros[16] = {};
            const float samples[4] = {0, 0.1f, 0.2f, 0.1f};
#define NOTHING(call) std::pair<const char *, int32_t>(#call, call)
            for (const auto &[call, result] :
                 {NOTHING(mmsStart()), NOTHING(mmsDelete()), NOTHING(mmsSetOptionTitle("title")), NOTHING(mmsOption()),
                  NOTHING(mmsSetBitmap(1, 0, 2)), NOTHING(mmsSetTuneBitmap(1, 2, 3)), NOTHING(mmsDoJob(1)),
                  NOTHING(mmsGetPos(0)), NOTHING(mmsGetPos(1)), NOTHING(mmsGetPos(2)), NOTHING(mmsGetMode(0)),
                  NOTHING(mmsSendPic(3)), NOTHING(mmsSendTone(1750)), NOTHING(mmsSendStop()), NOTHING(mmsStartScan(3)),
                  NOTHING(mmsStopScan(1)), NOTHING(mmsReSync()), NOTHING(mmsCorrectSlant()), NOTHING(mmsSetPTT(zeros, 1)),
                  NOTHING(mmsSetRxControl(-1)), NOTHING(mmsSetRxControl(5)), NOTHING(mmsSetTxControl(-1)),
                  NOTHING(mmsSetLMS(-1)), NOTHING(mmsSetTuneControl(-1)), NOTHING(mmsSetNotch(1000)),
                  NOTHING(mmsSetSpecRange(700, 2000)), NOTHING(vrrPlaySamples(samples, 4, 11025))})
                QVERIFY2(result == 0, call);
#undef NOTHING
            for (const char *text : {mmsGetFSKID(), mmsSetFSKID("DL1ABC"), mmsSetFSKID(nullptr)})
                QCOMPARE(QByteArray(text), QByteArray());
            // Names and sizes are facts of the mode table, there with or without an engine.
            QCOMPARE(QByteArray(mmsGetModeName(3)), QByteArray("Robot 36"));
            QCOMPARE(mmsGetImageSize(3), int32_t(320 | (240 << 16)));
        }
        // The create of the second round made the application folder and the settings file.
        QVERIFY(QFile::exists(dir_->filePath("Tovaro/vareror.ini")));
    }

    void modesAndTexts()
    {
        const int count = vareror::core::modeCount();
        QVERIFY(count >= 37 && count <= 51);
        for (int i = 0; i < count; ++i)
            QVERIFY2(std::strlen(mmsGetModeName(i)) > 0, qPrintable(QString::number(i)));
        QCOMPARE(QByteArray(mmsGetModeName(count)), QByteArray());
        QCOMPARE(QByteArray(mmsGetModeName(-1)), QByteArray());
        QCOMPARE(QByteArray(mmsGetModeName(1000)), QByteArray());
        QCOMPARE(uint32_t(mmsGetImageSize(20)), 800u | (616u << 16));
        QCOMPARE(mmsGetImageSize(count), 0);

        // mmsStrCopy never writes past the size it is given.
        char buf[24];
        std::memset(buf, 'x', sizeof buf);
        QCOMPARE(mmsStrCopy(buf, 20, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"), 19);
        QCOMPARE(QByteArray(buf), QByteArray("ABCDEFGHIJKLMNOPQRS"));
        QCOMPARE(buf[20], 'x');
        QCOMPARE(mmsStrCopy(buf, 20, "Robot 36"), 8);
        QCOMPARE(QByteArray(buf), QByteArray("Robot 36"));
        QCOMPARE(mmsStrCopy(buf, 20, nullptr), 0);
        QCOMPARE(buf[0], '\0');
        QCOMPARE(mmsStrCopy(buf, 0, "A"), 0);
        QCOMPARE(mmsStrCopy(nullptr, 20, "A"), 0);
    }

    void dibFillAndDraw()
    {
        const int a = mmsCreateDIB(4, 4);
        QVERIFY(a > 0);
        QCOMPARE(mmsFillDIB(a, 0x0000FF), 1); // &HFF is red
        QImage target(8, 8, QImage::Format_RGB32);
        target.fill(Qt::white);
        // Whole DIB (null and zero rectangles) stretched over the whole device.
        const int32_t zero[4] = {0, 0, 0, 0};
        QCOMPARE(mmsDrawDIBdc(&target, zero, a, nullptr, 0), 1);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                QCOMPARE(target.pixel(x, y), qRgb(255, 0, 0));

        // A part of a DIB into a part of the device: left half blue, right half green; the
        // right half drawn into the top-left 2x2 gives green there and leaves the rest.
        const int b = mmsCreateDIB(4, 4);
        QImage halves(4, 4, QImage::Format_RGB32);
        halves.fill(qRgb(0, 0, 255));
        for (int y = 0; y < 4; ++y)
            for (int x = 2; x < 4; ++x)
                halves.setPixel(x, y, qRgb(0, 255, 0));
        QCOMPARE(mmsDrawDIBbmp(b, nullptr, &halves, nullptr, 0), 1);
        target.fill(Qt::white);
        const int32_t right[4] = {2, 0, 4, 4}, topLeft[4] = {0, 0, 2, 2};
        QCOMPARE(mmsDrawDIBdc(&target, topLeft, b, right, 4), 1);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                QCOMPARE(target.pixel(x, y), x < 2 && y < 2 ? qRgb(0, 255, 0) : qRgb(255, 255, 255));

        // A DIB as the source of mmsDrawDIBbmp, stretched 2:1 into the top-left of another.
        const int c = mmsCreateDIB(8, 8);
        QCOMPARE(mmsFillDIB(c, 0xFFFFFF), 1);
        const int32_t quarter[4] = {0, 0, 4, 4};
        const int32_t half[4] = {0, 0, 8, 4}; // the 4x4 DIB stretched to 8x4
        QCOMPARE(mmsDrawDIBbmp(c, half, VRR_DIB_AS_BITMAP(b), quarter, 0), 1);
        QImage check(8, 8, QImage::Format_RGB32);
        QCOMPARE(mmsDrawDIBdc(&check, nullptr, c, nullptr, 0), 1);
        for (int x = 0; x < 8; ++x) {
            QCOMPARE(check.pixel(x, 0), x < 4 ? qRgb(0, 0, 255) : qRgb(0, 255, 0));
            QCOMPARE(check.pixel(x, 5), qRgb(255, 255, 255));
        }

        // A bitmap with its key colour left out.
        QImage overlay(3, 1, QImage::Format_RGB32);
        overlay.setPixel(0, 0, qRgb(10, 20, 30));
        overlay.setPixel(1, 0, qRgb(1, 2, 3));
        overlay.setPixel(2, 0, qRgb(10, 20, 30));
        target.fill(Qt::white);
        QCOMPARE(mmsDrawTransDIBdc(&target, 5, 7, &overlay, 30 << 16 | 20 << 8 | 10), 1);
        QCOMPARE(target.pixel(5, 7), qRgb(255, 255, 255));
        QCOMPARE(target.pixel(6, 7), qRgb(1, 2, 3));
        QCOMPARE(target.pixel(7, 7), qRgb(255, 255, 255));

        // The clipboard gets the picture.
        QCOMPARE(mmsCopyDIB(a), 1);
        const QImage clip = QApplication::clipboard()->image();
        QCOMPARE(clip.size(), QSize(4, 4));
        QCOMPARE(clip.pixel(1, 1) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);

        for (int h : {a, b, c})
            QCOMPARE(mmsDeleteDIB(h), 1);
    }

    void badHandlesAndRectangles()
    {
        QCOMPARE(mmsCreateDIB(0, 10), 0);
        QCOMPARE(mmsCreateDIB(10, -1), 0);
        QCOMPARE(mmsCreateDIB(100000, 100000), 0);
        const int d = mmsCreateDIB(10, 10);
        QCOMPARE(mmsFillDIB(d, 0x00FF00), 1);
        QImage target(10, 10, QImage::Format_RGB32);
        target.fill(Qt::white);
        const QImage before = target;
        const int32_t outside[4] = {20, 20, 40, 40}, inverted[4] = {8, 8, 2, 2};
        const int32_t huge[4] = {-2147483647, 0, 2147483647, 10};
        QCOMPARE(mmsDrawDIBdc(&target, huge, d, nullptr, 4), 0);
        QCOMPARE(mmsDrawDIBdc(&target, nullptr, d, huge, 4), 0);
        QCOMPARE(mmsDrawDIBdc(&target, nullptr, d, outside, 4), 0);
        QCOMPARE(mmsDrawDIBdc(&target, outside, d, nullptr, 4), 0);
        QCOMPARE(mmsDrawDIBdc(&target, inverted, d, nullptr, 4), 0);
        QCOMPARE(mmsDrawDIBdc(&target, nullptr, 9999, nullptr, 4), 0);
        QCOMPARE(mmsDrawDIBdc(nullptr, nullptr, d, nullptr, 4), 0);
        QImage nullImage;
        QCOMPARE(mmsDrawDIBdc(&nullImage, nullptr, d, nullptr, 4), 0);
        QCOMPARE(mmsDrawDIBbmp(d, nullptr, nullptr, nullptr, 4), 0);
        QCOMPARE(mmsDrawDIBbmp(d, nullptr, VRR_DIB_AS_BITMAP(9999), nullptr, 4), 0);
        QCOMPARE(mmsDrawDIBbmp(9999, nullptr, &target, nullptr, 4), 0);
        QCOMPARE(mmsDrawDIBbmp(d, nullptr, &nullImage, nullptr, 4), 0);
        QCOMPARE(mmsDrawTransDIBdc(&target, 0, 0, nullptr, 0), 0);
        QCOMPARE(mmsDrawTransDIBdc(&target, 50, 50, VRR_DIB_AS_BITMAP(d), 0), 0);
        QCOMPARE(mmsDrawDIBwnd(nullptr, nullptr, d, nullptr, 4), 0);
        QCOMPARE(target, before);
        // A source partly outside the picture draws the part that exists, in proportion.
        const int32_t overhang[4] = {5, 0, 15, 10};
        QCOMPARE(mmsDrawDIBdc(&target, nullptr, d, overhang, 0), 1);
        QCOMPARE(target.pixel(4, 5), qRgb(0, 255, 0));
        QCOMPARE(target.pixel(5, 5), qRgb(255, 255, 255));
        // A DIB drawn onto itself.
        const int32_t small[4] = {0, 0, 5, 5};
        QCOMPARE(mmsDrawDIBbmp(d, small, VRR_DIB_AS_BITMAP(d), nullptr, 4), 1);
        QCOMPARE(mmsFillDIB(9999, 0), 0);
        QCOMPARE(mmsCopyDIB(9999), 0);
        QCOMPARE(mmsDeleteDIB(d), 1);
        QCOMPARE(mmsDeleteDIB(d), 0);
        QCOMPARE(mmsDeleteDIB(0), 0);
        QCOMPARE(mmsFillDIB(d, 0), 0);
    }

    void drawIntoWindow()
    {
        QLabel label;
        label.resize(40, 30);
        const int d = mmsCreateDIB(4, 3);
        mmsFillDIB(d, 0xFF0000); // blue
        QCOMPARE(mmsDrawDIBwnd(&label, nullptr, d, nullptr, 4), 1);
        const QImage shown = label.pixmap().toImage();
        QCOMPARE(shown.size(), QSize(40, 30));
        QCOMPARE(shown.pixel(20, 15) & 0xFFFFFF, 0x0000FFu);
        mmsDeleteDIB(d);
    }

    // A whole short picture on the virtual clock: sending seen, exactly one end, the file
    // holding exactly the transmission (with its FSK ID) as the encoder makes it.
    void shortPictureSequenceAndFile()
    {
        startEngine();
        mmsSetTxControl(0x3); // FSK ID and CW ID after the picture
        QCOMPARE(QByteArray(mmsSetFSKID("DL1ABC")), QByteArray("DL1ABC"));
        // The TX DIB: a picture in the mode's 320 x 240 area, something else beyond it.
        mmsFillDIB(txDib_, 0x0000FF);
        QImage picture(320, 240, QImage::Format_RGB32);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                picture.setPixel(x, y, qRgb(x * 255 / 319, y, 128));
        const int32_t area[4] = {0, 0, 320, 240};
        QCOMPARE(mmsDrawDIBbmp(txDib_, area, &picture, nullptr, 4), 1);

        QCOMPARE(mmsSendPic(1), 1);
        mmsFillDIB(txDib_, 0); // later drawing does not touch what is being sent
        const std::vector<int> words = jobsUntilEnd(300);
        QCOMPARE(words.back(), VRR_STATUS_ENDED);
        QVERIFY(words.size() > 40); // about 9 s of picture in 200 ms jobs, then the IDs
        for (size_t i = 0; i + 1 < words.size(); ++i)
            QCOMPARE(words[i], VRR_STATUS_SENDING);
        QCOMPARE(mmsDoJob(1), 0);
        QCOMPARE(mmsDoJob(1), 0);

        vareror::core::TxRequest req;
        req.mode = 1;
        req.picture = toRgb(picture);
        req.fskId = true;
        req.cwId = true;
        req.idText = "DL1ABC";
        const std::vector<float> expected = vareror::core::encodeAll(req);
        int rate = 0;
        const std::vector<float> written = readWav(wavPath(), &rate);
        QCOMPARE(rate, 11025);
        QCOMPARE(written.size(), expected.size());
        float worst = 0;
        for (size_t i = 0; i < written.size(); ++i)
            worst = std::max(worst, std::abs(written[i] - expected[i]));
        QVERIFY2(worst < 1e-3f, qPrintable(QString::number(worst)));
    }

    void linePositionsWhileSending()
    {
        startEngine();
        QCOMPARE(mmsSendPic(0), 1); // Robot 24: 120 lines shown as 240
        int last = 0;
        bool ended = false;
        for (int i = 0; i < 300 && !ended; ++i) {
            const int w = mmsDoJob(1);
            ended = w == VRR_STATUS_ENDED;
            if (w & VRR_STATUS_SENDING) {
                const int p1 = mmsGetPos(1), p2 = mmsGetPos(2);
                QCOMPARE(p1, p2); // no sound card: nothing played ahead
                QVERIFY(p1 >= last && p1 <= 240);
                last = p1;
            }
        }
        QVERIFY(ended);
        QVERIFY2(last >= 236, qPrintable(QString::number(last)));
        QCOMPARE(mmsGetPos(1), 0);
    }

    // With a slice longer than the picture, the job still reports the sending once.
    void pictureShorterThanOneJob()
    {
        startEngine("jobms", "60000");
        QCOMPARE(mmsSendPic(1), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_SENDING);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_ENDED);
        QCOMPARE(mmsDoJob(1), 0);
    }

    void stoppedPictureToneAndQueuedEnds()
    {
        startEngine();
        QCOMPARE(mmsSendPic(3), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_SENDING);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_SENDING);
        QCOMPARE(mmsSendStop(), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_ENDED);
        QCOMPARE(mmsDoJob(1), 0);
        QCOMPARE(readWav(wavPath()).size(), size_t(2 * 2205)); // stopped at once

        // A tone: sending until stopped, at its frequency.
        QCOMPARE(mmsSendTone(1750), 1);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(mmsDoJob(1), VRR_STATUS_SENDING);
        QCOMPARE(mmsSendStop(), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_ENDED);
        const std::vector<float> wav = readWav(wavPath());
        QCOMPARE(wav.size(), size_t(7 * 2205));
        QVERIFY(std::abs(zeroCrossingHz(wav.data() + 2 * 2205, 5 * 2205, 11025) - 1750) < 5);

        // A tone of 0 Hz is no transmission (the program asks for one when it drops an
        // announcement, right before stopping).
        QCOMPARE(mmsSendTone(0), 0);
        QCOMPARE(mmsSendStop(), 1);
        QCOMPARE(mmsDoJob(1), 0);

        // Two transmissions started and stopped between jobs: every start and every end is
        // reported, ends alone and in order.
        mmsSendTone(1000);
        mmsSendStop();
        mmsSendPic(1);
        mmsSendTone(1200); // ends the picture
        mmsSendStop();
        const int expect[] = {VRR_STATUS_SENDING, VRR_STATUS_ENDED, VRR_STATUS_SENDING, VRR_STATUS_ENDED, VRR_STATUS_SENDING, VRR_STATUS_ENDED, 0};
        for (int w : expect)
            QCOMPARE(mmsDoJob(1), w);
    }

    // "A picture finished" is a word of its own, exactly VRR_STATUS_ENDED, whatever else
    // happened before the job: the next transmission already going out, the next received
    // picture already begun. What came with it follows in the next job.
    void anEndComesAlone()
    {
        startEngine();
        QCOMPARE(VRR_STATUS_ENDED, 0x20);
        QCOMPARE(mmsSendPic(1), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_SENDING);
        QCOMPARE(mmsSendStop(), 1);
        QCOMPARE(mmsSendTone(1000), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_ENDED);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_SENDING);
        QCOMPARE(mmsSendStop(), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_ENDED);

        QCOMPARE(mmsStartScan(3), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_RX_STARTED);
        QCOMPARE(mmsStopScan(1), 1);
        QCOMPARE(mmsStartScan(1), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_ENDED);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_RX_STARTED);
        QCOMPARE(mmsDoJob(1), 0);
    }

    void pttOnDummyRig()
    {
        startEngine("ptt", "cat");
        QVERIFY(vrrSetOption("rigmodel", "1"));
        QVERIFY(QByteArray(vrrGetOption("pttstatus")).contains("CAT"));
        QCOMPARE(QByteArray(vrrGetOption("pttkeyed")), QByteArray("0"));
        QCOMPARE(mmsSendPic(1), 1);
        QCOMPARE(QByteArray(vrrGetOption("pttkeyed")), QByteArray("1")); // before any sample
        int w = 0;
        while ((w = mmsDoJob(1)) == VRR_STATUS_SENDING)
            QCOMPARE(QByteArray(vrrGetOption("pttkeyed")), QByteArray("1"));
        QCOMPARE(w, VRR_STATUS_ENDED);
        QCOMPARE(QByteArray(vrrGetOption("pttkeyed")), QByteArray("0"));
        const size_t frames = readWav(wavPath()).size();
        QCOMPARE(QByteArray(vrrGetOption("pttlog")),
                 QByteArray("on@0,off@") + QByteArray::number(qulonglong(frames)));

        // Keyed on its own (the announcement), released by a stop.
        char zeros[16] = {};
        QCOMPARE(mmsSetPTT(zeros, 1), 1);
        QCOMPARE(QByteArray(vrrGetOption("pttkeyed")), QByteArray("1"));
        QCOMPARE(mmsDoJob(1), 0); // keying alone is no transmission
        QCOMPARE(mmsSendStop(), 1);
        QCOMPARE(QByteArray(vrrGetOption("pttkeyed")), QByteArray("0"));
        // Keyed for an announcement, then a picture: released at the picture's end.
        mmsSetPTT(zeros, 1);
        std::vector<float> speech(22050, 0.1f);
        QCOMPARE(vrrPlaySamples(speech.data(), int(speech.size()), 22050), 1);
        QCOMPARE(mmsDoJob(1), 0);
        QCOMPARE(mmsSendPic(1), 1);
        while ((w = mmsDoJob(1)) == VRR_STATUS_SENDING) {
        }
        QCOMPARE(w, VRR_STATUS_ENDED);
        QCOMPARE(QByteArray(vrrGetOption("pttkeyed")), QByteArray("0"));
    }

    // A PTT that cannot be keyed is reported to the program once per transmission, naming
    // the port and the reason, and the picture still goes out.
    void pttMissingPort()
    {
        startEngine("ptt", "rts");
        QVERIFY(vrrSetOption("pttport", "/nonexistent/ttyUSB9"));
        QVERIFY(QByteArray(vrrGetOption("pttstatus")).contains("cannot open"));
        const QByteArray told = "Sending without PTT: cannot open rts on /nonexistent/ttyUSB9 (No such file or directory)";
        QCOMPARE(QByteArray(vrrGetOption("filefault")), QByteArray()); // nothing sent yet
        // Two transmissions, one line on stderr.
        const QString log = dir_->filePath("stderr.txt");
        std::fflush(stderr);
        const int saved = dup(2);
        FILE *f = std::fopen(log.toLocal8Bit().constData(), "w");
        dup2(fileno(f), 2);
        QCOMPARE(mmsSendPic(1), 1);
        QCOMPARE(QByteArray(vrrGetOption("filefault")), told);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_SENDING);
        QCOMPARE(QByteArray(vrrGetOption("filefault")), told); // handed out by that job
        const int end1 = jobsUntilEnd(200).back();
        QCOMPARE(QByteArray(vrrGetOption("filefault")), QByteArray());
        QCOMPARE(mmsSendTone(1000), 1);
        mmsDoJob(1);
        QCOMPARE(QByteArray(vrrGetOption("filefault")), told); // the next transmission's
        mmsSendStop();
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
        std::fclose(f);
        QCOMPARE(end1, VRR_STATUS_ENDED);
        QFile text(log);
        QVERIFY(text.open(QIODevice::ReadOnly));
        QCOMPARE(text.readAll().count("sending without PTT"), 1);
        QVERIFY(readWav(wavPath()).size() > size_t(8 * 11025));
    }

    // A CAT port that goes away during a transmission (the far end of a pseudo-terminal
    // closed under it) is reported once, naming the port; the picture goes out to its end.
    void pttPortGoesAwayWhileSending()
    {
        const int far = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(far >= 0 && grantpt(far) == 0 && unlockpt(far) == 0);
        const QByteArray port = ptsname(far);
        startEngine("ptt", "cat");
        QVERIFY(vrrSetOption("pttport", port.constData()));
        QVERIFY(vrrSetOption("rigmodel", "1038")); // keys with a command that has no answer
        QCOMPARE(QByteArray(vrrGetOption("pttstatus")), "PTT: CAT, rig model 1038 on " + port);
        QCOMPARE(mmsSendPic(1), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_SENDING);
        QCOMPARE(QByteArray(vrrGetOption("filefault")), QByteArray());
        ::close(far);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_SENDING);
        QCOMPARE(QByteArray(vrrGetOption("filefault")),
                 "Sending without PTT: CAT, rig model 1038 on " + port + " went away (the port is gone)");
        QCOMPARE(jobsUntilEnd(400).back(), VRR_STATUS_ENDED);
        QCOMPARE(QByteArray(vrrGetOption("filefault")), QByteArray());
        QVERIFY(readWav(wavPath()).size() > size_t(8 * 11025));
    }

    void outputGainAndAnnouncement()
    {
        QCOMPARE(vrrGetOutputGain(), 0xFFFFFFFFu);
        QCOMPARE(vrrSetOutputGain(0x80004000u), 0x80004000u); // both work without an engine
        startEngine();
        QCOMPARE(mmsSendTone(1000), 1);
        mmsDoJob(1);
        mmsSendStop();
        mmsDoJob(1);
        std::vector<float> wav = readWav(wavPath());
        float peak = 0;
        for (float v : wav)
            peak = std::max(peak, std::abs(v));
        const float gain = (0x4000 + 0x8000) / 2.0f / 65535.0f;
        QVERIFY2(std::abs(peak - 0.5f * gain) < 0.01f, qPrintable(QString::number(peak)));

        // Samples played at another rate come out resampled, without a status bit.
        vrrSetOutputGain(0xFFFFFFFFu);
        std::vector<float> speech(22050);
        for (size_t i = 0; i < speech.size(); ++i)
            speech[i] = 0.4f * float(std::sin(2 * M_PI * 500 * double(i) / 22050));
        QCOMPARE(vrrPlaySamples(speech.data(), int(speech.size()), 22050), 1);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(mmsDoJob(1), 0);
        wav = readWav(wavPath());
        const size_t played = wav.size() - 2205;
        QVERIFY2(std::abs(double(played) - 11025) <= 1, qPrintable(QString::number(played)));
        QVERIFY(std::abs(zeroCrossingHz(wav.data() + 2205, played, 11025) - 500) < 3);
        // A picture sent while the announcement still plays follows it.
        const size_t before = wav.size();
        QCOMPARE(vrrPlaySamples(speech.data(), int(speech.size()), 22050), 1);
        QCOMPARE(mmsDoJob(1), 0);
        QCOMPARE(mmsSendPic(1), 1);
        QCOMPARE(jobsUntilEnd(200).back(), VRR_STATUS_ENDED);
        vareror::core::TxRequest req;
        req.mode = 1;
        req.picture = vareror::core::RgbImage(320, 240);
        wav = readWav(wavPath());
        QCOMPARE(wav.size() - before, size_t(11025) + vareror::core::Encoder(req).totalSamples());
        QCOMPARE(vrrPlaySamples(nullptr, 10, 11025), 0);
        QCOMPARE(vrrPlaySamples(speech.data(), 10, 0), 0);
    }

    // What is sent comes back through the loopback device into the RX DIB; the sent and the
    // received picture end in separate words; the RX mode is remembered across runs.
    void loopbackPictureArrives()
    {
        QVERIFY(vrrSetOption("input", "loopback"));
        QVERIFY(vrrSetOption("output", "none"));
        QCOMPARE(mmsCreate(nullptr, 0), 1);
        txDib_ = mmsCreateDIB(800, 616);
        rxDib_ = mmsCreateDIB(800, 616);
        mmsSetBitmap(rxDib_, 0, txDib_);
        const QImage picture = smoothPicture(320, 240);
        const int32_t area[4] = {0, 0, 320, 240};
        mmsDrawDIBbmp(txDib_, area, &picture, nullptr, 4);
        QCOMPARE(mmsGetMode(0), 6);
        QCOMPARE(mmsSendPic(3), 1);
        int starts = 0, ends = 0, jobs = 0;
        for (; jobs < 400 && ends < 2; ++jobs) {
            const int w = mmsDoJob(1);
            QVERIFY2(w == VRR_STATUS_ENDED || !(w & VRR_STATUS_ENDED), qPrintable(QString::number(w, 16)));
            starts += (w & VRR_STATUS_RX_STARTED) ? 1 : 0;
            ends += w == VRR_STATUS_ENDED ? 1 : 0;
        }
        QCOMPARE(starts, 1);
        QCOMPARE(ends, 2);
        QCOMPARE(mmsGetMode(0), 3);
        QCOMPARE(mmsGetPos(0), 240);
        QVERIFY2(psnr(rxArea(320, 240), picture) > 28, qPrintable(QString::number(psnr(rxArea(320, 240), picture))));
        for (int i = 0; i < 20; ++i)
            QCOMPARE(mmsDoJob(1), 0); // silence starts nothing

        QCOMPARE(mmsDelete(), 1);
        QCOMPARE(mmsCreate(nullptr, 0), 1);
        QCOMPARE(mmsGetMode(0), 3);
    }

    // The transmit word's loopback field with a file output and no input: internal hears the
    // signal, off hears nothing.
    void internalLoopbackField()
    {
        startEngine();
        const QImage picture = smoothPicture(320, 240);
        const int32_t area[4] = {0, 0, 320, 240};
        mmsDrawDIBbmp(txDib_, area, &picture, nullptr, 4);
        for (int word : {0, 0x10000}) {
            mmsSetTxControl(word);
            mmsFillDIB(rxDib_, 0);
            QCOMPARE(mmsSendPic(1), 1);
            int starts = 0, ends = 0;
            for (int i = 0; i < 100 && ends < (word ? 2 : 1); ++i) {
                const int w = mmsDoJob(1);
                starts += (w & VRR_STATUS_RX_STARTED) ? 1 : 0;
                ends += w == VRR_STATUS_ENDED ? 1 : 0;
            }
            for (int i = 0; i < 5; ++i)
                ends += mmsDoJob(1) == VRR_STATUS_ENDED ? 1 : 0;
            QCOMPARE(starts, word ? 1 : 0);
            QCOMPARE(ends, word ? 2 : 1);
        }
        QCOMPARE(mmsGetMode(0), 1);
        QVERIFY(greyPsnr(rxArea(320, 240), picture) > 25);
    }

    // A WAV file as input, read on the virtual clock: start, FSK ID and end in their words.
    // Its audio is split in two data chunks, which are read as one.
    void wavInputReceived()
    {
        vareror::core::TxRequest req;
        req.mode = 3;
        const QImage picture = smoothPicture(320, 240);
        req.picture = toRgb(picture);
        req.fskId = true;
        req.idText = "DL1ABC";
        const QString in = writeSignalWav(req);
        splitData(in);

        startEngine("input", ("wav:" + in).toLocal8Bit().constData());
        std::vector<int> words;
        for (int i = 0; i < 300; ++i)
            if (const int w = mmsDoJob(1))
                words.push_back(w);
        QCOMPARE(words.size(), size_t(3));
        QCOMPARE(words[0], VRR_STATUS_RX_STARTED);
        QCOMPARE(words[1], VRR_STATUS_ENDED);
        QCOMPARE(words[2], VRR_STATUS_FSKID);
        QCOMPARE(QByteArray(mmsGetFSKID()), QByteArray("DL1ABC"));
        QVERIFY(psnr(rxArea(320, 240), picture) > 28);
    }

    // Pictures whose signal stops early, one by the next picture's header: each end comes with
    // the lines whose signal came as its position, however soon the next picture starts (the
    // program keeps a picture with more than half of them), and its rows that never came
    // stay black.
    void picturesCutShortEndWithTheirLines()
    {
        vareror::core::TxRequest req;
        req.mode = 3;
        const QImage picture = smoothPicture(320, 240);
        req.picture = toRgb(picture);
        const std::vector<float> robot = vareror::core::encodeAll(req);
        req.mode = 1;
        const std::vector<float> bw = vareror::core::encodeAll(req);
        const size_t lineSamples = size_t(0.150 * 11025), headerSamples = size_t(0.910 * 11025);
        std::vector<float> signal(11025, 0.0f);
        for (const int lines : {144, 96}) {
            signal.insert(signal.end(), robot.begin(), robot.begin() + long(headerSamples + lines * lineSamples + 100));
            if (lines == 144) signal.insert(signal.end(), bw.begin(), bw.end()); // the next picture at once
            signal.resize(signal.size() + 4 * 11025, 0.0f);
        }
        startEngine("input", ("wav:" + writeWav(signal)).toLocal8Bit().constData());
        std::vector<int> positions;
        for (int i = 0; i < 500 && positions.size() < 3; ++i)
            if (mmsDoJob(1) == VRR_STATUS_ENDED) {
                const int lines = mmsGetPos(0);
                positions.push_back(lines);
                const QImage rows = rxArea(320, 240);
                for (int y = lines; y < 240; ++y)
                    QVERIFY2(rows.pixel(160, y) == qRgb(0, 0, 0), qPrintable(QString("row %1 drawn").arg(y)));
                const QImage received = rows.copy(0, 0, 320, lines), sent = picture.copy(0, 0, 320, lines);
                QVERIFY2((positions.size() == 2 ? greyPsnr(received, sent) : psnr(received, sent)) > 25,
                         qPrintable(QString("the picture of %1 lines is not in the RX picture").arg(lines)));
            }
        QCOMPARE(positions, (std::vector<int>{144, 240, 96}));
    }

    // While sending, the receiver hears the input only with the external loopback.
    void listeningWhileSending()
    {
        vareror::core::TxRequest req;
        req.mode = 1;
        req.picture = vareror::core::RgbImage(320, 240);
        const QString in = writeSignalWav(req);
        for (int word : {0, 0x20000}) {
            startEngine("input", ("wav:" + in).toLocal8Bit().constData());
            mmsSetTxControl(word);
            QCOMPARE(mmsSendTone(1000), 1);
            int starts = 0;
            for (int i = 0; i < 60; ++i) {
                const int w = mmsDoJob(1);
                QVERIFY(w == VRR_STATUS_ENDED || (w & VRR_STATUS_SENDING)); // the received picture's end comes alone
                starts += (w & VRR_STATUS_RX_STARTED) ? 1 : 0;
            }
            QCOMPARE(starts, word ? 1 : 0);
            cleanup();
        }
    }

    void forceRxAndStop()
    {
        startEngine();
        QCOMPARE(mmsStartScan(-1), 0);
        QCOMPARE(mmsStartScan(9), 1);
        QCOMPARE(mmsStopScan(1), 1);
        QCOMPARE(mmsStartScan(3), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_RX_STARTED);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_ENDED);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_RX_STARTED);
        QCOMPARE(mmsGetMode(0), 3);
        QCOMPARE(mmsStopScan(1), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_ENDED);
        QCOMPARE(mmsDoJob(1), 0);
        // A change of the input ends a picture being received, as a stop would.
        QCOMPARE(mmsStartScan(3), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_RX_STARTED);
        QVERIFY(vrrSetOption("input", "loopback"));
        QCOMPARE(mmsDoJob(1), VRR_STATUS_ENDED);
        QCOMPARE(mmsDoJob(1), 0);
    }

    void settingsPersist()
    {
        startEngine();
        const QString ini = dir_->filePath("Tovaro/vareror.ini");
        QCOMPARE(QString(vrrGetOption("settingsfile")), ini);
        QCOMPARE(mmsGetMode(0), 6); // nothing received yet
        QCOMPARE(mmsSetRxControl(-1), int32_t(0x121100FB));
        QCOMPARE(mmsSetRxControl(0x2110008F), 0x2110008F);
        QCOMPARE(mmsSetRxControl(-1), 0x2110008F);
        QCOMPARE(mmsSetTxControl(0x10003), 0x10003);
        QCOMPARE(mmsSetLMS(2), 2);
        QCOMPARE(mmsSetLMS(7), 2); // not a mode: kept
        QCOMPARE(mmsSetTuneControl(0x12), 0x12);
        QCOMPARE(mmsSetNotch(1000), 1000);
        QCOMPARE(mmsSetNotch(-1), 1000);
        mmsSetFSKID("DL1ABC");
        QVERIFY(vrrSetOption("rate", "44100"));
        QVERIFY(vrrSetOption("clock", "-35ppm"));
        QVERIFY(vrrSetOption("ptt", "DTR"));
        QVERIFY(vrrSetOption("pttport", "/dev/ttyS9"));
        QVERIFY(vrrSetOption("input", "loopback"));
        QVERIFY(!vrrSetOption("rate", "22050"));
        QVERIFY(!vrrSetOption("clock", "fast"));
        QVERIFY(!vrrSetOption("ptt", "vox"));
        QVERIFY(!vrrSetOption("colour", "red"));
        QVERIFY(!vrrSetOption("pttkeyed", "1"));
        QCOMPARE(mmsDelete(), 1);
        QVERIFY(QFile::exists(ini));

        // The values held by the file alone.
        QSettings file(ini, QSettings::IniFormat);
        QCOMPARE(file.value("engine/rxControl").toInt(), 0x2110008F);
        QCOMPARE(file.value("sound/rate").toInt(), 44100);

        QCOMPARE(mmsCreate(nullptr, 0), 1);
        QCOMPARE(mmsSetRxControl(-1), 0x2110008F);
        QCOMPARE(mmsSetTxControl(-1), 0x10003);
        QCOMPARE(mmsSetLMS(-1), 2);
        QCOMPARE(mmsSetTuneControl(-1), 0x12);
        QCOMPARE(QByteArray(mmsSetFSKID(nullptr)), QByteArray("DL1ABC"));
        QCOMPARE(QByteArray(vrrGetOption("rate")), QByteArray("44100"));
        QCOMPARE(std::stod(vrrGetOption("clock")), 1.0 - 35e-6);
        QCOMPARE(QByteArray(vrrGetOption("ptt")), QByteArray("dtr"));
        QCOMPARE(QByteArray(vrrGetOption("pttport")), QByteArray("/dev/ttyS9"));
        QCOMPARE(QByteArray(vrrGetOption("input")), QByteArray("loopback"));
        QCOMPARE(mmsGetMode(0), 6);
        QCOMPARE(mmsDelete(), 1);

        // Options given before the engine exists win over the file.
        QVERIFY(vrrSetOption("rate", "48000"));
        QCOMPARE(mmsCreate(nullptr, 0), 1);
        QCOMPARE(QByteArray(vrrGetOption("rate")), QByteArray("48000"));
        QCOMPARE(mmsSetRxControl(-1), 0x2110008F);
    }

    // The settings file through the one writer: a file of random bytes is said to be damaged
    // and rewritten with the engine's own keys alone; a write that fails (the file-size limit stops it
    // part-way, as a full disk would) leaves the old file byte for byte and is said through
    // "filefault", also after mmsDelete; a file far too large is neither read nor replaced.
    void settingsFileTroubles()
    {
        const QString ini = dir_->filePath("Tovaro/vareror.ini");
        QVERIFY(QDir().mkpath(dir_->filePath("Tovaro")));
        QByteArray garbage;
        for (int i = 0; i < 3000; ++i)
            garbage += char((i * 7919 + 13) % 251);
        garbage += "\n[junk]\nkey=value\n";
        {
            QFile f(ini);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(garbage);
        }
        startEngine();
        // Nothing of it could be read: said.
        const QByteArray damage = vrrGetOption("filefault");
        QCOMPARE(damage, (ini + " is damaged: none of its settings could be read, and the engine starts from its "
                              "defaults").toLocal8Bit());
        mmsSetFSKID("@DL1ABC, \"q\"; 1\\2");
        QCOMPARE(mmsDelete(), 1);
        QCOMPARE(QByteArray(vrrGetOption("filefault")), damage);
        QFile written(ini);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = written.readAll().split('\n');
        for (const QByteArray &line : lines)
            QVERIFY2(line.isEmpty() || line.startsWith('[') || QByteArray("fskId lastRxMode lms rxControl tuneControl txControl "
                     "method port rigModel speed clock input output rate txClock").split(' ').contains(line.split('=').first()),
                     line.constData());
        QVERIFY(!QSettings(ini, QSettings::IniFormat).contains("junk/key"));
        QCOMPARE(mmsCreate(nullptr, 0), 1);
        QCOMPARE(QByteArray(mmsSetFSKID(nullptr)), QByteArray("@DL1ABC, \"q\"; 1\\2"));

        // A write stopped part-way.
        const QByteArray before = fileBytes(ini);
        struct rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 64;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        mmsSetRxControl(0x2110008F);
        QCOMPARE(mmsDelete(), 1);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(fileBytes(ini), before);
        QCOMPARE(QByteArray(vrrGetOption("filefault")), ("cannot write " + ini + ": File too large").toLocal8Bit());
        QCOMPARE(QDir(dir_->filePath("Tovaro")).entryList(QDir::Files | QDir::Hidden), QStringList{"vareror.ini"});

        // Far too large: not read, not replaced.
        QVERIFY(QFile::resize(ini, 10 * 1024 * 1024));
        QCOMPARE(mmsCreate(nullptr, 0), 1);
        mmsSetRxControl(0x2110008F);
        QCOMPARE(mmsDelete(), 1);
        QCOMPARE(QFileInfo(ini).size(), 10 * 1024 * 1024);
        QVERIFY(fileBytes(ini).startsWith(before));
        QVERIFY(QByteArray(vrrGetOption("filefault")).contains("it was not read and is left as it is"));
    }

    // A settings file damaged in part keeps what could be read, and says what could not; a
    // FIFO in its place or in the WAV input's or output's holds nothing up, is said, and stays.
    void damagedOrNoFilesAtTheEnginesPlaces()
    {
        const QString ini = dir_->filePath("Tovaro/vareror.ini");
        QVERIFY(QDir().mkpath(dir_->filePath("Tovaro")));
        const QString port = dir_->filePath("ttyUSB0");
        {
            QFile f(ini);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[engine]\nrxControl=12345\n\x01\x02garbled\n[ptt]\nmethod=none\nport=" + port.toLocal8Bit() +
                    "\n[sound]\nrate=fast\n");
        }
        startEngine();
        QCOMPARE(mmsSetRxControl(-1), 12345);
        QCOMPARE(QString(vrrGetOption("pttport")), port);
        QByteArray said = vrrGetOption("filefault");
        QVERIFY2(said.startsWith((ini + " is damaged: engine/fskId, ").toLocal8Bit()) && said.contains("sound/rate,") &&
                     !said.contains("rxControl") && !said.contains("ptt/port"),
                 said.constData());
        QCOMPARE(mmsDelete(), 1);

        QVERIFY(QFile::remove(ini));
        QCOMPARE(::mkfifo(QFile::encodeName(ini).constData(), 0644), 0);
        const QString fifo = dir_->filePath("in.wav");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
        const QString out = dir_->filePath("stream.wav");
        QCOMPARE(::mkfifo(QFile::encodeName(out).constData(), 0644), 0);
        // A reader at the output's FIFO, so that no engine waits there for one.
        const int reader = ::open(QFile::encodeName(out).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        startEngine("input", ("wav:" + fifo).toLocal8Bit().constData());
        QVERIFY(vrrSetOption("output", ("wav:" + out).toLocal8Bit().constData()));
        mmsDoJob(1);
        said = vrrGetOption("filefault");
        ::close(reader);
        QVERIFY2(said.contains(("The sound input \"" + fifo + "\" is refused: not a regular file but a FIFO").toLocal8Bit()) &&
                     said.contains(("The sound output cannot write \"" + out + "\": not a regular file but a FIFO").toLocal8Bit()) &&
                     said.contains((ini + " cannot be read (not a regular file but a FIFO); it is left as it is").toLocal8Bit()),
                 said.constData());
        QCOMPARE(mmsDelete(), 1);
        QVERIFY(QFileInfo(ini).isFile() == false && QFileInfo::exists(ini));
    }

    // A WAV input whose header lies: an absurd rate or channel count is refused with the
    // decode tool's own words (the engine runs on without it, and says why); a data size
    // past the file's end is read as far as the file goes.
    void lyingWavHeaders_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<quint32>("value");
        QTest::addColumn<QString>("fault");
        QTest::newRow("rate") << 24 << quint32(2000000000) << "its sample rate of 2000000000 Hz is outside what a sound card makes";
        QTest::newRow("channels") << 22 << quint32(200 | (16u << 16)) << "its 200 channels are more than a recording has";
        // (the sound library's own words, which end in a full stop of their own)
        QTest::newRow("channels past the library") << 22 << quint32(5000 | (16u << 16)) << "Too many channels specified";
        QTest::newRow("data size") << 40 << quint32(0x7FFFFFF0) << "";
    }

    void lyingWavHeaders()
    {
        QFETCH(int, offset);
        QFETCH(quint32, value);
        QFETCH(QString, fault);
        vareror::core::TxRequest req;
        req.mode = 3;
        req.picture = toRgb(smoothPicture(320, 240));
        const QString in = writeSignalWav(req);
        QByteArray bytes = fileBytes(in);
        QCOMPARE(bytes.mid(36, 4), QByteArray("data"));
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
        {
            QFile f(in);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        startEngine("input", ("wav:" + in).toLocal8Bit().constData());
        for (int i = 0; i < 20; ++i)
            mmsDoJob(1);
        const QString said = QString::fromLatin1(vrrGetOption("filefault"));
        if (fault.isEmpty())
            QCOMPARE(said, QString());
        else
            QCOMPARE(said.section(" (", 0, 0), "The sound input \"" + in + "\" is refused: " + fault);
    }

    void soundOptionsSwitchAtOnce()
    {
        startEngine();
        QCOMPARE(QByteArray(vrrGetOption("clockmode")), QByteArray("virtual"));
        QCOMPARE(mmsSendTone(1500), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_SENDING);
        // A new output ends what was being sent; the new file starts empty.
        const QString second = dir_->filePath("second.wav");
        QVERIFY(vrrSetOption("output", ("wav:" + second).toLocal8Bit().constData()));
        QCOMPARE(mmsDoJob(1), VRR_STATUS_ENDED);
        QCOMPARE(readWav(wavPath()).size(), size_t(2205));
        QVERIFY(vrrSetOption("rate", "48000"));
        QCOMPARE(mmsSendTone(1500), 1);
        mmsDoJob(1);
        mmsSendStop();
        QCOMPARE(mmsDoJob(1), VRR_STATUS_ENDED);
        int rate = 0;
        QCOMPARE(readWav(second, &rate).size(), size_t(9600));
        QCOMPARE(rate, 48000);
        // An output that cannot be opened leaves the engine running without sound.
        QVERIFY(vrrSetOption("output", "wav:/nonexistent/dir/x.wav"));
        QVERIFY(QByteArray(vrrGetOption("soundstatus")).contains("cannot write"));
        QCOMPARE(mmsSendTone(1500), 1);
        QCOMPARE(mmsDoJob(1) & VRR_STATUS_SENDING, VRR_STATUS_SENDING);
        QCOMPARE(mmsSendStop(), 1);
    }
};

QTEST_MAIN(ApiTest)
#include "tst_api.moc"
