#include "platform/services/IconResources.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace platform {

namespace {

constexpr quint16 kResourceIcon = 3;
constexpr quint16 kResourceIconGroup = 14;
constexpr int kResourceDirectoryIndex = 2;
constexpr int kMaxSections = 96;
// No icon image is anywhere near this; larger data is damage, not an icon.
constexpr qint64 kMaxIconBytes = 4 * 1024 * 1024;
constexpr quint32 kHighBit = 0x80000000u;

// Checked little-endian reads over the file's bytes: a read outside them gives nothing.
class Bytes {
public:
    Bytes(const uchar* data, qint64 size) : data_(data), size_(size) {}
    qint64 size() const { return size_; }
    bool holds(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= size_ && length <= size_ - offset;
    }
    std::optional<quint16> u16(qint64 offset) const
    {
        if (!holds(offset, 2))
            return std::nullopt;
        return qFromLittleEndian<quint16>(data_ + offset);
    }
    std::optional<quint32> u32(qint64 offset) const
    {
        if (!holds(offset, 4))
            return std::nullopt;
        return qFromLittleEndian<quint32>(data_ + offset);
    }
    std::optional<quint8> u8(qint64 offset) const
    {
        if (!holds(offset, 1))
            return std::nullopt;
        return data_[offset];
    }

private:
    const uchar* data_;
    qint64 size_;
};

// Thrown inside the reader at the first fault; the file then holds no icons.
struct Damaged {};

template <class T>
T need(std::optional<T> value)
{
    if (!value)
        throw Damaged{};
    return *value;
}

struct Section {
    quint32 address = 0; // relative virtual address
    quint32 virtualSize = 0;
    quint32 rawSize = 0;
    quint32 rawOffset = 0;
};

// A program file's layout: its sections and where its resources begin.
class ProgramFile {
public:
    explicit ProgramFile(const Bytes& bytes) : b_(bytes)
    {
        const qint64 header = need(b_.u32(0x3C));
        if (need(b_.u32(header)) != 0x00004550u) // "PE\0\0"
            throw Damaged{};
        const qint64 coff = header + 4;
        const int sections = need(b_.u16(coff + 2));
        const int optionalSize = need(b_.u16(coff + 16));
        const qint64 optional = coff + 20;
        const quint16 magic = need(b_.u16(optional));
        qint64 directories = 0;
        qint64 countField = 0;
        if (magic == 0x10B) { // 32-bit layout
            countField = optional + 92;
            directories = optional + 96;
        } else if (magic == 0x20B) { // 64-bit layout
            countField = optional + 108;
            directories = optional + 112;
        } else {
            throw Damaged{};
        }
        const quint32 count = need(b_.u32(countField));
        if (count <= quint32(kResourceDirectoryIndex)
            || directories + 8 * (kResourceDirectoryIndex + 1) > optional + optionalSize)
            throw Damaged{};
        resourceAddress_ = need(b_.u32(directories + 8 * kResourceDirectoryIndex));
        if (sections > kMaxSections)
            throw Damaged{};
        const qint64 table = optional + optionalSize;
        for (int i = 0; i < sections; ++i) {
            const qint64 at = table + 40 * qint64(i);
            Section s;
            s.virtualSize = need(b_.u32(at + 8));
            s.address = need(b_.u32(at + 12));
            s.rawSize = need(b_.u32(at + 16));
            s.rawOffset = need(b_.u32(at + 20));
            sections_.append(s);
        }
    }

    bool hasResources() const { return resourceAddress_ != 0; }
    quint32 resourceAddress() const { return resourceAddress_; }

    // The file offset of `length` bytes at a relative virtual address; they must lie in
    // one section's data as the file holds it.
    qint64 offsetOf(quint64 address, qint64 length) const
    {
        for (const Section& s : sections_) {
            if (address < s.address)
                continue;
            const quint64 into = address - s.address;
            if (into + quint64(length) > s.rawSize)
                continue;
            const qint64 offset = qint64(s.rawOffset) + qint64(into);
            if (b_.holds(offset, length))
                return offset;
        }
        throw Damaged{};
    }

private:
    const Bytes& b_;
    quint32 resourceAddress_ = 0;
    QList<Section> sections_;
};

// One entry of a resource directory: its number (0 for a named one) and where it leads.
struct Entry {
    bool named = false;
    quint16 id = 0;
    quint32 target = 0; // offset from the resources' start; high bit: a further directory
};

QList<Entry> directoryAt(const Bytes& b, const ProgramFile& pe, quint32 offset)
{
    const qint64 at = pe.offsetOf(quint64(pe.resourceAddress()) + offset, 16);
    const int named = need(b.u16(at + 12));
    const int numbered = need(b.u16(at + 14));
    const qint64 entries = qint64(named) + numbered;
    const qint64 first = pe.offsetOf(quint64(pe.resourceAddress()) + offset + 16, 8 * entries);
    QList<Entry> list;
    list.reserve(entries);
    for (qint64 i = 0; i < entries; ++i) {
        const quint32 name = need(b.u32(first + 8 * i));
        Entry e;
        e.named = (name & kHighBit) != 0;
        e.id = e.named ? 0 : quint16(name);
        e.target = need(b.u32(first + 8 * i + 4));
        list.append(e);
    }
    return list;
}

// The data a named or numbered resource leads to: through its first language (the
// directories below the type), to its data entry. Gives the data's file offset and size.
std::pair<qint64, qint64> resourceData(const Bytes& b, const ProgramFile& pe, quint32 target)
{
    // Below the type come at most the name and the language directories.
    for (int depth = 0; depth < 2 && (target & kHighBit); ++depth) {
        const QList<Entry> below = directoryAt(b, pe, target & ~kHighBit);
        if (below.isEmpty())
            throw Damaged{};
        target = below.first().target;
    }
    if (target & kHighBit)
        throw Damaged{};
    const qint64 entry = pe.offsetOf(quint64(pe.resourceAddress()) + target, 16);
    const quint32 address = need(b.u32(entry));
    const qint64 size = need(b.u32(entry + 4));
    if (size > kMaxIconBytes)
        throw Damaged{};
    return {pe.offsetOf(address, size), size};
}

// The image list of an icon group (the group's own header) or of an icon file (whose
// entries carry the data's offset instead of a resource number).
struct Listed {
    int width, height, colours, planes, bits;
    quint32 sizeOrZero;
    quint32 where; // resource number in a group, file offset in an icon file
};

QList<Listed> imageList(const Bytes& b, qint64 at, qint64 size, bool iconFile)
{
    const int entrySize = iconFile ? 16 : 14;
    if (size < 6 || need(b.u16(at)) != 0 || need(b.u16(at + 2)) != 1)
        throw Damaged{};
    const int count = need(b.u16(at + 4));
    if (count == 0 || 6 + qint64(count) * entrySize > size)
        throw Damaged{};
    QList<Listed> list;
    for (int i = 0; i < count; ++i) {
        const qint64 e = at + 6 + qint64(i) * entrySize;
        Listed l;
        l.width = need(b.u8(e)) == 0 ? 256 : need(b.u8(e));
        l.height = need(b.u8(e + 1)) == 0 ? 256 : need(b.u8(e + 1));
        l.colours = need(b.u8(e + 2));
        l.planes = need(b.u16(e + 4));
        l.bits = need(b.u16(e + 6));
        l.sizeOrZero = need(b.u32(e + 8));
        l.where = iconFile ? need(b.u32(e + 12)) : need(b.u16(e + 12));
        list.append(l);
    }
    return list;
}

} // namespace

IconResources::IconResources(const QString& path)
{
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::ReadOnly) || file->size() <= 0)
        return;
    size_ = file->size();
    data_ = file->map(0, size_);
    if (!data_) {
        size_ = 0;
        return;
    }
    file_ = std::move(file);
    read();
}

IconResources IconResources::fromBytes(const QByteArray& bytes)
{
    IconResources icons;
    icons.held_ = bytes;
    icons.data_ = reinterpret_cast<const uchar*>(icons.held_.constData());
    icons.size_ = icons.held_.size();
    icons.read();
    return icons;
}

void IconResources::read()
{
    const Bytes b(data_, size_);
    QList<QList<Image>> groups;
    try {
        auto image = [](const Listed& l, qint64 offset, qint64 size) {
            return Image{l.width, l.height, l.colours, l.planes, l.bits, offset, size};
        };
        if (need(b.u16(0)) != 0x5A4D) { // not "MZ": an icon file has one icon
            QList<Image> group;
            for (const Listed& l : imageList(b, 0, size_, true)) {
                if (l.sizeOrZero > kMaxIconBytes || !b.holds(l.where, l.sizeOrZero))
                    throw Damaged{};
                group.append(image(l, l.where, l.sizeOrZero));
            }
            groups.append(group);
        } else {
            const ProgramFile pe(b);
            if (!pe.hasResources())
                return;
            QList<Entry> groupEntries;
            QList<Entry> iconEntries;
            for (const Entry& type : directoryAt(b, pe, 0)) {
                if (type.named || !(type.target & kHighBit))
                    continue;
                if (type.id == kResourceIconGroup)
                    groupEntries = directoryAt(b, pe, type.target & ~kHighBit);
                else if (type.id == kResourceIcon)
                    iconEntries = directoryAt(b, pe, type.target & ~kHighBit);
            }
            for (const Entry& g : groupEntries) {
                const auto [at, size] = resourceData(b, pe, g.target);
                QList<Image> group;
                for (const Listed& l : imageList(b, at, size, false)) {
                    const auto icon = std::find_if(iconEntries.cbegin(), iconEntries.cend(),
                                                   [&](const Entry& e) { return !e.named && e.id == l.where; });
                    if (icon == iconEntries.cend())
                        throw Damaged{};
                    const auto [data, dataSize] = resourceData(b, pe, icon->target);
                    group.append(image(l, data, dataSize));
                }
                groups.append(group);
            }
        }
    } catch (const Damaged&) {
        return;
    }
    groups_ = groups;
}

QByteArray IconResources::slice(qint64 offset, qint64 size) const
{
    return QByteArray(reinterpret_cast<const char*>(data_ + offset), size);
}

QImage IconResources::icon(int index) const
{
    if (index < 0 || index >= groups_.size())
        return QImage();
    const QList<Image>& group = groups_[index];
    // Nearest 32 x 32; of two as near, the one with more colours.
    const Image* best = nullptr;
    int bestDistance = 0;
    for (const Image& i : group) {
        const int distance = std::abs(i.width - 32) + std::abs(i.height - 32);
        if (!best || distance < bestDistance || (distance == bestDistance && i.bits > best->bits)) {
            best = &i;
            bestDistance = distance;
        }
    }
    if (!best)
        return QImage();
    const QByteArray data = slice(best->offset, best->size);
    QImage picture;
    if (data.startsWith("\x89PNG")) {
        picture = QImage::fromData(data, "PNG");
    } else {
        // The one image as an icon file of its own.
        QByteArray file(22, '\0');
        uchar* h = reinterpret_cast<uchar*>(file.data());
        qToLittleEndian<quint16>(1, h + 2);
        qToLittleEndian<quint16>(1, h + 4);
        h[6] = uchar(best->width == 256 ? 0 : best->width);
        h[7] = uchar(best->height == 256 ? 0 : best->height);
        h[8] = uchar(best->colours);
        qToLittleEndian<quint16>(quint16(best->planes), h + 10);
        qToLittleEndian<quint16>(quint16(best->bits), h + 12);
        qToLittleEndian<quint32>(quint32(data.size()), h + 14);
        qToLittleEndian<quint32>(22, h + 18);
        file += data;
        picture = QImage::fromData(file, "ICO");
    }
    return picture.isNull() ? picture : picture.convertToFormat(QImage::Format_ARGB32);
}

} // namespace platform
