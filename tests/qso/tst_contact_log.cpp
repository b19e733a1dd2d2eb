// The contact log over real files, its search, and the stamps' time, date and call rules:
// no window is needed for any of them.
#include "qso/ContactLog.h"
#include "qso/Stamps.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

using qso::ContactLog;

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QDateTime local(int y, int mo, int d, int h, int mi) { return QDateTime(QDate(y, mo, d), QTime(h, mi)); }

} // namespace

class TestContactLog : public QObject {
    Q_OBJECT
private slots:
    // A first save, a second record in front, a replacement in place, a 200-character entry
    // and deletes, each written to the file as text + CR LF.
    void savesReplacesAndDeletesWholeLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("logdata"));
        ContactLog log;
        QVERIFY(log.write(path, log.savedText(QStringLiteral("q1ab"), QStringLiteral("John"))));
        QCOMPARE(bytesOf(path), QByteArray("\r\nQ1AB John\r\n"));

        QVERIFY(log.write(path, log.savedText(QStringLiteral("Q2XY"), QStringLiteral("Ann"))));
        QVERIFY(log.write(path, log.savedText(QStringLiteral("Q3ZZ"), QStringLiteral("Bo"))));
        QVERIFY(log.write(path, log.savedText(QStringLiteral("Q2XY"), QStringLiteral("Ann, Leeds"))));
        QCOMPARE(log.logText(), QStringLiteral("\r\nQ3ZZ Bo\r\nQ2XY Ann, Leeds\r\nQ1AB John"));

        // A long entry comes back whole, and replacing it leaves no tail behind.
        const QString longEntry = QString(200, QLatin1Char('x')) + QStringLiteral("END");
        QVERIFY(log.write(path, log.savedText(QStringLiteral("Q2XY"), longEntry)));
        QCOMPARE(log.find(QStringLiteral("Q2XY"))->entry, longEntry);
        QVERIFY(log.write(path, log.savedText(QStringLiteral("Q2XY"), QStringLiteral("short"))));
        QCOMPARE(log.logText(), QStringLiteral("\r\nQ3ZZ Bo\r\nQ2XY short\r\nQ1AB John"));

        // A pasted line end cannot split a record.
        QVERIFY(log.write(path, log.savedText(QStringLiteral("Q3ZZ"), QStringLiteral("a\r\nQ9 b"))));
        QCOMPARE(log.find(QStringLiteral("Q3ZZ"))->entry, QStringLiteral("a  Q9 b"));
        QVERIFY(!log.find(QStringLiteral("Q9")));

        // The first record goes with its line end; the one in front stays. The last one,
        // with no line end after it, goes to the end of the text.
        QVERIFY(log.write(path, *log.deletedText(QStringLiteral("Q3ZZ"))));
        QCOMPARE(log.logText(), QStringLiteral("\r\nQ2XY short\r\nQ1AB John"));
        QVERIFY(log.write(path, *log.deletedText(QStringLiteral("Q1AB"))));
        QCOMPARE(bytesOf(path), QByteArray("\r\nQ2XY short\r\n\r\n"));
        QVERIFY(!log.deletedText(QStringLiteral("Q1AB")));
    }

    // Mentions in other records and longer calls are not the call's record, for look-up,
    // save and delete alike; a record at the very start of a hand-made file is one.
    void aRecordIsTheCallsOwnLine()
    {
        ContactLog log;
        log.setLogText(QStringLiteral("Q1AB first line\r\nQ2XYZ met Q1AB\r\nQ1ABC op Jim\nQ1AB John\r\nQ7\r\n"));
        QCOMPARE(log.find(QStringLiteral("q1ab"))->entry, QStringLiteral("first line"));
        log.setLogText(log.logText().mid(17));
        QCOMPARE(log.find(QStringLiteral("Q1AB"))->entry, QStringLiteral("John"));
        QVERIFY(!log.find(QStringLiteral("Q1A")));
        QVERIFY(!log.find(QStringLiteral("")));
        // A line with the call alone is its record, with an empty entry.
        QCOMPARE(log.find(QStringLiteral("Q7"))->entry, QString());

        log.setLogText(log.savedText(QStringLiteral("Q1AB"), QStringLiteral("Jack")));
        QCOMPARE(log.logText(), QStringLiteral("Q2XYZ met Q1AB\r\nQ1ABC op Jim\nQ1AB Jack\r\nQ7\r\n"));
        log.setLogText(*log.deletedText(QStringLiteral("Q1AB")));
        QCOMPARE(log.logText(), QStringLiteral("Q2XYZ met Q1AB\r\nQ1ABC op Jim\nQ7\r\n"));
        // Only a prefix and a mention are left: a save puts a new record in front.
        log.setLogText(log.savedText(QStringLiteral("Q1AB"), QStringLiteral("new")));
        QVERIFY(log.logText().startsWith(QStringLiteral("\r\nQ1AB new\r\nQ2XYZ met Q1AB\r\nQ1ABC op Jim")));
    }

    void writeFailureKeepsTheLog()
    {
        QTemporaryDir dir;
        ContactLog log;
        log.setLogText(QStringLiteral("\r\nQ1AB John"));
        // A folder in the file's place fails for every user, root too (a read-only folder does not).
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("logdata")));
        QString why;
        QVERIFY(!log.write(dir.filePath(QStringLiteral("logdata")), QStringLiteral("changed"), &why));
        QVERIFY(!why.isEmpty());
        QCOMPARE(log.logText(), QStringLiteral("\r\nQ1AB John"));
        QCOMPARE(log.find(QStringLiteral("Q1AB"))->entry, QStringLiteral("John"));
    }

    // A letter whose capital is two letters must not move the records after it.
    void positionsSurviveCapitals()
    {
        ContactLog log;
        log.setLogText(QStringLiteral("\r\nQ2XY Straße, Köln\r\nQ1AB John\r\n"));
        QCOMPARE(log.logTextUpper(), QStringLiteral("\r\nQ2XY STRAßE, KÖLN\r\nQ1AB JOHN\r\n"));
        QCOMPARE(log.find(QStringLiteral("Q1AB"))->entry, QStringLiteral("John"));
        QCOMPARE(log.find(QStringLiteral("q2xy"))->entry, QStringLiteral("Straße, Köln"));
    }

    void searchListsEachLineOnce()
    {
        // The terms: capitals, the longest first, blanks kept, only five counted.
        QCOMPARE(qso::searchTerms(QStringLiteral("john,leeds")), QStringList({"LEEDS", "JOHN"}));
        QCOMPARE(qso::searchTerms(QStringLiteral("a, b")), QStringList({" B", "A"}));
        QCOMPARE(qso::searchTerms(QStringLiteral("1,22,3,4,5,66666,7")), QStringList({"22", "1", "3", "4", "5"}));

        ContactLog log;
        log.setLogText(QStringLiteral("\r\nQ1 John, Leeds, leeds again\r\nQ2 John, York\r\nQ3 Leeds only\r\n"
                                      "Q4 LEEDS john\r\n"));
        auto all = [&](const QStringList& terms) {
            QStringList lines;
            qsizetype from = 0;
            while (const auto line = log.nextMatch(terms, from))
                lines << *line;
            return lines;
        };
        QCOMPARE(all(qso::searchTerms(QStringLiteral("john,leeds"))),
                 QStringList({"Q1 John, Leeds, leeds again", "Q4 LEEDS john"}));
        QCOMPARE(all(qso::searchTerms(QStringLiteral("yor"))), QStringList({"Q2 John, York"}));
        QVERIFY(all(qso::searchTerms(QStringLiteral("j"))).isEmpty());
        // A log of 20 characters still finds its term.
        log.setLogText(QStringLiteral("\r\nQ1AB Jim in Ely\r\n"));
        QCOMPARE(all(qso::searchTerms(QStringLiteral("ely"))), QStringList({"Q1AB Jim in Ely"}));
    }

    void stampTimeAndDate()
    {
        using qso::stampTime;
        auto text = [](const qso::StampTime& t) { return t.date + QLatin1Char('|') + t.time; };
        // Both come from one shifted moment, in either direction across midnight.
        QCOMPARE(text(stampTime(local(2026, 3, 1, 2, 10), "UTC", -5)), QStringLiteral("Feb 28 2026|21:10"));
        QCOMPARE(text(stampTime(local(2026, 12, 31, 22, 0), "UTC", 5)), QStringLiteral("Jan 01 2027|03:00"));
        QCOMPARE(text(stampTime(local(2026, 12, 8, 9, 55), "UTC", -10)), QStringLiteral("Dec 07 2026|23:55"));
        QCOMPARE(text(stampTime(local(2026, 12, 8, 10, 45), "UTC", 5.5)), QStringLiteral("Dec 08 2026|16:15"));
        QCOMPARE(text(stampTime(local(2026, 12, 8, 1, 10), "UTC", -1.5)), QStringLiteral("Dec 07 2026|23:40"));
        // Local time ignores the offset.
        QCOMPARE(text(stampTime(local(2026, 12, 8, 14, 5), "LCL", 5)), QStringLiteral("Dec 08 2026|14:05"));
    }

    void stampCalls()
    {
        // The QSL block cuts after the first character below "0"; the date stamp after a blank
        // among the first five, or to six characters.
        QCOMPARE(qso::qslCall(QStringLiteral("Q1AB/P")), QStringLiteral("Q1AB/"));
        QCOMPARE(qso::qslCall(QStringLiteral("SETUP YOUR CALLSIGN")), QStringLiteral("SETUP "));
        QCOMPARE(qso::dateStampCall(QString()), QStringLiteral("NOCALL"));
        QCOMPARE(qso::dateStampCall(QStringLiteral("Q1ABCDEF")), QStringLiteral("Q1ABCD"));
        QCOMPARE(qso::dateStampCall(QStringLiteral("AB CD")), QStringLiteral("AB "));
        QCOMPARE(qso::dateStampCall(QStringLiteral("Q1AB PORTABLE")), QStringLiteral("Q1AB "));
        QCOMPARE(qso::dateStampCall(QStringLiteral("Q1ABC D")), QStringLiteral("Q1ABC "));
        QCOMPARE(qso::dateStampCall(QStringLiteral("Q1AB/P")), QStringLiteral("Q1AB/P"));

        // The QSL block's lines: an empty other call is "NOTHING", the report keeps its
        // blanks, the date and time are the ones the zone word chose.
        const qso::StampTime time{QStringLiteral("21:10"), QStringLiteral("Feb 28 2026")};
        const qso::QslLines none = qso::qslLines(QString(), QStringLiteral("599   "), QStringLiteral("14.230"), time,
                                                 QStringLiteral("UTC"));
        QCOMPARE(none.confirms, QStringLiteral("Confirms  NOTHING   2xSSTV"));
        QCOMPARE(none.report, QStringLiteral("RSV -  599          Band - 14.230"));
        QCOMPARE(none.when, QStringLiteral("Feb 28 2026    21:10 UTC"));
        QCOMPARE(qso::qslLines(QStringLiteral("Q2XY"), {}, {}, time, {}).confirms,
                 QStringLiteral("Confirms  Q2XY   2xSSTV"));
    }

    void initTestCase() { QLocale::setDefault(QLocale::c()); }
};

QTEST_GUILESS_MAIN(TestContactLog)
#include "tst_contact_log.moc"
