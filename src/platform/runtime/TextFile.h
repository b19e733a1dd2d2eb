#pragma once
// Text files the program shares with its earlier versions (settings, messages, log):
// written as UTF-8 with CR LF line ends, atomically (the old file stays whole until
// the new one is complete); read whole as UTF-8, or as Latin-1 when the bytes are not
// valid UTF-8 (files of the earlier versions are one byte per character).

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// The whole file as text; nullopt when it is missing or can't be read.
std::optional<QString> readTextFile(const QString& path);

// Decodes bytes as UTF-8, or as Latin-1 when they are not valid UTF-8. A UTF-8
// byte-order mark is dropped.
QString decodeText(const QByteArray& bytes);

// Every line end (LF, or CR LF) as CR LF; lone CRs stay as they are.
QString toCrLf(const QString& text);

// Writes text as UTF-8 with CR LF line ends (toCrLf), atomically. On failure the old
// file is unchanged, false is returned and *error (when given) says why.
bool writeTextFile(const QString& path, const QString& text, QString* error = nullptr);

// The raw bytes; nullopt when the file is missing or can't be read.
std::optional<QByteArray> readFileBytes(const QString& path);

// Writes the bytes as they are, atomically; as writeTextFile on failure.
bool writeFileBytes(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace platform
