// The settings file "restoreTovaroM": its line format, every field going round (under a
// decimal comma), files cut short or damaged, and the restore's ranges and defaults.
#include <QLocale>
#include <QtTest>

#include <clocale>

#include "StartupFiles.h"
#include "SkippedSteps.h"
#include "canvas/TxCanvas.h"
#include "intake/Intake.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"
#include "platform/services/ScriptedUi.h"
#include "qso/Qso.h"
#include "shell/FormSetup.h"
#include "shell/SettingsFile.h"
#include "strips/Strips.h"
#include "text/TextTools.h"

using shell::SettingsReader;
using shell::SettingsWriter;
using testsupport::FormFixture;
using namespace startupfiles;

namespace {

QByteArray writeSettingsOf(FormFixture& f)
{
    platform::StepRunner steps;
    f.form().shell().writeSettings(steps);
    return fileBytes(f.appPath("restoreTovaroM"));
}

// Every field of the file set to a value of its own, in the variables and controls it
// is written from: arrays, texts with commas, quotes and line ends, negative and
// fractional numbers. The values are ones the restore leaves as they are. The other set
// differs from the first on every line, so each line holds something other than what a
// fresh window writes in one of the two.
void setEveryField(shell::FormMain& form, bool otherSet = false)
{
    auto& text = form.text();
    auto& qso = form.qso();
    auto& intake = form.intake();
    auto& engine = form.engine();
    auto& shell = form.shell();
    const auto pick = [otherSet](const QVariant& first, const QVariant& other) { return otherSet ? other : first; };
    const QString set = otherSet ? QStringLiteral("other ") : QString();
    for (int i = 1; i <= 19; ++i)
        text.setFontRecordEntry(i, QStringLiteral("%1record %2, \"quoted\"").arg(set).arg(i));
    const int foreColour = otherSet ? 0x654321 : 0x123456;
    text.setDrawingColour(QString::number(foreColour)); // the drawing colour is the text colour
    for (int i = 1; i <= 28; ++i) {
        text.setFontPresetText(i, QStringLiteral("%1text preset %2").arg(set).arg(i));
        text.setFontPresetPicture(i, QStringLiteral("%1screen preset %2").arg(set).arg(-i));
    }
    for (int i = 1; i <= 4; ++i)
        text.setCustomColour(i, QString::number(1000 * i + (otherSet ? 7 : 0)));
    shell.setSpareValueA(pick(1, 2));
    shell.setSpareValueB(pick(QStringLiteral("carried, as it was"), QVariant()));
    qso.setStationCall(otherSet ? QStringLiteral("G4XYZ") : QStringLiteral("DL1ABC/P"));
    qso.setBand(otherSet ? QStringLiteral("7.171") : QStringLiteral("14.230 MHz, USB"));
    qso.setReport(otherSet ? QStringLiteral("59") : QStringLiteral("5\"9\"5"));
    qso.setZoneWord(otherSet ? QStringLiteral("UTC") : QStringLiteral("LCL"));
    for (int i = 1; i <= 14; ++i)
        intake.setQuickDir(i, QStringLiteral("/home/op/pictures, %1set %2/\"best\"").arg(set).arg(i));
    const QVariant pages[] = {QVariant(), 3, QStringLiteral("a text"), 2.25, -7, QVariant(), 0, 1e-3};
    const QVariant otherPages[] = {1, QVariant(), -2, QStringLiteral("other"), 7.5, 4, QVariant(), 2};
    for (int i = 1; i <= 8; ++i)
        intake.setQuickDirPage(i, otherSet ? otherPages[i - 1] : pages[i - 1]);
    form.HScroll4->setValue(otherSet ? 4 : 11);
    text.setOutlineWeight(pick(2, 1));
    form.VScroll1->setValue(otherSet ? 2 : 7); // its handler sets the shadow depth
    intake.setCurrentQuickDir(pick(5, 2));
    form.HScroll5->setValue(otherSet ? 6 : 3);
    qso.setUtcOffset(pick(-5.5, 1));
    text.setTextOption(1, pick(1, 0));
    text.setTextOption(2, pick(0, 1));
    text.setTextOption(3, pick(1, 0));
    text.setTextOption(4, pick(4, 2));
    form.Combo3->setText(otherSet ? QStringLiteral("Graduated Text") : QStringLiteral("Striped Text"));
    if (!otherSet)
        platform::setBackColor(form.Text13, 255); // the shadow colour rule on
    shell.setSavedControlValue(shell::Shell::TextForeColour, foreColour);
    shell.setSavedControlValue(shell::Shell::TextBackColour, pick(0x00FF8040, 0x102030));
    for (auto* box : {form.Check8, form.Check7, form.Check11, form.Check12, form.Check3, form.Check1, form.Check2,
                      form.Check17, form.Check16})
        box->setValue(otherSet ? 0 : 1);
    form.Check15->setValue(otherSet ? 1 : 0);
    engine.setAutoSaveLimit(pick(70, 140));
    form.formSetup().Check27->setValue(otherSet ? 0 : 1);
    shell.setWindowLeftAtExit(pick(1234.5, -60));
    engine.setTxMode(pick(9, 3));
    engine.setToneFrequency(pick(1234.5, 1900));
    engine.setJpegQuality(pick(80, 33));
    engine.setAutoSaveDir(otherSet ? QStringLiteral("/srv/other/") : QStringLiteral("/srv/sstv, rx/\"auto\"/"));
    text.setFontPresetSelected(pick(2, 1));
    text.setFontStyleCode(otherSet ? 10 : 111);
    qso.setHeaderFlag(pick(1, 0));
    qso.setHeaderNumberValue(pick(13, 5));
    intake.setFileTypeFilter(pick(18, 0));
    intake.setFtpDir(otherSet ? QStringLiteral("/srv/ftp2") : QStringLiteral("/srv/ftp\r\nnext line"));
}

// The settings file of setEveryField, as written.
QByteArray fileOfEveryField(bool otherSet = false)
{
    FormFixture f;
    setEveryField(f.form(), otherSet);
    QDir().mkpath(f.appFolder());
    return writeSettingsOf(f);
}

// A fresh window reads the file and restores from it what the start-up restores, and
// writes it again.
QByteArray readAndWriteAgain(const QByteArray& file)
{
    FormFixture f(false);
    writeFile(f.appPath("restoreTovaroM"), file);
    f.build();
    platform::StepRunner steps;
    shell::Shell& shell = f.form().shell();
    shell.readSettings(steps);
    shell.restoreControls(steps);
    shell.restoreTextEffects(steps);
    return writeSettingsOf(f);
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        scripted::reset();
        scripted::script().modeNames = {"Robot 36", "Martin 1"};
    }

    // Written: texts quoted with their quotes doubled and line ends as blanks, numbers with
    // "." whatever the locale. Read: those lines, and lines as earlier versions wrote them
    // (a quote that ends a text early, an unquoted text cut at its comma, blanks, ".5").
    void lineFormat()
    {
        SettingsWriter out;
        out.text(QStringLiteral("a \"quoted\" word, and a comma"));
        out.text(QStringLiteral("two\r\nlines\nand\rmore"));
        out.integer(-1);
        for (const QVariant& v : {QVariant(), QVariant(-60), QVariant(-1234.5), QVariant(QStringLiteral("text"))})
            out.variant(v);
        QCOMPARE(out.content(), QStringLiteral("\"a \"\"quoted\"\" word, and a comma\"\r\n\"two lines and more\"\r\n"
                                               "-1\r\n\r\n-60\r\n-1234.5\r\n\"text\"\r\n"));

        SettingsReader in(out.content() + QStringLiteral("  \"Arial\" ignored\r\n\"ends\"here\"\r\nplain, rest\r\n"
                                                         "\r\n  .5  \r\n\"42\"\r\nabc\r\n70000\r\nlast"));
        QString t;
        const auto text = [&] { return in.text(t), t; };
        const auto variant = [&] { QVariant v = 1; return in.variant(v), v; };
        QCOMPARE(text(), QStringLiteral("a \"quoted\" word, and a comma"));
        text();
        QCOMPARE(text(), QStringLiteral("-1")); // an Integer line read as a text: its characters
        QVERIFY(variant().isNull());
        QCOMPARE(variant(), QVariant(-60));
        QCOMPARE(variant(), QVariant(-1234.5));
        text();
        QCOMPARE(text(), QStringLiteral("Arial"));
        QCOMPARE(text(), QStringLiteral("ends"));
        QCOMPARE(text(), QStringLiteral("plain"));
        qint16 i = 9;
        in.integer(i); // an empty line is 0
        QCOMPARE(i, qint16(0));
        QCOMPARE(variant(), QVariant(0.5));
        QCOMPARE(variant(), QVariant(QStringLiteral("42"))); // quoted: a text, even of digits
        // A text where a number belongs, or a number too large for 16 bits, leaves the
        // target; the next read takes the next line, and past the end nothing changes.
        i = 3;
        QVERIFY_THROWS_EXCEPTION(platform::VbError, in.integer(i));
        QVERIFY_THROWS_EXCEPTION(platform::VbError, in.integer(i));
        QCOMPARE(i, qint16(3));
        QCOMPARE(text(), QStringLiteral("last"));
        QVERIFY(in.atEnd());
        QCOMPARE(text(), QStringLiteral("last"));
    }

    void everyFieldGoesRoundUnderADecimalComma()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_ALL, "de_DE.UTF-8");
        const QByteArray first = fileOfEveryField();
        QCOMPARE(first.count("\r\n"), 143);
        QVERIFY(first.contains("\r\n-5.5\r\n"));
        QVERIFY(first.contains("\r\n1234.5\r\n"));
        QVERIFY(!first.contains("1234,5"));

        FormFixture f(false);
        writeFile(f.appPath("restoreTovaroM"), first);
        f.build();
        testsupport::SkippedSteps skipped;
        platform::StepRunner steps;
        f.form().shell().readSettings(steps);
        f.form().shell().restoreControls(steps);
        f.form().shell().restoreTextEffects(steps);
        // The fields are read back into the variables they are written from (the file
        // written again below is the same), and into the controls that show them.
        auto& form = f.form();
        QCOMPARE(form.Picture1->ForeColor(), 0x123456u);
        QCOMPARE(form.Picture1->BackColor(), 0xFF8040u);
        QCOMPARE(form.strips().rxPageCount(), 11);
        QCOMPARE(form.Command48->text(), QStringLiteral("1234.5"));
        for (auto* box : {form.Check8, form.Check7, form.Check11, form.Check12, form.Check3, form.Check1, form.Check2,
                          form.Check17, form.Check16})
            QVERIFY2(box->value() == 1, qPrintable(box->objectName()));
        QCOMPARE(form.Check15->value(), 0);
        QCOMPARE(form.Check25->value(), 0);
        QCOMPARE(skipped.matching("StationSettings"), QStringList());
        // Written again as read: the same file, line for line.
        QCOMPARE(writeSettingsOf(f), first);

        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(saved);
    }

    // Each line comes back from the place it is read into to the place it is written
    // from, with either of two values: a line read into a place that is not restored to
    // what the writer takes, or into nothing, is written back as a fresh window has it.
    void everyLineGoesRoundWithEitherValue()
    {
        const auto linesOf = [](const QByteArray& file) { return QString::fromUtf8(file).split(QStringLiteral("\r\n")); };
        const QByteArray first = fileOfEveryField(false);
        const QByteArray other = fileOfEveryField(true);
        const QStringList firstLines = linesOf(first);
        const QStringList otherLines = linesOf(other);
        QCOMPARE(firstLines.size(), 144);
        QCOMPARE(otherLines.size(), 144);
        for (int i = 0; i < 143; ++i)
            QVERIFY2(firstLines[i] != otherLines[i],
                     qPrintable(QStringLiteral("line %1 is the same in both sets: %2").arg(i + 1).arg(firstLines[i])));
        for (const QByteArray& file : {first, other}) {
            testsupport::SkippedSteps skipped;
            const QStringList again = linesOf(readAndWriteAgain(file));
            const QStringList lines = linesOf(file);
            QCOMPARE(again.size(), lines.size());
            for (int i = 0; i < lines.size(); ++i)
                QVERIFY2(again[i] == lines[i],
                         qPrintable(QStringLiteral("line %1: written %2, expected %3").arg(i + 1).arg(again[i], lines[i])));
            QCOMPARE(skipped.matching("StationSettings"), QStringList());
        }
    }

    // A run that changes nothing writes the layout a first start gives, line by line.
    void freshFileLineByLine()
    {
        platform::ManualClock clock;
        platform::UseClock use(clock);
        FormFixture f;
        QCOMPARE(load(f), shell::Shell::LoadResult::Running);
        const QString textFace = f.form().Text1->font().family();
        const QString screenFace = f.form().Picture1->FontName();
        QVERIFY(!screenFace.isEmpty());
        // The text colours and the shadow's arrow as a first start shows them.
        QCOMPARE(platform::backColor(f.form().Label25), f.form().Picture1->ForeColor());
        QCOMPARE(platform::backColor(f.form().Label45), f.form().Picture1->BackColor());
        QVERIFY(f.form().Option3->value());
        const QString left = QString::number(f.form().x() * 15);
        f.form().close();
        const QStringList lines = QString::fromUtf8(fileBytes(f.appPath("restoreTovaroM"))).split("\r\n");
        QCOMPARE(lines.size(), 144);
        QCOMPARE(lines.last(), QString());
        auto q = [](const QString& s) { return '"' + s + '"'; };
        QStringList expected;
        expected << q(textFace) << q("") << q("False") << q("False") << q("False") << q("False") << q("238")
                 << q(screenFace) << q(" 12") << q("False") << q("False") << q("False") << q("False") << q("");
        for (int i = 0; i < 28 + 28; ++i)
            expected << q("");
        // The custom swatches at their design colours.
        expected << q("128") << q("8421504") << q("32896") << q("8388736");
        expected << "1" << "" << q("SETUP YOUR CALLSIGN") << q("20M") << q("595") << q("UTC");
        for (int i = 0; i < 14; ++i)
            expected << q("");
        for (int i = 0; i < 8; ++i)
            expected << "";
        expected << "0" << "" << "" << "3" << "" << "1"; // HScroll5 starts at 1
        for (int i = 0; i < 5; ++i)
            expected << q("");
        // No maximum stored: the setup dialog's box reads 9000, which becomes the maximum. The
        // text colours are those the indicators show, red 238 on black; the shadow colour
        // rule is off (49344) and its direction the arrow a start chooses (3).
        expected << "" << "0" << "0" << "0" << q("Normal Text") << "49344" << "3" << "238" << "0" << "0" << "0" << "9000"
                 << "0" << "0" << "0" << "3" << "0" << left << "0" << "1750" << "65" << q(f.appPath("AutoSave") + "/")
                 << "" << "0" << "" << "" << "" << q("") << "0" << "0" << "";
        QCOMPARE(lines.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(lines[i] == expected[i], qPrintable(QStringLiteral("line %1: %2, expected %3")
                                                              .arg(i + 1)
                                                              .arg(lines[i], expected[i])));
    }

    // The text choices an operator makes come back after Exit: the shadow's arrow, the
    // text back colour with its indicator, the shadow colour rule and the TX screen's face
    // (kept by the font record alone: the preset in use at Exit has no face).
    void textChoicesComeBackThroughExit()
    {
        platform::ManualClock clock;
        platform::UseClock use(clock);
        FormFixture f;
        QCOMPARE(load(f), shell::Shell::LoadResult::Running);
        auto& form = f.form();
        form.Option5->click();
        const quint32 back = platform::backColor(form.swatch(5));
        QVERIFY(back != form.Picture1->BackColor());
        emit form.swatch(5)->MouseDown(2, 0, 1, 1);
        emit form.Text13->MouseDown(1, 0, 1, 1);
        platform::FontChoice serif;
        serif.name = QStringLiteral("DejaVu Serif");
        serif.size = 12;
        f.ui().answerFont(serif);
        emit form.Command25->MouseDown(2, 0, 1, 1);
        emit form.Command21->MouseDown(1, 0, 1, 1);
        QCOMPARE(form.Picture1->FontName(), serif.name);
        form.close();
        f.destroy();

        scripted::reset();
        scripted::script().modeNames = {"Robot 36", "Martin 1"};
        QCOMPARE(load(f), shell::Shell::LoadResult::Running);
        auto& again = f.form();
        QVERIFY(again.Option5->value());
        QVERIFY(!again.Option3->value());
        QCOMPARE(again.Picture1->BackColor(), back);
        QCOMPARE(platform::backColor(again.Label45), back);
        QCOMPARE(quint32(again.text().textBackColour()), back);
        QCOMPARE(platform::backColor(again.Text13), 255u);
        QCOMPARE(again.Text13->text(), QStringLiteral("1")); // the colour bar's value, without a blank
        QCOMPARE(again.canvas().shadowStepMode(), 255);
        QCOMPARE(again.text().shadowColourMode(), 1);
        QCOMPARE(again.Picture1->FontName(), serif.name);
    }

    // A file cut after line 80 (the end of the station data) restores the fonts, presets,
    // custom colours and station data; every later value keeps what it had, and the cut
    // is logged once.
    void fileCutShortKeepsTheLaterValues()
    {
        const QByteArray full = fileOfEveryField();
        qsizetype cut = 0;
        for (int line = 0; line < 80; ++line)
            cut = full.indexOf("\r\n", cut) + 2;
        FormFixture f(false);
        writeFile(f.appPath("restoreTovaroM"), full.left(cut));
        f.build();
        auto& form = f.form();
        form.engine().setToneFrequency(900);
        form.intake().setFtpDir(QStringLiteral("/kept"));
        testsupport::SkippedSteps skipped;
        f.ui().answerMsgBox(platform::vbOK);
        QCOMPARE(load(f), shell::Shell::LoadResult::Running);
        // The operator is told, not only the log.
        QVERIFY(!f.ui().calls().isEmpty());
        QVERIFY2(f.ui().calls().first().text.contains("restoreTovaroM is damaged: it ends after line 80 of 143."),
                 qPrintable(f.ui().calls().first().text));
        QCOMPARE(form.text().fontPresetPicture(28), QStringLiteral("screen preset -28"));
        QCOMPARE(form.text().customColour(4), QStringLiteral("4000"));
        QCOMPARE(form.qso().stationCall(), QStringLiteral("DL1ABC/P"));
        QCOMPARE(form.qso().zoneWord(), QStringLiteral("LCL"));
        QCOMPARE(form.intake().quickDir(1), QString());
        QCOMPARE(form.engine().toneFrequency().toInt(), 900);
        QCOMPARE(form.intake().ftpDir(), QStringLiteral("/kept"));
        QCOMPARE(form.engine().jpegQuality().toInt(), 65);
        QCOMPARE(form.Check8->value(), 0);
        const QStringList cutLogged = skipped.matching("restoreTovaroM");
        QCOMPARE(cutLogged.size(), 1);
        QVERIFY2(cutLogged[0].contains("after line 80"), qPrintable(cutLogged[0]));
    }

    // A line that is not a number where one belongs keeps its field; every later field is
    // still read from its own line.
    void badNumberCostsOnlyItsLine()
    {
        const QByteArray full = fileOfEveryField();
        QList<QByteArray> lines = full.split('\n');
        QCOMPARE(lines[118], QByteArray("255\r")); // line 119: the step-mode colour, a Long
        lines[118] = "red\r";
        lines[136] = "1.5e9\r"; // line 137: the style code, 16 bits
        FormFixture f(false);
        writeFile(f.appPath("restoreTovaroM"), lines.join('\n'));
        f.build();
        f.form().canvas().setShadowStepMode(77);
        f.form().text().setFontStyleCode(11);
        testsupport::SkippedSteps skipped;
        f.ui().answerMsgBox(platform::vbOK);
        QCOMPARE(load(f), shell::Shell::LoadResult::Running);
        QVERIFY(!f.ui().calls().isEmpty());
        QVERIFY2(f.ui().calls().first().text.contains("restoreTovaroM is damaged: lines 119, 137 hold no values of their kinds."),
                 qPrintable(f.ui().calls().first().text));
        QCOMPARE(f.form().canvas().shadowStepMode(), 77);
        QCOMPARE(f.form().Check14->value(), 1); // 11: italic and bold
        QCOMPARE(f.form().Check6->value(), 1);
        QCOMPARE(f.form().Check13->value(), 0);
        QCOMPARE(f.form().text().textOption(4).toInt(), 4);   // line 120
        QCOMPARE(f.form().engine().toneFrequency().toDouble(), 1234.5); // line 133
        QCOMPARE(f.form().qso().headerNumber().toInt(), 13);         // line 139
        QCOMPARE(f.form().Check2->value(), 1);                     // line 143
        const QStringList bad = skipped.matching("StationSettings");
        QCOMPARE(bad.size(), 2);
        QVERIFY2(bad[0].contains("stepModeColour (line 119)") && bad[0].contains("\"red\""), qPrintable(bad[0]));
        QVERIFY2(bad[1].contains("fontStyleCode (line 137)"), qPrintable(bad[1]));
    }

    void restoreRanges_data()
    {
        QTest::addColumn<QVariant>("quality");
        QTest::addColumn<QVariant>("tone");
        QTest::addColumn<QVariant>("limit");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<int>("wantQuality");
        QTest::addColumn<double>("wantTone");
        QTest::addColumn<int>("wantPages");
        QTest::addColumn<QString>("wantZone");
        QTest::newRow("at the bounds") << QVariant(1) << QVariant(2700) << QVariant(70) << "LCL" << 1 << 2700.0 << 11
                                       << "LCL";
        QTest::newRow("upper bounds") << QVariant(99) << QVariant(1) << QVariant(1000) << "UTC" << 99 << 1.0 << 143
                                      << "UTC";
        QTest::newRow("beyond") << QVariant(100) << QVariant(2701) << QVariant(6) << "U" << 65 << 1750.0 << 1
                                << "UTC";
        QTest::newRow("below") << QVariant(0) << QVariant(0) << QVariant(0) << "" << 65 << 1750.0 << 5 << "UTC";
        QTest::newRow("fractional") << QVariant(0.5) << QVariant(2700.5) << QVariant(7.5) << "LCL" << 65 << 1750.0 << 2
                                    << "LCL";
    }

    void restoreRanges()
    {
        QFETCH(QVariant, quality);
        QFETCH(QVariant, tone);
        QFETCH(QVariant, limit);
        QFETCH(QString, zone);
        FormFixture f;
        auto& form = f.form();
        form.engine().setJpegQuality(quality);
        form.engine().setToneFrequency(tone);
        form.engine().setAutoSaveLimit(limit);
        form.qso().setZoneWord(zone);
        form.formSetup().Text5->setText(QStringLiteral("77"));
        QCOMPARE(load(f), shell::Shell::LoadResult::Running);
        QTEST(form.engine().jpegQuality().toInt(), "wantQuality");
        // The setup dialog shows a quality put back in range; a stored maximum of 0 is its 9000.
        QCOMPARE(form.formSetup().Text5->text(), form.engine().jpegQuality().toInt() == quality.toInt() ? "77" : "65");
        QCOMPARE(form.engine().autoSaveLimit().toDouble(), limit.toDouble() == 0 ? 9000 : limit.toDouble());
        QTEST(form.engine().toneFrequency().toDouble(), "wantTone");
        QCOMPARE(form.Command48->text(), platform::numberText(form.engine().toneFrequency().toDouble()));
        QTEST(form.strips().rxPageCount(), "wantPages");
        QTEST(form.qso().zoneWord(), "wantZone");
    }

    // A stored "Sp FFT" with "Sp FM" ticked beforehand: FFT on, FM off.
    void storedFftTurnsFmOff()
    {
        QByteArray file;
        {
            FormFixture h;
            QDir().mkpath(h.appFolder());
            h.form().Check12->setValue(1);
            file = writeSettingsOf(h);
        }
        FormFixture g(false);
        writeFile(g.appPath("restoreTovaroM"), file);
        g.build();
        g.form().Check25->setValue(1);
        QCOMPARE(load(g), shell::Shell::LoadResult::Running);
        QCOMPARE(g.form().Check12->value(), 1);
        QCOMPARE(g.form().Check25->value(), 0);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
