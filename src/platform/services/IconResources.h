#pragma once
// The icons held in a program or library file (the icon groups of its resources, in the
// order of its resource directory), or the one icon of an icon file: what the browser's
// icon view shows. Our own reader of the file's layout: every offset, size and count is
// checked against the file before it is followed, and a file damaged anywhere the reader
// looks holds no icons.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <memory>

class QFile;

namespace platform {

class IconResources {
public:
    // Reads the icon directory of the file at path (the icons themselves when asked for).
    explicit IconResources(const QString& path);
    // The same from the file's bytes.
    static IconResources fromBytes(const QByteArray& bytes);

    // The number of icons: 0 for a file without icons, a damaged one or no file at all.
    int count() const { return int(groups_.size()); }
    // Icon `index`: of the images its group holds, the one nearest 32 x 32. A null image
    // when the index is outside 0 to count() - 1 or the image cannot be decoded.
    QImage icon(int index) const;

private:
    IconResources() = default;
    void read();
    QByteArray slice(qint64 offset, qint64 size) const;

    // One image of a group: its size and colour depth as the group lists it, and where
    // its data lies in the file.
    struct Image {
        int width = 0;
        int height = 0;
        int colours = 0;
        int planes = 0;
        int bits = 0;
        qint64 offset = 0;
        qint64 size = 0;
    };
    // The file's bytes: mapped from the file, or held.
    std::shared_ptr<QFile> file_;
    QByteArray held_;
    const uchar* data_ = nullptr;
    qint64 size_ = 0;
    QList<QList<Image>> groups_;
};

} // namespace platform
