#pragma once
// The VB conversions the handlers use. Numbers are written and read with "." as the
// decimal separator whatever the machine's locale, so files move between machines.

#include <QDateTime>
#include <QString>

#include <cmath>
#include <concepts>
#include <cstdint>
#include <stdexcept>

namespace platform {

// A run-time error with VB's error number (6 Overflow, 13 Type mismatch, 32755 a
// cancelled common dialog, ...). Step runners and handlers catch it like any other.
class VbError : public std::runtime_error {
public:
    VbError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number) {}
    int number() const { return number_; }
private:
    int number_;
};

inline constexpr int vbErrOverflow = 6;
inline constexpr int vbErrTypeMismatch = 13;

// Val: the leading number of a text. Blanks, tabs and line feeds are skipped wherever
// they stand ("1 000" is 1000); reading stops at the first character that can't
// continue the number; "&H" hexadecimal and "&O" octal are read (4 digits or fewer as
// a 16-bit, more as a 32-bit signed value: "&HFFFF" is -1); "1e3" is 1000; a text
// that does not begin with a number gives 0.
double Val(const QString& text);

// Str: the number with a leading blank when not negative (" 5", "-5", " 1.5", " .5").
QString Str(double value);

// The plain decimal text of a number: no blank, "." as separator, no thousands
// separator, up to 15 significant digits ("5", "-60", "0.5", "1234.5").
QString numberText(double value);
template <std::integral T>
QString numberText(T value) { return QString::number(value); }

// Round to the nearest whole number, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double roundHalfEven(double value);

// CInt/CLng: round halves to even; out of range (16-bit / 32-bit) throws VbError 6.
int16_t CInt(double value);
int32_t CLng(double value);
// From a text: a number as Val reads it, but the whole text (blanks around it aside)
// must be that number, else VbError 13; "" is a type mismatch too.
int16_t CInt(const QString& text);
int32_t CLng(const QString& text);
// CDbl of a text, with the same strictness.
double CDbl(const QString& text);

// Int: the largest whole number not above the value (Int(-2.5) = -3).
inline double Int(double value) { return std::floor(value); }
// Fix: the whole part, towards zero (Fix(-2.5) = -2).
inline double Fix(double value) { return std::trunc(value); }

// Format of a date and time with VB's patterns: yyyy yy, mmmm mmm mm m (month; minutes
// after h/hh or before s/ss), nn n (minutes), dddd ddd dd d, hh h (00 to 23), ss s,
// AM/PM am/pm, text in double quotes and "\x" literally; any other character stands as
// it is. Month and day names come from the default locale.
QString Format(const QDateTime& when, const QString& pattern);

// The dated picture name "yymmddhhmmss.jpg" of the given local time.
QString datedPictureName(const QDateTime& when);

} // namespace platform
