#include "platform/runtime/Vb.h"

#include <QLocale>
#include <QRegularExpression>

#include <limits>
#include <vector>

namespace platform {

namespace {

bool isValBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }

double radixValue(const QString& s, qsizetype from, int radix)
{
    quint64 v = 0;
    int digits = 0;
    for (qsizetype i = from; i < s.size(); ++i) {
        const int d = QString(s[i]).toInt(nullptr, 16);
        const bool isDigit = s[i].isDigit() || (radix == 16 && QStringLiteral("abcdefABCDEF").contains(s[i]));
        if (!isDigit || d >= radix)
            break;
        v = v * quint64(radix) + quint64(d);
        ++digits;
        if (v > 0xFFFFFFFFull)
            return double(v); // beyond a Long: no sign folding
    }
    if (digits == 0)
        return 0;
    // VB folds a value that fits 16 bits into an Integer, otherwise into a Long.
    if (v <= 0xFFFF)
        return double(int16_t(uint16_t(v)));
    return double(int32_t(uint32_t(v)));
}

// Reads the longest decimal number at the start of s (no blanks inside); returns the
// number of characters used (0: no number).
qsizetype scanDecimal(const QString& s, double* out)
{
    qsizetype i = 0;
    QByteArray num;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        num += char(s[i++].unicode());
    int mantissaDigits = 0;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
        num += char(s[i++].unicode());
        ++mantissaDigits;
    }
    if (i < s.size() && s[i] == u'.') {
        num += '.';
        ++i;
        while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
            num += char(s[i++].unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return 0;
    if (i < s.size() && QStringLiteral("eEdD").contains(s[i])) {
        qsizetype j = i + 1;
        QByteArray exp = "e";
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            exp += char(s[j++].unicode());
        const qsizetype digitsStart = j;
        while (j < s.size() && s[j] >= u'0' && s[j] <= u'9')
            exp += char(s[j++].unicode());
        if (j > digitsStart) {
            num += exp;
            i = j;
        }
    }
    bool ok = false;
    *out = QLocale::c().toDouble(QString::fromLatin1(num), &ok);
    if (!ok) // out of double's range
        *out = num.startsWith('-') ? -std::numeric_limits<double>::infinity()
                                   : std::numeric_limits<double>::infinity();
    return i;
}

double parseStrict(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        throw VbError(vbErrTypeMismatch, QStringLiteral("Type mismatch"));
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive) || t.startsWith(QLatin1String("&O"), Qt::CaseInsensitive)) {
        static const QRegularExpression hex(QStringLiteral("^&[Hh][0-9A-Fa-f]{1,8}$"));
        static const QRegularExpression oct(QStringLiteral("^&[Oo][0-7]{1,11}$"));
        if (!hex.match(t).hasMatch() && !oct.match(t).hasMatch())
            throw VbError(vbErrTypeMismatch, QStringLiteral("Type mismatch"));
        return Val(t);
    }
    double v = 0;
    const qsizetype used = scanDecimal(t, &v);
    if (used == 0 || used != t.size())
        throw VbError(vbErrTypeMismatch, QStringLiteral("Type mismatch"));
    return v;
}

} // namespace

double Val(const QString& text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!isValBlank(c))
            s += c;
    if (s.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))
        return radixValue(s, 2, 16);
    if (s.startsWith(QLatin1String("&O"), Qt::CaseInsensitive))
        return radixValue(s, 2, 8);
    double v = 0;
    return scanDecimal(s, &v) ? v : 0.0;
}

QString numberText(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // also -0
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<long long>(value));
    QString s = QString::number(value, 'g', 15); // QString::number ignores the locale
    return s.toUpper();
}

QString Str(double value)
{
    QString body = numberText(std::fabs(value));
    if (body.startsWith(QLatin1String("0.")))
        body.remove(0, 1);
    return (value < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + body;
}

double roundHalfEven(double value)
{
    const double r = std::round(value); // halves away from zero
    if (std::fabs(value - std::trunc(value)) == 0.5 && std::fmod(r, 2.0) != 0)
        return r - std::copysign(1.0, value);
    return r;
}

int16_t CInt(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= -32768.0 && r <= 32767.0))
        throw VbError(vbErrOverflow, QStringLiteral("Overflow"));
    return int16_t(r);
}

int32_t CLng(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        throw VbError(vbErrOverflow, QStringLiteral("Overflow"));
    return int32_t(r);
}

int16_t CInt(const QString& text) { return CInt(parseStrict(text)); }
int32_t CLng(const QString& text) { return CLng(parseStrict(text)); }
double CDbl(const QString& text) { return parseStrict(text); }

QString Format(const QDateTime& when, const QString& pattern)
{
    enum Kind { Literal, Year4, Year2, Month4, Month3, Month2, Month1, Day4, Day3, Day2, Day1,
                Hour2, Hour1, Min2, Min1, Sec2, Sec1, AmPmUpper, AmPmLower };
    struct Token { Kind kind; QString text; };
    std::vector<Token> tokens;
    auto run = [&](qsizetype i, QChar c) {
        qsizetype n = 0;
        while (i + n < pattern.size() && pattern[i + n].toLower() == c)
            ++n;
        return n;
    };
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i].toLower();
        if (pattern[i] == u'"') {
            const qsizetype end = pattern.indexOf(u'"', i + 1);
            const qsizetype stop = end < 0 ? pattern.size() : end;
            tokens.push_back({Literal, pattern.mid(i + 1, stop - i - 1)});
            i = stop + 1;
        } else if (pattern[i] == u'\\' && i + 1 < pattern.size()) {
            tokens.push_back({Literal, QString(pattern[i + 1])});
            i += 2;
        } else if (pattern.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
            tokens.push_back({pattern[i].isUpper() ? AmPmUpper : AmPmLower, {}});
            i += 5;
        } else if (c == u'y') {
            const qsizetype n = run(i, c);
            tokens.push_back({n >= 3 ? Year4 : Year2, {}});
            i += n;
        } else if (c == u'm') {
            const qsizetype n = run(i, c);
            tokens.push_back({n >= 4 ? Month4 : n == 3 ? Month3 : n == 2 ? Month2 : Month1, {}});
            i += n;
        } else if (c == u'd') {
            const qsizetype n = run(i, c);
            tokens.push_back({n >= 4 ? Day4 : n == 3 ? Day3 : n == 2 ? Day2 : Day1, {}});
            i += n;
        } else if (c == u'h' || c == u'n' || c == u's') {
            const qsizetype n = run(i, c);
            const bool two = n >= 2;
            tokens.push_back({c == u'h' ? (two ? Hour2 : Hour1) : c == u'n' ? (two ? Min2 : Min1) : (two ? Sec2 : Sec1), {}});
            i += n;
        } else {
            tokens.push_back({Literal, QString(pattern[i])});
            ++i;
        }
    }
    // "m"/"mm" right after an hour or right before a second means minutes.
    auto neighbour = [&](size_t i, int step) -> const Token* {
        for (long j = long(i) + step; j >= 0 && j < long(tokens.size()); j += step)
            if (tokens[size_t(j)].kind != Literal)
                return &tokens[size_t(j)];
        return nullptr;
    };
    for (size_t i = 0; i < tokens.size(); ++i) {
        Token& t = tokens[i];
        if (t.kind != Month2 && t.kind != Month1)
            continue;
        const Token* prev = neighbour(i, -1);
        const Token* next = neighbour(i, +1);
        if ((prev && (prev->kind == Hour1 || prev->kind == Hour2)) || (next && (next->kind == Sec1 || next->kind == Sec2)))
            t.kind = t.kind == Month2 ? Min2 : Min1;
    }
    const QDate d = when.date();
    const QTime tm = when.time();
    const QLocale loc;
    bool twelveHour = false;
    for (const Token& t : tokens)
        twelveHour = twelveHour || t.kind == AmPmUpper || t.kind == AmPmLower;
    const int hour = twelveHour ? (tm.hour() % 12 == 0 ? 12 : tm.hour() % 12) : tm.hour();
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    QString out;
    for (const Token& t : tokens) {
        switch (t.kind) {
        case Literal: out += t.text; break;
        case Year4: out += QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0')); break;
        case Year2: out += two(d.year() % 100); break;
        case Month4: out += loc.monthName(d.month(), QLocale::LongFormat); break;
        case Month3: out += loc.monthName(d.month(), QLocale::ShortFormat); break;
        case Month2: out += two(d.month()); break;
        case Month1: out += QString::number(d.month()); break;
        case Day4: out += loc.dayName(d.dayOfWeek(), QLocale::LongFormat); break;
        case Day3: out += loc.dayName(d.dayOfWeek(), QLocale::ShortFormat); break;
        case Day2: out += two(d.day()); break;
        case Day1: out += QString::number(d.day()); break;
        case Hour2: out += two(hour); break;
        case Hour1: out += QString::number(hour); break;
        case Min2: out += two(tm.minute()); break;
        case Min1: out += QString::number(tm.minute()); break;
        case Sec2: out += two(tm.second()); break;
        case Sec1: out += QString::number(tm.second()); break;
        case AmPmUpper: out += tm.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"); break;
        case AmPmLower: out += tm.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm"); break;
        }
    }
    return out;
}

QString datedPictureName(const QDateTime& when)
{
    return Format(when, QStringLiteral("yymmdd")) + Format(when, QStringLiteral("hhmmss")) + QStringLiteral(".jpg");
}

} // namespace platform
