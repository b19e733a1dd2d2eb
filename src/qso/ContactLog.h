#pragma once
// The contact log: one text of records, one per line, each the call sign in capitals, a
// blank and the free entry ("Q1AB John, Leeds"). New records go in front of the old ones,
// each after CR LF, so a log the program wrote begins with an empty line; the file
// "logdata" holds the text followed by one CR LF, and earlier versions read it as it is.
//
// Lines are separated by any character below 32 (CR LF as written, a lone LF in a file
// made by hand). A call's record is the first line that starts with the call followed by
// a blank, the line's end or the text's end: a mention inside another record, or a longer
// call that begins with it, is not its record. Look-up, save and delete all use that one
// rule, so a save never overwrites another call's line.

#include "platform/runtime/TextFile.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace qso {

// Capitals one character at a time, so each position of the copy holds the capital of the
// same position of the text ("ß", whose capital is two letters, stays as it is).
QString upperKeepingPositions(const QString& text);

// Every character below 32 as a blank: a call or entry holding a pasted line end cannot
// split its record.
QString blankControls(const QString& text);

// The terms of a search typed as "john,leeds": split at the commas (at most six parts, of
// which the first five count, blanks kept), in capitals, the first longest one moved to the
// front. Parts after the first may be empty.
QStringList searchTerms(const QString& typed);

class ContactLog {
public:
    // The whole text as read or last written; its capitals; a twentieth of its length.
    const QString& logText() const { return logText_; }
    const QString& logTextUpper() const { return logTextUpper_; }
    double logChunkLength() const { return logChunkLength_; }
    void setLogText(const QString& text);
    // The log as the file's bytes: each line decoded as UTF-8, or as Latin-1 where it is not
    // UTF-8; written back, every line not edited keeps its bytes.
    void readBytes(const QByteArray& bytes);
    // The file was not read (far too large, unreadable): it must not be replaced by the
    // little this run knows; every write is refused with `reason`.
    void refuseWrites(const QString& reason) { refusedBecause_ = reason; }

    struct Record {
        qsizetype start = 0;   // where the call begins
        qsizetype end = 0;     // where the line ends (its line end, or the text's end)
        QString entry;         // what follows the call and its blank, as stored
    };
    // The record of `call` (any case), or nothing. An empty call has none.
    std::optional<Record> find(const QString& call) const;

    // The text with the call's record replaced by "CALL entry" in place, or, for a call
    // without one, CR LF + "CALL entry" in front. Call and entry have their control
    // characters blanked; the call is put in capitals.
    QString savedText(const QString& call, const QString& entry) const;
    // The text without the call's record and the line end after it (the one in front
    // stays); nothing when the call has no record.
    std::optional<QString> deletedText(const QString& call) const;

    // The search: the next line at or after `from` that holds every non-empty term (in
    // capitals, see searchTerms) and is not empty. Returns the line as stored and sets
    // `from` past it; nothing when no line is left.
    std::optional<QString> nextMatch(const QStringList& terms, qsizetype& from) const;

    // Writes text + CR LF to the file at path, whole or not at all; only when it is
    // written does it become the log's text. False, with the reason, when it fails.
    bool write(const QString& path, const QString& text, QString* error = nullptr);

private:
    platform::TextBytes bytes_;
    QString refusedBecause_;
    QString logText_;
    QString logTextUpper_;
    double logChunkLength_ = 0;
};

} // namespace qso
