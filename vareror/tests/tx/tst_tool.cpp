// vareror-wav encode as the operator runs it: a picture file in, a WAV file out, and clear
// failures for bad input.
#include "commands.h"
#include "modes.h"
#include "png_bytes.h"
#include "signal_tools.h"
#include "whole_file.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>

#include <cmath>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

class TxToolTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString picture_;

    struct Result { int code; QString err; QString out; };
    Result run(const QStringList &args)
    {
        QProcess p;
        p.start(VARERO_WAV_PATH, args);
        if (!p.waitForFinished(60000)) return {-1, "timeout", {}};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardError()),
                QString::fromLocal8Bit(p.readAllStandardOutput())};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QImage img(64, 48, QImage::Format_RGB32);
        img.fill(QColor(200, 100, 50));
        picture_ = dir_.filePath("pic.png");
        QVERIFY(img.save(picture_));
        // the picture sent in B/W 8, and decoded from its file as written
        QImage grey(160, 120, QImage::Format_RGB32);
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x) grey.setPixel(x, y, qRgb(x * 255 / 159, y * 2, (x + y) % 256));
        const QString png = dir_.filePath("grey.png"), wav = dir_.filePath("grey.wav"), out = dir_.filePath("grey");
        QVERIFY(grey.save(png));
        QCOMPARE(run({"encode", "--mode", "1", "--rate", "11025", png, wav}).code, 0);
        QFile f(wav);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.mid(12, 8) == QByteArray("fmt \x10\0\0\0", 8) && bytes.mid(36, 4) == "data");
        format_ = bytes.mid(20, 16);
        audio_ = bytes.mid(44);
        QCOMPARE(run({"decode", wav, out}).code, 0);
        whole_ = QImage(QDir(out).filePath("grey_1_B_W_8.png")).convertToFormat(QImage::Format_RGB32);
        QVERIFY(!whole_.isNull());
    }

    // The program reads pictures through a module beside it, loaded only when it encodes: a
    // copy of it without the module says so when it encodes, and decodes all the same.
    void pictureReaderOnlyWhenEncoding()
    {
        QTemporaryDir alone;
        const QString copy = alone.filePath("vareror-wav");
        QVERIFY(QFile::copy(VARERO_WAV_PATH, copy));
        QProcess p;
        p.start(copy, {"encode", "--mode", "1", "--rate", "11025", picture_, alone.filePath("x.wav")});
        QVERIFY(p.waitForFinished(60000));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY(p.exitCode() != 0);
        QVERIFY2(err.contains("cannot read the picture") && err.contains("its reader could not be loaded"), qPrintable(err));
        QVERIFY(!QFile::exists(alone.filePath("x.wav")));
        p.start(copy, {"decode", dir_.filePath("grey.wav"), alone.filePath("out")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QImage(alone.filePath("out/grey_1_B_W_8.png")).convertToFormat(QImage::Format_RGB32), whole_);
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

    // Standard output, a FIFO and a device take the WAV file as a stream, in place, and stay
    // what they are; a device that takes nothing (as a full disk) fails with the system's
    // words. Decode makes its output folder, never the folders above it.
    void streamsAndFolders()
    {
        QTemporaryDir dir;
        const QByteArray whole = readBytes(dir_.filePath("grey.wav"));
        const QStringList args{"encode", "--mode", "1", "--rate", "11025", dir_.filePath("grey.png")};
        for (const QString &out : {QString("-"), QString("/dev/stdout")}) {
            QProcess piped;
            piped.start(VARERO_WAV_PATH, args + QStringList{out});
            QVERIFY(piped.waitForFinished(60000));
            QVERIFY2(piped.exitCode() == 0, piped.readAllStandardError().constData());
            QVERIFY(piped.readAllStandardOutput() == whole);
        }

        const QString fifo = dir.filePath("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
        QProcess writer;
        writer.start(VARERO_WAV_PATH, args + QStringList{fifo});
        QFile reading(fifo);
        QVERIFY(reading.open(QIODevice::ReadOnly));
        const QByteArray streamed = reading.readAll();
        QVERIFY(writer.waitForFinished(60000));
        QCOMPARE(writer.exitCode(), 0);
        QVERIFY(streamed == whole);
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));

        const QString full = dir.filePath("full");
        if (::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0666, makedev(1, 7)) == 0) { // the full device
            const Result r = run(args + QStringList{full});
            QVERIFY(r.code != 0);
            QVERIFY2(r.err.contains("No space left on device"), qPrintable(r.err));
            QVERIFY(::stat(QFile::encodeName(full).constData(), &st) == 0 && S_ISCHR(st.st_mode));
        }

        Result r = run({"decode", dir_.filePath("grey.wav"), dir.filePath("none/out/")});
        QVERIFY(r.code != 0);
        QVERIFY2(r.err.contains("the folder it is in does not exist"), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(dir.filePath("none")));
        r = run({"decode", dir_.filePath("grey.wav"), dir.filePath("out/")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY(QFileInfo::exists(dir.filePath("out/grey_1_B_W_8.png")));
    }

    // The help names every argument a command needs, the output folder of decode too.
    void helpNamesTheArguments()
    {
        const Result r = run({"--help"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains("decode [--mode N] [--no-slant] [--noise-smoothing | --auto-notch-fast |"), qPrintable(r.out));
        QVERIFY2(r.out.contains("--auto-notch-slow] [--notch HZ] in.wav outdir/"), qPrintable(r.out));
        QVERIFY2(r.out.contains("picture out.wav"), qPrintable(r.out));
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
        QTest::newRow("two LMS modes") << QStringList{"decode", "--auto-notch-fast", "--auto-notch-slow", out, "o"} << "exclude each other";
        QTest::newRow("notch not a number") << QStringList{"decode", "--notch", "1k", out, "o"} << "not a notch frequency";
        QTest::newRow("notch without a frequency") << QStringList{"decode", "--notch"} << "--notch needs a frequency";
        // an FSK ID that could not be read back as typed
        QTest::newRow("FSK ID too long") << QStringList{"encode", "--mode", "3", "--rate", "11025", "--fskid", "ABCDEFGHIJKLMNOPQRSTU", "P", out} << "at most 20";
        QTest::newRow("FSK ID not ASCII") << QStringList{"encode", "--mode", "3", "--rate", "11025", "--fskid", QString::fromUtf8(u8"Ünï©ødé"), "P", out} << "only ASCII";
        QTest::newRow("FSK ID with its end mark") << QStringList{"encode", "--mode", "3", "--rate", "11025", "--fskid", "HI!", "P", out} << "cannot carry";
        QTest::newRow("FSK ID of spaces only") << QStringList{"encode", "--mode", "3", "--rate", "11025", "--fskid", "   ", "P", out} << "is empty";
        QTest::newRow("FSK ID with a tab") << QStringList{"encode", "--mode", "3", "--rate", "11025", "--fskid", "K1\tAB", "P", out} << "control character 0x09";
        QTest::newRow("FSK ID with a delete") << QStringList{"encode", "--mode", "3", "--rate", "11025", "--fskid", "K1\x7f" "AB", "P", out} << "control character 0x7F";
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

    // A failed encode leaves a file already at the output path byte for byte and nothing
    // beside it: the disk full in the WAV file's header, in its samples, at its last byte,
    // or a picture that cannot be read. An encode that has room replaces the file whole.
    void failedEncodeKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("out.wav");
        const QByteArray old("RIFF\x04\0\0\0an earlier take, kept");
        QVERIFY(writeBytes(out, old));
        const QString reference = dir_.filePath("reference.wav");
        const QStringList args{"encode", "--mode", "1", "--rate", "8000", "--fskid", "AB1CD", picture_};
        Result r = run(args + QStringList{reference});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QByteArray whole = readBytes(reference);
        QVERIFY(whole.size() > 100000);

        for (qint64 space : {qint64(0), qint64(43), qint64(44), qint64(whole.size() / 2), qint64(whole.size() - 1)}) {
            r = encodeHere(args + QStringList{out}, space);
            QVERIFY2(r.code != 0, qPrintable(QString::number(space)));
            QVERIFY2(r.err.contains("cannot write \"" + out + "\": No space left on device"), qPrintable(r.err));
            QCOMPARE(readBytes(out), old);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.wav"});
        }

        QVERIFY(writeBytes(dir_.filePath("broken.png"), QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(300, 'x')));
        r = run({"encode", "--mode", "1", "--rate", "8000", dir_.filePath("broken.png"), out});
        QVERIFY(r.code != 0);
        QVERIFY2(r.err.contains("cannot read the picture"), qPrintable(r.err));
        QCOMPARE(readBytes(out), old);

        r = encodeHere(args + QStringList{out}, whole.size());
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY(readBytes(out) == whole);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.wav"});
    }

    // A real full disk: a small memory file system too small for the WAV file.
    void realFullDiskKeepsTheOldFile()
    {
        QTemporaryDir dir;
        if (::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("a file system cannot be mounted here (needs the superuser); the disk failing under the "
                  "writer's seam is tested above");
        struct Unmount {
            QString path;
            ~Unmount() { ::umount(QFile::encodeName(path).constData()); }
        } unmount{dir.path()};
        const QString out = dir.filePath("out.wav");
        const QByteArray old(2000, 'o');
        QVERIFY(writeBytes(out, old));
        const Result r = run({"encode", "--mode", "1", "--rate", "8000", picture_, out});
        QVERIFY(r.code != 0);
        QVERIFY2(r.err.contains("No space left on device"), qPrintable(r.err));
        QCOMPARE(readBytes(out), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.wav"});
    }

    // The PNG a decoded picture is written as holds its every byte, at an odd width (rows
    // not a multiple of 4 bytes) with every level in each channel; no picture gives no file.
    void pngHoldsThePicture()
    {
        vareror::core::RgbImage pic(37, 23);
        for (size_t i = 0; i < pic.rgb.size(); ++i) pic.rgb[i] = uint8_t((i * 7 + i / 111) % 256);
        QByteArray png;
        QVERIFY(vareror::tools::pngBytes(pic, png));
        const QImage back = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB888);
        QCOMPARE(back.size(), QSize(37, 23));
        for (int y = 0; y < 23; ++y)
            QVERIFY2(std::memcmp(back.constScanLine(y), pic.pixel(0, y), 37 * 3) == 0, qPrintable(QString("row %1").arg(y)));
        QVERIFY(!vareror::tools::pngBytes(vareror::core::RgbImage(), png) && png.isEmpty());
    }

    // A picture that cannot be written (a folder in its place) is said on standard error, and no
    // line on standard output names it; the decode fails.
    void unwrittenPictureNamedNowhere()
    {
        const QString wav = dir_.filePath("again.wav"), out = dir_.filePath("again");
        QVERIFY(QFile::copy(dir_.filePath("grey.wav"), wav));
        QVERIFY(QDir().mkpath(out + "/again_1_B_W_8.png"));
        const Result r = run({"decode", wav, out});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("cannot write") && r.err.contains("again_1_B_W_8.png"), qPrintable(r.err));
        QVERIFY2(r.out.isEmpty(), qPrintable(r.out));
    }

    // decode: the FSK ID read back as sent (lowercase as capitals, the longest allowed
    // whole), the slant corrected unless turned off, and a header's absurd sample rate refused.
    void decodesWhatItEncodes()
    {
        QImage bars(320, 256, QImage::Format_RGB32);
        for (int x = 0; x < 320; ++x)
            for (int y = 0; y < 256; ++y) bars.setPixel(x, y, (x / 20) % 2 ? qRgb(240, 240, 240) : qRgb(20, 20, 20));
        const QString barsFile = dir_.filePath("bars.png");
        QVERIFY(bars.save(barsFile));
        const QString wav = dir_.filePath("bars.wav");
        Result r = run({"encode", "--mode", "10", "--rate", "11025", "--fskid", "dl1abc/p 73 de tovar", barsFile, wav});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        // played back 3000 ppm fast: the header says a higher rate than the one it was made at
        setHeaderRate(wav, 11058);
        auto decode = [&](const QStringList &extra, QString &json) {
            const QString out = dir_.filePath(extra.isEmpty() ? "default" : "noslant");
            QProcess p;
            p.start(VARERO_WAV_PATH, QStringList{"decode"} + extra + QStringList{wav, out});
            if (!p.waitForFinished(120000) || p.exitCode() != 0) return QImage();
            json = QString::fromUtf8(p.readAllStandardOutput());
            return QImage(QDir(out).filePath(QDir(out).entryList({"*.png"}).value(0)));
        };
        QString json, jsonOff;
        const QImage straight = decode({}, json), sheared = decode({"--no-slant"}, jsonOff);
        QVERIFY(!straight.isNull() && !sheared.isNull());
        QVERIFY2(json.contains("\"fskid\": \"DL1ABC/P 73 DE TOVAR\""), qPrintable(json));
        // a bar edge stays where it was sent on the last lines only when the slant is corrected
        auto edgeError = [&](const QImage &img) {
            double e = 0;
            for (int y = 200; y < 250; ++y)
                for (int x = 0; x < 320; ++x) e += std::abs(qGray(img.pixel(x, y)) - qGray(bars.pixel(x, y)));
            return e / (50 * 320);
        };
        QVERIFY2(edgeError(straight) < 25 && edgeError(sheared) > 2 * edgeError(straight),
                 qPrintable(QString("corrected %1, not corrected %2").arg(edgeError(straight)).arg(edgeError(sheared))));
        setHeaderRate(wav, 2000000000);
        r = run({"decode", wav, dir_.filePath("absurd")});
        QVERIFY(r.code != 0);
        QVERIFY2(r.err.contains("outside what a sound card makes"), qPrintable(r.err));
    }

    // A WAV file's audio in several data chunks (a take appended, a recording split) is
    // decoded in file order, each chunk cut to whole samples; hostile chunk sizes give what
    // the file holds or a clear error. A take cut short is written with the lines that came
    // (the rest black), says so, and exits with 3.
    void decodesEveryDataChunk_data()
    {
        QTest::addColumn<QByteArray>("body"); // the chunks after the format chunk
        QTest::addColumn<int>("pictures");    // 0: an error is expected
        QTest::addColumn<bool>("whole");      // every picture came whole
        QTest::addColumn<QString>("message");
        QByteArray a = audio_;
        const int half = a.size() / 2 & ~1;
        QTest::newRow("split mid-picture") << chunk("data", a.left(half)) + chunk("data", a.mid(half)) << 1 << true << "";
        QTest::newRow("a take appended after a mid-sample end and a LIST chunk")
            << chunk("data", a + 'x') + chunk("LIST", "INFO") + chunk("data", a) << 2 << true << "";
        QTest::newRow("an empty data chunk first") << chunk("data", {}) + chunk("data", a) << 1 << true << "";
        QTest::newRow("the second take past the file's end")
            << chunk("data", a) + chunk("data", a.left(half)).replace(4, 4, QByteArray(4, '\xff')) << 2 << false
            << "_2_B_W_8.png: %1 of 240 lines received";
        QTest::newRow("only empty data chunks") << chunk("data", {}) + chunk("data", "y") << 0 << true << "no audio";
        QByteArray tiny;
        for (int i = 0; i < 5000; ++i) tiny += chunk("data", "zz");
        QTest::newRow("thousands of data chunks") << tiny << 0 << true << "data chunks";
    }

    void decodesEveryDataChunk()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, pictures);
        QFETCH(bool, whole);
        QFETCH(QString, message);
        const QString wav = dir_.filePath("chunks.wav"), out = dir_.filePath(QString("chunks%1").arg(QTest::currentDataTag()));
        QFile f(wav);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const QByteArray riff = "WAVE" + chunk("fmt ", format_) + body;
        f.write("RIFF" + le32(quint32(riff.size())) + riff);
        f.close();
        QProcess p;
        p.start(VARERO_WAV_PATH, {"decode", wav, out});
        QVERIFY(p.waitForFinished(60000));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        if (pictures == 0) {
            QVERIFY(p.exitCode() != 0);
            QVERIFY2(err.contains(message), qPrintable(err));
            return;
        }
        QVERIFY2(p.exitCode() == (whole ? 0 : 3), qPrintable(err));
        const QStringList found = QDir(out).entryList({"*.png"}, QDir::Files, QDir::Name);
        QCOMPARE(found.size(), pictures);
        // Every take comes out as the whole file does as far as its lines came, but for the
        // end of its last line, which sees what follows the take, and a level here and there
        // that the filter across lines carries up from there. A later take is met by the
        // receiver's decisions at other places in its signal, which place its periods by fits
        // a little apart: a period the final fit moves by no more than 0.003 ms stays where it
        // was placed, a few levels at a sharp edge (a sample's shift, 0.09 ms, would be
        // dozens). Six levels at most.
        const QStringList json = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(json.size(), pictures);
        for (int i = 0; i < pictures; ++i) {
            const QImage got = QImage(QDir(out).filePath(found[i])).convertToFormat(QImage::Format_RGB32);
            QCOMPARE(got.size(), whole_.size());
            const int lines = QRegularExpression("\"lines\": (\\d+)").match(json[i]).captured(1).toInt();
            const bool cut = !whole && i == pictures - 1;
            QVERIFY2(cut ? lines > got.height() / 3 && lines < got.height() / 2 : lines == got.height(), qPrintable(json[i]));
            if (cut) QVERIFY2(err.contains(message.arg(lines)), qPrintable(err));
            int worst = 0, lit = 0;
            for (int y = 0; y < got.height(); ++y)
                for (int x = 0; x < got.width(); ++x) {
                    if (y >= lines) lit += qGray(got.pixel(x, y)) > 0;
                    else if (y < lines - 2) worst = std::max(worst, std::abs(qGray(got.pixel(x, y)) - qGray(whole_.pixel(x, y))));
                }
            QVERIFY2(worst <= (i == 0 ? 1 : 6) && lit == 0,
                     qPrintable(QString("%1: %2 levels off, %3 pixels lit past its lines").arg(found[i]).arg(worst).arg(lit)));
        }
    }

    // decode --mode: a header heard that names another mode is said beside the picture; a
    // signal without the forced mode's line structure gives no picture and says why.
    void forcedModeSaysWhatItHeard()
    {
        const QString grey = dir_.filePath("grey.png"), bw12 = dir_.filePath("bw12.wav"), lying = dir_.filePath("lying.wav");
        QCOMPARE(run({"encode", "--mode", "2", "--rate", "11025", grey, bw12}).code, 0);
        QFile f12(bw12);
        QVERIFY(f12.open(QIODevice::ReadOnly));
        // B/W 8's picture under B/W 12's header (both 910 ms)
        QByteArray audio = audio_;
        audio.replace(0, 2 * 10033, f12.readAll().mid(44, 2 * 10033));
        QFile f(lying);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray riff = "WAVE" + chunk("fmt ", format_) + chunk("data", audio);
        f.write("RIFF" + le32(quint32(riff.size())) + riff);
        f.close();
        struct Case {
            QString wav;
            int mode, code, headerMode;
            QString message;
        };
        const QString wav8 = dir_.filePath("grey.wav");
        for (const Case &c : {Case{wav8, 1, 0, 1, ""}, Case{lying, 1, 0, 2, "the header heard names B/W 12 (mode 2), not B/W 8 (mode 1) as forced"},
                              Case{wav8, 2, 1, -1, "no line structure of B/W 12 (mode 2) found; the header heard names B/W 8 (mode 1)"}}) {
            const QString out = dir_.filePath(QString("forced%1%2").arg(c.mode).arg(c.headerMode));
            QProcess p;
            p.start(VARERO_WAV_PATH, {"decode", "--mode", QString::number(c.mode), c.wav, out});
            QVERIFY(p.waitForFinished(60000));
            const QString json = QString::fromUtf8(p.readAllStandardOutput()), err = QString::fromLocal8Bit(p.readAllStandardError());
            QVERIFY2(p.exitCode() == c.code && (c.message.isEmpty() ? err.isEmpty() : err.contains(c.message)), qPrintable(err));
            QCOMPARE(QDir(out).entryList({"*.png"}).size(), c.code == 0 ? 1 : 0);
            if (c.code == 0) QVERIFY2(json.contains(QString("\"header_mode\": %1}").arg(c.headerMode)), qPrintable(json));
        }
    }

    // decode --mode with the mode the recording is in starts the picture where its header
    // says, or without a header at its first line sync: never at the recording's start, with
    // the pause and the header drawn as its first rows, nor at a bit of a header whose leader
    // the recording lost (its code's tones are as low as a sync: Robot 36 from another sender
    // started two lines early, 22.4 dB). It is as good as the decode without.
    void forcingTheRightMode()
    {
        using namespace vareror::rxtest;
        struct F {
            const char *file, *picture;
            int mode;
        };
        int n = 0;
        for (const F &f : {F{"Robot36_photo_11025_encA.flac", "photo_320x240.png", 3},
                           F{"Martin1_testcard_11025_encA.flac", "testcard_320x256.png", 9},
                           F{"Robot36_testcard_11025_encB.flac", "testcard_320x240.png", 3}}) {
            int rate = 0;
            const auto recording = readWav(std::string(TEST_SIGNALS_DIR "/") + f.file, rate);
            const size_t pause = size_t(0.7 * rate), header = size_t(vareror::core::modeInfo(f.mode).headerMs() * rate / 1000);
            // (from the code's start bit on: an 8-bit code with its start and stop bits is 300 ms)
            const size_t code = header - size_t(0.3 * rate);
            std::vector<float> whole(pause, 0.0f), headless(pause, 0.0f), fromCode(pause, 0.0f);
            whole.insert(whole.end(), recording.begin(), recording.end());
            headless.insert(headless.end(), recording.begin() + long(header), recording.end());
            fromCode.insert(fromCode.end(), recording.begin() + long(code), recording.end());
            const RgbImage ref = loadPicture(QString(TEST_SIGNALS_DIR "/pictures/") + f.picture);
            auto decoded = [&](const std::vector<float> &a, const char *name, bool forced) {
                return decodedPsnr(a, rate, name, forced ? QStringList{"--mode", QString::number(f.mode)} : QStringList{}, ref);
            };
            const QByteArray base = QByteArray::number(++n);
            const double plain = decoded(whole, base + "plain", false), forced = decoded(whole, base + "forced", true),
                         noHeader = decoded(headless, base + "headless", true), noLeader = decoded(fromCode, base + "code", true);
            QVERIFY2(plain > 20 && forced >= plain - 0.1 && noHeader >= plain - 0.5 && noLeader >= plain - 0.5,
                     qPrintable(QString("%1: %2 dB, forced %3, forced without its header %4, from its code %5")
                                    .arg(f.file).arg(plain).arg(forced).arg(noHeader).arg(noLeader)));
        }
    }

    // decode takes the receiver's automatic notch, fast or slow, and its fixed notch: another
    // encoder's recording with a carrier 10 dB under it at 1750 Hz, from a second before it, decodes
    // with the automatic notch within 3 dB of the recording without the carrier (without the
    // notch some 20 dB under), with the fixed notch better than without.
    void carrierOptions()
    {
        using namespace vareror::rxtest;
        int rate = 0;
        auto a = readWav(TEST_SIGNALS_DIR "/Robot36_photo_11025_encA.flac", rate);
        a.insert(a.begin(), size_t(rate), 0.0f);
        for (float &x : a) x *= 0.5f; // (room for the carrier in the file's 16 bits)
        const RgbImage ref = loadPicture(TEST_SIGNALS_DIR "/pictures/photo_320x240.png");
        const double clean = decodedPsnr(a, rate, "clean", {}, ref);
        double power = 0;
        for (size_t i = size_t(1.1 * rate); i < size_t(1.5 * rate); ++i) power += double(a[i]) * a[i];
        const double amplitude = std::sqrt(2 * power / (0.4 * rate)) / std::sqrt(10.0);
        for (size_t i = 0; i < a.size(); ++i) a[i] += float(amplitude * std::sin(2 * M_PI * 1750 * double(i) / rate + 1));
        const double plain = decodedPsnr(a, rate, "carrier", {}, ref),
                     fast = decodedPsnr(a, rate, "fast", {"--auto-notch-fast"}, ref),
                     slow = decodedPsnr(a, rate, "slow", {"--auto-notch-slow"}, ref),
                     notched = decodedPsnr(a, rate, "notched", {"--notch", "1750"}, ref),
                     smoothed = decodedPsnr(a, rate, "smoothed", {"--noise-smoothing"}, ref);
        const QString what = QString("clean %1 dB; with the carrier %2, auto-notch fast %3, slow %4, notch %5, smoothing %6")
                                 .arg(clean).arg(plain).arg(fast).arg(slow).arg(notched).arg(smoothed);
        qInfo("%s", qPrintable(what));
        QVERIFY2(clean > 25 && fast > clean - 3 && slow > clean - 3 && notched > plain + 1 && smoothed > 0, qPrintable(what));
    }

private:
    // `a` written as a WAV file at `rate` and decoded with `options`: the one picture's aligned
    // PSNR against `ref`, or 0 (and why) when there is not one.
    double decodedPsnr(const std::vector<float> &a, int rate, const QString &name, const QStringList &options,
                       const vareror::rxtest::RgbImage &ref)
    {
        const QString wav = dir_.filePath(name + ".wav"), out = dir_.filePath(name + "_out");
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE *sf = sf_open(QFile::encodeName(wav).constData(), SFM_WRITE, &info);
        if (!sf) return 0.0;
        sf_writef_float(sf, a.data(), sf_count_t(a.size()));
        sf_close(sf);
        const Result r = run(QStringList{"decode"} + options + QStringList{wav, out});
        const QStringList pngs = QDir(out).entryList({"*.png"});
        if (r.code != 0 || pngs.size() != 1) {
            qWarning("%s: exit %d, %lld pictures: %s", qPrintable(name), r.code, qlonglong(pngs.size()), qPrintable(r.err));
            return 0.0;
        }
        return vareror::rxtest::alignedPsnr(vareror::rxtest::loadPicture(QDir(out).filePath(pngs[0])), ref);
    }

    // The encode run in this process, with the disk under the one writer taking `space`
    // bytes: its exit code and what it said on standard error.
    static Result encodeHere(const QStringList &args, qint64 space)
    {
        std::vector<QByteArray> words{"encode"};
        for (const QString &a : args.mid(1)) words.push_back(QFile::encodeName(a));
        std::vector<char *> argv;
        for (QByteArray &w : words) argv.push_back(w.data());
        QTemporaryFile said;
        if (!said.open()) return {-1, "no file for standard error", {}};
        std::fflush(stderr);
        const int saved = ::dup(2);
        ::dup2(said.handle(), 2);
        vareror::files::setSpaceLeftForTests(space);
        const int code = runEncode(int(argv.size()), argv.data());
        vareror::files::setSpaceLeftForTests(-1);
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        said.seek(0);
        return {code, QString::fromLocal8Bit(said.readAll()), {}};
    }
    static bool writeBytes(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
    }
    static QByteArray readBytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(cannot be read)");
    }

    QByteArray format_, audio_; // a B/W 8 picture's WAV file: its format chunk and its audio
    QImage whole_;              // ... as decoded from that file

    static QByteArray le32(quint32 v)
    {
        return QByteArray(1, char(v & 0xFF)) + char((v >> 8) & 0xFF) + char((v >> 16) & 0xFF) + char(v >> 24);
    }
    static QByteArray chunk(const char *id, const QByteArray &b)
    {
        return id + le32(quint32(b.size())) + b + (b.size() % 2 ? QByteArray(1, '\0') : QByteArray());
    }

    // The sample rate (and byte rate) in a 16-bit mono WAV file's header rewritten.
    static void setHeaderRate(const QString &path, quint32 rate)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const QByteArray head = f.read(44);
        QVERIFY(head.mid(12, 4) == "fmt ");
        auto put = [&](qint64 at, quint32 v) {
            f.seek(at);
            const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
            f.write(b, 4);
        };
        put(24, rate);
        put(28, rate * 2);
    }
};

QTEST_GUILESS_MAIN(TxToolTest)
#include "tst_tool.moc"
