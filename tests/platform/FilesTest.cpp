#include "platform/runtime/AppFolder.h"
#include "platform/runtime/InstanceLock.h"
#include "platform/runtime/TextFile.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace platform;

class FilesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(dataHome_.isValid());
        qputenv("XDG_DATA_HOME", dataHome_.path().toUtf8());
    }

    void appFolderFollowsXdgDataHome()
    {
        QCOMPARE(appFolder(), dataHome_.path() + QStringLiteral("/Tovaro"));
        QVERIFY(!QDir(appFolder()).exists() || QDir(appFolder()).removeRecursively());
        QVERIFY(ensureAppFolder());
        QVERIFY(QDir(appFolder()).exists());
        QVERIFY(ensureAppFolder()); // already there
        QCOMPARE(appPath(QStringLiteral("\\Favorites\\Favorite1.bmp")),
                 dataHome_.path() + QStringLiteral("/Tovaro/Favorites/Favorite1.bmp"));
        QVERIFY(engineLibraryPath().endsWith(QStringLiteral("/libvareror.so")));
        QCOMPARE(QFileInfo(engineLibraryPath()).absolutePath(), QCoreApplication::applicationDirPath());
    }

    void pathJoins()
    {
        QCOMPARE(joinPath(QStringLiteral("/a/b/"), QStringLiteral("/c")), QStringLiteral("/a/b/c"));
        QCOMPARE(joinPath(QStringLiteral("/a"), QStringLiteral("AutoSave\\")), QStringLiteral("/a/AutoSave/"));
        QCOMPARE(joinPath(QStringLiteral("/"), QStringLiteral("x")), QStringLiteral("/x"));
        QCOMPARE(joinPath(QString(), QStringLiteral("x")), QStringLiteral("x"));
        QCOMPARE(joinPath(QStringLiteral("/a"), QString()), QStringLiteral("/a"));
    }

    void secondInstanceRefused()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/not/yet/there");
        InstanceLock first(folder);
        QVERIFY(first.tryLock()); // creates the folder first
        QVERIFY(QFile::exists(first.lockFilePath()));
        InstanceLock second(folder);
        QVERIFY(!second.tryLock());
        QVERIFY(!second.isLocked());
        QVERIFY(second.heldElsewhere());

        // Another process is refused as well.
        QProcess other;
        other.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("test -s '%1'").arg(first.lockFilePath())});
        QVERIFY(other.waitForFinished());
        QCOMPARE(other.exitCode(), 0); // the lock file is there and not empty

        first.unlock();
        QVERIFY(!QFile::exists(first.lockFilePath()));
        QVERIFY(second.tryLock());
    }

    // A lock that cannot be made (its folder lies under a plain file) is not another
    // instance holding it.
    void lockThatCannotBeMadeIsNoOtherInstance()
    {
        QTemporaryDir dir;
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        InstanceLock lock(dir.filePath(QStringLiteral("plain/Tovaro")));
        QVERIFY(!lock.tryLock());
        QVERIFY(!lock.isLocked());
        QVERIFY(!lock.heldElsewhere());
        QVERIFY(!lock.error().isEmpty());
    }

    void staleLockTakenOver()
    {
        QTemporaryDir dir;
        InstanceLock probe(dir.path());
        const QString path = probe.lockFilePath();

        // A lock file exactly as a running instance writes it, then its process id changed
        // to that of a process that has ended: what a crashed instance leaves behind.
        QByteArray content;
        {
            QLockFile lf(path);
            QVERIFY(lf.tryLock(0));
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            content = f.readAll();
            lf.unlock();
        }
        QProcess gone;
        gone.start(QStringLiteral("true"), {});
        QVERIFY(gone.waitForStarted());
        const qint64 deadPid = gone.processId();
        QVERIFY(gone.waitForFinished());
        const qsizetype nl = content.indexOf('\n');
        QVERIFY(nl > 0);
        content = QByteArray::number(deadPid) + content.mid(nl);
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QVERIFY(probe.tryLock());
        QVERIFY(probe.isLocked());
        // The lock is now ours: another attempt is refused.
        InstanceLock again(dir.path());
        QVERIFY(!again.tryLock());
    }

    void textWrittenAsUtf8WithCrLf()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("messages"));
        QVERIFY(writeTextFile(path, QStringLiteral("CQ de Grüße\nline2\r\nline3\r\n")));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("CQ de Gr\xc3\xbc\xc3\x9f" "e\r\nline2\r\nline3\r\n"));
        QCOMPARE(readTextFile(path), std::optional<QString>(QStringLiteral("CQ de Grüße\r\nline2\r\nline3\r\n")));
        // A lone CR (as in texts the program builds for message boxes) stays as it is.
        QCOMPARE(toCrLf(QStringLiteral("a\rb\n")), QStringLiteral("a\rb\r\n"));
        // Raw bytes are written untouched.
        const QByteArray raw("\x01\xff\n\r", 4);
        QVERIFY(writeFileBytes(path, raw));
        QCOMPARE(readFileBytes(path), std::optional<QByteArray>(raw));
        QCOMPARE(readTextFile(dir.filePath(QStringLiteral("missing"))), std::nullopt);
        QString error;
        QVERIFY(!writeTextFile(dir.filePath(QStringLiteral("no/such/folder/x")), QStringLiteral("x"), &error));
        QVERIFY(!error.isEmpty());
    }

    void textReadAsUtf8OrLatin1()
    {
        QCOMPARE(decodeText(QByteArray("\xef\xbb\xbf" "caf\xc3\xa9")), QStringLiteral("café"));
        // Written by the earlier versions: one byte per character.
        QCOMPARE(decodeText(QByteArray("caf\xe9 \xb0" "C")), QStringLiteral("café °C"));
        // A truncated UTF-8 sequence at the end is not valid UTF-8 either.
        QCOMPARE(decodeText(QByteArray("ab\xc3")), QStringLiteral("ab\u00c3"));
        // Overlong encodings are refused as UTF-8.
        QCOMPARE(decodeText(QByteArray("\xc0\xaf")).size(), 2);
        QCOMPARE(decodeText(QByteArray()), QString());
    }

    void interruptedWriteLeavesOldFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("restoreTovaroM"));
        const QString old = QStringLiteral("\"W1AW\"\r\n595\r\n");
        QVERIFY(writeTextFile(path, old));

        // Make the write fail part-way: the file-size limit stops it at 4 KiB.
        struct rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool ok = writeTextFile(path, QString(100000, QLatin1Char('x')), &error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!ok);
        QVERIFY(!error.isEmpty());
        QCOMPARE(readTextFile(path), std::optional<QString>(old));
        // Nothing half-written is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("restoreTovaroM")}));
    }

private:
    QTemporaryDir dataHome_;
};

QTEST_GUILESS_MAIN(FilesTest)
#include "FilesTest.moc"
