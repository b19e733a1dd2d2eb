// The icon reader over program files built here, damaged ones included; the trash.
#include "ProgramFiles.h"
#include "TrashHome.h"

#include "platform/services/IconResources.h"
#include "platform/services/Trash.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using platform::IconResources;
using testsupport::IconImage;
using testsupport::programWithIcons;
using testsupport::put16;
using testsupport::put32;

namespace {

QRgb colourOf(const QImage& icon)
{
    return icon.isNull() ? 0 : icon.pixel(icon.width() / 2, icon.height() / 2);
}

} // namespace

class IconsAndTrashTest : public QObject {
    Q_OBJECT
private slots:
    void iconsInOrderNearest32()
    {
        // Group 0 offers 16, 48 and 32 (32 is chosen, listed last); group 1 only 16 and 48
        // (16 and 48 are as near; the first listed wins); group 2 a 24 and a 256.
        const QByteArray file = programWithIcons({
            {{16, 0xFFFF0000}, {48, 0xFF00FF00}, {32, 0xFF0000FF}},
            {{16, 0xFFFFFF00}, {48, 0xFF00FFFF}},
            {{24, 0xFF808080}, {256, 0xFF000000}},
        });
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tool.exe"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
        out.close();

        const IconResources icons(path);
        QCOMPARE(icons.count(), 3);
        QCOMPARE(icons.icon(0).size(), QSize(32, 32));
        QCOMPARE(colourOf(icons.icon(0)), 0xFF0000FFu);
        QCOMPARE(icons.icon(1).size(), QSize(16, 16));
        QCOMPARE(icons.icon(2).size(), QSize(24, 24));
        QCOMPARE(colourOf(icons.icon(2)), 0xFF808080u);
        QVERIFY(icons.icon(3).isNull());
        QVERIFY(icons.icon(-1).isNull());
        QCOMPARE(IconResources(dir.filePath(QStringLiteral("none.dll"))).count(), 0);
        QCOMPARE(IconResources(dir.path()).count(), 0);
    }

    void iconFile()
    {
        // An icon file of two images (48 first, then 32): one icon, its 32 x 32 image.
        const QByteArray a = testsupport::iconImageBytes({48, 0xFFFF0000});
        const QByteArray b = testsupport::iconImageBytes({32, 0xFF00FF00});
        QByteArray ico(6 + 32, '\0');
        put16(ico, 2, 1);
        put16(ico, 4, 2);
        ico[6] = 48;
        ico[7] = 48;
        put16(ico, 6 + 6, 32);
        put32(ico, 6 + 8, quint32(a.size()));
        put32(ico, 6 + 12, 38);
        ico[22] = 32;
        ico[23] = 32;
        put16(ico, 22 + 6, 32);
        put32(ico, 22 + 8, quint32(b.size()));
        put32(ico, 22 + 12, quint32(38 + a.size()));
        ico += a + b;
        const IconResources icons = IconResources::fromBytes(ico);
        QCOMPARE(icons.count(), 1);
        QCOMPARE(colourOf(icons.icon(0)), 0xFF00FF00u);
        // The second image's data beyond the end: no icon.
        QCOMPARE(IconResources::fromBytes(ico.left(ico.size() - 10)).count(), 0);
    }

    void damagedFilesHoldNone()
    {
        testsupport::ProgramLayout at;
        const QByteArray whole = programWithIcons({{{32, 0xFFFF0000}}, {{32, 0xFF00FF00}}, {{16, 0xFF0000FF}}}, &at);
        QCOMPARE(IconResources::fromBytes(whole).count(), 3);

        // Cut anywhere before the last icon's data ends.
        for (qint64 n = 0; n < whole.size() - 3; n += 5)
            QVERIFY2(IconResources::fromBytes(whole.left(n)).count() == 0, qPrintable(QString::number(n)));

        auto damaged = [&](auto change) {
            QByteArray b = whole;
            change(b);
            return IconResources::fromBytes(b).count();
        };
        // Stray offsets: the header's place, the section's data, a directory entry, a data
        // entry's address, an image list's resource number.
        QCOMPARE(damaged([](QByteArray& b) { put32(b, 0x3C, 0x7FFFFFF0); }), 0);
        QCOMPARE(damaged([&](QByteArray& b) { put32(b, at.sectionTable + 20, 0xFFFFFF00); }), 0);
        QCOMPARE(damaged([&](QByteArray& b) { put32(b, at.groupDirectory + 20, 0x8FFFFFF0); }), 0);
        QCOMPARE(damaged([&](QByteArray& b) { put32(b, at.groupDirectory + 20, 0x00000010); }), 0);
        QCOMPARE(damaged([&](QByteArray& b) { put16(b, at.firstGroupData + 6 + 12, 999); }), 0);
        // Huge counts: of the section table, of a directory's entries, of a group's images.
        QCOMPARE(damaged([&](QByteArray& b) { put16(b, 0x40 + 4 + 2, 0xFFFF); }), 0);
        QCOMPARE(damaged([&](QByteArray& b) { put16(b, at.groupDirectory + 14, 0xFFFF); }), 0);
        QCOMPARE(damaged([&](QByteArray& b) { put16(b, at.resources + 12, 0xFFFF); }), 0);
        QCOMPARE(damaged([&](QByteArray& b) { put16(b, at.firstGroupData + 4, 0xFFFF); }), 0);
        // A directory that leads back to the top stops at the depth of a resource tree.
        QCOMPARE(damaged([&](QByteArray& b) { put32(b, at.groupDirectory + 20, 0x80000000u); }), 0);
        // Not a program file.
        QCOMPARE(IconResources::fromBytes(QByteArray("MZ")).count(), 0);
        QCOMPARE(IconResources::fromBytes(QByteArray("plain text, not an icon")).count(), 0);
    }

    void trashTakesRegularFilesOnly()
    {
        QTemporaryDir home;
        testsupport::TrashHome trash(home.path());
        QDir(home.path()).mkpath(QStringLiteral("pictures/folder"));
        const QString picture = home.filePath(QStringLiteral("pictures/a.jpg"));
        QFile f(picture);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.close();
        QVERIFY(QFile::link(picture, home.filePath(QStringLiteral("pictures/link.jpg"))));

        QString why;
        QVERIFY(!platform::moveToTrash(home.filePath(QStringLiteral("pictures/folder")), &why));
        QVERIFY(!platform::moveToTrash(home.filePath(QStringLiteral("pictures/link.jpg")), &why));
        QVERIFY(!platform::moveToTrash(home.filePath(QStringLiteral("pictures/gone.jpg")), &why));
        QVERIFY(!why.isEmpty());
        QVERIFY(QFileInfo(home.filePath(QStringLiteral("pictures/folder"))).isDir());
        QVERIFY(QFileInfo(home.filePath(QStringLiteral("pictures/link.jpg"))).isSymLink());
        // No trash can be made (a file stands in its place): the file stays where it is,
        // and nothing lands in the working directory.
        QFile blocker(home.filePath(QStringLiteral("Trash")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!platform::moveToTrash(picture, &why));
        QVERIFY(QFile::exists(picture));
        QVERIFY(!QFile::exists(QStringLiteral("files/a.jpg")));
        QVERIFY(blocker.remove());

        QVERIFY(platform::moveToTrash(picture));
        QVERIFY(!QFile::exists(picture));
        QVERIFY(QFile::exists(trash.filesPath(QStringLiteral("a.jpg"))));
        QVERIFY(QFile::exists(trash.infoPath(QStringLiteral("a.jpg"))));
    }
};

QTEST_MAIN(IconsAndTrashTest)
#include "IconsAndTrashTest.moc"
