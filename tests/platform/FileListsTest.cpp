// The browser's three lists over real folders: what the file list shows and selects,
// what a bad value leaves, and how the drive and folder lists follow each other.
#include "platform/runtime/Vb.h"
#include "platform/widgets/FileLists.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

namespace {

void touch(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

template <typename F>
int vbErrorOf(F f)
{
    try {
        f();
    } catch (const VbError& e) {
        return e.number();
    }
    return 0;
}

} // namespace

class FileListsTest : public QObject {
    Q_OBJECT
private slots:
    void fileListPatternsSortAndHidden()
    {
        QTemporaryDir dir;
        for (const char* name : {"b.BMP", "A.jpg", "c.Tga", "dtga", "e.tga.txt", ".hidden.bmp", "Z.bmp", "a.bmp"})
            touch(dir.filePath(QString::fromLatin1(name)));
        QDir(dir.path()).mkdir(QStringLiteral("sub.bmp")); // a folder is no file

        FileListBox list(QStringLiteral("File1"));
        list.setPath(dir.path());
        list.setPattern(QStringLiteral("*.bmp;*.jpg;*tga"));
        QStringList shown;
        for (int i = 0; i < list.ListCount(); ++i)
            shown << list.List(i);
        // Case does not matter for the pattern or the order; "*tga" as written takes "dtga".
        QCOMPARE(shown, QStringList({"a.bmp", "A.jpg", "b.BMP", "c.Tga", "dtga", "Z.bmp"}));
        QCOMPARE(list.ListIndex(), -1);
        QCOMPARE(list.FileName(), QString());

        list.setPattern(QStringLiteral(" *.JPG ; *.tga"));
        QCOMPARE(list.ListCount(), 2);
        QCOMPARE(list.List(1), QStringLiteral("c.Tga"));
        list.setPattern(QStringLiteral("*.pcx"));
        QCOMPARE(list.ListCount(), 0);
        QVERIFY(FileListBox::matches(QStringLiteral("X.PnG"), QStringLiteral("*.png")));
        QVERIFY(!FileListBox::matches(QStringLiteral("x.png.bak"), QStringLiteral("*.png")));
    }

    void fileListBadValuesKeepTheOld()
    {
        QTemporaryDir dir;
        for (const char* name : {"1.bmp", "2.bmp", "3.bmp"})
            touch(dir.filePath(QString::fromLatin1(name)));
        FileListBox list;
        list.setPattern(QStringLiteral("*.bmp"));
        list.setPath(dir.path() + QStringLiteral("/"));
        QCOMPARE(list.Path(), QDir::cleanPath(dir.path()));
        QSignalSpy clicks(&list, &FileListBox::Click);
        list.setListIndex(1);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(list.FileName(), QStringLiteral("2.bmp"));
        QCOMPARE(list.filePath(), dir.filePath(QStringLiteral("2.bmp")));

        QCOMPARE(vbErrorOf([&] { list.setListIndex(3); }), vbErrInvalidPropertyValue);
        QCOMPARE(vbErrorOf([&] { list.setListIndex(-2); }), vbErrInvalidPropertyValue);
        QCOMPARE(list.ListIndex(), 1);
        QCOMPARE(clicks.count(), 1);

        for (const QString& bad : {dir.filePath(QStringLiteral("missing")), QString(), QStringLiteral("relative"),
                                   dir.filePath(QStringLiteral("1.bmp"))})
            QCOMPARE(vbErrorOf([&] { list.setPath(bad); }), vbErrPathNotFound);
        QCOMPARE(list.Path(), QDir::cleanPath(dir.path()));
        QCOMPARE(list.ListCount(), 3);
        QCOMPARE(list.ListIndex(), 1);

        list.setListIndex(-1);
        QCOMPARE(list.FileName(), QString());
        QCOMPARE(list.filePath(), QString());
    }

    void fileListRefreshKeepsSelection()
    {
        QTemporaryDir dir;
        for (const char* name : {"b.png", "d.png"})
            touch(dir.filePath(QString::fromLatin1(name)));
        FileListBox list;
        list.setPath(dir.path());
        list.setListIndex(1); // d.png
        touch(dir.filePath(QStringLiteral("a.png")));
        list.Refresh();
        QCOMPARE(list.ListCount(), 3);
        QCOMPARE(list.FileName(), QStringLiteral("d.png"));
        QFile::remove(dir.filePath(QStringLiteral("d.png")));
        list.Refresh();
        QCOMPARE(list.ListIndex(), -1);
        // A new folder or pattern starts with nothing selected.
        list.setListIndex(0);
        list.setPath(dir.path());
        QCOMPARE(list.ListIndex(), -1);
    }

    void folderListAndDriveChanges()
    {
        QTemporaryDir base;
        QDir(base.path()).mkpath(QStringLiteral("usb/pics/old"));
        QDir(base.path()).mkpath(QStringLiteral("usb/.cache"));
        QDir(base.path()).mkpath(QStringLiteral("usb/Archive"));
        QDir(base.path()).mkpath(QStringLiteral("home/me"));
        const QString usb = base.filePath(QStringLiteral("usb"));
        setVolumeProvider([&] {
            return QList<Volume>{{QStringLiteral("/"), QString(), true}, {usb, QStringLiteral("STICK"), true}};
        });
        QCOMPARE(volumeOf(usb + QStringLiteral("/pics")).root, usb);
        QCOMPARE(volumeOf(base.path()).root, QStringLiteral("/"));
        QCOMPARE(volumeOf(usb + QStringLiteral("x")).root, QStringLiteral("/")); // a name that only begins alike

        DirListBox dirs(QStringLiteral("Dir1"));
        QSignalSpy changes(&dirs, &DirListBox::Change);
        dirs.setPath(usb);
        QCOMPARE(changes.count(), 1);
        // The way down to the folder, then its own folders without the hidden one, by name.
        QStringList shown;
        for (int i = 0; i < dirs.count(); ++i)
            shown << dirs.item(i)->text().trimmed();
        QCOMPARE(shown.mid(shown.size() - 3), QStringList({"usb", "Archive", "pics"}));
        QCOMPARE(dirs.currentItem()->text().trimmed(), QStringLiteral("usb"));
        dirs.setPath(usb); // the same folder: no change
        QCOMPARE(changes.count(), 1);
        QCOMPARE(vbErrorOf([&] { dirs.setPath(usb + QStringLiteral("/none")); }), vbErrPathNotFound);
        QCOMPARE(dirs.Path(), usb);

        // A double click opens a folder.
        emit dirs.itemDoubleClicked(dirs.item(dirs.count() - 1));
        QCOMPARE(dirs.Path(), usb + QStringLiteral("/pics"));
        dirs.setPath(usb + QStringLiteral("/pics/old"));
        dirs.setPath(base.filePath(QStringLiteral("home/me")));
        // Back to the volume: the folder last shown there; gone, the volume's root.
        dirs.setDrive(usb);
        QCOMPARE(dirs.Path(), usb + QStringLiteral("/pics/old"));
        dirs.setPath(base.filePath(QStringLiteral("home/me")));
        QDir(usb + QStringLiteral("/pics/old")).removeRecursively();
        dirs.setDrive(usb);
        QCOMPARE(dirs.Path(), usb);

        DriveListBox drives(QStringLiteral("Drive1"));
        QSignalSpy driveChanges(&drives, &DriveListBox::Change);
        drives.setDrive(usb + QStringLiteral("/pics"));
        QCOMPARE(drives.Drive(), usb);
        QCOMPARE(drives.currentText(), usb + QStringLiteral(" [STICK]"));
        QCOMPARE(driveChanges.count(), 1);
        drives.setDrive(usb + QStringLiteral("/Archive")); // same volume
        QCOMPARE(driveChanges.count(), 1);
        drives.setDrive(base.path());
        QCOMPARE(drives.Drive(), QStringLiteral("/"));
        QCOMPARE(driveChanges.count(), 2);
    }

    // An account whose home folder is gone: the lists open at the root instead of stopping
    // the program as it starts.
    void listsWithoutHomeFolder()
    {
        const QByteArray home = qgetenv("HOME");
        QTemporaryDir base;
        qputenv("HOME", base.filePath(QStringLiteral("gone")).toLocal8Bit());
        DirListBox dirs;
        FileListBox files;
        DriveListBox drives;
        qputenv("HOME", home);
        QCOMPARE(dirs.Path(), QStringLiteral("/"));
        QCOMPARE(files.Path(), QStringLiteral("/"));
        QCOMPARE(drives.Drive(), QStringLiteral("/"));
    }

    void cleanup() { setVolumeProvider({}); }
};

QTEST_MAIN(FileListsTest)
#include "FileListsTest.moc"
