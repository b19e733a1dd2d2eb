#include "platform/runtime/AppFolder.h"
#include "platform/runtime/InstanceLock.h"
#include "platform/runtime/TextFile.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "KilledWrite.h"
#include "whole_file.h"

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

    // A folder that cannot hold a lock (it lies under a plain file, as a read-only or
    // full folder cannot take one) is still locked against a second instance, by the lock
    // outside it; the lock of another folder is another instance's.
    void lockWhereTheFolderCannotHoldOne()
    {
        QTemporaryDir dir;
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        InstanceLock lock(dir.filePath(QStringLiteral("plain/Tovaro")));
        QVERIFY(lock.tryLock());
        QVERIFY(lock.isLocked());
        InstanceLock second(dir.filePath(QStringLiteral("plain/Tovaro")));
        QVERIFY(!second.tryLock());
        QVERIFY(second.heldElsewhere());
        InstanceLock elsewhere(dir.filePath(QStringLiteral("other/Tovaro")));
        QVERIFY(elsewhere.tryLock());
        lock.unlock();
        QVERIFY(second.tryLock());
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
        // Where the folder is read-only the crashed instance's lock cannot be removed: the
        // lock outside the folder holds alone, and the start goes on.
        const QString folder = dir.filePath(QStringLiteral("ro"));
        QVERIFY(QDir().mkpath(folder));
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k") == 0) {
            QFile f(folder + QStringLiteral("/tovaro.lock"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
            f.close();
            QCOMPARE(::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
            InstanceLock readOnly(folder);
            const bool taken = readOnly.tryLock();
            InstanceLock second(folder);
            const bool secondTaken = second.tryLock();
            readOnly.unlock();
            ::umount(QFile::encodeName(folder).constData());
            QVERIFY(taken);
            QVERIFY(!secondTaken && second.heldElsewhere());
        }
        QVERIFY(probe.tryLock());
        QVERIFY(probe.isLocked());
        // The lock is now ours: another attempt is refused.
        InstanceLock again(dir.path());
        QVERIFY(!again.tryLock());
    }

    // A lock from another host (a folder copied from another machine, a host renamed) names a
    // process number that may run here: it is taken over (the start names the host).
    void lockOfAnotherHostTakenOver()
    {
        QTemporaryDir dir;
        InstanceLock probe(dir.path());
        QFile file(probe.lockFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("1\ntovaro\notherhost\n");
        file.close();
        QVERIFY(probe.tryLock());
        qint64 pid = 0;
        QString host, app;
        QVERIFY(QLockFile(probe.lockFilePath()).getLockInfo(&pid, &host, &app));
        QCOMPARE(pid, qint64(::getpid()));
        QVERIFY(!InstanceLock(dir.path()).tryLock());
    }

    // A FIFO in the lock's place, where a reader waits for ever, is neither read nor taken,
    // and stays; the lock outside the folder keeps a second instance off alone.
    void fifoInTheLocksPlace()
    {
        QTemporaryDir dir;
        const QByteArray fifo = QFile::encodeName(InstanceLock(dir.path()).lockFilePath());
        QCOMPARE(::mkfifo(fifo.constData(), 0644), 0);
        // In a child, which a hang would not let end.
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(10);
            InstanceLock first(dir.path()), second(dir.path());
            const bool alone = first.tryLock() && first.notAFile() == QStringLiteral("not a regular file but a FIFO") &&
                               !second.tryLock() && second.heldElsewhere();
            ::_exit(alone ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, "the FIFO held the lock's reader, or was taken");
        struct stat st {};
        QVERIFY(::lstat(fifo.constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    }

    // What is not a regular file at a data file's place (a FIFO, a link to one, a folder) is
    // never replaced: the write is refused, saying what it is, and it stays as it was.
    void notAFileNeverReplaced()
    {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        QCOMPARE(::mkfifo(QFile::encodeName(folder.filePath(QStringLiteral("fifo"))).constData(), 0644), 0);
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("fifo")), folder.filePath(QStringLiteral("linked"))));
        for (const QString& name : {QStringLiteral("fifo"), QStringLiteral("linked")}) {
            QString why;
            QVERIFY2(!writeFileBytes(folder.filePath(name), "new", &why), qPrintable(name));
            QCOMPARE(why, QStringLiteral("not a regular file but a FIFO"));
        }
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(folder.filePath(QStringLiteral("fifo"))).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        QVERIFY(QFileInfo(folder.filePath(QStringLiteral("linked"))).isSymLink());
    }

    // A write killed right after its temporary file is made, before anything else: the
    // temporary file has the writer's mark from its creation, so the start's clean-up takes
    // it. The kill is the system's, at the writer's first change of the file (a filter of
    // system calls), so no moment between the making and the marking goes untried.
    void killedRightAfterTheTemporaryIsMade()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("messages"));
        QVERIFY(writeFileBytes(path, "old"));
        const pid_t child = ::fork();
        if (child == 0) {
            if (!testsupport::killAtFirstChange())
                ::_exit(2);
            writeFileBytes(path, "new");
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 2)
            QSKIP("system calls cannot be filtered here");
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
        QCOMPARE(removeLeftOverTemporaries(dir.path(), {QStringLiteral("messages")}), 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("messages")});
        QCOMPARE(readFileBytes(path), std::optional<QByteArray>("old"));
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

    // A write killed part-way leaves the old file whole and the writer's temporary file beside
    // it. Removing left-overs takes that file and nothing else: not an operator's file of a
    // temporary's name, nor, even with the writer's mark, a name one character off, another
    // file's temporary, a folder, a link, or another user's file.
    void leftOverOfAKilledWriteGoes()
    {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        const QString path = folder.filePath(QStringLiteral("logdata"));
        QVERIFY(writeFileBytes(path, "old log"));
        QVERIFY(testsupport::killedWrite(path));
        QCOMPARE(readFileBytes(path), std::optional<QByteArray>("old log"));
        const QStringList leftOver = folder.entryList({QStringLiteral(".logdata.*")}, QDir::Files | QDir::Hidden);
        QCOMPARE(leftOver.size(), 1);
        QCOMPARE(QFileInfo(folder.filePath(leftOver[0])).size(), qint64(testsupport::kKilledAt));

        const auto marked = [&](const QString& name) {
            return ::chmod(QFile::encodeName(folder.filePath(name)).constData(), 01600) == 0;
        };
        QVERIFY(writeFileBytes(folder.filePath(QStringLiteral(".logdata.backup")), "the operator's"));
        for (const char* name : {".logdata.Ab12C", ".logdata.Ab12Cd7", ".logdata.Ab-2Cd", "logdata.Ab12Cd",
                                 ".logdata.bak.Ab12Cd", ".logdata.Ab12Cd.Ab12Cd"}) {
            QVERIFY(writeFileBytes(folder.filePath(QLatin1String(name)), name));
            QVERIFY(marked(QLatin1String(name)));
        }
        QVERIFY(testsupport::killedWrite(folder.filePath(QStringLiteral("messages"))));
        QVERIFY(folder.mkdir(QStringLiteral(".logdata.Dir123")));
        QVERIFY(marked(QStringLiteral(".logdata.Dir123")));
        QVERIFY(QFile::link(folder.filePath(QStringLiteral(".logdata.Ab12C")), folder.filePath(QStringLiteral(".logdata.Lnk123"))));
        if (::geteuid() == 0) {
            QVERIFY(writeFileBytes(folder.filePath(QStringLiteral(".logdata.Usr123")), "someone else's"));
            QVERIFY(marked(QStringLiteral(".logdata.Usr123")));
            QCOMPARE(::chown(QFile::encodeName(folder.filePath(QStringLiteral(".logdata.Usr123"))).constData(), 65534, 65534), 0);
        }
        const auto everything = [&] {
            QMap<QString, QByteArray> all;
            for (const QString& name : folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
                all[name] = QFileInfo(folder.filePath(name)).isDir() ? "<dir>" : readFileBytes(folder.filePath(name)).value_or("?");
            return all;
        };
        auto expected = everything();
        QCOMPARE(expected.size(), 12 + (::geteuid() == 0 ? 1 : 0));
        expected.remove(leftOver[0]);
        QCOMPARE(removeLeftOverTemporaries(dir.path(), {QStringLiteral("logdata"), QStringLiteral("restoreTovaroM")}), 1);
        QCOMPARE(everything(), expected);
    }

    // The disk fails at every byte of the new content in turn, as a full disk does: the old
    // file stays byte for byte, nothing is left beside it, and the reason is the system's.
    void fullDiskAtAnyByteKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("logdata"));
        const QByteArray old("\r\nQ1AB John, Leeds\r\n");
        QVERIFY(writeFileBytes(path, old));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        const QByteArray longer = QByteArray("\r\nQ2XYZ new entry") + old;
        for (qint64 space = 0; space < longer.size(); ++space) {
            vareror::files::setSpaceLeftForTests(space);
            QString why;
            const bool ok = writeFileBytes(path, longer, &why);
            vareror::files::setSpaceLeftForTests(-1);
            QVERIFY2(!ok, qPrintable(QString::number(space)));
            QCOMPARE(why, QStringLiteral("No space left on device"));
            QCOMPARE(readFileBytes(path), std::optional<QByteArray>(old));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("logdata")});
        }
        // Space for all of it: written, its permissions kept, the writer's mark gone.
        vareror::files::setSpaceLeftForTests(longer.size());
        QVERIFY(writeFileBytes(path, longer));
        vareror::files::setSpaceLeftForTests(-1);
        QCOMPARE(readFileBytes(path), std::optional<QByteArray>(longer));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, 0640u);
        // A link is followed: the file it names is replaced and the link stays; a link into
        // a folder that is not there fails as that folder does.
        QVERIFY(QFile::link(path, dir.filePath(QStringLiteral("link"))));
        QVERIFY(writeFileBytes(dir.filePath(QStringLiteral("link")), "through the link"));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("link"))).isSymLink());
        QCOMPARE(readFileBytes(path), std::optional<QByteArray>("through the link"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("missing/x")), dir.filePath(QStringLiteral("dangling"))));
        QVERIFY(!writeFileBytes(dir.filePath(QStringLiteral("dangling")), "x"));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("dangling"))).isSymLink());
    }

    // A real full disk: a small memory file system filled to the last byte.
    void realFullDisk()
    {
        QTemporaryDir dir;
        if (::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("a file system cannot be mounted here (needs the superuser); the seam's test covers the writer");
        struct Unmount {
            QString path;
            ~Unmount() { ::umount(QFile::encodeName(path).constData()); }
        } unmount{dir.path()};
        const QString path = dir.filePath(QStringLiteral("restoreTovaroM"));
        const QByteArray old(2000, 'o');
        QVERIFY(writeFileBytes(path, old));
        QFile fill(dir.filePath(QStringLiteral("fill")));
        QVERIFY(fill.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (fill.write(QByteArray(4096, 'f')) > 0) {
        }
        fill.close();
        QString why;
        QVERIFY(!writeFileBytes(path, QByteArray(8000, 'n'), &why));
        QCOMPARE(why, QStringLiteral("No space left on device"));
        QCOMPARE(readFileBytes(path), std::optional<QByteArray>(old));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    // Every line the operator did not edit keeps its bytes: UTF-8, Latin-1 and mixed files,
    // with a byte-order mark or without, come back byte for byte; an edited line alone
    // changes (written as UTF-8).
    void textKeepsEveryByteNotEdited_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8") << QByteArray("\r\nDL1ABC Gr\xc3\xbc\xc3\x9f" "e aus Z\xc3\xbcrich\r\n")
                               << QStringLiteral("\r\nDL1ABC Grüße aus Zürich\r\n");
        QTest::newRow("Latin-1") << QByteArray("\r\nDL1ABC Gr\xfc\xdf" "e aus Z\xfcrich\r\n")
                                 << QStringLiteral("\r\nDL1ABC Grüße aus Zürich\r\n");
        QTest::newRow("mixed lines") << QByteArray("\r\nDL1ABC Gr\xc3\xbc\xc3\x9f" "e\r\nF5XYZ caf\xe9\nlast \xb0")
                                     << QStringLiteral("\r\nDL1ABC Grüße\r\nF5XYZ café\nlast °");
        QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbf" "caf\xc3\xa9\r\nold caf\xe9\r\n")
                                         << QStringLiteral("café\r\nold café\r\n");
    }

    void textKeepsEveryByteNotEdited()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        TextBytes codec;
        const QString text = codec.decode(bytes);
        QCOMPARE(text, shown);
        QCOMPARE(codec.encode(text), bytes);
        // A new record in front: the old lines keep their bytes, the new one is UTF-8.
        const QByteArray edited = codec.encode(QStringLiteral("\r\nQ1AB Zoë") + text);
        const QByteArray mark = bytes.startsWith("\xef\xbb\xbf") ? QByteArray("\xef\xbb\xbf") : QByteArray();
        QCOMPARE(edited, mark + "\r\nQ1AB Zo\xc3\xab" + bytes.mid(mark.size()));
        TextBytes again;
        QCOMPARE(again.decode(edited), QStringLiteral("\r\nQ1AB Zoë") + shown);
    }

private:
    QTemporaryDir dataHome_;
};

QTEST_GUILESS_MAIN(FilesTest)
#include "FilesTest.moc"
