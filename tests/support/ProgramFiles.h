#pragma once
// Program files with icons, built in the tests: a 32-bit program file whose only section
// holds the resources, with icon groups of solid-coloured images (in the layout the
// platform's icon images have: bitmap header, colour rows bottom-up, mask rows).

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QtEndian>

namespace testsupport {

struct IconImage {
    int side;    // width and height
    QRgb colour;
};

inline void put16(QByteArray& b, qint64 at, quint16 v)
{
    qToLittleEndian<quint16>(v, reinterpret_cast<uchar*>(b.data()) + at);
}
inline void put32(QByteArray& b, qint64 at, quint32 v)
{
    qToLittleEndian<quint32>(v, reinterpret_cast<uchar*>(b.data()) + at);
}

inline QByteArray iconImageBytes(const IconImage& image)
{
    const int s = image.side;
    const int maskRow = ((s + 31) / 32) * 4;
    QByteArray b(40 + s * s * 4 + maskRow * s, '\0');
    put32(b, 0, 40);
    put32(b, 4, quint32(s));
    put32(b, 8, quint32(2 * s)); // colour rows and mask rows
    put16(b, 12, 1);
    put16(b, 14, 32);
    put32(b, 20, quint32(s * s * 4));
    for (int i = 0; i < s * s; ++i) {
        uchar* p = reinterpret_cast<uchar*>(b.data()) + 40 + 4 * i;
        p[0] = uchar(qBlue(image.colour));
        p[1] = uchar(qGreen(image.colour));
        p[2] = uchar(qRed(image.colour));
        p[3] = 0xFF;
    }
    return b;
}

// Where the parts of a built file lie, for tests that damage one of them.
struct ProgramLayout {
    qint64 sectionTable = 0;
    qint64 resources = 0;      // file offset of the resource directory
    qint64 groupDirectory = 0; // file offset of the icon groups' directory
    qint64 firstGroupData = 0; // file offset of the first group's image list
};

inline QByteArray programWithIcons(const QList<QList<IconImage>>& groups, ProgramLayout* layout = nullptr)
{
    QList<QByteArray> icons;   // resource numbers 1, 2, ...
    QList<QByteArray> lists;   // the groups' image lists
    for (const QList<IconImage>& group : groups) {
        QByteArray list(6 + 14 * group.size(), '\0');
        put16(list, 2, 1);
        put16(list, 4, quint16(group.size()));
        for (int i = 0; i < group.size(); ++i) {
            const QByteArray data = iconImageBytes(group[i]);
            icons.append(data);
            const qint64 e = 6 + 14 * i;
            list[e] = char(group[i].side >= 256 ? 0 : group[i].side);
            list[e + 1] = list[e];
            put16(list, e + 4, 1);
            put16(list, e + 6, 32);
            put32(list, e + 8, quint32(data.size()));
            put16(list, e + 12, quint16(icons.size()));
        }
        lists.append(list);
    }
    const int nIcons = int(icons.size());
    const int nGroups = int(lists.size());
    // The resource section: the type directory, the two name directories, a language
    // directory and a data entry per resource, then the data.
    const qint64 root = 0;
    const qint64 iconDir = root + 16 + 2 * 8;
    const qint64 groupDir = iconDir + 16 + 8 * nIcons;
    const qint64 languages = groupDir + 16 + 8 * nGroups;
    const qint64 entries = languages + 24 * (nIcons + nGroups);
    qint64 dataAt = entries + 16 * (nIcons + nGroups);
    const quint32 sectionAddress = 0x1000;
    const qint64 sectionFile = 0x200;

    QByteArray rsrc(dataAt, '\0');
    put16(rsrc, root + 14, 2);
    put32(rsrc, root + 16, 3);
    put32(rsrc, root + 20, quint32(iconDir) | 0x80000000u);
    put32(rsrc, root + 24, 14);
    put32(rsrc, root + 28, quint32(groupDir) | 0x80000000u);
    put16(rsrc, iconDir + 14, quint16(nIcons));
    put16(rsrc, groupDir + 14, quint16(nGroups));
    qint64 firstGroupData = 0;
    auto add = [&](qint64 dir, int slot, int number, int resource, const QByteArray& data) {
        const qint64 language = languages + 24 * resource;
        const qint64 entry = entries + 16 * resource;
        put32(rsrc, dir + 16 + 8 * slot, quint32(number));
        put32(rsrc, dir + 20 + 8 * slot, quint32(language) | 0x80000000u);
        put16(rsrc, language + 14, 1);
        put32(rsrc, language + 16, 0x409);
        put32(rsrc, language + 20, quint32(entry));
        put32(rsrc, entry, sectionAddress + quint32(dataAt));
        put32(rsrc, entry + 4, quint32(data.size()));
        rsrc.append(data);
        rsrc.append(QByteArray((4 - data.size() % 4) % 4, '\0'));
        const qint64 at = dataAt;
        dataAt = rsrc.size();
        return at;
    };
    for (int i = 0; i < nIcons; ++i)
        add(iconDir, i, i + 1, i, icons[i]);
    for (int g = 0; g < nGroups; ++g) {
        const qint64 at = add(groupDir, g, g + 1, nIcons + g, lists[g]);
        if (g == 0)
            firstGroupData = sectionFile + at;
    }

    QByteArray file(sectionFile, '\0');
    file[0] = 'M';
    file[1] = 'Z';
    const qint64 pe = 0x40;
    put32(file, 0x3C, quint32(pe));
    file.replace(pe, 4, QByteArray("PE\0\0", 4));
    const qint64 coff = pe + 4;
    put16(file, coff, 0x14C);
    put16(file, coff + 2, 1);
    put16(file, coff + 16, 224);
    const qint64 optional = coff + 20;
    put16(file, optional, 0x10B);
    put32(file, optional + 92, 16);
    put32(file, optional + 96 + 16, sectionAddress);
    put32(file, optional + 96 + 20, quint32(rsrc.size()));
    const qint64 table = optional + 224;
    file.replace(table, 6, QByteArray(".rsrc\0", 6));
    put32(file, table + 8, quint32(rsrc.size()));
    put32(file, table + 12, sectionAddress);
    put32(file, table + 16, quint32(rsrc.size()));
    put32(file, table + 20, quint32(sectionFile));
    file.append(rsrc);
    if (layout)
        *layout = {table, sectionFile, sectionFile + groupDir, firstGroupData};
    return file;
}

} // namespace testsupport
