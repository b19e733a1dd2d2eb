#include "audio.h"

#include "whole_file.h"

#include <portaudio.h>
#include <sndfile.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace vareror::lib {

// ---- gain ----

namespace {
std::atomic<uint32_t> g_gain{0xFFFFFFFFu};
}

uint32_t outputGain() { return g_gain.load(); }
void setOutputGain(uint32_t gain) { g_gain.store(gain); }
float monoGain()
{
    const uint32_t g = g_gain.load();
    return float((g & 0xFFFF) + (g >> 16)) / (2.0f * 65535.0f);
}

// ---- PortAudio ----

namespace {
std::mutex g_paMutex;
int g_paUsers = 0;

PaDeviceIndex findDevice(const std::string &name, bool output, std::string &found)
{
    const int count = Pa_GetDeviceCount();
    auto usable = [output](const PaDeviceInfo *info) {
        return info && (output ? info->maxOutputChannels : info->maxInputChannels) > 0;
    };
    if (name.empty() || name == "default") {
        const PaDeviceIndex d = output ? Pa_GetDefaultOutputDevice() : Pa_GetDefaultInputDevice();
        if (d != paNoDevice && usable(Pa_GetDeviceInfo(d))) {
            found = Pa_GetDeviceInfo(d)->name;
            return d;
        }
        return paNoDevice;
    }
    // The exact name first, then a name that contains the given one (case ignored).
    for (int i = 0; i < count; ++i) {
        const PaDeviceInfo *info = Pa_GetDeviceInfo(i);
        if (usable(info) && name == info->name) {
            found = info->name;
            return i;
        }
    }
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        return s;
    };
    const std::string want = lower(name);
    for (int i = 0; i < count; ++i) {
        const PaDeviceInfo *info = Pa_GetDeviceInfo(i);
        if (usable(info) && lower(info->name).find(want) != std::string::npos) {
            found = info->name;
            return i;
        }
    }
    return paNoDevice;
}
} // namespace

namespace {
void quietAlsa(const char *, int, const char *, int, const char *, ...) {}
void quietJack(const char *) {}

// PortAudio probes every sound system while it starts, and the sound libraries print each
// failed probe (missing PCM plugins, no JACK server) on stderr. The engine reports what
// matters in its own status text, so their messages are turned off, where the libraries
// are present at all.
void silenceSoundLibraries()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    if (void *alsa = dlopen("libasound.so.2", RTLD_LAZY)) {
        using Handler = void (*)(const char *, int, const char *, int, const char *, ...);
        if (auto set = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler")))
            set(&quietAlsa);
    }
    if (void *jack = dlopen("libjack.so.0", RTLD_LAZY)) {
        using Handler = void (*)(const char *);
        for (const char *name : {"jack_set_error_function", "jack_set_info_function"})
            if (auto set = reinterpret_cast<void (*)(Handler)>(dlsym(jack, name)))
                set(&quietJack);
    }
    setenv("JACK_NO_START_SERVER", "1", 0);
}
} // namespace

bool portAudioAcquire(std::string &error)
{
    std::lock_guard<std::mutex> lock(g_paMutex);
    if (g_paUsers == 0) {
        silenceSoundLibraries();
        const PaError e = Pa_Initialize();
        if (e != paNoError) {
            error = std::string("sound system unavailable: ") + Pa_GetErrorText(e);
            return false;
        }
    }
    ++g_paUsers;
    return true;
}

void portAudioRelease()
{
    std::lock_guard<std::mutex> lock(g_paMutex);
    if (g_paUsers > 0 && --g_paUsers == 0)
        Pa_Terminate();
}

std::vector<std::string> cardNames(bool output)
{
    std::vector<std::string> names;
    std::string error;
    if (!portAudioAcquire(error))
        return names;
    for (int i = 0; i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo *info = Pa_GetDeviceInfo(i);
        if (info && (output ? info->maxOutputChannels : info->maxInputChannels) > 0 && info->name)
            names.emplace_back(info->name);
    }
    portAudioRelease();
    return names;
}

namespace {
// Opens and starts a one-way float stream of up to two channels on the named card.
// Returns null with `error` set when the card is missing or refuses the stream.
PaStream *openCard(const std::string &name, bool output, int rate, PaStreamCallback *callback, void *user,
                   int &channels, std::string &deviceName, std::string &error)
{
    const PaDeviceIndex dev = findDevice(name, output, deviceName);
    if (dev == paNoDevice) {
        error = Pa_GetDeviceCount() <= 0 ? "no sound card found"
                                         : "sound card \"" + name + "\" not found";
        return nullptr;
    }
    const PaDeviceInfo *info = Pa_GetDeviceInfo(dev);
    channels = std::min(2, output ? info->maxOutputChannels : info->maxInputChannels);
    PaStreamParameters p{};
    p.device = dev;
    p.channelCount = channels;
    p.sampleFormat = paFloat32;
    p.suggestedLatency = output ? info->defaultHighOutputLatency : info->defaultHighInputLatency;
    PaStream *stream = nullptr;
    PaError e = Pa_OpenStream(&stream, output ? nullptr : &p, output ? &p : nullptr, rate,
                              paFramesPerBufferUnspecified, paClipOff, callback, user);
    if (e == paNoError)
        e = Pa_StartStream(stream);
    if (e != paNoError) {
        if (stream)
            Pa_CloseStream(stream);
        error = "cannot open sound card \"" + deviceName + "\" at " + std::to_string(rate) +
                " Hz: " + Pa_GetErrorText(e);
        return nullptr;
    }
    return stream;
}

void closeCard(void *stream, bool acquired)
{
    if (stream) {
        Pa_StopStream(static_cast<PaStream *>(stream));
        Pa_CloseStream(static_cast<PaStream *>(stream));
    }
    if (acquired)
        portAudioRelease();
}
} // namespace

// ---- CardOutput ----

CardOutput::CardOutput(const std::string &name, int rate) : rate_(rate), ring_(size_t(rate) * 4)
{
    if (!portAudioAcquire(error_))
        return;
    acquired_ = true;
    PaStream *stream = openCard(name, true, rate, &CardOutput::callback, this, channels_, deviceName_, error_);
    if (!stream)
        return;
    stream_ = stream;
    if (const PaStreamInfo *si = Pa_GetStreamInfo(stream))
        latency_ = si->outputLatency;
}

CardOutput::~CardOutput() { closeCard(stream_, acquired_); }

bool CardOutput::alive() const { return stream_ && Pa_IsStreamActive(static_cast<PaStream *>(stream_)) == 1; }

size_t CardOutput::wanted(double aheadSeconds) const
{
    const size_t target = std::min(ring_.capacity(), size_t(aheadSeconds * rate_));
    const size_t fill = ring_.fill();
    return fill >= target ? 0 : target - fill;
}

void CardOutput::write(const float *mono, size_t n) { ring_.push(mono, n); }

int CardOutput::callback(const void *, void *output, unsigned long frames, const PaStreamCallbackTimeInfo *,
                         unsigned long, void *user)
{
    auto *self = static_cast<CardOutput *>(user);
    auto *out = static_cast<float *>(output);
    float mono[512];
    const uint32_t g = g_gain.load(std::memory_order_relaxed);
    const float gl = float(g & 0xFFFF) / 65535.0f, gr = float(g >> 16) / 65535.0f;
    const float gm = (gl + gr) * 0.5f;
    unsigned long done = 0;
    bool short_ = false;
    while (done < frames) {
        const size_t want = std::min<size_t>(512, frames - done);
        size_t got = self->ring_.pop(mono, want);
        if (got < want) {
            std::fill(mono + got, mono + want, 0.0f);
            short_ = got > 0 || short_;
        }
        for (size_t i = 0; i < want; ++i) {
            if (self->channels_ == 2) {
                out[2 * (done + i)] = mono[i] * gl;
                out[2 * (done + i) + 1] = mono[i] * gr;
            } else {
                out[done + i] = mono[i] * gm;
            }
        }
        done += want;
    }
    if (short_)
        self->underruns_.fetch_add(1, std::memory_order_relaxed);
    return paContinue;
}

// ---- CardInput ----

CardInput::CardInput(const std::string &name, int rate) : ring_(size_t(rate) * 8)
{
    if (!portAudioAcquire(error_))
        return;
    acquired_ = true;
    stream_ = openCard(name, false, rate, &CardInput::callback, this, channels_, deviceName_, error_);
}

CardInput::~CardInput() { closeCard(stream_, acquired_); }

bool CardInput::alive() const { return stream_ && Pa_IsStreamActive(static_cast<PaStream *>(stream_)) == 1; }

int CardInput::callback(const void *input, void *, unsigned long frames, const PaStreamCallbackTimeInfo *,
                        unsigned long, void *user)
{
    auto *self = static_cast<CardInput *>(user);
    if (!input)
        return paContinue;
    const auto *in = static_cast<const float *>(input);
    float mono[512];
    unsigned long done = 0;
    while (done < frames) {
        const size_t n = std::min<size_t>(512, frames - done);
        for (size_t i = 0; i < n; ++i)
            mono[i] = self->channels_ == 2 ? 0.5f * (in[2 * (done + i)] + in[2 * (done + i) + 1])
                                           : in[done + i];
        if (self->ring_.push(mono, n) < n)
            self->overruns_.fetch_add(1, std::memory_order_relaxed);
        done += n;
    }
    return paContinue;
}

size_t CardInput::read(std::vector<float> &out)
{
    // what is in the ring, with silence where samples found no room
    const size_t old = out.size();
    float piece[4096];
    while (const size_t got = ring_.pop(piece, 4096))
        out.insert(out.end(), piece, piece + got);
    return out.size() - old;
}

// ---- WAV files ----

WavWriter::WavWriter(const std::string &path, int rate)
{
    // A file of its own only: the recording's header is kept current, which takes a file
    // that seeks, and a FIFO would hold the engine's start until something read from it.
    if (const std::string what = vareror::files::notARegularFile(path); !what.empty()) {
        error_ = "cannot write \"" + path + "\": " + what;
        return;
    }
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        error_ = "cannot write \"" + path + "\": " + core::soundLibraryError();
        return;
    }
    // Keep the header current, so the file is complete after every transmission.
    sf_command(f, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    file_ = f;
}

WavWriter::~WavWriter()
{
    if (file_)
        sf_close(static_cast<SNDFILE *>(file_));
}

void WavWriter::write(const float *mono, size_t n)
{
    if (!file_ || n == 0)
        return;
    frames_ += uint64_t(sf_writef_float(static_cast<SNDFILE *>(file_), mono, sf_count_t(n)));
}

void WavWriter::sync()
{
    if (file_)
        sf_write_sync(static_cast<SNDFILE *>(file_));
}

WavReader::WavReader(const std::string &path) : file_(std::make_unique<core::SoundFile>(path))
{
    std::string why;
    if (!file_->receivable(&why)) {
        error_ = "\"" + path + "\" is refused: " + why;
        file_.reset();
    }
}

WavReader::~WavReader() = default;

void WavReader::read(float *out, size_t n)
{
    size_t got = 0;
    if (file_ && !atEnd_) {
        got = size_t(file_->readMono(out, int64_t(n)));
        if (got < n)
            atEnd_ = true;
    }
    std::fill(out + got, out + n, 0.0f);
}

} // namespace vareror::lib
