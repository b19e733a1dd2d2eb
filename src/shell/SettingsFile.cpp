#include "shell/SettingsFile.h"

#include "platform/runtime/TextFile.h"
#include "platform/runtime/Vb.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace shell {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// A decimal number as the file holds it: sign, digits with "." as the separator, an
// exponent; never the locale's separator or a thousands separator.
bool isNumber(const QString& chars)
{
    static const QRegularExpression number(QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    return number.match(chars).hasMatch();
}

[[noreturn]] void mismatch(int line, const QString& chars, const char* what)
{
    throw platform::VbError(platform::vbErrTypeMismatch,
                            QStringLiteral("line %1: \"%2\" is not %3").arg(line).arg(chars, QLatin1String(what)));
}

} // namespace

void SettingsWriter::line(const QString& value)
{
    content_ += value;
    content_ += kLineEnd;
    ++lines_;
}

void SettingsWriter::text(const QString& value)
{
    QString quoted;
    quoted.reserve(value.size() + 2);
    quoted += u'"';
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'"') {
            quoted += QStringLiteral("\"\"");
        } else if (c == u'\r' || c == u'\n') {
            // A CR LF pair is one line end, one blank.
            if (!(c == u'\n' && i > 0 && value[i - 1] == u'\r'))
                quoted += u' ';
        } else {
            quoted += c;
        }
    }
    quoted += u'"';
    line(quoted);
}

void SettingsWriter::integer(qint32 value)
{
    line(QString::number(value));
}

void SettingsWriter::variant(const QVariant& value)
{
    if (!value.isValid() || value.isNull()) {
        line(QString());
        return;
    }
    switch (value.typeId()) {
    case QMetaType::QString:
        text(value.toString());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        line(platform::numberText(value.toDouble()));
        return;
    case QMetaType::Bool:
        // A truth value is kept as the number it stands for, as the program compares it.
        line(value.toBool() ? QStringLiteral("-1") : QStringLiteral("0"));
        return;
    default:
        if (value.canConvert<qlonglong>()) {
            line(QString::number(value.toLongLong()));
            return;
        }
        text(value.toString());
    }
}

SettingsItem readSettingsLine(const QString& line)
{
    qsizetype i = 0;
    while (i < line.size() && (line[i] == u' ' || line[i] == u'\t'))
        ++i;
    SettingsItem item;
    if (i >= line.size())
        return item;
    if (line[i] == u'"') {
        item.kind = SettingsItem::Quoted;
        for (++i; i < line.size(); ++i) {
            if (line[i] == u'"') {
                if (i + 1 < line.size() && line[i + 1] == u'"') {
                    item.chars += u'"';
                    ++i;
                    continue;
                }
                break;
            }
            item.chars += line[i];
        }
        return item;
    }
    const qsizetype comma = line.indexOf(u',', i);
    QString chars = line.mid(i, comma < 0 ? -1 : comma - i);
    while (!chars.isEmpty() && (chars.back() == u' ' || chars.back() == u'\t'))
        chars.chop(1);
    if (!chars.isEmpty()) {
        item.kind = SettingsItem::Plain;
        item.chars = chars;
    }
    return item;
}

SettingsReader::SettingsReader(const QString& content)
{
    lines_ = content.split(u'\n');
    // The line end after the last line starts no line of its own.
    if (!lines_.isEmpty() && lines_.back().isEmpty())
        lines_.removeLast();
    for (QString& l : lines_)
        if (l.endsWith(u'\r'))
            l.chop(1);
}

bool SettingsReader::take(SettingsItem& item)
{
    if (atEnd())
        return false;
    const int line = lineNumber();
    const QString& chars = lines_[next_++];
    if (std::any_of(chars.begin(), chars.end(), platform::isControlCode))
        throw platform::VbError(platform::vbErrTypeMismatch, QStringLiteral("line %1 holds control characters").arg(line));
    item = readSettingsLine(chars);
    return true;
}

void SettingsReader::text(QString& target)
{
    SettingsItem item;
    if (take(item))
        target = item.chars;
}

void SettingsReader::integer(qint16& target)
{
    const int line = lineNumber();
    qint32 value = target;
    longValue(value);
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        throw platform::VbError(platform::vbErrOverflow,
                                QStringLiteral("line %1: %2 is too large for its field").arg(line).arg(value));
    target = qint16(value);
}

void SettingsReader::longValue(qint32& target)
{
    const int line = lineNumber();
    SettingsItem item;
    if (!take(item))
        return;
    if (item.kind == SettingsItem::Nothing) {
        target = 0;
        return;
    }
    if (!isNumber(item.chars.trimmed()))
        mismatch(line, item.chars, "a number");
    const double value = platform::roundHalfEven(item.chars.trimmed().toDouble());
    if (!(value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max()))
        throw platform::VbError(platform::vbErrOverflow,
                                QStringLiteral("line %1: %2 is too large for its field").arg(line).arg(item.chars));
    target = qint32(value);
}

void SettingsReader::variant(QVariant& target)
{
    SettingsItem item;
    if (!take(item))
        return;
    switch (item.kind) {
    case SettingsItem::Nothing:
        target = QVariant();
        return;
    case SettingsItem::Quoted:
        target = item.chars;
        return;
    case SettingsItem::Plain:
        break;
    }
    if (!isNumber(item.chars)) {
        target = item.chars;
        return;
    }
    const bool whole = !item.chars.contains(u'.') && !item.chars.contains(u'e', Qt::CaseInsensitive);
    const double value = item.chars.toDouble();
    if (whole && value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max())
        target = int(value);
    else
        target = value;
}

} // namespace shell
