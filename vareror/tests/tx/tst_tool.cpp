// vareror-wav encode as the operator runs it: a picture file in, a WAV file out, and clear
// failures for bad input.
#include "modes.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>

#include <cmath>

class TxToolTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString picture_;

    struct Result { int code; QString err; };
    Result run(const QStringList &args)
    {
        QProcess p;
        p.start(VARERO_WAV_PATH, args);
        if (!p.waitForFinished(60000)) return {-1, "timeout"};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardError())};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QImage img(64, 48, QImage::Format_RGB32);
        img.fill(QColor(200, 100, 50));
        picture_ = dir_.filePath("pic.png");
        QVERIFY(img.save(picture_));
    }

    void encodesAWavFile_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rate");
        QTest::addColumn<double>("seconds"); // header + picture, published figures
        QTest::newRow("B/W 8 @ 11025") << 1 << 11025 << 0.910 + 8.028;
        QTest::newRow("Robot 36 @ 48000") << 3 << 48000 << 0.910 + 36.0;
    }

    void encodesAWavFile()
    {
        QFETCH(int, mode);
        QFETCH(int, rate);
        QFETCH(double, seconds);
        const QString out = dir_.filePath(QString("m%1.wav").arg(mode));
        const Result r = run({"encode", "--mode", QString::number(mode), "--rate", QString::number(rate), picture_, out});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        SF_INFO info{};
        SNDFILE *f = sf_open(out.toLocal8Bit().constData(), SFM_READ, &info);
        QVERIFY(f);
        QCOMPARE(info.samplerate, rate);
        QCOMPARE(info.channels, 1);
        QCOMPARE(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        QVERIFY(std::fabs(double(info.frames) - seconds * rate) <= 1.0);
        std::vector<short> s(size_t(info.frames));
        QCOMPARE(sf_read_short(f, s.data(), sf_count_t(s.size())), info.frames);
        sf_close(f);
        int peak = 0;
        for (short v : s) peak = std::max(peak, std::abs(int(v)));
        QVERIFY(peak > 16000 && peak <= 16400); // half of full scale
    }

    void idsLengthenTheFile()
    {
        const QString out = dir_.filePath("id.wav");
        const Result r = run({"encode", "--mode", "1", "--rate", "11025", "--fskid", "AB1CD", "--cwid", picture_, out});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        SF_INFO info{};
        SNDFILE *f = sf_open(out.toLocal8Bit().constData(), SFM_READ, &info);
        QVERIFY(f);
        sf_close(f);
        // FSK ID: 300 ms lead, 9 symbols of 132 ms, 100 ms tail; then Morse follows.
        QVERIFY(double(info.frames) > (0.910 + 8.028 + 0.3 + 9 * 0.132 + 0.1 + 1.0) * 11025);
    }

    void failsClearly_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString out = QDir::tempPath() + "/never-written-by-tst_tx_tool.wav";
        QTest::newRow("mode past the table") << QStringList{"encode", "--mode", "43", "--rate", "11025", "P", out} << "bad mode";
        QTest::newRow("mode not a number") << QStringList{"encode", "--mode", "x", "--rate", "11025", "P", out} << "bad mode";
        QTest::newRow("negative mode") << QStringList{"encode", "--mode", "-1", "--rate", "11025", "P", out} << "bad mode";
        QTest::newRow("no rate") << QStringList{"encode", "--mode", "3", "P", out} << "--rate";
        QTest::newRow("bad rate") << QStringList{"encode", "--mode", "3", "--rate", "11k", "P", out} << "sample rate";
        QTest::newRow("unreadable picture") << QStringList{"encode", "--mode", "3", "--rate", "11025", "/nonexistent/p.png", out} << "cannot read the picture";
        QTest::newRow("unwritable output") << QStringList{"encode", "--mode", "3", "--rate", "11025", "P", "/nonexistent-dir/x.wav"} << "cannot write";
        QTest::newRow("missing file") << QStringList{"encode", "--mode", "3", "--rate", "11025", "P"} << "expected a picture file";
        QTest::newRow("unknown command") << QStringList{"transmogrify"} << "unknown command";
    }

    void failsClearly()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        args.replaceInStrings(QRegularExpression("^P$"), picture_);
        const Result r = run(args);
        QVERIFY(r.code != 0);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(!QFile::exists(QDir::tempPath() + "/never-written-by-tst_tx_tool.wav"));
    }
};

QTEST_GUILESS_MAIN(TxToolTest)
#include "tst_tool.moc"
