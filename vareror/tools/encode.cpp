// vareror-wav encode: a picture file into a 16-bit mono WAV file in one SSTV mode. The WAV
// file is made whole in memory and only then written, through the one writer of data files:
// a failed encode (a full disk, a picture that cannot be read) leaves a file already at the
// output path exactly as it was. Standard output ("-" or /dev/stdout), a FIFO or a device
// at the output path takes the WAV file as a stream, in place.
#include "commands.h"

#include "encoder.h"
#include "modes.h"
#include "picture_file.h"
#include "whole_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vareror::core;

namespace {

int fail(const char *fmt, const char *arg = "")
{
    std::fprintf(stderr, "vareror-wav encode: ");
    std::fprintf(stderr, fmt, arg);
    std::fprintf(stderr, "\n");
    return 1;
}

bool parseInt(const char *s, long &out)
{
    if (!s || !*s) return false;
    errno = 0;
    char *end = nullptr;
    out = std::strtol(s, &end, 10);
    return errno == 0 && end && *end == '\0';
}

// A file in memory that libsndfile writes into as into a file on the disk (it goes back to
// the start to put the final sizes in the header).
struct MemoryFile {
    std::vector<char> bytes;
    sf_count_t pos = 0;
};

sf_count_t memoryLength(void *m) { return sf_count_t(static_cast<MemoryFile *>(m)->bytes.size()); }

sf_count_t memorySeek(sf_count_t offset, int whence, void *m)
{
    auto *f = static_cast<MemoryFile *>(m);
    const sf_count_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? sf_count_t(f->bytes.size()) : 0;
    if (base + offset < 0)
        return -1;
    f->pos = base + offset;
    return f->pos;
}

sf_count_t memoryRead(void *to, sf_count_t n, void *m)
{
    auto *f = static_cast<MemoryFile *>(m);
    const sf_count_t size = sf_count_t(f->bytes.size());
    const sf_count_t got = f->pos >= size ? 0 : std::min(n, size - f->pos);
    if (got > 0)
        std::memcpy(to, f->bytes.data() + f->pos, size_t(got));
    f->pos += got;
    return got;
}

sf_count_t memoryWrite(const void *from, sf_count_t n, void *m)
{
    auto *f = static_cast<MemoryFile *>(m);
    try {
        if (size_t(f->pos + n) > f->bytes.size())
            f->bytes.resize(size_t(f->pos + n));
    } catch (const std::bad_alloc &) {
        return 0; // libsndfile sees a failed write and says so
    }
    std::memcpy(f->bytes.data() + f->pos, from, size_t(n));
    f->pos += n;
    return n;
}

sf_count_t memoryTell(void *m) { return static_cast<MemoryFile *>(m)->pos; }

// The whole transmission as a 16-bit mono WAV file in `out`; false with the reason in `why`.
bool renderWav(Encoder &enc, int rate, MemoryFile &out, std::string &why)
{
    try {
        out.bytes.reserve(64 + 2 * enc.totalSamples()); // the header and the samples, grown once
    } catch (const std::bad_alloc &) {
        why = "not enough memory for the WAV file";
        return false;
    }
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SNDFILE *f = sf_open_virtual(&io, SFM_WRITE, &info, &out);
    if (!f) {
        why = sf_strerror(nullptr);
        return false;
    }
    std::vector<float> buf(16384);
    for (;;) {
        const size_t n = enc.generate(buf.data(), buf.size());
        if (n == 0)
            break;
        if (sf_write_float(f, buf.data(), sf_count_t(n)) != sf_count_t(n)) {
            why = sf_strerror(f);
            sf_close(f);
            return false;
        }
    }
    if (sf_close(f) != 0) {
        why = "the WAV header could not be completed";
        return false;
    }
    return true;
}

} // namespace

int runEncode(int argc, char **argv)
{
    TxRequest req;
    bool haveMode = false, haveRate = false;
    std::vector<const char *> files;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        auto value = [&]() -> const char * { return i + 1 < argc ? argv[++i] : nullptr; };
        if (!std::strcmp(a, "--mode")) {
            const char *v = value();
            long n = 0;
            if (!parseInt(v, n) || !validMode(int(n)) || n != long(int(n))) {
                std::fprintf(stderr, "vareror-wav encode: bad mode \"%s\" (modes are 0 to %d)\n",
                             v ? v : "", modeCount() - 1);
                return 1;
            }
            req.mode = int(n);
            haveMode = true;
        } else if (!std::strcmp(a, "--rate")) {
            const char *v = value();
            long r = 0;
            if (!parseInt(v, r) || r < 8000 || r > 192000)
                return fail("bad sample rate \"%s\" (a whole number of Hz from 8000 to 192000)", v ? v : "");
            req.sampleRate = double(r);
            haveRate = true;
        } else if (!std::strcmp(a, "--fskid")) {
            const char *v = value();
            if (!v) return fail("--fskid needs a text");
            const std::string problem = fskIdProblem(v);
            if (!problem.empty()) return fail("--fskid: %s", problem.c_str());
            req.fskId = true;
            req.idText = v;
        } else if (!std::strcmp(a, "--cwid")) {
            req.cwId = true;
        } else if (a[0] == '-' && a[1] != '\0') {
            return fail("unknown option \"%s\"", a);
        } else {
            files.push_back(a);
        }
    }
    if (!haveMode) return fail("--mode N is required");
    if (!haveRate) return fail("--rate R is required");
    if (files.size() != 2) return fail("expected a picture file and an output WAV file");
    if (req.cwId && req.idText.empty())
        return fail("--cwid sends the --fskid text in Morse: give --fskid TEXT too");

    std::string unread;
    if (!vareror::tools::readPictureFile(files[0], req.picture, unread)) {
        std::fprintf(stderr, "vareror-wav encode: cannot read the picture \"%s\"%s%s\n", files[0],
                     unread.empty() ? "" : ": ", unread.c_str());
        return 1;
    }
    Encoder enc(req);

    const bool toStandardOutput = !std::strcmp(files[1], "-") || !std::strcmp(files[1], "/dev/stdout");
    if (toStandardOutput && ::isatty(STDOUT_FILENO))
        return fail("standard output is a terminal: send it to a file or a program");
    MemoryFile wav;
    std::string why;
    if (!renderWav(enc, int(req.sampleRate), wav, why) ||
        !(toStandardOutput ? vareror::files::writeStream(STDOUT_FILENO, wav.bytes.data(), wav.bytes.size(), &why)
                           : vareror::files::writeWholeFile(files[1], wav.bytes.data(), wav.bytes.size(), &why,
                                                            vareror::files::NotAFile::WriteInPlace))) {
        std::fprintf(stderr, "vareror-wav encode: cannot write \"%s\": %s\n", files[1], why.c_str());
        return 1;
    }
    return 0;
}
