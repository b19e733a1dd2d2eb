#include "engine/PictureArchive.h"

#include "platform/runtime/Vb.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace engine {

namespace {

// prefix + "yymmddhhmmss.jpg" or prefix + "yymmddhhmmss_<n>.jpg", letter case ignored.
QRegularExpression datedPattern(const QString& prefix)
{
    return QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(prefix) +
                                  QStringLiteral("(\\d{12})(?:_(\\d{1,9}))?\\.jpg$"),
                              QRegularExpression::CaseInsensitiveOption);
}

} // namespace

QString freeDatedName(const QString& folder, const QDateTime& when, const QString& prefix)
{
    const QString name = prefix + platform::datedPictureName(when);
    const QDir dir(folder);
    if (!dir.exists(name))
        return name;
    const QString stem = name.chopped(4);
    for (int n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1_%2.jpg").arg(stem).arg(n);
        if (!dir.exists(candidate))
            return candidate;
    }
}

bool isDatedPictureName(const QString& name, const QString& prefix)
{
    return datedPattern(prefix).match(name).hasMatch();
}

QStringList datedPictures(const QString& folder, const QString& prefix)
{
    const QRegularExpression pattern = datedPattern(prefix);
    struct Entry {
        QString stamp;
        int number;
        QString name;
    };
    std::vector<Entry> entries;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const auto match = pattern.match(name);
        if (match.hasMatch())
            entries.push_back({match.captured(1), match.captured(2).isEmpty() ? 1 : match.captured(2).toInt(), name});
    }
    // By time, then by the order of the pictures finished within one second ("_10"
    // after "_9", which name order alone would not give).
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.stamp != b.stamp ? a.stamp < b.stamp : a.number < b.number;
    });
    QStringList sorted;
    for (const Entry& e : entries)
        sorted.append(e.name);
    return sorted;
}

int pruneDatedPictures(const QString& folder, int keep, int mostDeletions, const QString& spare,
                       const QString& prefix)
{
    QStringList pictures = datedPictures(folder, prefix);
    const int total = int(pictures.size());
    if (!spare.isEmpty())
        pictures.removeAll(spare);
    int deleted = 0;
    for (const QString& name : pictures) {
        if (total - deleted <= keep || deleted >= mostDeletions)
            break;
        // A picture that cannot be deleted stays the oldest: no younger one goes in its place.
        if (!QFile::remove(QDir(folder).filePath(name)))
            break;
        ++deleted;
    }
    return deleted;
}

} // namespace engine
