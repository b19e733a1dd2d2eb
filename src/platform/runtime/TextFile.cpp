#include "platform/runtime/TextFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace platform {

std::optional<QByteArray> readFileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

QString decodeText(const QByteArray& bytes)
{
    // Stateless: an incomplete sequence at the end is an error, not held back.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
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
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    if (f.write(bytes) != bytes.size()) {
        if (error)
            *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

bool writeTextFile(const QString& path, const QString& text, QString* error)
{
    return writeFileBytes(path, toCrLf(text).toUtf8(), error);
}

} // namespace platform
