// The zoom view, copy and paste, the FTP folder and printing, on the real engine.
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

#include "CanvasStation.h"
#include "intake/Intake.h"
#include "platform/services/Picbuf.h"
#include "platform/widgets/FileLists.h"

#include <QTabWidget>

using namespace canvastest;

namespace {

QClipboard& clipboard() { return *QGuiApplication::clipboard(); }

// The engine's RX buffer: blue all over, then the picture at its top-left corner.
void receive(Station& s, const QImage& picture)
{
    auto& e = s.form().engine();
    e.binding().mmsFillDIB(e.rxDib(), 0xFF0000);
    const int32_t rect[4] = {0, 0, picture.width(), picture.height()};
    e.binding().mmsDrawDIBbmp(e.rxDib(), rect, &picture, rect, 4);
    e.setModePictureSize(picture.width(), picture.height());
}

// One colour inside a border of another: an overlay whose corner colour is see-through.
QImage framed(int w, int h, QRgb border, QRgb inside)
{
    QImage img = solid(w, h, border);
    testsupport::paint(img, 4, 4, w - 4, h - 4, inside);
    return img;
}

QStringList jpegs(const QString& folder) { return QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files); }

// The box around every pixel that is not white.
QRect inked(const QImage& page)
{
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if ((page.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestPictureTools : public QObject {
    Q_OBJECT
private slots:
    // Every picture fills 640 x 512 through the engine's draw; the zoom keeps its own copy,
    // so the element waiting for SET keeps its source; only the left and right buttons close.
    void zoomView()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        f.Image2->setPicture(halves(160, 120, kRed, kBlue));
        f.Image12->setPicture(halves(800, 616, kGreen, kBlack));

        // A pending overlay, pasted in Overlays mode where the element stood at (300, 300).
        f.Picture1->setPicture(solid(640, 512, kBlack));
        f.Option6->setValue(true);
        c.setOverlayWidth(240);
        c.setElementX(300);
        c.setElementY(300);
        clipboard().setImage(framed(300, 200, kWhite, kGreen));
        f.Command22->click();
        const QImage element = f.Picture3->Picture();

        for (const auto& [code, left, right] : {std::tuple{2, kRed, kBlue}, std::tuple{15, kGreen, kBlack}}) {
            c.setDragSource(code);
            f.intake().ShowZoom();
            QVERIFY(f.Picture21->isVisibleTo(&f));
            QCOMPARE(pixels(rgb32(f.Picture21->Image()), {{5, 100}, {310, 400}, {5, 511}, {330, 5}, {639, 511}}),
                     (QList<QRgb>{left, left, left, right, right}));
        }
        QCOMPARE(f.Picture3->Picture(), element);

        // A code that names no thumbnail shows the last zoom again.
        c.setDragSource(8);
        f.intake().ShowZoom();
        QCOMPARE(rgb32(f.Picture21->Image()).pixel(600, 400), kBlack);

        emit f.Picture21->mouseDown(4, 0, 10, 10);
        QVERIFY(f.Picture21->isVisibleTo(&f));
        emit f.Picture21->mouseDown(2, 0, 10, 10);
        QVERIFY(!f.Picture21->isVisibleTo(&f));

        // SET commits the overlay, not the picture zoomed.
        f.Command47->click();
        QCOMPARE(pixels(rgb32(f.Picture1->Picture()), {{400, 390}, {100, 100}}), (QList<QRgb>{kGreen, kBlack}));
    }

    // An empty clipboard, or one holding text only: the message, and nothing changes.
    void pasteRefusesWithoutAPicture()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage tx = busy(640, 512);
        f.Picture1->setPicture(tx);
        const QImage work = solid(50, 40, kGreen);
        f.Picture3->setPicture(work);
        f.Image13->setPicture(solid(8, 8, kBlue));
        c.setElementAngle(30);
        c.setDragSource(12);
        for (bool text : {false, true}) {
            clipboard().clear();
            if (text)
                clipboard().setText(QStringLiteral("not a picture"));
            s.fixture().ui().answerMsgBox(platform::vbOK);
            f.Text3->setFocus();
            f.Command22->click();
            QVERIFY(!s.fixture().ui().messages().isEmpty());
            QCOMPARE(s.fixture().ui().messages().last(), QStringLiteral("Nothing in Clipboard."));
            QCOMPARE(f.focusWidget(), f.Text1);
            QCOMPARE(f.Picture3->Picture(), work);
            QCOMPARE(rgb32(f.Picture1->Image()), tx);
            QCOMPARE(rgb32(f.Image13->Picture()), solid(8, 8, kBlue));
            QCOMPARE(c.elementAngle(), 30.0);
        }
    }

    // Pic in Pic centres the element on the top-left quarter; Overlays draws it where the
    // element stood and then moves the element's corner there. Either waits for SET, which
    // commits it; Undo wipes it.
    void pasteAnElement()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage tx = solid(640, 512, kBlack);
        f.Picture1->setPicture(tx);
        f.Image6->setPicture(tx);
        f.Option7->setValue(true);
        c.setOverlayWidth(240);
        c.setDragSource(12);
        const QImage pasted = halves(100, 80, kRed, kGreen);
        clipboard().setImage(pasted);
        f.Command22->click();
        QCOMPARE(platform::backColor(f.Command47), canvas::kPendingColor);
        QCOMPARE(QPointF(c.elementX(), c.elementY()), QPointF(40, 32));
        QCOMPARE(rgb32(f.Image6->Picture()), pasted);
        QCOMPARE(rgb32(f.Image13->Picture()), tx);
        QCOMPARE(rgb32(f.Picture2->Picture()).pixel(600, 500), kGreen); // the source, stretched
        QCOMPARE(pixels(rgb32(f.Picture1->Image()), {{40, 32}, {279, 223}, {39, 32}, {280, 223}, {279, 224}}),
                 (QList<QRgb>{kRed, kGreen, kBlack, kBlack, kBlack}));
        f.Command12->click();
        QCOMPARE(rgb32(f.Picture1->Image()), tx);

        // Again, committed by SET.
        f.Command22->click();
        f.Command47->click();
        QCOMPARE(rgb32(f.Picture1->Picture()).pixel(100, 100), kRed);

        // Overlays: drawn where the element stood (its corner 300, 300), then the corner moves.
        f.Picture1->setPicture(tx);
        f.Option6->setValue(true);
        c.setElementX(300);
        c.setElementY(300);
        clipboard().setImage(framed(100, 80, kWhite, kGreen));
        f.Command22->click();
        // The border's colour is see-through.
        QCOMPARE(pixels(rgb32(f.Picture1->Image()), {{360, 360}, {301, 301}, {100, 100}}),
                 (QList<QRgb>{kGreen, kBlack, kBlack}));
        QCOMPARE(QPointF(c.elementX(), c.elementY()), QPointF(40, 32));
    }

    // A whole paste stretches any shape over 640 x 512, keeps the old picture as the undo copy
    // and shows the TX tab; RX>TX brings the mode's area of the RX buffer there; Copy
    // TX Image drops the element waiting for SET.
    void pasteWholeAndCopy()
    {
        Station s;
        auto& f = s.form();
        const QImage before = busy(640, 512);
        f.Picture1->setPicture(before);
        f.SSTab1->setCurrentIndex(0);
        clipboard().setImage(halves(100, 300, kRed, kBlue));
        f.Command22->click();
        QCOMPARE(f.SSTab1->currentIndex(), 1);
        QImage tx = rgb32(f.Picture1->Picture());
        QCOMPARE(tx.size(), QSize(640, 512));
        QCOMPARE(pixels(tx, {{0, 0}, {310, 511}, {330, 0}, {639, 511}}), (QList<QRgb>{kRed, kRed, kBlue, kBlue}));
        QCOMPARE(rgb32(f.Image6->Picture()), tx);
        QCOMPARE(rgb32(f.Image13->Picture()), before);
        QCOMPARE(platform::backColor(f.Command47), platform::vbButtonFace);

        // Copy RX Image after a 320 x 256 picture: only that area, stretched to 640 x 512.
        receive(s, halves(320, 256, kGreen, kRed));
        f.intake().copyrx_Click();
        const QImage copied = rgb32(clipboard().image());
        QCOMPARE(copied.size(), QSize(640, 512));
        QCOMPARE(pixels(copied, {{0, 0}, {639, 511}, {300, 500}}), (QList<QRgb>{kGreen, kRed, kGreen}));
        QCOMPARE(rgb32(f.Picture1->Picture()), tx); // the TX screen is not touched

        // RX>TX in Text mode: the received picture becomes the TX picture.
        f.SSTab1->setCurrentIndex(0);
        receive(s, halves(320, 256, kWhite, kBlack));
        f.Command51->click();
        QCOMPARE(f.SSTab1->currentIndex(), 1);
        QCOMPARE(pixels(rgb32(f.Picture1->Picture()), {{10, 10}, {630, 500}}), (QList<QRgb>{kWhite, kBlack}));

        // Copy TX Image with an element waiting: the committed picture, the element gone.
        const QImage committed = rgb32(f.Picture1->Picture());
        f.Picture1->setAutoRedraw(true);
        f.Picture1->Line(0, 0, 50, 50, platform::vbRed, platform::PictureBox::LineKind::FilledBox);
        f.Picture1->setAutoRedraw(false);
        platform::setBackColor(f.Command47, canvas::kPendingColor);
        f.intake().copye_Click();
        QCOMPARE(rgb32(clipboard().image()), committed);
        QCOMPARE(rgb32(f.Picture1->Image()), committed);
        QCOMPARE(platform::backColor(f.Command47), platform::vbButtonFace);
    }

    // The folder: asked on the right button at the box's corner, stored with "/" even when it
    // does not exist; Cancel keeps it; a left press needs an existing absolute folder.
    void ftpFolder()
    {
        Station s;
        auto& f = s.form();
        auto& ui = s.fixture().ui();
        auto& in = f.intake();
        QTemporaryDir dir;
        ui.setAutoAcceptOkOnly(true);
        const auto press = [&](int button) { emit f.Command26->MouseDown(button, 0, 5, 5); };

        QVERIFY(in.ftpDir().isEmpty());
        press(1);
        QVERIFY(!ui.messages().isEmpty());
        QCOMPARE(ui.messages().last(), QStringLiteral("No Directory Defined, create and try again"));
        QVERIFY(in.ftpDir().isEmpty());

        ui.answerInput(dir.path());
        press(2);
        QVERIFY(!ui.calls(platform::UiCall::InputBox).isEmpty());
        const platform::UiCall asked = ui.calls(platform::UiCall::InputBox).last();
        QCOMPARE(asked.text, QStringLiteral("Type FTP Directory"));
        QCOMPARE(asked.title, QStringLiteral("Set FTP Directory"));
        QCOMPARE(asked.defaultText, QString());
        QCOMPARE(asked.topLeft, QPoint(f.width() / 2, f.height() / 3));
        QCOMPARE(in.ftpDir(), dir.path() + "/");
        QCOMPARE(f.Dir1->Path(), dir.path());

        ui.cancelInput();
        press(2);
        QVERIFY(!ui.calls(platform::UiCall::InputBox).isEmpty());
        QCOMPARE(ui.calls(platform::UiCall::InputBox).last().defaultText, dir.path() + "/");
        QCOMPARE(in.ftpDir(), dir.path() + "/");

        const int shown = int(ui.messages().size());
        ui.answerInput(dir.filePath("later"));
        press(2);
        QVERIFY(!ui.messages().isEmpty());
        QCOMPARE(ui.messages().last(), QStringLiteral("No such Directory, create and try again"));
        QCOMPARE(in.ftpDir(), dir.filePath("later") + "/");
        press(1);
        QVERIFY(!ui.messages().isEmpty());
        QCOMPARE(ui.messages().last(), QStringLiteral("No Directory Defined, create and try again"));
        QCOMPARE(int(ui.messages().size()), shown + 2);
        QVERIFY(jpegs(dir.path()).isEmpty());
    }

    // A save: the TX picture whole in modes 16 to 23 and 33 to 36, else 320 x 256; a second
    // save in the same second gets "_2"; the browser shows the folder; a failed write is said.
    void ftpSaves()
    {
        Station s;
        auto& f = s.form();
        auto& e = f.engine();
        auto& in = f.intake();
        QTemporaryDir dir;
        in.setFtpDir(dir.path()); // the "/" is added by the press
        const QDateTime frozen(QDate(2025, 1, 2), QTime(3, 4, 5));
        e.setLocalTime([frozen] { return frozen; });
        e.setJpegQuality(80);
        const QImage tx = halves(640, 512, kRed, kBlue);
        f.Picture1->setPicture(tx);
        const QImage work = f.Picture3->Picture();
        const auto press = [&] { emit f.Command26->MouseDown(1, 0, 5, 5); };

        e.setTxMode(16);
        press();
        QCOMPARE(in.ftpDir(), dir.path() + "/");
        QCOMPARE(QImageReader(dir.filePath("250102030405.jpg")).size(), QSize(640, 512));
        e.setTxMode(0);
        press();
        const QImage reduced(dir.filePath("250102030405_2.jpg"));
        QCOMPARE(reduced.size(), QSize(320, 256));
        QCOMPARE(qRed(reduced.pixel(100, 128)) > 200 && qBlue(reduced.pixel(220, 128)) > 200, true);
        QCOMPARE(f.Picture3->Picture(), work);
        QCOMPARE(f.File1->Path(), dir.path());
        QCOMPARE(f.File1->ListCount(), 2);
        // The folder's first file is selected: " >>>> Next 4" shows both.
        QCOMPARE(f.File1->ListIndex(), 0);
        f.intake().Label13_Click();
        QVERIFY(f.Image8->hasPicture() && f.Image9->hasPicture());

        // At the quality set for JPEG files.
        QCOMPARE(testsupport::fileBytes(dir.filePath("250102030405.jpg")), testsupport::jpegAt(tx, 80));

        // A folder that takes no files (for root even a read-only one does, /proc does not).
        QTemporaryDir locked;
        QFile::setPermissions(locked.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        in.setFtpDir(geteuid() == 0 ? QStringLiteral("/proc/") : locked.path() + "/");
        s.fixture().ui().answerMsgBox(platform::vbOK);
        press();
        QVERIFY(!s.fixture().ui().messages().isEmpty());
        QVERIFY(s.fixture().ui().messages().last().startsWith("Cannot write"));
        QFile::setPermissions(locked.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // One page of 24688 x 17469 twips with the TX picture 11485 x 9372 twips at its top-left
    // corner; a cancelled dialog prints nothing and says nothing.
    void printing()
    {
        Station s;
        auto& f = s.form();
        auto& ui = s.fixture().ui();
        QTemporaryDir dir;
        const QString pdf = dir.filePath("tx.pdf");
        f.Picture1->setPicture(halves(640, 512, kRed, kBlue));

        ui.answerPrinter(false, pdf);
        f.printTxPicture();
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(ui.messages().isEmpty());

        ui.answerPrinter(true, pdf);
        f.printTxPicture();
        QVERIFY(QFile::exists(pdf));
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY(info.waitForFinished(30000));
        const QString text = QString::fromLatin1(info.readAllStandardOutput());
        QVERIFY2(text.contains(QRegularExpression("Pages:\\s+1\\n")), qPrintable(text));

        // At 100 dots to the inch the page is 1714.4 x 1213.1 dots, the picture 797.6 x 650.8.
        QProcess render;
        render.start(QStringLiteral("pdftoppm"), {"-r", "100", "-singlefile", "-png", pdf, dir.filePath("page")});
        QVERIFY(render.waitForFinished(60000));
        QCOMPARE(render.exitCode(), 0);
        const QImage page(dir.filePath("page.png"));
        QVERIFY2(qAbs(page.width() - 1714.4) <= 1 && qAbs(page.height() - 1213.1) <= 1,
                 qPrintable(QString("%1 x %2").arg(page.width()).arg(page.height())));
        const QRect box = inked(page);
        QCOMPARE(box.topLeft(), QPoint(0, 0));
        QVERIFY2(qAbs(box.width() - 797.6) <= 1.5 && qAbs(box.height() - 650.8) <= 1.5,
                 qPrintable(QString("%1 x %2").arg(box.width()).arg(box.height())));
        QCOMPARE(QColor(page.pixel(100, 300)).red() > 200, true);
        QCOMPARE(QColor(page.pixel(700, 300)).blue() > 200, true);
    }
};

QTEST_MAIN(TestPictureTools)
#include "PictureToolsTest.moc"
