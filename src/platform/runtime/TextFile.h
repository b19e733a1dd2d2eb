#pragma once
// Text files the program shares with its earlier versions (settings, messages, log): CR LF
// line ends; read whole as UTF-8, or, line by line, as Latin-1 where a line's bytes are not
// valid UTF-8 (files of the earlier versions are one byte per character); written back so
// that every line the operator did not edit keeps its bytes. Every data file is written
// through writeFileBytes: the old file stays whole until the new one is complete and on
// the disk.

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class QFile;

namespace platform {

// The text of a file and the way back to its bytes. decode() remembers the lines that
// were not UTF-8 (and a byte-order mark); encode() gives such a line, while its text is
// unchanged, its Latin-1 bytes again, and writes every other line as UTF-8. A file read
// and written back unedited is byte-identical; an edited line alone changes.
class TextBytes {
public:
    QString decode(const QByteArray& bytes);
    QByteArray encode(const QString& text) const;

private:
    QSet<QString> latin1Lines_;
    bool byteOrderMark_ = false;
};

// Whether `c` is a control code that no text of the program's files holds: those below a
// blank but the tab and the line ends, DEL, and the C1 codes (which a byte of a file that is
// no text, read as Latin-1, gives). A file of random bytes is a fourth of them.
bool isControlCode(QChar c);

// The whole file as text; nullopt when it is missing or can't be read.
std::optional<QString> readTextFile(const QString& path);

// Decodes bytes as TextBytes does, without remembering anything.
QString decodeText(const QByteArray& bytes);

// Every line end (LF, or CR LF) as CR LF; lone CRs stay as they are.
QString toCrLf(const QString& text);

// Writes text with CR LF line ends (toCrLf) through the one writer, each line in the bytes
// `codec` gives it (UTF-8 without one). On failure the old file is unchanged, false is
// returned and *error (when given) says why.
bool writeTextFile(const QString& path, const QString& text, QString* error = nullptr,
                   const TextBytes* codec = nullptr);

// Opens `file` on `path` for reading, only when it is a regular file (a link followed),
// and without waiting: a FIFO in a file's place would hold the program for ever. When not,
// false and *error (when given) says why ("not a regular file but a FIFO").
bool openToRead(QFile& file, const QString& path, QString* error = nullptr);

// The raw bytes of a regular file (openToRead); nullopt when the file is missing, is none
// or can't be read (*error says why).
std::optional<QByteArray> readFileBytes(const QString& path, QString* error = nullptr);

// The one writer of data files: a temporary file in the same folder, every write checked,
// synced to the disk and its size checked, then renamed over the old file. On failure the
// old file is exactly as it was, no temporary file is left, false is returned and *error
// (when given) says why in the system's words ("No space left on device").
bool writeFileBytes(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Removes from `folder` the hidden temporary files that writes of the files named in `names`
// (in that folder), stopped by a kill or a crash, left behind; nothing else. Only while no
// write of those files can run (this instance alone writes them, and has not begun).
// Returns how many were removed.
int removeLeftOverTemporaries(const QString& folder, const QStringList& names);

// Whether files can be made in `folder` (a file is made there and removed again); when
// not, *error says why ("Read-only file system", "Permission denied").
bool folderWritable(const QString& folder, QString* error = nullptr);

// "Cannot write <file>: <reason>." and what the operator keeps: the text of a failed
// write as the operator is told it.
QString cannotWrite(const QString& path, const QString& reason);

} // namespace platform
