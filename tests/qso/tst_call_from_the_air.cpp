// A call sign from the air ("../x" sent as FSK ID over the loopback) names no file outside
// "MugShots", neither for the look-up nor for a save of the mug shot.

#include "LiveStation.h"
#include "TestPictures.h"

#include "platform/drawing/Colors.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "shell/FormMain.h"
#include "shell/FormSetup.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using testsupport::LiveStation;

namespace {

constexpr int BlackAndWhite8 = 1; // the shortest mode
constexpr uint32_t Idle = 0x8080;
constexpr uint32_t Sending = 255;
const auto readFile = testsupport::fileBytes;

} // namespace

class TestCallFromTheAir : public QObject {
    Q_OBJECT
private slots:
    void fskIdNamesNoFileOutsideMugShots()
    {
        LiveStation s;
        shell::FormMain& form = s.form();
        auto& ui = s.fixture().ui();
        const QImage yellow = testsupport::solid(40, 30, 0xFFFFFF00);
        const QString above = s.fixture().appPath("X.jpg");
        QVERIFY(yellow.save(above));
        const QByteArray aboveBytes = readFile(above);

        // The station's call, sent as its FSK ID.
        form.copypaste->trigger();
        shell::FormSetup& setup = form.formSetup();
        setup.Text1->selectAll();
        QTest::keyClicks(setup.Text1, QStringLiteral("../x"));
        setup.Check19->click();
        setup.Command1->click();
        form.Combo2->setListIndex(BlackAndWhite8);
        form.Command3->click();
        QVERIFY(s.advanceUntil([&] { return platform::backColor(form.Command3) == Sending; }, 1000));
        QVERIFY(s.advanceUntil([&] { return platform::backColor(form.Command3) == Idle; }, 30000));
        QVERIFY(s.advanceUntil([&] { return form.Text3->text() == QStringLiteral("../X"); }, 10000));
        QVERIFY(!form.Image7->hasPicture());

        // The picture shown, saved under the call as the box proposes it: refused.
        form.Image7->setPicture(yellow.mirrored());
        ui.answerInput(form.Text3->text());
        ui.answerMsgBox(platform::vbOK);
        emit form.Label26->MouseDown(1, 0, 1, 1);
        QVERIFY(ui.last());
        QCOMPARE(ui.last()->text, QStringLiteral("Not a valid value"));
        QCOMPARE(readFile(above), aboveBytes);
        QCOMPARE(QDir(s.fixture().appPath("MugShots")).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_MAIN(TestCallFromTheAir)
#include "tst_call_from_the_air.moc"
