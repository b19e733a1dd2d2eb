#include "qso/ContactLog.h"

#include "platform/runtime/TextFile.h"

namespace qso {

namespace {

// A line ends at any character below 32.
bool endsLine(QChar c) { return c.unicode() < 32; }

constexpr int kTermsCounted = 5;
constexpr int kShortestTerm = 2;

} // namespace

QString upperKeepingPositions(const QString& text)
{
    QString upper(text);
    for (QChar& c : upper)
        c = c.toUpper(); // one code unit in, one out
    return upper;
}

QString blankControls(const QString& text)
{
    QString clean(text);
    for (QChar& c : clean)
        if (endsLine(c))
            c = QLatin1Char(' ');
    return clean;
}

QStringList searchTerms(const QString& typed)
{
    QStringList terms{upperKeepingPositions(typed)};
    QString rest = terms.first();
    for (int k = 0; k < kTermsCounted; ++k) {
        const qsizetype comma = rest.indexOf(QLatin1Char(','));
        if (comma < 0)
            break;
        terms[k] = rest.left(comma);
        rest = rest.mid(comma + 1);
        terms << rest;
    }
    // The sixth part, everything after the fifth comma, is not a term.
    while (terms.size() > kTermsCounted)
        terms.removeLast();
    // The longest term is the one searched for; the others only filter its lines.
    int longest = 0;
    for (int k = 1; k < terms.size(); ++k)
        if (terms[k].size() > terms[longest].size())
            longest = k;
    if (longest != 0)
        terms.swapItemsAt(0, longest);
    return terms;
}

void ContactLog::setLogText(const QString& text)
{
    logText_ = text;
    logTextUpper_ = upperKeepingPositions(text);
    logChunkLength_ = text.size() / 20.0;
}

std::optional<ContactLog::Record> ContactLog::find(const QString& call) const
{
    const QString key = upperKeepingPositions(call);
    if (key.isEmpty())
        return std::nullopt;
    const qsizetype size = logTextUpper_.size();
    for (qsizetype at = logTextUpper_.indexOf(key); at >= 0; at = logTextUpper_.indexOf(key, at + 1)) {
        const bool lineStart = at == 0 || endsLine(logTextUpper_.at(at - 1));
        const qsizetype after = at + key.size();
        const bool callEnds = after == size || logTextUpper_.at(after).unicode() <= 32;
        if (!lineStart || !callEnds)
            continue;
        Record record;
        record.start = at;
        record.end = after;
        while (record.end < size && !endsLine(logText_.at(record.end)))
            ++record.end;
        if (after < record.end) // a blank follows the call
            record.entry = logText_.mid(after + 1, record.end - after - 1);
        return record;
    }
    return std::nullopt;
}

QString ContactLog::savedText(const QString& call, const QString& entry) const
{
    const QString line = upperKeepingPositions(blankControls(call)) + QLatin1Char(' ') + blankControls(entry);
    if (const auto record = find(call))
        return logText_.left(record->start) + line + logText_.mid(record->end);
    // A text made by hand may begin with a record of its own, not with a line end: the
    // new record must not run into it.
    const bool joins = !logText_.isEmpty() && !endsLine(logText_.front());
    return QStringLiteral("\r\n") + line + (joins ? QStringLiteral("\r\n") : QString()) + logText_;
}

std::optional<QString> ContactLog::deletedText(const QString& call) const
{
    const auto record = find(call);
    if (!record)
        return std::nullopt;
    qsizetype cut = record->end;
    if (logText_.mid(cut, 2) == QLatin1String("\r\n"))
        cut += 2;
    else if (cut < logText_.size())
        cut += 1; // a line end of one character
    return logText_.left(record->start) + logText_.mid(cut);
}

std::optional<QString> ContactLog::nextMatch(const QStringList& terms, qsizetype& from) const
{
    if (terms.isEmpty() || terms.first().size() < kShortestTerm)
        return std::nullopt;
    const QString& first = terms.first();
    // Lines hold no character below 32, so a term with one is on no line.
    if (blankControls(first) != first)
        return std::nullopt;
    const qsizetype size = logTextUpper_.size();
    while (from < size) {
        const qsizetype hit = logTextUpper_.indexOf(first, from);
        if (hit < 0)
            break;
        qsizetype start = hit;
        while (start > 0 && !endsLine(logTextUpper_.at(start - 1)))
            --start;
        qsizetype end = hit + first.size();
        while (end < size && !endsLine(logTextUpper_.at(end)))
            ++end;
        from = end;
        const QStringView upperLine = QStringView(logTextUpper_).mid(start, end - start);
        bool all = true;
        for (qsizetype k = 1; k < terms.size() && all; ++k)
            all = terms[k].isEmpty() || upperLine.contains(terms[k]);
        if (all)
            return logText_.mid(start, end - start);
    }
    from = size;
    return std::nullopt;
}

void ContactLog::readBytes(const QByteArray& bytes)
{
    setLogText(bytes_.decode(bytes));
}

bool ContactLog::write(const QString& path, const QString& text, QString* error)
{
    if (!refusedBecause_.isEmpty()) {
        if (error)
            *error = refusedBecause_;
        return false;
    }
    QByteArray bytes = bytes_.encode(text);
    bytes += "\r\n";
    if (!platform::writeFileBytes(path, bytes, error))
        return false;
    setLogText(text);
    return true;
}

} // namespace qso
