#pragma once
// A sound file opened for reading as mono float samples (its channels averaged): any file
// the sound library reads. A WAV file whose audio lies in several data chunks (a recorder that appended a
// second take, a tool that splits long recordings) is read as the audio of every data chunk
// in file order, as one stream: the sound library alone would read none of it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vareror::core {

// The sound library's words for the last error of `sndfile` (a SNDFILE*; null: of the last
// open), without the full stop some of them end in: they go inside sentences of ours.
std::string soundLibraryError(void *sndfile = nullptr);

class SoundFile {
public:
    explicit SoundFile(const std::string &path);
    ~SoundFile();
    SoundFile(const SoundFile &) = delete;
    SoundFile &operator=(const SoundFile &) = delete;

    bool ok() const { return file_ != nullptr; }
    // Why the file could not be opened (the sound library's words, or ours for a WAV
    // file's chunks).
    const std::string &error() const { return error_; }
    int rate() const { return rate_; }
    int channels() const { return channels_; }
    int64_t frames() const { return frames_; }
    // Up to `frames` frames into `mono`, each the mean of its channels; the frames read, 0 at
    // the end.
    int64_t readMono(float *mono, int64_t frames);

    // Whether the file holds sound the receiver can take: at least one frame, at most
    // kMaxChannels channels, and a rate a sound card makes. The receiver's buffers are sized
    // by the rate, so a header claiming an absurd one must not decide how much memory is
    // taken. When not, *why says so ("its sample rate of 2000000000 Hz is outside ...").
    // The decode tool and the engine's WAV input both ask this.
    bool receivable(std::string *why) const;
    static constexpr int kMinRate = 4000, kMaxRate = 384000, kMaxChannels = 64;

    // The most data chunks a WAV file may have: each costs a little memory, and a file of
    // thousands of tiny ones is no recording.
    static constexpr int kMaxDataChunks = 4096;

    struct Joined; // a WAV file's data chunks seen as one (sound_file.cpp)

private:
    std::unique_ptr<Joined> joined_;
    void *file_ = nullptr;
    int rate_ = 0, channels_ = 0;
    int64_t frames_ = 0;
    std::string error_;
    std::vector<float> interleaved_;
};

} // namespace vareror::core
