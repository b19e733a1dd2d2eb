#include "platform/runtime/Vb.h"

#include <QLocale>
#include <QTest>

#include <clocale>

using namespace platform;

class VbTest : public QObject {
    Q_OBJECT
private slots:
    void val_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("plain") << "1750" << 1750.0;
        QTest::newRow("leading blanks") << "   42" << 42.0;
        QTest::newRow("blanks inside") << " 1 000 " << 1000.0;
        QTest::newRow("tab and lf skipped") << "\t1\n2" << 12.0;
        QTest::newRow("letters after") << "1000abc" << 1000.0;
        QTest::newRow("letters alone") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("fraction") << "0.5" << 0.5;
        QTest::newRow("leading point") << ".25" << 0.25;
        QTest::newRow("negative") << "-5.5" << -5.5;
        QTest::newRow("blank after sign") << "- 3" << -3.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("comma stops") << "1,5" << 1.0;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("D exponent") << "2D2" << 200.0;
        QTest::newRow("dangling exponent") << "7e" << 7.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("point alone") << "." << 0.0;
        QTest::newRow("hex") << "&HFF" << 255.0;
        QTest::newRow("hex 16-bit folds") << "&HFFFF" << -1.0;
        QTest::newRow("hex 32-bit") << "&H10000" << 65536.0;
        QTest::newRow("hex 32-bit folds") << "&HFFFFFFFF" << -1.0;
        QTest::newRow("hex stops") << "&h1Fz" << 31.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("cr stops") << "12\r\n3" << 12.0;
    }

    void val()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(Val(text), expected);
    }

    void str()
    {
        // Str leaves a blank for the sign and no zero before the point.
        for (auto [v, text] : {std::pair{5.0, " 5"}, {0.0, " 0"}, {-5.0, "-5"}, {0.5, " .5"}, {-0.25, "-.25"}})
            QCOMPARE(Str(v), QLatin1String(text));
        QCOMPARE(numberText(-60.0), QStringLiteral("-60"));
        QCOMPARE(numberText(0.1 + 0.2), QStringLiteral("0.3")); // 15 significant digits
        QCOMPARE(numberText(255LL), QStringLiteral("255"));
        // A number written and read back is the same number.
        for (double v : {0.5, -5.5, 1750.25, 1e-7, 123456789.125})
            QCOMPARE(Val(numberText(v)), v);
    }

    void numberTextUnderCommaLocale()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const char* savedC = std::setlocale(LC_ALL, nullptr);
        const std::string savedCopy = savedC ? savedC : "C";
        std::setlocale(LC_ALL, "de_DE.UTF-8"); // may be missing; Qt's default locale is enough

        QCOMPARE(QLocale().decimalPoint(), QStringLiteral(","));
        QCOMPARE(numberText(0.5), QStringLiteral("0.5"));
        QCOMPARE(numberText(1234.5), QStringLiteral("1234.5"));
        QCOMPARE(Str(-5.5), QStringLiteral("-5.5"));
        QCOMPARE(Val(QStringLiteral("0.5")), 0.5);
        QCOMPARE(CDbl(QStringLiteral("0.5")), 0.5);
        QCOMPARE(CInt(QStringLiteral("2.5")), int16_t(2));
        QVERIFY_THROWS_EXCEPTION(VbError, CDbl(QStringLiteral("0,5")));

        std::setlocale(LC_ALL, savedCopy.c_str());
        QLocale::setDefault(saved);
    }

    void roundingHalfToEven()
    {
        for (auto [v, whole] : {std::pair{0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {2.4999, 2}, {2.5001, 3}})
            QCOMPARE(CInt(v), int16_t(whole));
        QCOMPARE(CLng(1750.5), int32_t(1750));
        QCOMPARE(CLng(1751.5), int32_t(1752));
        QCOMPARE(CLng(-1e9 - 0.5), int32_t(-1000000000));
        QCOMPARE(roundHalfEven(4503599627370497.0), 4503599627370497.0); // already whole
        QCOMPARE(CInt(QStringLiteral(" 12 ")), int16_t(12));
        QCOMPARE(CLng(QStringLiteral("&HFF")), int32_t(255));
    }

    void overflowAndMismatch()
    {
        QCOMPARE(CInt(32767.4), int16_t(32767));
        QCOMPARE(CInt(-32768.5), int16_t(-32768)); // half to even stays in range
        try {
            CInt(32767.5);
            QFAIL("no overflow");
        } catch (const VbError& e) {
            QCOMPARE(e.number(), vbErrOverflow);
        }
        QVERIFY_THROWS_EXCEPTION(VbError, CLng(2147483647.5));
        QCOMPARE(CLng(-2147483648.0), int32_t(-2147483647 - 1));
        QVERIFY_THROWS_EXCEPTION(VbError, CLng(std::nan("")));
        try {
            CInt(QStringLiteral("12abc"));
            QFAIL("no type mismatch");
        } catch (const VbError& e) {
            QCOMPARE(e.number(), vbErrTypeMismatch);
        }
        QVERIFY_THROWS_EXCEPTION(VbError, CLng(QString()));
        QVERIFY_THROWS_EXCEPTION(VbError, CLng(QStringLiteral("&HXYZ")));
    }

    void intAndFix()
    {
        QCOMPARE(Int(2.7), 2.0);
        QCOMPARE(Int(-2.5), -3.0);
        QCOMPARE(Fix(-2.5), -2.0);
        QCOMPARE(Int(30.0 / 7) + 1, 5.0);
    }

    void format()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale::c());
        const QDateTime t(QDate(2026, 3, 4), QTime(7, 8, 9));
        QCOMPARE(Format(t, QStringLiteral("yymmdd")), QStringLiteral("260304"));
        QCOMPARE(Format(t, QStringLiteral("hhmmss")), QStringLiteral("070809")); // mm: minutes
        QCOMPARE(Format(t, QStringLiteral("hh:mm")), QStringLiteral("07:08"));
        QCOMPARE(Format(t, QStringLiteral("hh")) + Format(t, QStringLiteral("nn")), QStringLiteral("0708"));
        QCOMPARE(Format(t, QStringLiteral("mmm dd yyyy")), QStringLiteral("Mar 04 2026"));
        QCOMPARE(Format(t, QStringLiteral("dd/mmm/yyyy")), QStringLiteral("04/Mar/2026"));
        QCOMPARE(Format(t, QStringLiteral("d/m/yy \"at\" h:nn AM/PM")), QStringLiteral("4/3/26 at 7:08 AM"));
        QCOMPARE(Format(QDateTime(QDate(2009, 12, 31), QTime(23, 59, 58)), QStringLiteral("hh:mm:ss")),
                 QStringLiteral("23:59:58"));
        QCOMPARE(datedPictureName(QDateTime(QDate(2009, 12, 31), QTime(0, 5, 7))), QStringLiteral("091231000507.jpg"));
        QLocale::setDefault(saved);
    }
};

QTEST_GUILESS_MAIN(VbTest)
#include "VbTest.moc"
