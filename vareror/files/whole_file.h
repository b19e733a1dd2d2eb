#pragma once
// The one way the program and its engine write a data file. The new content goes into a
// temporary file in the same folder; every write is checked, the file is flushed to the
// disk and its size checked, and only then is it renamed over the old file. Any failure
// removes the temporary file and leaves the old file exactly as it was. No Qt here, so
// the engine's core and the program's platform layer share this one routine.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vareror::files {

// What the writer does with a target that exists and is not a regular file: a FIFO, a
// device, a terminal, or a link to one. It never puts a file in its place.
enum class NotAFile {
    Refuse,       // it is left as it is, and the write fails saying what it is
    WriteInPlace, // the content goes into it as a stream (a FIFO waits for its reader)
};

// Replaces the content of `path` with `size` bytes. A link to an existing file is followed:
// the file it names is replaced and the link stays; a link to nothing is left as it is and
// nothing is created through it. An existing file keeps its permissions; a new one gets
// those the process's umask allows. A file without a write permission (its mode, which
// holds for the superuser too) or that this user may not write is not replaced. On failure
// returns false and, when `reason` is given, says why ("No space left on device", "the file
// is read-only").
bool writeWholeFile(const std::string &path, const void *data, size_t size, std::string *reason = nullptr,
                    NotAFile notAFile = NotAFile::Refuse);

// The bytes written to an open stream (standard output, a FIFO, a device) as they are;
// false with the reason when it takes them not all.
bool writeStream(int fd, const void *data, size_t size, std::string *reason = nullptr);

// Opens `path` (a link followed) for reading without waiting, and only when it is a regular
// file: a FIFO would hold the caller until some writer came, a device may never end. Returns
// the descriptor (which reads as usual), or -1 and, when `reason` is given, why: "not a
// regular file but a FIFO", or the system's words ("No such file or directory").
int openForReading(const std::string &path, std::string *reason = nullptr);

// What stands at `path` (a link followed) when it is there and is no regular file, in words
// ("not a regular file but a FIFO"); "" for a regular file or nothing at all. It looks
// without opening: a FIFO would wait there for its other end, and a device may act on being
// opened.
std::string notARegularFile(const std::string &path);

// A write stopped by a kill or a power cut leaves its temporary file, hidden, beside the old
// file (which is whole). This removes, in `folder` alone, every such temporary file of a file
// named in `names`: a regular file of this user named "." + name + "." + the six letters or
// digits that make the temporary name unique, that carries the mark the writer gives it until
// it is whole (the sticky bit). Nothing else is touched: not an operator's file of such a
// name, not a link. Only for a caller sure that no write of those files runs now (in any
// process). Returns how many were removed.
int removeLeftOverTemporaries(const std::string &folder, const std::vector<std::string> &names);

// The seam under the writer, for tests: the disk takes `bytes` more bytes of file
// content, then refuses every write with "No space left on device", as a full disk does
// (a write across the limit writes what fits). -1 (the default) is no limit. It counts in
// this copy of the routine only (the program and the engine library each have one).
void setSpaceLeftForTests(int64_t bytes);

} // namespace vareror::files
