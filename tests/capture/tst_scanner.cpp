// Scanning through SANE's test backend: the devices listed and chosen, the picture as
// SANE's own scanimage reads the same device (colour, 16-bit grey, three-pass, a height
// not known ahead), and "Twain Acquire" onto the TX screen with its silent failure path.
// Each SANE configuration runs in a process of its own (see CMakeLists.txt); a case
// for another configuration skips.
#include <QApplication>
#include <QClipboard>
#include <QProcess>
#include <QProgressDialog>
#include <QtTest>

#include "FormFixture.h"
#include "TestPictures.h"
#include "capture/Capture.h"
#include "platform/services/Scanner.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "shell/FormMain.h"

using testsupport::FormFixture;

using ScanOptions = QList<std::pair<QString, QVariant>>;

namespace {

bool configIs(const char* name)
{
    return QFileInfo(qEnvironmentVariable("SANE_CONFIG_DIR")).fileName() == QLatin1String(name);
}

#define REQUIRE_CONFIG(name)                                                                                \
    if (!configIs(name))                                                                                    \
        QSKIP("runs with the SANE configuration \"" name "\"");

// scanimage's reading of test:0 with `options`, as a picture: PNM grey or colour, 8 or
// 16 bits (16-bit samples big-endian, their high byte kept), or 1-bit.
QImage scanimage(const QStringList& options)
{
    QProcess process;
    process.start(QStringLiteral(SCANIMAGE_PROGRAM),
                  QStringList{QStringLiteral("-d"), QStringLiteral("test:0"), QStringLiteral("--format=pnm")} + options);
    // The test backend now and then leaves scanimage hanging after the whole picture is
    // out: the picture is judged by what was written, whole or not.
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
    }
    const QByteArray pnm = process.readAllStandardOutput();
    // Header: magic, width, height and (except for 1-bit) the largest value, with
    // comments between.
    int pos = 0;
    auto token = [&] {
        for (;;) {
            while (pos < pnm.size() && QChar(pnm[pos]).isSpace())
                ++pos;
            if (pos < pnm.size() && pnm[pos] == '#') {
                while (pos < pnm.size() && pnm[pos] != '\n')
                    ++pos;
                continue;
            }
            break;
        }
        const int start = pos;
        while (pos < pnm.size() && !QChar(pnm[pos]).isSpace())
            ++pos;
        return pnm.mid(start, pos - start);
    };
    const QByteArray magic = token();
    const int width = token().toInt();
    const int height = token().toInt();
    const int maxval = magic == "P4" ? 1 : token().toInt();
    ++pos;
    const auto* data = reinterpret_cast<const uchar*>(pnm.constData()) + pos;
    QImage image(width, height, QImage::Format_RGB32);
    const int channels = magic == "P6" ? 3 : 1;
    const int bytes = maxval > 255 ? 2 : 1;
    const int rowBytes = magic == "P4" ? (width + 7) / 8 : width * channels * bytes;
    if (pnm.size() - pos < qint64(rowBytes) * height)
        return QImage();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uchar* row = data + qint64(y) * rowBytes;
            if (magic == "P4") {
                const int v = (row[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
                image.setPixel(x, y, qRgb(v, v, v));
                continue;
            }
            int c[3];
            for (int k = 0; k < channels; ++k)
                c[k] = row[(x * channels + k) * bytes]; // the high byte of a 16-bit sample
            image.setPixel(x, y, channels == 3 ? qRgb(c[0], c[1], c[2]) : qRgb(c[0], c[0], c[0]));
        }
    return image;
}

// The test backend keeps a device's options from one opening to the next within the
// process: every scan starts from the configured ones.
void resetOptions(platform::Scanner& scanner)
{
    const ScanOptions defaults{{QStringLiteral("hand-scanner"), false},
                               {QStringLiteral("mode"), QStringLiteral("Color")},
                               {QStringLiteral("three-pass"), true},
                               {QStringLiteral("three-pass-order"), QStringLiteral("RGB")},
                               {QStringLiteral("three-pass"), false},
                               {QStringLiteral("mode"), QStringLiteral("Gray")},
                               {QStringLiteral("depth"), 8},
                               {QStringLiteral("test-picture"), QStringLiteral("Color pattern")}};
    for (const auto& [name, value] : defaults)
        scanner.setOption(name, value);
}

QImage scanWith(const ScanOptions& options)
{
    platform::Scanner scanner(QStringLiteral("test:0"));
    resetOptions(scanner);
    for (const auto& [name, value] : options)
        scanner.setOption(name, value);
    return scanner.scan({}, 4096);
}

// The mean difference per channel of two pictures of one size.
double meanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace

class ScannerTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        if (configIs("devices")) {
            platform::Scanner scanner(QStringLiteral("test:0"));
            resetOptions(scanner);
        }
    }

    void devicesAndChooser()
    {
        REQUIRE_CONFIG("devices");
        const QList<platform::ScannerDevice> devices = platform::Scanner::devices();
        QCOMPARE(devices.size(), 2);
        QCOMPARE(devices.at(0).name, QStringLiteral("test:0"));
        QCOMPARE(devices.at(1).name, QStringLiteral("test:1"));

        FormFixture f;
        capture::Capture& capture = f.form().capture();
        f.ui().answerChoice(1);
        f.form().selectsource->trigger();
        const platform::UiCall* call = f.ui().last();
        QVERIFY(call && call->kind == platform::UiCall::Choice);
        QCOMPARE(call->items.size(), 2);
        QVERIFY(call->items.at(1).contains(QStringLiteral("test:1")));
        QCOMPARE(call->current, -1);
        QCOMPARE(capture.scannerSource(), QStringLiteral("test:1"));
        // The choice is kept: the chooser opens on it, and a cancel keeps it.
        f.ui().cancelChoice();
        f.form().selectsource->trigger();
        QVERIFY(f.ui().last());
        QCOMPARE(f.ui().last()->current, 1);
        QCOMPARE(capture.scannerSource(), QStringLiteral("test:1"));
    }

    void conversionsMatchScanimage_data()
    {
        QTest::addColumn<ScanOptions>("options");
        QTest::addColumn<bool>("fixedHeight"); // a hand scanner's height is known only at the end
        const auto colour = std::pair{QStringLiteral("mode"), QVariant(QStringLiteral("Color"))};
        const auto grey = std::pair{QStringLiteral("mode"), QVariant(QStringLiteral("Gray"))};
        const auto threePass = std::pair{QStringLiteral("three-pass"), QVariant(true)};
        QTest::newRow("colour") << ScanOptions{colour} << true;
        QTest::newRow("16-bit grey") << ScanOptions{grey, {QStringLiteral("depth"), 16}} << true;
        QTest::newRow("16-bit colour") << ScanOptions{colour, {QStringLiteral("depth"), 16}} << true;
        QTest::newRow("three-pass") << ScanOptions{colour, threePass} << true;
        QTest::newRow("three-pass BGR")
            << ScanOptions{colour, threePass, {QStringLiteral("three-pass-order"), QStringLiteral("BGR")}} << true;
        QTest::newRow("hand scanner") << ScanOptions{colour, {QStringLiteral("hand-scanner"), true}} << false;
        QTest::newRow("1-bit grey") << ScanOptions{grey, {QStringLiteral("depth"), 1}} << true;
    }

    void conversionsMatchScanimage()
    {
        REQUIRE_CONFIG("devices");
        QFETCH(ScanOptions, options);
        QFETCH(bool, fixedHeight);
        QStringList scanimageOptions;
        for (const auto& [name, value] : options)
            scanimageOptions << QStringLiteral("--%1=%2").arg(name, value.typeId() == QMetaType::Bool
                                                                        ? (value.toBool() ? "yes" : "no")
                                                                        : value.toString());
        const QImage expected = scanimage(scanimageOptions);
        QVERIFY(!expected.isNull());
        const QImage scanned = scanWith(options);
        if (fixedHeight)
            QCOMPARE(scanned.size(), QSize(157, 196));
        QCOMPARE(scanned.size(), expected.size());
        QCOMPARE(scanned.convertToFormat(QImage::Format_RGB32), expected);
    }

    // 1-bit colour, which scanimage does not write: set bits are full colour.
    void oneBitPictures()
    {
        REQUIRE_CONFIG("devices");
        for (const char* mode : {"Gray", "Color"})
            for (const auto& [picture, value] : {std::pair{"Solid black", 0}, std::pair{"Solid white", 255}}) {
                const QImage scanned = scanWith({{QStringLiteral("mode"), QString::fromLatin1(mode)},
                                                 {QStringLiteral("depth"), 1},
                                                 {QStringLiteral("test-picture"), QString::fromLatin1(picture)}});
                QCOMPARE(scanned.size(), QSize(157, 196));
                for (const QPoint p : {QPoint(0, 0), QPoint(156, 195), QPoint(80, 100)})
                    QVERIFY2(scanned.pixel(p) == qRgb(value, value, value), picture);
            }
    }

    void acquireFillsTxPicture()
    {
        REQUIRE_CONFIG("devices");
        FormFixture f;
        shell::FormMain& form = f.form();
        QApplication::clipboard()->setText(QStringLiteral("my text"));
        form.Picture1->setPicture(QImage());
        const QImage before = form.Picture1->Image();
        f.ui().answerChoice(0);
        form.selectsource->trigger();
        form.acquire->trigger();

        const QImage scan = scanWith({{QStringLiteral("mode"), QStringLiteral("Color")}});
        QCOMPARE(scan.size(), QSize(157, 196));
        const QImage tx = form.Picture1->Picture();
        QCOMPARE(tx.size(), QSize(640, 512));
        // The scan stretched over the whole TX picture.
        const QImage stretched = scan.scaled(640, 512, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                                     .convertToFormat(tx.format());
        QVERIFY2(meanDifference(tx, stretched) < 4, qPrintable(QString::number(meanDifference(tx, stretched))));
        QVERIFY(meanDifference(tx, before) > 30);
        QCOMPARE(form.Image14->Picture(), tx);
        // The frame is committed: the next Undo keeps it; the take-back has the picture before.
        QCOMPARE(form.Image6->Picture(), tx);
        QCOMPARE(form.Image13->Picture(), before);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("my text"));
        QCOMPARE(f.ui().calls(platform::UiCall::MsgBox).size(), 0);
    }

    void acquireCancelledAndNotTwice()
    {
        REQUIRE_CONFIG("devices");
        FormFixture f;
        shell::FormMain& form = f.form();
        const QImage clean = testsupport::solid(640, 512, qRgb(10, 200, 30));
        form.Image6->setPicture(clean);
        form.Picture1->setPicture(QImage());
        // Inside the scan's progress: a second Acquire, then Cancel.
        bool nestedReturned = false;
        QImage duringNested;
        QTimer::singleShot(0, &form, [&] {
            form.acquire->trigger();
            nestedReturned = true;
            duringNested = form.Picture1->Picture();
            auto* progress = form.findChild<QProgressDialog*>(QStringLiteral("scanProgress"));
            QVERIFY(progress);
            progress->cancel();
        });
        form.acquire->trigger();
        QVERIFY(nestedReturned);
        QVERIFY(duringNested.isNull());
        QCOMPARE(form.Picture1->Picture(), clean);
        QVERIFY(!form.capture().acquiring());
        QCOMPARE(f.ui().calls(platform::UiCall::MsgBox).size(), 0);
    }

    void jammedScanRestoresCleanPicture()
    {
        REQUIRE_CONFIG("jammed");
        FormFixture f;
        shell::FormMain& form = f.form();
        QApplication::clipboard()->setText(QStringLiteral("kept"));
        const QImage clean = testsupport::solid(640, 512, qRgb(200, 30, 30));
        form.Image6->setPicture(clean);
        form.Picture1->setPicture(testsupport::solid(640, 512, qRgb(255, 255, 255)));
        form.acquire->trigger();
        QCOMPARE(form.Picture1->Picture(), clean);
        QCOMPARE(f.ui().calls().size(), 0);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept"));
        QVERIFY_THROWS_EXCEPTION(platform::ScanError, scanWith({}));
    }

    void noBackendFailsSilently()
    {
        REQUIRE_CONFIG("none");
        QCOMPARE(platform::Scanner::devices().size(), 0);
        FormFixture f;
        shell::FormMain& form = f.form();
        f.ui().cancelChoice();
        form.selectsource->trigger();
        QVERIFY(f.ui().last());
        QCOMPARE(f.ui().last()->items.size(), 0);
        QCOMPARE(f.ui().last()->text, QStringLiteral("No scanner was found."));
        const QImage clean = testsupport::solid(640, 512, qRgb(1, 2, 3));
        form.Image6->setPicture(clean);
        form.acquire->trigger();
        QCOMPARE(form.Picture1->Picture(), clean);
        QCOMPARE(f.ui().calls(platform::UiCall::MsgBox).size(), 0);
    }
};

QTEST_MAIN(ScannerTest)
#include "tst_scanner.moc"
