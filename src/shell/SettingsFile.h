#pragma once
// The line format of the settings file "restoreTovaroM": one value per line, CR LF
// after each; no header, no names, no end marker.
//
// - A text is written between double quotes; a double quote inside it is doubled and a
//   line end inside it becomes a blank, so every text reads back whole on its own line.
//   Files of earlier versions, which wrote texts without doubling, still read.
// - A whole number is written as its digits with a leading "-" when negative.
// - A Variant is written by what it holds: empty as an empty line, a number as its
//   decimal text with "." as the separator whatever the machine's locale, a text as
//   above.
//
// Reading a line: leading blanks are skipped; a line that begins with a double quote
// yields the characters up to the closing quote (a doubled quote is one quote inside
// the text; the rest of the line is skipped); any other line yields its characters up
// to a comma or the line end, trailing blanks dropped; an empty line yields nothing.

#include <QString>
#include <QStringList>
#include <QVariant>

namespace shell {

class SettingsWriter {
public:
    void text(const QString& value);
    void integer(qint32 value); // the file's Integer and Long fields alike
    void variant(const QVariant& value);

    // The file's content so far, every line ended by CR LF.
    const QString& content() const { return content_; }
    int lines() const { return lines_; }

private:
    void line(const QString& value);
    QString content_;
    int lines_ = 0;
};

// What one line yields.
struct SettingsItem {
    enum Kind { Nothing, Quoted, Plain };
    Kind kind = Nothing;
    QString chars;
};
SettingsItem readSettingsLine(const QString& line);

// Reads the lines of a settings file one by one into their targets. A read past the
// end of the file leaves the target as it was (atEnd() tells); a line that cannot be
// converted to its target's type, or that holds control characters (no value of any kind
// does: such a line is damage, not a setting), leaves the target as it was and throws
// platform::VbError naming the line; either way the next read takes the next line.
class SettingsReader {
public:
    explicit SettingsReader(const QString& content);

    bool atEnd() const { return next_ >= lines_.size(); }
    // The number of the line that the next read takes, from 1.
    int lineNumber() const { return int(next_) + 1; }
    int lineCount() const { return int(lines_.size()); }

    void text(QString& target);
    void integer(qint16& target); // the file's Integer: 16 bits
    void longValue(qint32& target);
    // Nothing gives empty; a quoted value a text; a number a whole or floating number;
    // anything else a text.
    void variant(QVariant& target);

private:
    bool take(SettingsItem& item);
    QStringList lines_;
    qsizetype next_ = 0;
};

} // namespace shell
