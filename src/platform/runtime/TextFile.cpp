#include "platform/runtime/TextFile.h"

#include "whole_file.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <unistd.h>

namespace platform {

namespace {

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// UTF-8 when the bytes are valid UTF-8 (stateless: an incomplete sequence at the end is
// an error, not held back), else nullopt.
std::optional<QString> utf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

QString TextBytes::decode(const QByteArray& bytes)
{
    latin1Lines_.clear();
    QByteArrayView rest(bytes);
    byteOrderMark_ = rest.startsWith(kByteOrderMark);
    if (byteOrderMark_)
        rest = rest.sliced(kByteOrderMark.size());
    if (auto whole = utf8(rest))
        return *whole;
    // Line by line: a line that is not UTF-8 is one byte per character. Line ends are the
    // same bytes in both.
    QString text;
    text.reserve(rest.size());
    qsizetype start = 0;
    while (start < rest.size()) {
        qsizetype end = start;
        while (end < rest.size() && !isLineEnd(rest[end]))
            ++end;
        const QByteArrayView line = rest.sliced(start, end - start);
        if (auto decoded = utf8(line)) {
            text += *decoded;
        } else {
            const QString latin1 = QString::fromLatin1(line);
            latin1Lines_.insert(latin1);
            text += latin1;
        }
        while (end < rest.size() && isLineEnd(rest[end]))
            text += QLatin1Char(rest[end++]);
        start = end;
    }
    return text;
}

QByteArray TextBytes::encode(const QString& text) const
{
    QByteArray bytes;
    if (byteOrderMark_)
        bytes += kByteOrderMark;
    if (latin1Lines_.isEmpty())
        return bytes + text.toUtf8();
    bytes.reserve(bytes.size() + text.size() + text.size() / 8);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QString line = text.sliced(start, end - start);
        bytes += latin1Lines_.contains(line) ? line.toLatin1() : line.toUtf8();
        while (end < text.size() && (text[end] == u'\r' || text[end] == u'\n'))
            bytes += char(text[end++].unicode());
        start = end;
    }
    return bytes;
}

bool openToRead(QFile& file, const QString& path, QString* error)
{
    std::string why;
    const int fd = vareror::files::openForReading(QFile::encodeName(path).toStdString(), &why);
    if (fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    if (fd >= 0) {
        why = file.errorString().toStdString();
        ::close(fd);
    }
    if (error)
        *error = QString::fromLocal8Bit(why.c_str());
    return false;
}

std::optional<QByteArray> readFileBytes(const QString& path, QString* error)
{
    QFile f;
    if (!openToRead(f, path, error))
        return std::nullopt;
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = f.errorString();
        return std::nullopt;
    }
    return bytes;
}

bool isControlCode(QChar c)
{
    const char16_t u = c.unicode();
    return (u < 0x20 && u != u'\t' && u != u'\r' && u != u'\n') || (u >= 0x7F && u <= 0x9F);
}

QString decodeText(const QByteArray& bytes)
{
    TextBytes codec;
    return codec.decode(bytes);
}

std::optional<QString> readTextFile(const QString& path)
{
    const std::optional<QByteArray> bytes = readFileBytes(path);
    if (!bytes)
        return std::nullopt;
    return decodeText(*bytes);
}

QString toCrLf(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n' && (i == 0 || text[i - 1] != u'\r'))
            out += u'\r';
        out += c;
    }
    return out;
}

bool writeFileBytes(const QString& path, const QByteArray& bytes, QString* error)
{
    std::string reason;
    if (vareror::files::writeWholeFile(QFile::encodeName(path).toStdString(), bytes.constData(), size_t(bytes.size()),
                                       &reason))
        return true;
    if (error)
        *error = QString::fromLocal8Bit(reason.c_str());
    return false;
}

bool writeTextFile(const QString& path, const QString& text, QString* error, const TextBytes* codec)
{
    const QString lines = toCrLf(text);
    return writeFileBytes(path, codec ? codec->encode(lines) : lines.toUtf8(), error);
}

int removeLeftOverTemporaries(const QString& folder, const QStringList& names)
{
    std::vector<std::string> encoded;
    for (const QString& name : names)
        encoded.push_back(QFile::encodeName(name).toStdString());
    return vareror::files::removeLeftOverTemporaries(QFile::encodeName(folder).toStdString(), encoded);
}

bool folderWritable(const QString& folder, QString* error)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".tovaro-probe-XXXXXX")));
    if (probe.open())
        return true;
    if (error)
        *error = probe.errorString();
    return false;
}

QString cannotWrite(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot write %1: %2. The file keeps what it held before.")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace platform
