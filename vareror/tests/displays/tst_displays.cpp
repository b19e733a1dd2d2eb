// The engine's tuning and spectrum displays: what the signal monitor finds in a signal (line
// syncs at a steady pace, and nothing in noise), and what the engine draws into the DIBs
// the program binds, read back through the C interface.

#include "vareror.h"

#include "encoder.h"
#include "signal_monitor.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>

#include <cmath>
#include <random>
#include <vector>

using vareror::core::SignalMonitor;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kFft = 0x12, kFm = 0x25;

std::vector<float> tone(double hz, double seconds, int rate, double amplitude = 0.5)
{
    std::vector<float> s(size_t(seconds * rate));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = float(amplitude * std::sin(2 * kPi * hz * double(i) / rate));
    return s;
}

// A picture's transmission at `rate`; with `shift` its tones (and timing) scaled by that
// factor, as a receiver mistuned by it hears them.
std::vector<float> transmission(int mode, int rate, double shift = 1.0)
{
    vareror::core::TxRequest req;
    req.mode = mode;
    req.picture = vareror::core::RgbImage(320, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 320; ++x) {
            uint8_t *p = req.picture.pixel(x, y);
            p[0] = uint8_t(x * 255 / 319);
            p[1] = uint8_t(y);
            p[2] = uint8_t((x + y) / 2);
        }
    req.sampleRate = rate;
    req.clockFactor = 1 / shift;
    return vareror::core::encodeAll(req);
}

bool writeWav(const QString &path, const std::vector<float> &s, int rate)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE *f = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    sf_writef_float(f, s.data(), sf_count_t(s.size()));
    sf_close(f);
    return true;
}

// The column of the brightest pixel of a row (by the sum of its channels).
int brightestColumn(const QImage &image, int y)
{
    int best = -1, bestValue = -1;
    for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        const int v = qRed(p) + qGreen(p) + qBlue(p);
        if (v > bestValue) {
            bestValue = v;
            best = x;
        }
    }
    return best;
}

// The column whose bar (the spectrum's blue or the histogram's green, not a mark's grey)
// reaches highest from the bottom.
int tallestColumn(const QImage &image)
{
    const auto bar = [](QRgb p) { return qGreen(p) > 140 && qRed(p) < 100; };
    int best = -1, bestHeight = -1;
    for (int x = 0; x < image.width(); ++x) {
        int h = 0;
        while (h < image.height() && bar(image.pixel(x, image.height() - 1 - h)))
            ++h;
        if (h > bestHeight) {
            bestHeight = h;
            best = x;
        }
    }
    return best;
}

bool reddish(QRgb p) { return qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80; }

} // namespace

class DisplaysTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    int specA_ = 0, specB_ = 0, tune_ = 0;

    // An engine reading `signal` from a WAV file on the virtual clock, its displays bound
    // at the given sizes.
    void startEngine(const std::vector<float> &signal, int rate, QSize spectrum = {205, 48}, QSize tuning = {205, 64})
    {
        const QString wav = dir_->filePath("in.wav");
        QVERIFY(writeWav(wav, signal, rate));
        QVERIFY(vrrSetOption("input", ("wav:" + wav).toLocal8Bit().constData()));
        QVERIFY(vrrSetOption("output", "none"));
        QVERIFY(vrrSetOption("rate", "48000"));
        QVERIFY(vrrSetOption("jobms", "200"));
        QVERIFY(vrrSetOption("ptt", "none"));
        QCOMPARE(mmsCreate(nullptr, 0), 1);
        specA_ = mmsCreateDIB(spectrum.width(), spectrum.height());
        specB_ = mmsCreateDIB(spectrum.width(), spectrum.height());
        tune_ = mmsCreateDIB(tuning.width(), tuning.height());
        QCOMPARE(mmsSetTuneBitmap(specA_, specB_, tune_), 1);
        QCOMPARE(mmsStart(), 1);
    }
    static QImage dib(int handle, QSize size)
    {
        QImage out(size, QImage::Format_RGB32);
        out.fill(Qt::magenta);
        mmsDrawDIBdc(&out, nullptr, handle, nullptr, 0);
        return out;
    }
    QImage specA(QSize size = {205, 48}) const { return dib(specA_, size); }
    QImage specB(QSize size = {205, 48}) const { return dib(specB_, size); }
    QImage tuning() const { return dib(tune_, {205, 64}); }
    static void jobs(int n)
    {
        for (int i = 0; i < n; ++i)
            mmsDoJob(1);
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
        for (int *d : {&specA_, &specB_, &tune_}) {
            mmsDeleteDIB(*d);
            *d = 0;
        }
    }

    // Line syncs are seen in each family of modes, also with the receiver mistuned, and
    // their frequency says by how much; never in noise, silence, a steady 1200 Hz tone
    // or a header alone.
    void syncsAtASteadyPace_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("shift");
        QTest::addColumn<int>("rate");
        QTest::newRow("Martin 1") << 9 << 1.0 << 11025;
        QTest::newRow("Scottie 1, 60 Hz high") << 6 << 1.05 << 48000;
        QTest::newRow("Robot 36, 48 Hz low") << 3 << 0.96 << 44100;
        QTest::newRow("PD90") << 15 << 1.0 << 48000;
        QTest::newRow("B/W 8") << 1 << 1.0 << 11025;
    }
    void syncsAtASteadyPace()
    {
        QFETCH(int, mode);
        QFETCH(double, shift);
        QFETCH(int, rate);
        std::vector<float> s = transmission(mode, rate, shift);
        // Some noise, 10 dB below the signal in a 3 kHz band.
        std::mt19937 gen(7);
        std::normal_distribution<float> noise(0, float(std::sqrt(0.0125 * rate / 6000.0)));
        for (float &x : s)
            x += noise(gen);
        SignalMonitor m(rate);
        const size_t chunk = size_t(rate) / 5;
        bool seenEarly = false;
        int seenJobs = 0, jobs = 0;
        for (size_t i = 0; i + chunk <= s.size(); i += chunk, ++jobs) {
            m.process(s.data() + i, chunk);
            if (double(i + chunk) / rate < 0.9) // the header: leader and VIS bits
                seenEarly = seenEarly || m.syncSeen();
            else if (double(i) / rate > 5)
                seenJobs += m.syncSeen();
            if (m.syncSeen())
                QVERIFY2(std::abs(m.syncHz() - 1200 * shift) < 15, qPrintable(QString::number(m.syncHz())));
        }
        QVERIFY(!seenEarly);
        const int picturesJobs = jobs - int(5 * 5) - 1;
        QVERIFY2(seenJobs > picturesJobs * 9 / 10, qPrintable(QString("%1 of %2").arg(seenJobs).arg(picturesJobs)));
        // The syncs stop: a second or two later none are seen.
        const std::vector<float> quiet(size_t(rate) * 3, 0.0f);
        m.process(quiet.data(), quiet.size());
        QVERIFY(!m.syncSeen());
    }

    void noSyncsWithoutAPicture()
    {
        const int rate = 48000;
        SignalMonitor m(rate);
        std::mt19937 gen(11);
        std::normal_distribution<float> noise(0, 0.2f);
        std::vector<float> s(size_t(rate) / 5);
        for (int job = 0; job < 5 * 120; ++job) { // two minutes of white noise
            for (float &x : s)
                x = noise(gen);
            m.process(s.data(), s.size());
            QVERIFY2(!m.syncSeen(), qPrintable(QString("noise, job %1").arg(job)));
        }
        const std::vector<float> steady = tone(1200, 3, rate), silence(size_t(rate) * 3, 0.0f);
        m.process(steady.data(), steady.size());
        QVERIFY(!m.syncSeen());
        m.process(silence.data(), silence.size());
        QVERIFY(!m.syncSeen());
        QCOMPARE(m.levelDb(), -120.0);
        // Silence is no tone: the FM rows stay empty.
        for (float v : m.fmRows().back())
            QCOMPARE(v, 0.0f);
    }

    // A 1500 Hz tone lands in the column the range says, in all four views, for two
    // ranges and two widths; the notch mark shows only while the notch is on.
    void toneLandsWhereTheRangeSays_data()
    {
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<QSize>("size");
        QTest::newRow("FFT 700-2000") << kFft << 700 << 2000 << QSize(205, 48);
        QTest::newRow("FFT 0-3000") << kFft << 0 << 3000 << QSize(205, 48);
        QTest::newRow("FM 700-2000") << kFm << 700 << 2000 << QSize(205, 48);
        QTest::newRow("FM 0-3000, wide") << kFm << 0 << 3000 << QSize(400, 100);
        QTest::newRow("FM with the engine's bits") << int(0x8F00FFED) << 700 << 2000 << QSize(205, 48);
    }
    void toneLandsWhereTheRangeSays()
    {
        QFETCH(int, word);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(QSize, size);
        startEngine(tone(1500, 4, 48000, 0.3), 48000, size);
        mmsSetTuneControl(word);
        QCOMPARE(mmsSetSpecRange(low, high), 1);
        jobs(5);
        const int expected = (1500 - low) * size.width() / (high - low);
        const QImage a = specA(size), b = specB(size);
        QVERIFY2(std::abs(tallestColumn(a) - expected) <= 1, qPrintable(QString::number(tallestColumn(a))));
        QVERIFY2(std::abs(brightestColumn(b, 0) - expected) <= 1, qPrintable(QString::number(brightestColumn(b, 0))));
        // Away from the tone and the marks, the views are dark.
        const int quiet = (1700 - low) * size.width() / (high - low);
        QVERIFY(qGray(b.pixel(quiet, 0)) < 40);
        QVERIFY(qGray(a.pixel(quiet, size.height() / 2)) < 40);
        for (int x = 0; x < size.width(); ++x)
            QVERIFY(!reddish(a.pixel(x, size.height() / 2)));

        QCOMPARE(mmsSetNotch(1000), 1000);
        mmsDoJob(1);
        const int notch = (1000 - low) * size.width() / (high - low);
        QVERIFY(reddish(specA(size).pixel(notch, size.height() / 2)));
        QVERIFY(reddish(specB(size).pixel(notch, 0)));
        QCOMPARE(mmsSetNotch(0), 0);
        mmsDoJob(1);
        QVERIFY(!reddish(specA(size).pixel(notch, size.height() / 2)));
    }

    // A tone that changes moves down the waterfall as jobs go by: the newest row on top.
    void waterfallScrolls_data()
    {
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("rowsPerJob");
        QTest::newRow("FFT waterfall") << kFft << 2;
        QTest::newRow("FM scroll") << kFm << 8;
    }
    void waterfallScrolls()
    {
        QFETCH(int, word);
        QFETCH(int, rowsPerJob);
        std::vector<float> s = tone(1000, 2, 48000);
        const std::vector<float> second = tone(1800, 3, 48000);
        s.insert(s.end(), second.begin(), second.end());
        startEngine(s, 48000);
        mmsSetTuneControl(word);
        mmsSetSpecRange(700, 2000);
        const int at1000 = 300 * 205 / 1300, at1800 = 1100 * 205 / 1300;
        jobs(12); // 2.4 s: the change 0.4 s ago
        const QImage before = specB();
        QVERIFY(std::abs(brightestColumn(before, 0) - at1800) <= 1);
        QVERIFY(std::abs(brightestColumn(before, 20) - at1000) <= 1);
        int change = 0;
        while (change < 20 && std::abs(brightestColumn(before, change) - at1800) <= 1)
            ++change;
        mmsDoJob(1);
        const QImage after = specB();
        QVERIFY(std::abs(brightestColumn(after, change + rowsPerJob - 1) - at1800) <= 1);
        QVERIFY(std::abs(brightestColumn(after, change + rowsPerJob + 1) - at1000) <= 1);
    }

    // The tuning view: the level bar as long as the level, the tones against their
    // marks, the sync lamp lit while a picture comes in. With TOVARO_SHOT_DIR set, the
    // three displays are saved there in both types, to be looked at.
    void tuningView()
    {
        std::vector<float> s(48000, 0.0f);
        const std::vector<float> picture = transmission(9, 48000);
        s.insert(s.end(), picture.begin(), picture.end());
        startEngine(s, 48000);
        jobs(5);
        QImage t = tuning();
        const int lampX = 5, lampY = 64 - 6;
        QVERIFY(qGreen(t.pixel(lampX, lampY)) < 100); // silence: no sync, no level
        QVERIFY(qGreen(t.pixel(20, 4)) < 60);
        jobs(30);
        t = tuning();
        QVERIFY(qGreen(t.pixel(lampX, lampY)) > 200 && qRed(t.pixel(lampX, lampY)) < 100);
        // A signal of peak 0.5 stands at -6 dB: the bar ends nine tenths across.
        int filled = 2;
        while (filled < 203 && qGreen(t.pixel(filled, 5)) > 150)
            ++filled;
        QVERIFY2(std::abs(filled - 183) <= 4, qPrintable(QString::number(filled)));
        // The tones of a picture sit between the black and white marks (1500, 2300 Hz).
        const int black = 500 * 205 / 1500, white = 1300 * 205 / 1500;
        int toneColumns = 0, outside = 0;
        for (int x = 0; x < 205; ++x) {
            if (qGreen(t.pixel(x, 36)) > 150 && qRed(t.pixel(x, 36)) < 100)
                (x >= black - 3 && x <= white + 3 ? toneColumns : outside) += 1;
        }
        QVERIFY2(toneColumns > 20 && outside < toneColumns / 4, qPrintable(QString("%1 %2").arg(toneColumns).arg(outside)));

        if (const QString shots = qEnvironmentVariable("TOVARO_SHOT_DIR"); !shots.isEmpty()) {
            for (const int word : {kFm, kFft}) {
                mmsSetTuneControl(word);
                jobs(3);
                const QString kind = word == kFm ? "fm" : "fft";
                tuning().save(shots + "/displays-tuning-" + kind + ".png");
                specA().save(shots + "/displays-a-" + kind + ".png");
                specB().save(shots + "/displays-b-" + kind + ".png");
            }
        }
    }
};

QTEST_MAIN(DisplaysTest)
#include "tst_displays.moc"
