#include "encoder.h"

#include "modes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace vareror::core {

namespace {

constexpr double kAmplitude = 0.5;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

enum Shape : uint8_t { Steady = 0, RampUp = 1, RampDown = 2, Silent = 3 };

struct MorseEntry { char c; const char *code; };
constexpr MorseEntry kMorse[] = {
    {'A', ".-"},    {'B', "-..."},  {'C', "-.-."},  {'D', "-.."},   {'E', "."},
    {'F', "..-."},  {'G', "--."},   {'H', "...."},  {'I', ".."},    {'J', ".---"},
    {'K', "-.-"},   {'L', ".-.."},  {'M', "--"},    {'N', "-."},    {'O', "---"},
    {'P', ".--."},  {'Q', "--.-"},  {'R', ".-."},   {'S', "..."},   {'T', "-"},
    {'U', "..-"},   {'V', "...-"},  {'W', ".--"},   {'X', "-..-"},  {'Y', "-.--"},
    {'Z', "--.."},  {'0', "-----"}, {'1', ".----"}, {'2', "..---"}, {'3', "...--"},
    {'4', "....-"}, {'5', "....."}, {'6', "-...."}, {'7', "--..."}, {'8', "---.."},
    {'9', "----."}, {'/', "-..-."}, {'?', "..--.."}, {'.', ".-.-.-"}, {',', "--..--"},
    {'-', "-....-"}, {'=', "-...-"}, {'+', ".-.-."}, {'@', ".--.-."}, {':', "---..."},
    {'(', "-.--."}, {')', "-.--.-"}, {'\'', ".----."}, {'"', ".-..-."}, {'!', "-.-.--"},
};

} // namespace

const char *morseCode(char c)
{
    const char u = char(std::toupper(static_cast<unsigned char>(c)));
    for (const auto &e : kMorse)
        if (e.c == u) return e.code;
    return "";
}

std::vector<int> fskIdSymbols(const std::string &text)
{
    std::vector<int> s;
    for (unsigned char ch : text) {
        if (ch >= 'a' && ch <= 'z') ch = static_cast<unsigned char>(ch - 'a' + 'A');
        if (ch >= 0x20 && ch <= 0x5F) s.push_back(ch - 0x20);
    }
    return s;
}

std::string fskIdProblem(const std::string &text)
{
    // (spaces alone would be sent, and read back as an ID that shows nothing)
    if (text.find_first_not_of(' ') == std::string::npos) return "the FSK ID text is empty";
    size_t chars = 0;
    for (unsigned char ch : text) {
        if (ch >= 0x80) return "the FSK ID can carry only ASCII letters, digits, space and punctuation";
        ++chars;
        const unsigned char up = (ch >= 'a' && ch <= 'z') ? static_cast<unsigned char>(ch - 'a' + 'A') : ch;
        if (up < 0x20 || up == 0x7F) { // (DEL too: printed between quotes it showed as nothing)
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", unsigned(ch));
            return std::string("the FSK ID cannot carry the control character ") + code;
        }
        if (up > 0x5F || up == '!') return std::string("the FSK ID cannot carry the character '") + char(ch) + "'";
    }
    if (chars > kFskIdMaxChars)
        return "the FSK ID is " + std::to_string(chars) + " characters long; at most " + std::to_string(kFskIdMaxChars) +
               " can be read back";
    return {};
}

Encoder::Encoder(const TxRequest &r) : req_(r)
{
    if (!validMode(r.mode) || !(r.sampleRate > 0) || !(r.clockFactor > 0)) return;
    valid_ = true;
    mode_ = r.mode;
    const ModeInfo &m = modeInfo(mode_);
    fs_ = r.sampleRate * r.clockFactor;
    msPerSample_ = 1000.0 / fs_;
    radPerHzMs_ = kTwoPi / 1000.0;

    // Picture planes at the native size.
    width_ = m.width;
    height_ = m.height;
    const RgbImage pic = scaled(r.picture, width_, height_);
    const size_t n = size_t(width_) * size_t(height_);
    auto plane = [&](Channel c) -> std::vector<float> & {
        auto &p = planes_[planeOf(c)];
        p.resize(n);
        return p;
    };
    switch (m.colour) {
    case ColourEncoding::Rgb: {
        auto &pr = plane(Channel::R), &pg = plane(Channel::G), &pb = plane(Channel::B);
        for (size_t i = 0; i < n; ++i) {
            pr[i] = pic.rgb[i * 3];
            pg[i] = pic.rgb[i * 3 + 1];
            pb[i] = pic.rgb[i * 3 + 2];
        }
        break;
    }
    case ColourEncoding::Grey: {
        auto &pg = plane(Channel::Grey);
        for (size_t i = 0; i < n; ++i)
            pg[i] = float(greyLevel(pic.rgb[i * 3], pic.rgb[i * 3 + 1], pic.rgb[i * 3 + 2]));
        break;
    }
    default: {
        auto &py = plane(Channel::Y), &pr = plane(Channel::Cr), &pb = plane(Channel::Cb);
        for (size_t i = 0; i < n; ++i) {
            const Ycc c = rgbToYccStudio(pic.rgb[i * 3], pic.rgb[i * 3 + 1], pic.rgb[i * 3 + 2]);
            py[i] = float(c.y);
            pr[i] = float(c.cr);
            pb[i] = float(c.cb);
        }
        break;
    }
    }

    req_.picture = RgbImage(); // the planes hold what is sent from here on

    if (r.preamble)
        for (const auto &t : preambleTones(m.narrow)) preambleMs_ += t.ms;
    pictureStartMs_ = preambleMs_ + m.headerMs();
    pictureEndMs_ = pictureStartMs_ + m.pictureMs();
    chunkCount_ = m.periods + 2; // lead-in, periods, trailer

    buildTrailer(); // only to learn totalMs_; rebuilt when reached
    steps_.clear();
    total_ = size_t(std::max(0.0, std::ceil(totalMs_ / msPerSample_ - 1e-7)));
    buildChunk(0);
}

int Encoder::totalLines() const { return valid_ ? modeInfo(mode_).height : 0; }

int Encoder::currentLine() const
{
    if (!valid_) return 0;
    const ModeInfo &m = modeInfo(mode_);
    const double t = double(pos_) * msPerSample_;
    if (t < pictureStartMs_) return 0;
    if (t >= pictureEndMs_) return m.height;
    const int k = int((t - pictureStartMs_) / m.periodMs);
    return std::min(k * m.linesPerPeriod, m.height);
}

// Value (0..255) of sample i of an n-sample scan of `channel` for picture line `line`:
// the mean of the pixels it covers across, and of the line pair where the mode averages
// chroma vertically (Robot 36, two-line modes).
double Encoder::sampleValue(int channel, int line, int i, int n) const
{
    const ModeInfo &m = modeInfo(mode_);
    const auto &p = planes_[channel];
    if (p.empty()) return 0;
    int x0 = int((long long)i * width_ / n);
    int x1 = int((long long)(i + 1) * width_ / n);
    if (x1 <= x0) x1 = x0 + 1;
    x1 = std::min(x1, width_);
    int y0 = std::clamp(line, 0, height_ - 1), y1 = y0 + 1;
    const bool chroma = channel == planeOf(Channel::Cr) || channel == planeOf(Channel::Cb);
    if (chroma && (m.colour == ColourEncoding::YccAlternating || m.colour == ColourEncoding::YccTwoLine)) {
        y0 = y0 & ~1;
        y1 = std::min(y0 + 2, height_);
    }
    double sum = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) sum += p[size_t(y) * size_t(width_) + size_t(x)];
    return sum / double((y1 - y0) * (x1 - x0));
}

void Encoder::buildPeriod(int k)
{
    const ModeInfo &m = modeInfo(mode_);
    const double syncAt = pictureStartMs_ + m.leadMs + k * m.periodMs;
    float hz = lastHz_;
    for (const Segment &s : m.layout(k)) {
        const double start = syncAt + s.startMs;
        switch (s.kind) {
        case SegmentKind::Tone:
            hz = float(s.hz);
            steps_.push_back({start, hz, Steady});
            break;
        case SegmentKind::Hold:
            steps_.push_back({start, hz, Steady});
            break;
        case SegmentKind::Scan: {
            const int line = k * m.linesPerPeriod + s.line;
            const double px = s.lengthMs / s.samples;
            for (int i = 0; i < s.samples; ++i) {
                hz = float(pixelToHz(sampleValue(planeOf(s.channel), line, i, s.samples), m.narrow));
                steps_.push_back({start + i * px, hz, Steady});
            }
            break;
        }
        }
    }
    lastHz_ = hz;
}

// FSK ID and CW ID after the picture. Fills steps_ and totalMs_.
void Encoder::buildTrailer()
{
    double t = pictureEndMs_;
    float hz = lastHz_;
    auto tone = [&](double ms, double f, uint8_t shape = Steady) {
        hz = float(f);
        steps_.push_back({t, hz, shape});
        t += ms;
    };
    const std::vector<int> text = fskIdSymbols(req_.idText);
    if (req_.fskId && !text.empty()) {
        std::vector<int> syms{0x20, 0x2A};
        int check = 0;
        for (int s : text) {
            syms.push_back(s);
            check ^= s;
        }
        syms.push_back(0x01);
        syms.push_back(check & 0x3F);
        tone(kFskLeadMs, kFskLeadHz);
        for (int s : syms)
            for (int b = 0; b < 6; ++b) tone(kFskBitMs, (s >> b) & 1 ? kFskOneHz : kFskZeroHz);
        tone(kFskTailMs, kFskTailHz);
    }
    bool anyMorse = false;
    for (char c : req_.idText) anyMorse = anyMorse || *morseCode(c);
    if (req_.cwId && anyMorse) {
        // Fade the last tone out, stay silent for a word gap, then key the elements.
        steps_.push_back({t, hz, RampDown});
        steps_.push_back({t + kCwRampMs, hz, Silent});
        double a = t + 7 * kCwDotMs; // keying instant of the next element
        const double half = kCwRampMs / 2;
        bool first = true;
        for (char c : req_.idText) {
            const char *code = morseCode(c);
            if (c == ' ') {
                if (!first) a += 4 * kCwDotMs; // 3 already added after the letter
                continue;
            }
            if (!*code) continue;
            first = false;
            for (const char *e = code; *e; ++e) {
                const double len = (*e == '-' ? 3 : 1) * kCwDotMs;
                steps_.push_back({a - half, float(kCwToneHz), RampUp});
                steps_.push_back({a + half, float(kCwToneHz), Steady});
                steps_.push_back({a + len - half, float(kCwToneHz), RampDown});
                steps_.push_back({a + len + half, float(kCwToneHz), Silent});
                a += len + kCwDotMs;
            }
            a += 2 * kCwDotMs; // letter gap = 3 dots
        }
        // The transmission ends when the last element has faded out.
        t = steps_.back().startMs;
        steps_.pop_back();
    }
    totalMs_ = t;
}

void Encoder::buildChunk(int c)
{
    steps_.clear();
    idx_ = 0;
    chunk_ = c;
    const ModeInfo &m = modeInfo(mode_);
    if (c == 0) {
        double t = 0;
        std::vector<ToneSegment> tones;
        if (req_.preamble) tones = preambleTones(m.narrow);
        tones.insert(tones.end(), m.header.begin(), m.header.end());
        for (const auto &s : tones) {
            steps_.push_back({t, float(s.hz), Steady});
            t += s.ms;
        }
        if (!tones.empty()) lastHz_ = float(tones.back().hz);
        chunkEndMs_ = pictureStartMs_;
    } else if (c <= m.periods) {
        buildPeriod(c - 1);
        chunkEndMs_ = c == m.periods ? pictureEndMs_ : pictureStartMs_ + c * m.periodMs;
    } else {
        buildTrailer();
        chunkEndMs_ = totalMs_;
    }
}

// Integral of the frequency over [t0, t1) in Hz * ms, building the following chunks as the
// span reaches them. Integrating (rather than taking one frequency per sample) puts every
// tone boundary at its exact instant, also between two samples, so segment lengths and
// positions carry no rounding at all.
double Encoder::integrate(double t0, double t1)
{
    double acc = 0, t = t0;
    while (t < t1) {
        if (t >= chunkEndMs_ && chunk_ + 1 < chunkCount_) {
            buildChunk(chunk_ + 1);
            continue;
        }
        while (idx_ + 1 < steps_.size() && steps_[idx_ + 1].startMs <= t) ++idx_;
        const bool inStep = !steps_.empty() && t >= steps_[idx_].startMs;
        const double hz = inStep ? steps_[idx_].hz : lastHz_;
        double end = t1;
        if (!inStep && !steps_.empty()) end = std::min(end, steps_[idx_].startMs); // before the first step
        else if (idx_ + 1 < steps_.size()) end = std::min(end, steps_[idx_ + 1].startMs);
        if (chunk_ + 1 < chunkCount_) end = std::min(end, chunkEndMs_);
        if (end <= t) end = t1; // cannot happen with ordered steps; never loop forever
        acc += hz * (end - t);
        t = end;
    }
    return acc;
}

size_t Encoder::generate(float *out, size_t maxSamples)
{
    if (!valid_) return 0;
    size_t w = 0;
    while (w < maxSamples && pos_ < total_) {
        const double t = double(pos_) * msPerSample_;
        while (t >= chunkEndMs_ && chunk_ + 1 < chunkCount_) buildChunk(chunk_ + 1);
        while (idx_ + 1 < steps_.size() && steps_[idx_ + 1].startMs <= t) ++idx_;
        double env = 1.0;
        if (!steps_.empty() && t >= steps_[idx_].startMs) {
            const Step &s = steps_[idx_];
            if (s.shape == Silent) {
                env = 0;
            } else if (s.shape != Steady) {
                const double x = std::clamp((t - s.startMs) / kCwRampMs, 0.0, 1.0);
                const double up = 0.5 - 0.5 * std::cos(std::numbers::pi * x);
                env = s.shape == RampUp ? up : 1.0 - up;
            }
        }
        out[w++] = float(kAmplitude * env * std::sin(phase_));
        phase_ += integrate(t, t + msPerSample_) * radPerHzMs_;
        if (phase_ >= kTwoPi) phase_ = std::fmod(phase_, kTwoPi);
        ++pos_;
    }
    return w;
}

ToneGenerator::ToneGenerator(double hz, double sampleRate) : hz_(hz), fs_(sampleRate > 0 ? sampleRate : 11025) {}

size_t ToneGenerator::generate(float *out, size_t n)
{
    const double step = kTwoPi / fs_;
    for (size_t i = 0; i < n; ++i) {
        out[i] = float(kAmplitude * std::sin(phase_));
        phase_ += hz_ * step;
        if (phase_ >= kTwoPi) phase_ = std::fmod(phase_, kTwoPi);
    }
    return n;
}

std::vector<float> encodeAll(const TxRequest &r)
{
    Encoder e(r);
    std::vector<float> out(e.totalSamples());
    size_t done = 0;
    while (done < out.size()) {
        const size_t got = e.generate(out.data() + done, out.size() - done);
        if (got == 0) break;
        done += got;
    }
    out.resize(done);
    return out;
}

} // namespace vareror::core
