#include "sound_file.h"

#include "whole_file.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vareror::core {

namespace {

uint32_t le32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::string le32Bytes(uint32_t v)
{
    return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}

bool readAt(std::FILE *f, int64_t at, void *to, size_t n)
{
    return fseeko(f, off_t(at), SEEK_SET) == 0 && std::fread(to, 1, n, f) == n;
}

} // namespace

// The stream the sound library reads instead of the file: a WAV header of our own, the
// file's chunks before its first data chunk as they are, and one data chunk holding the
// bytes of every data chunk in turn, each cut to whole frames (a take that ends mid-sample
// would shift every sample after it). Its length follows the file's, never a header field.
struct SoundFile::Joined {
    struct Piece {
        int64_t at = 0;      // where it starts in the stream
        int64_t from = 0;    // where its bytes are in the file (when `bytes` is empty)
        int64_t length = 0;
        std::string bytes;   // bytes of our own
    };
    std::FILE *file = nullptr;
    std::vector<Piece> pieces;
    int64_t length = 0, pos = 0;

    ~Joined()
    {
        if (file) std::fclose(file);
    }

    void add(int64_t from, int64_t n, std::string bytes = {})
    {
        pieces.push_back({length, from, n, std::move(bytes)});
        length += n;
    }
    void add(std::string bytes)
    {
        const int64_t n = int64_t(bytes.size());
        add(0, n, std::move(bytes));
    }

    int64_t read(char *to, int64_t n)
    {
        int64_t done = 0;
        while (done < n && pos < length) {
            // the last piece starting at or before pos
            const auto it = std::upper_bound(pieces.begin(), pieces.end(), pos,
                                             [](int64_t p, const Piece &q) { return p < q.at; }) - 1;
            const int64_t off = pos - it->at, take = std::min(n - done, it->length - off);
            if (!it->bytes.empty()) std::memcpy(to + done, it->bytes.data() + off, size_t(take));
            else if (!readAt(file, it->from + off, to + done, size_t(take))) break; // the file shrank
            done += take;
            pos += take;
        }
        return done;
    }

    // Whether `path` is a WAV file with more than one data chunk; if so, the stream of them.
    // A file that is none, or whose chunks cannot be joined soundly (no frame size known
    // before its audio), is left to the sound library, which reads it or says why not.
    enum class Found { Plain, Joined, TooMany };
    Found open(const std::string &path)
    {
        file = std::fopen(path.c_str(), "rb");
        if (!file) return Found::Plain;
        unsigned char head[12];
        if (fseeko(file, 0, SEEK_END) != 0) return Found::Plain;
        const int64_t size = ftello(file);
        if (!readAt(file, 0, head, 12) || std::memcmp(head, "RIFF", 4) || std::memcmp(head + 8, "WAVE", 4))
            return Found::Plain;
        int64_t at = 12, firstData = -1;
        int blockAlign = 0, dataChunks = 0;
        std::vector<std::pair<int64_t, int64_t>> data; // each data chunk's whole frames
        // Every step moves on by 8 bytes at least, and a chunk that runs past the file's end
        // is its last: the walk ends, whatever the sizes say.
        while (at + 8 <= size) {
            unsigned char ch[8];
            if (!readAt(file, at, ch, 8)) break;
            const int64_t body = at + 8, claimed = le32(ch + 4), has = std::min(claimed, size - body);
            if (!std::memcmp(ch, "fmt ", 4) && firstData < 0 && has >= 16) {
                unsigned char fmt[16];
                if (readAt(file, body, fmt, 16)) blockAlign = fmt[12] | fmt[13] << 8;
            } else if (!std::memcmp(ch, "data", 4)) {
                if (firstData < 0) firstData = at;
                if (++dataChunks > kMaxDataChunks) return Found::TooMany;
                const int64_t whole = blockAlign > 0 ? has / blockAlign * blockAlign : has;
                if (whole > 0) data.emplace_back(body, whole);
            }
            if (claimed > size - body) break;
            at = body + claimed + (claimed & 1); // an odd-sized chunk has a pad byte
        }
        if (dataChunks < 2 || blockAlign <= 0) return Found::Plain;
        // The sizes must fit the header's 32 bits: past that, the audio is cut to what fits.
        const int64_t prefix = firstData - 12;
        const int64_t room = std::max<int64_t>(0, (int64_t(0xFFFFFFFF) - 4 - prefix - 8) / blockAlign * blockAlign);
        int64_t total = 0;
        for (auto &d : data) {
            d.second = std::min(d.second, room - total);
            total += d.second;
        }
        add("RIFF" + le32Bytes(uint32_t(4 + prefix + 8 + total)) + "WAVE");
        add(12, prefix);
        add("data" + le32Bytes(uint32_t(total)));
        for (const auto &d : data)
            if (d.second > 0) add(d.first, d.second);
        return Found::Joined;
    }
};

namespace {

sf_count_t joinedLength(void *j) { return static_cast<SoundFile::Joined *>(j)->length; }

sf_count_t joinedSeek(sf_count_t offset, int whence, void *j)
{
    auto *s = static_cast<SoundFile::Joined *>(j);
    const int64_t base = whence == SEEK_CUR ? s->pos : whence == SEEK_END ? s->length : 0;
    s->pos = std::clamp<int64_t>(base + offset, 0, s->length);
    return s->pos;
}

sf_count_t joinedRead(void *to, sf_count_t n, void *j)
{
    return static_cast<SoundFile::Joined *>(j)->read(static_cast<char *>(to), n);
}

sf_count_t joinedWrite(const void *, sf_count_t, void *) { return 0; }

sf_count_t joinedTell(void *j) { return static_cast<SoundFile::Joined *>(j)->pos; }

} // namespace

std::string soundLibraryError(void *sndfile)
{
    std::string text = sf_strerror(static_cast<SNDFILE *>(sndfile));
    while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n'))
        text.pop_back();
    return text;
}

SoundFile::SoundFile(const std::string &path)
{
    // Only a regular file: a FIFO or a device would hold the open, or the reading, for ever.
    const int fd = vareror::files::openForReading(path, &error_);
    if (fd < 0)
        return;
    ::close(fd);
    SF_INFO info{};
    SNDFILE *f = nullptr;
    auto joined = std::make_unique<Joined>();
    switch (joined->open(path)) {
    case Joined::Found::TooMany:
        error_ = "its audio is split into more than " + std::to_string(kMaxDataChunks) + " data chunks";
        return;
    case Joined::Found::Joined: {
        SF_VIRTUAL_IO io{joinedLength, joinedSeek, joinedRead, joinedWrite, joinedTell};
        f = sf_open_virtual(&io, SFM_READ, &info, joined.get());
        joined_ = std::move(joined);
        break;
    }
    case Joined::Found::Plain:
        joined.reset();
        f = sf_open(path.c_str(), SFM_READ, &info);
        break;
    }
    if (!f) {
        error_ = soundLibraryError();
        joined_.reset();
        return;
    }
    file_ = f;
    rate_ = info.samplerate;
    channels_ = info.channels;
    frames_ = info.frames;
}

SoundFile::~SoundFile()
{
    if (file_) sf_close(static_cast<SNDFILE *>(file_));
}

int64_t SoundFile::readMono(float *mono, int64_t frames)
{
    if (!file_ || frames <= 0 || channels_ < 1) return 0;
    interleaved_.resize(size_t(frames) * size_t(channels_));
    const sf_count_t got = sf_readf_float(static_cast<SNDFILE *>(file_), interleaved_.data(), sf_count_t(frames));
    for (sf_count_t i = 0; i < got; ++i) {
        float sum = 0;
        for (int c = 0; c < channels_; ++c) sum += interleaved_[size_t(i) * size_t(channels_) + size_t(c)];
        mono[i] = sum / float(channels_);
    }
    return got > 0 ? int64_t(got) : 0;
}

} // namespace vareror::core

namespace vareror::core {

bool SoundFile::receivable(std::string *why) const
{
    std::string reason;
    if (!ok())
        reason = error_;
    else if (channels_ < 1 || frames_ <= 0)
        reason = "no audio in it";
    else if (channels_ > kMaxChannels)
        reason = "its " + std::to_string(channels_) + " channels are more than a recording has (at most " +
                 std::to_string(kMaxChannels) + ")";
    else if (rate_ < kMinRate || rate_ > kMaxRate)
        reason = "its sample rate of " + std::to_string(rate_) + " Hz is outside what a sound card makes (" +
                 std::to_string(kMinRate) + " to " + std::to_string(kMaxRate) + " Hz)";
    if (why)
        *why = reason;
    return reason.empty();
}

} // namespace vareror::core
