// A new operator's first road through the real engine on its loopback and virtual clock:
// an empty folder, Setup, a picture sent and received, Exit, and a restart as it was left.

#include "LiveStation.h"
#include "TestCard.h"

#include "engine/EngineControl.h"
#include "platform/drawing/Colors.h"
#include "platform/services/Engine.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"
#include "shell/FormSetup.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

using testsupport::LiveStation;
using testsupport::psnr;

namespace {

constexpr int Robot36 = 3;
constexpr uint32_t Idle = 0x8080;
constexpr uint32_t Sending = 255;

QStringList files(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

// Replaces what a text box holds by typing over all of it, as the operator does.
void retype(platform::TextBox* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
}

} // namespace

class TestFirstRoad : public QObject {
    Q_OBJECT
private slots:
    void firstRoad()
    {
        LiveStation s(false);
        QVERIFY(!QFileInfo::exists(s.fixture().appFolder()));
        s.start();
        shell::FormMain& form = s.form();
        form.show();
        const QString rxFolder = s.fixture().dataHome() + "/rx";
        QVERIFY(QDir().mkpath(rxFolder));

        // Setup: the call sign, an auto-save folder of one's own, the call sent as FSK ID.
        form.copypaste->trigger();
        shell::FormSetup& setup = form.formSetup();
        QVERIFY(setup.isVisible());
        QCOMPARE(setup.Text1->text(), QStringLiteral("SETUP YOUR CALLSIGN"));
        retype(setup.Text1, QStringLiteral("DL1ABC"));
        retype(setup.Text3, rxFolder);
        QCOMPARE(setup.Text3->text(), rxFolder);
        QCOMPARE(setup.Text4->text(), QStringLiteral("9000"));
        setup.Check19->click();
        setup.Command1->click();
        QVERIFY(!setup.isVisible());
        QCOMPARE(s.engine().autoSaveDir(), rxFolder + "/");

        // A picture, a short mode, A-Save; then TX.
        form.Combo1->setListIndex(form.Combo1->findText(QStringLiteral("Test Patern")));
        const QImage sent = form.Picture1->Picture();
        form.Combo2->setListIndex(Robot36);
        form.Check8->click();
        form.Command3->click();
        QVERIFY(s.advanceUntil([&] { return platform::backColor(form.Command3) == Sending; }, 1000));
        QVERIFY(s.advanceUntil([&] { return platform::backColor(form.Command3) == Idle; }, 60000));

        // Back on the RX tab in the mode sent, with the call as FSK ID; archived as sent.
        QVERIFY(s.advanceUntil([&] { return form.Label56->caption().startsWith("DL1ABC"); }, 10000));
        QCOMPARE(form.Label37->caption(), QStringLiteral("Robot 36"));
        QCOMPARE(form.Text3->text(), QStringLiteral("DL1ABC"));
        const double back = psnr(form.Picture18->screenImage(), sent);
        QVERIFY2(back > 20, qPrintable(QString::number(back)));
        QCOMPARE(files(s.fixture().appPath("TXImages")).size(), 1);

        // The recording of the transmission received as from the air: saved in the folder.
        s.engine().binding().vrrSetOption("output", "none");
        s.engine().binding().vrrSetOption("input", ("wav:" + QFile::encodeName(s.wav())).constData());
        QVERIFY(s.advanceUntil([&] { return !files(rxFolder).isEmpty(); }, 90000));
        QCOMPARE(files(rxFolder).size(), 1);
        const QImage saved(rxFolder + "/" + files(rxFolder).first());
        QCOMPARE(saved.width(), 320);
        const double stored = psnr(saved, sent);
        QVERIFY2(stored > 20, qPrintable(QString::number(stored)));
        const QImage recent = form.Image12->Picture();
        QVERIFY(!recent.isNull());

        // Exit, and a new start finds everything as it was left.
        s.quit();
        s.start();
        shell::FormMain& again = s.form();
        QCOMPARE(again.qso().stationCall(), QStringLiteral("DL1ABC"));
        QCOMPARE(again.Combo2->listIndex(), Robot36);
        QCOMPARE(again.Check8->value(), 1);
        QVERIFY2(psnr(again.Picture1->Picture(), sent) > 40, "the TX screen");
        QVERIFY2(psnr(again.Image12->Picture(), recent) > 40, "the recent row");
        QCOMPARE(files(s.fixture().appPath("TXImages")).size(), 1);
        QCOMPARE(files(rxFolder).size(), 1);
        again.copypaste->trigger();
        shell::FormSetup& setupAgain = again.formSetup();
        QCOMPARE(setupAgain.Text1->text(), QStringLiteral("DL1ABC"));
        QCOMPARE(setupAgain.Text3->text(), rxFolder + "/");
        QCOMPARE(setupAgain.Text4->text(), QStringLiteral("9000"));
        QCOMPARE(setupAgain.Check19->value(), 1);
        QCOMPARE(QString::fromLatin1(s.engine().binding().mmsSetFSKID(nullptr)), QStringLiteral("DL1ABC"));
    }
};

QTEST_MAIN(TestFirstRoad)
#include "tst_firstroad.moc"
