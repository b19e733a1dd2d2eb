// Receiver benchmark: picture fidelity on other encoders' files and in every mode, weak
// signals, false starts, clock error, speed (in process, and vareror-wav's whole process), and
// how long the engine's job calls take. Prints a table; not run by ctest.
// Usage: decode_bench [--quick] [--only SECTION] [--modes N,N,...] [--seeds A-B] [--snrs S,S,...]
//   --quick: fewer modes, 1 minute of noise/silence and fewer runs; --only: one of files, modes,
//   rates, noise, spread, conditions, echoes, overdrive, crashes, forced, carriers, hum, phases,
//   losses, false, slant, speed, process, jobs, memory; --modes: restrict the mode, noise, spread, conditions, echoes,
//   overdrive and hum tables to these modes (the noise table takes any mode); --seeds: the noise
//   seeds of the noise, spread, conditions, echoes and hum tables (1-3 by default, the spread
//   1-10; others hold out the figures a change was tuned on); --snrs: only these SNRs of the
//   noise and spread tables (the spread's: 3 dB); --card, --photo, --other: only these of the
//   noise tables, our test card's, the photo's and another sender's card's (all when none is
//   given); --save DIR: keep the first noisy decode of each case as a PNG there (the echoes'
//   clean decodes too).
#include "encoder.h"
#include "modes.h"
#include "png_bytes.h"
#include "receiver.h"
#include "sound_file.h"
#include "signal_tools.h"
#include "vareror.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>


#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

using namespace vareror::core;
using namespace vareror::rxtest;
using Clock = std::chrono::steady_clock;

namespace {

RgbImage testPicture(const char *name) { return loadPicture(QString(TEST_SIGNALS_DIR "/pictures/") + name); }

void savePicture(const RgbImage &p, const std::string &path)
{
    QImage img(p.width, p.height, QImage::Format_RGB888);
    for (int y = 0; y < p.height; ++y) std::memcpy(img.scanLine(y), p.pixel(0, y), size_t(p.width) * 3);
    img.save(QString::fromStdString(path));
}

struct Result {
    bool found = false;
    int mode = -1, lines = 0;
    RgbImage pic;
    double seconds = 0; // processing time
    double slant = 0;
    double start = 0; // input time of the picture's first period (s)
};

// atEnd: the picture drawn only once it has ended, as vareror-wav decodes a file
// lms, notchHz: the LMS mode (0 off, 1 noise smoothing, 2 and 3 the auto-notch fast and slow) and
// the fixed notch (0 off)
Result decode(const std::vector<float> &a, double rate, const RxOptions &o = RxOptions(), size_t chunk = 4096,
              bool atEnd = false, int lms = 0, double notchHz = 0)
{
    Receiver rx(rate);
    rx.setOptions(o);
    rx.setLms(lms);
    rx.setNotch(notchHz);
    rx.setDrawWhileArriving(!atEnd);
    Result r;
    const auto t0 = Clock::now();
    for (size_t p = 0; p < a.size(); p += chunk) {
        rx.process(a.data() + p, std::min(chunk, a.size() - p));
        const unsigned e = rx.takeEvents();
        if ((e & RxEnded) && !r.found) {
            r.found = true;
            r.mode = rx.lastFinished().mode;
            r.lines = rx.lastFinished().lines;
            r.pic = rx.lastFinished().picture;
            r.slant = rx.lastFinished().slantPpm;
            r.start = rx.lastFinished().startSeconds;
        }
    }
    r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    return r;
}

// A decode's aligned PSNR against `src` (scaled to it), or 0 unless it found a picture in mode m.
double psnrIn(const Result &r, int m, const RgbImage &src)
{
    return r.found && r.mode == m ? alignedPsnr(r.pic, scaled(src, r.pic.width, r.pic.height)) : 0.0;
}

std::vector<float> transmission(int mode, const RgbImage &pic, double rate, double clock = 1.0)
{
    TxRequest rq;
    rq.mode = mode;
    rq.picture = pic;
    rq.sampleRate = rate;
    rq.clockFactor = clock;
    std::vector<float> a(size_t(0.5 * rate), 0.0f);
    const auto tx = encodeAll(rq);
    a.insert(a.end(), tx.begin(), tx.end());
    a.resize(a.size() + size_t(rate * 1.5), 0.0f);
    return a;
}

// A steady carrier at `hz`, a little weaker than the signal.
void addCarrier(std::vector<float> &a, double hz)
{
    double ph = 0;
    for (auto &x : a) {
        ph += 2 * M_PI * hz / 11025;
        x += float(0.35 * std::sin(ph));
    }
}

RgbImage sourceFor(const RgbImage &big, const ModeInfo &m)
{
    return scaled(big, m.width, m.height);
}

// A picture as a sender sends it (at 11025 Hz): through our encoder, or as another sender does.
// Another sender's test card is drawn and encoded unlike ours: the outside test card at the
// mode's own size (its finest bursts, 2 pixels, come through whole, where ours, scaled down
// from 640 pixels, has them grey), sent in the outside encoder A's ways (outsideSender:
// full-range levels, the tone stepped at the samples, Scottie's scans 1.5 ms short and no
// starting sync, a PD line pair's colour the pair's mean).
struct Sent {
    RgbImage picture; // at the mode's native size
    bool other = false;
    std::vector<float> signal(int mode) const
    {
        return other ? fullRangeTransmission(mode, picture, 11025, outsideSender(modeInfo(mode)))
                     : transmission(mode, picture, 11025);
    }
};

Sent otherSendersCard(int mode)
{
    const ModeInfo &mi = modeInfo(mode);
    const QString native = QString(TEST_SIGNALS_DIR "/pictures/testcard_%1x%2.png").arg(mi.width).arg(mi.height);
    return {QFile::exists(native) ? loadPicture(native) : scaled(testPicture("testcard_640x496.png"), mi.width, mi.height), true};
}

// Through a band-pass of `lo` to `hi` Hz (a Hamming-windowed FIR of 10 ms), as from an SSB
// receiver's filter.
std::vector<float> bandPassed(const std::vector<float> &a, double rate, double lo, double hi)
{
    const int half = int(0.005 * rate);
    std::vector<double> h(size_t(2 * half + 1));
    for (int k = -half; k <= half; ++k) {
        auto lp = [&](double f) { return k == 0 ? 2 * f / rate : std::sin(2 * M_PI * f / rate * k) / (M_PI * k); };
        h[size_t(k + half)] = (lp(hi) - lp(lo)) * (0.54 + 0.46 * std::cos(M_PI * k / (half + 1)));
    }
    std::vector<float> out(a.size(), 0.0f);
    for (size_t n = 0; n < a.size(); ++n) {
        double acc = 0;
        for (int k = -half; k <= half; ++k) {
            const long j = long(n) - k;
            if (j >= 0 && j < long(a.size())) acc += h[size_t(k + half)] * a[size_t(j)];
        }
        out[n] = float(acc);
    }
    return out;
}

// Decode speed as a multiple of real time: the best of `runs` decodes of one signal, or 0 when
// its picture does not end within it (drawn at its end, such a picture is never drawn at all).
double timesRealTime(const std::vector<float> &a, double rate, const RxOptions &o = RxOptions(), bool atEnd = false,
                     int runs = 3)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const Result r = decode(a, rate, o, 4096, atEnd);
        if (!r.found) return 0;
        best = std::min(best, r.seconds);
    }
    return double(a.size()) / rate / best;
}

void writeWav(const std::string &path, const std::vector<float> &a, int rate)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) missingData(QString::fromStdString(path));
    sf_writef_float(f, a.data(), sf_count_t(a.size()));
    sf_close(f);
}

double msSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

// Runs a program with its output thrown away; true when it exits with 0.
bool runQuietly(const char *program, const std::vector<std::string> &args)
{
    std::vector<char *> argv{const_cast<char *>(program)};
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t io;
    posix_spawn_file_actions_init(&io);
    posix_spawn_file_actions_addopen(&io, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&io, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const bool started = posix_spawn(&pid, program, &io, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&io);
    int status = 0;
    return started && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The machine's load (its 1, 5 and 15 minute averages), which the timings follow.
std::string loadAverage()
{
    std::string s;
    if (FILE *f = std::fopen("/proc/loadavg", "r")) {
        char b[64] = {};
        if (std::fgets(b, sizeof b, f)) s = b;
        std::fclose(f);
    }
    const size_t third = s.find(' ', s.find(' ', s.find(' ') + 1) + 1);
    return third == std::string::npos ? "unknown" : s.substr(0, third);
}

// The engine library as the program drives it: a WAV file as input on the virtual clock, one
// mmsDoJob per 200 ms of audio, until the picture ends. With `resyncAt` > 0, mmsReSync is
// called before that job and mmsCorrectSlant once the picture has ended, and the run goes on
// for 100 jobs after that. With `tuneWord` other than 0 the three displays are bound at the
// program's sizes and drawn in that display type.
//
// On the virtual clock the job waits until the receiver's thread has taken in its 200 ms of
// audio, so a job also measures how long the worker needs for it. A loaded machine puts in
// pauses of its own (the two threads are descheduled): every run is done `runs` times and each
// job's and call's time is the best of its runs, which leaves what the engine itself costs;
// the longest time as measured, pauses included, is given beside it.
struct JobRun {
    std::vector<double> job;   // ms, by job number
    std::vector<char> afterCall; // the job is one of the 100 after mmsReSync / mmsCorrectSlant
    std::vector<double> call;  // ms, mmsReSync then mmsCorrectSlant
    bool ended = false;
};

JobRun engineRun(const std::string &wav, int rate, int resyncAt, int32_t tuneWord)
{
    JobRun t;
    vrrSetOption("input", ("wav:" + wav).c_str());
    vrrSetOption("output", "none");
    vrrSetOption("rate", std::to_string(rate).c_str());
    vrrSetOption("jobms", "200");
    vrrSetOption("ptt", "none");
    mmsCreate(nullptr, 0);
    const int rxDib = mmsCreateDIB(800, 616), txDib = mmsCreateDIB(800, 616);
    mmsSetBitmap(rxDib, 0, txDib);
    int displays[3] = {0, 0, 0};
    if (tuneWord != 0) {
        displays[0] = mmsCreateDIB(205, 48);
        displays[1] = mmsCreateDIB(205, 48);
        displays[2] = mmsCreateDIB(205, 64);
        mmsSetTuneBitmap(displays[0], displays[1], displays[2]);
        mmsSetTuneControl(tuneWord);
    }
    mmsStart();
    int sinceCall = -1; // jobs since the last mmsReSync / mmsCorrectSlant
    auto call = [&](int32_t (*f)()) {
        const auto c0 = Clock::now();
        f();
        t.call.push_back(msSince(c0));
        sinceCall = 0;
    };
    for (int i = 0; i < 20000; ++i) {
        if (resyncAt > 0 && i == resyncAt) call(mmsReSync);
        const auto t0 = Clock::now();
        const int w = mmsDoJob(1);
        t.job.push_back(msSince(t0));
        t.afterCall.push_back(sinceCall >= 0 && sinceCall < 100);
        if (sinceCall >= 0) ++sinceCall;
        if (w == VRR_STATUS_ENDED && !t.ended) {
            t.ended = true;
            if (resyncAt <= 0) break;
            call(mmsCorrectSlant);
        }
        if (t.ended && sinceCall >= 100) break;
    }
    mmsDelete();
    for (int dib : {rxDib, txDib, displays[0], displays[1], displays[2]})
        mmsDeleteDIB(dib);
    return t;
}

struct JobTimes {
    double longestJob = 0, meanJob = 0, longestCall = 0, longestJobAfterCall = 0;
    double longestMeasured = 0; // any job or call, as measured
    bool ended = false;
};

JobTimes engineJobs(const std::string &wav, int rate, int resyncAt, int32_t tuneWord = 0, int runs = 3)
{
    JobRun best;
    JobTimes t;
    for (int r = 0; r < runs; ++r) {
        JobRun run = engineRun(wav, rate, resyncAt, tuneWord);
        for (double ms : run.job) t.longestMeasured = std::max(t.longestMeasured, ms);
        for (double ms : run.call) t.longestMeasured = std::max(t.longestMeasured, ms);
        if (r == 0) {
            best = std::move(run);
            continue;
        }
        // runs may differ by a job where the worker's redraw slices fall
        const size_t n = std::min(best.job.size(), run.job.size());
        best.job.resize(n);
        best.afterCall.resize(n);
        for (size_t i = 0; i < n; ++i) best.job[i] = std::min(best.job[i], run.job[i]);
        for (size_t i = 0; i < std::min(best.call.size(), run.call.size()); ++i)
            best.call[i] = std::min(best.call[i], run.call[i]);
        best.ended = best.ended && run.ended;
    }
    double sum = 0;
    int jobs = 0;
    for (size_t i = 0; i < best.job.size(); ++i) {
        if (best.afterCall[i]) {
            t.longestJobAfterCall = std::max(t.longestJobAfterCall, best.job[i]);
        } else {
            t.longestJob = std::max(t.longestJob, best.job[i]);
            sum += best.job[i];
            ++jobs;
        }
    }
    for (double ms : best.call) t.longestCall = std::max(t.longestCall, ms);
    t.meanJob = jobs ? sum / jobs : 0;
    t.ended = best.ended;
    return t;
}

// The options every section reads, and each section of the table as a function of its own.
struct Bench {
    bool quick = false;
    bool tables[3] = {false, false, false}; // noise tables named: test card, photo, another sender's card
    std::string saveDir;
    std::vector<int> pick;
    std::vector<double> snrPick;
    unsigned seed0 = 1, seed1 = 3;
    bool seedsGiven = false;
    int seedCount = 3;
    RgbImage card, photo;
    // the lowest of ours on the outside files (fidelityOnFiles), which everyMode checks against
    double ourCardMin = 1e9, ourPhotoMin = 1e9;

    bool picked(int m) const { return pick.empty() || std::find(pick.begin(), pick.end(), m) != pick.end(); }
    void parse(int argc, char **argv, std::string &only);
    void fidelityOnFiles();
    void everyMode();
    void otherRates();
    void noiseTables();
    void spreadOverSeeds();
    void conditionsOfTheAir();
    void echoes();
    void overdrivenInput();
    void staticCrashes();
    void forcedModes();
    void steadyCarriers();
    void mainsHum();
    void carrierPhases();
    void picturesLost();
    void falseStarts();
    void clockOff();
    void speed();
    void wholeProcess();
    void memory();
    void jobCalls();
};

void Bench::parse(int argc, char **argv, std::string &only)
{
    auto numbers = [](const char *c, auto &out) {
        while (*c) {
            char *e = nullptr;
            out.push_back(std::strtod(c, &e));
            if (e == c) break;
            c = *e ? e + 1 : e;
        }
    };
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--quick")) quick = true;
        else if (!std::strcmp(argv[i], "--card")) tables[0] = true;
        else if (!std::strcmp(argv[i], "--photo")) tables[1] = true;
        else if (!std::strcmp(argv[i], "--other")) tables[2] = true;
        else if (!std::strcmp(argv[i], "--only") && i + 1 < argc) only = argv[++i];
        else if (!std::strcmp(argv[i], "--save") && i + 1 < argc) saveDir = argv[++i];
        else if (!std::strcmp(argv[i], "--modes") && i + 1 < argc) {
            std::vector<double> v;
            numbers(argv[++i], v);
            for (double m : v) pick.push_back(int(m));
        } else if (!std::strcmp(argv[i], "--snrs") && i + 1 < argc) {
            numbers(argv[++i], snrPick);
        } else if (!std::strcmp(argv[i], "--seeds") && i + 1 < argc) {
            std::vector<double> v;
            numbers(argv[++i], v);
            seedsGiven = !v.empty() && v[0] >= 1;
            if (seedsGiven) seed0 = seed1 = unsigned(v[0]);
            if (v.size() > 1 && v[1] >= v[0]) seed1 = unsigned(v[1]);
        }
    }
    seedCount = int(seed1 - seed0 + 1);
    card = testPicture("testcard_640x496.png");
    photo = testPicture("photo_640x496.png");
}

void Bench::fidelityOnFiles()
{
    std::printf("== Fidelity on other encoders' files (aligned PSNR, dB)\n");
    std::printf("%-36s %-10s %8s %8s %8s %s\n", "file", "mode", "others", "target", "ours", "");
    struct F { const char *file, *pic; double ref; };
    const F files[] = {{"Martin1_testcard_11025_encA.flac", "testcard_320x256.png", 18.2},
                       {"Scottie1_testcard_11025_encA.flac", "testcard_320x256.png", 13.6},
                       {"PD90_testcard_11025_encA.flac", "testcard_320x256.png", 18.3},
                       {"Robot36_photo_11025_encA.flac", "photo_320x240.png", 26.6},
                       {"Robot72_testcard_11025_encB.flac", "testcard_320x240.png", 16.6},
                       {"Robot36_testcard_11025_encB.flac", "testcard_320x240.png", 14.9}};
    for (const F &f : files) {
        int rate = 0;
        auto a = readWav(std::string(TEST_SIGNALS_DIR "/") + f.file, rate);
        a.resize(a.size() + size_t(rate), 0.0f);
        const Result r = decode(a, rate);
        const double p = r.found ? alignedPsnr(r.pic, testPicture(f.pic)) : 0.0;
        if (std::strstr(f.pic, "photo")) ourPhotoMin = std::min(ourPhotoMin, p);
        else ourCardMin = std::min(ourCardMin, p);
        std::printf("%-36s %-10s %8.1f %8.1f %8.1f %s\n", f.file, r.found ? modeInfo(r.mode).name : "-", f.ref,
                    f.ref + 3, p, p >= f.ref + 3 ? "ok" : "SHORT");
    }
}

void Bench::everyMode()
{
    std::printf("\n== Every mode through our encoder at 11025 Hz (aligned PSNR, dB; B/W against grey)\n");
    std::printf("   check: test card >= %.1f and photo >= %.1f (lowest of ours on the outside files)\n", ourCardMin, ourPhotoMin);
    std::printf("%-3s %-10s %8s %8s %s\n", "#", "mode", "card", "photo", "");
    for (int m = 0; m < modeCount(); ++m) {
        if ((quick && m % 4) || !picked(m)) continue;
        const ModeInfo &mi = modeInfo(m);
        double ps[2] = {0, 0};
        const RgbImage *srcs[2] = {&card, &photo};
        for (int k = 0; k < 2; ++k) {
            RgbImage src = sourceFor(*srcs[k], mi);
            const Result r = decode(transmission(m, src, 11025), 11025);
            if (mi.colour == ColourEncoding::Grey) src = greyOf(src);
            ps[k] = psnrIn(r, m, src);
        }
        std::printf("%-3d %-10s %8.1f %8.1f %s\n", m, mi.name, ps[0], ps[1],
                    ps[0] >= ourCardMin && ps[1] >= ourPhotoMin ? "ok" : "below");
    }
}

void Bench::otherRates()
{
    std::printf("\n== Other sample rates (our encoder, aligned PSNR, dB)\n");
    std::printf("%-3s %-10s %8s %8s %8s\n", "#", "mode", "rate", "card", "photo");
    for (int m : {3, 9, 16, 21}) {
        if (!picked(m)) continue;
        const ModeInfo &mi = modeInfo(m);
        for (double rate : {44100.0, 48000.0}) {
            double ps[2] = {0, 0};
            const RgbImage *srcs[2] = {&card, &photo};
            for (int k = 0; k < 2; ++k) {
                const RgbImage src = sourceFor(*srcs[k], mi);
                const Result r = decode(transmission(m, src, rate), rate);
                ps[k] = psnrIn(r, m, src);
            }
            std::printf("%-3d %-10s %8.0f %8.1f %8.1f\n", m, mi.name, rate, ps[0], ps[1]);
        }
    }
}

void Bench::noiseTables()
{
    // The test card, the photo and another sender's card (Sent), each in its own table: the
    // cards hold the targets at 20, 10, 5 and 0 dB (PD120 and P3 are given beside them
    // without one), the photo no fine detail, so it shows how much of the noise the filters
    // remove. None may fall as the SNR rises, up to light noise (the filter across lines
    // gives way from 35 dB, down to a third of it for short pixels, and for long ones to
    // none at 70).
    std::vector<double> snrs = {0, 3, 5, 10, 15, 20, 25, 30, 40, 50, 60};
    if (!snrPick.empty()) snrs = snrPick;
    struct N { int mode; double target[4]; }; // at 20, 10, 5, 0 dB
    std::vector<N> rows = {{9, {28, 21, 18, 15}}, {6, {28, 21, 18, 15}}, {15, {26, 20, 17, 15}}, {3, {22, 18, 16, 14}},
                           {16, {0, 0, 0, 0}}, {21, {0, 0, 0, 0}}};
    // any other mode --modes names joins the table without a target
    for (int m : pick)
        if (m >= 0 && m < modeCount() && std::none_of(rows.begin(), rows.end(), [&](const N &r) { return r.mode == m; }))
            rows.push_back({m, {0, 0, 0, 0}});
    const char *names[3] = {"test card", "photo", "another sender's card"};
    for (int k = 0; k < 3; ++k) {
        const bool onPhoto = k == 1;
        // --card, --photo and --other each name a table to print; none means all
        if (std::any_of(tables, tables + 3, [](bool t) { return t; }) && !tables[k]) continue;
        std::printf("\n== White noise, SNR in a 3 kHz band (%s; mean aligned PSNR of seeds %u-%u, dB%s)\n", names[k],
                    seed0, seed1, onPhoto ? "" : "; target in brackets");
        std::printf("%-10s", "mode");
        for (double snr : snrs) std::printf(" %9.0f", snr);
        std::printf("  %s\n", "VIS found");
        for (const N &row : rows) {
            const int m = row.mode;
            if (!picked(m)) continue;
            const ModeInfo &mi = modeInfo(m);
            const Sent sent = k == 2 ? otherSendersCard(m) : Sent{sourceFor(onPhoto ? photo : card, mi)};
            std::printf("%-10s", mi.name);
            int found = 0, cases = 0;
            bool short_ = false, falls = false;
            double last = 0;
            for (double snr : snrs) {
                double sum = 0;
                for (unsigned seed = seed0; seed <= seed1; ++seed) {
                    auto a = sent.signal(m);
                    addNoise(a, 11025, snr, seed);
                    const Result r = decode(a, 11025);
                    ++cases;
                    if (r.found && r.mode == m) {
                        ++found;
                        sum += alignedPsnr(r.pic, scaled(sent.picture, r.pic.width, r.pic.height));
                        if (!saveDir.empty() && seed == seed0)
                            savePicture(r.pic, saveDir + "/noise_" + (k == 0 ? "card_" : k == 1 ? "photo_" : "other_") +
                                                   std::to_string(m) + "_" + std::to_string(int(snr)) + "dB.png");
                    }
                }
                const double p = sum / seedCount;
                const int t = snr == 20 ? 0 : snr == 10 ? 1 : snr == 5 ? 2 : snr == 0 ? 3 : -1;
                if (!onPhoto && t >= 0 && row.target[t] > 0) {
                    std::printf(" %4.1f(%2.0f)", p, row.target[t]);
                    short_ = short_ || p < row.target[t];
                } else {
                    std::printf(" %9.1f", p);
                }
                // (seeds differ by a few tenths of a dB)
                falls = falls || p < last - 0.5;
                last = std::max(last, p);
            }
            std::printf("  %d/%d%s%s\n", found, cases, short_ ? " SHORT" : "", falls ? " FALLS" : "");
        }
    }
}

void Bench::spreadOverSeeds()
{
    // One picture at one SNR over many noise seeds (1-10 unless --seeds): the leader's
    // measured SNR moves by a dB or so with the seed, and a decision taken on a threshold of
    // it shows as two levels. Our test card, another sender's and our photo. Aim: a spread
    // under 1.0 dB at 3 dB.
    const std::vector<double> snrs = snrPick.empty() ? std::vector<double>{3} : snrPick;
    const unsigned s0 = seedsGiven ? seed0 : 1, s1 = seedsGiven ? seed1 : 10;
    std::printf("\n== Spread over noise seeds %u-%u (aligned PSNR, dB)\n", s0, s1);
    std::vector<int> modes = {9, 6, 15, 3};
    if (!pick.empty()) modes = pick;
    for (double snr : snrs)
        for (int m : modes)
            for (int k = 0; k < 3; ++k) {
                const Sent sent = k == 1 ? otherSendersCard(m) : Sent{sourceFor(k == 2 ? photo : card, modeInfo(m))};
                const auto clean = sent.signal(m);
                std::printf("%-10s %3.0f dB %-8s", modeInfo(m).name, snr, k == 1 ? "other" : k == 2 ? "photo" : "ours");
                double lo = 1e9, hi = 0, sum = 0;
                for (unsigned seed = s0; seed <= s1; ++seed) {
                    auto a = clean;
                    addNoise(a, 11025, snr, seed);
                    const double p = psnrIn(decode(a, 11025), m, sent.picture);
                    std::printf(" %5.1f", p);
                    lo = std::min(lo, p);
                    hi = std::max(hi, p);
                    sum += p;
                }
                std::printf("  mean %5.1f spread %4.2f%s\n", sum / (s1 - s0 + 1), hi - lo, hi - lo < 1.0 ? "" : " WIDE");
            }
}

void Bench::conditionsOfTheAir()
{
    // Each condition on the test card, mean aligned PSNR (dB) of the seeds where there is
    // noise; the plain rows are the reference.
    std::printf("\n== Conditions of the air (test card; aligned PSNR, dB; seeds %u-%u where noisy)\n", seed0, seed1);
    // the noise table's three modes, or those --modes names (PD120, P3, Scottie DX, ...)
    std::vector<int> modes = {9, 3, 15};
    if (!pick.empty()) modes = pick;
    std::printf("%-44s", "");
    for (int m : modes) std::printf(" %10s", modeInfo(m).name);
    std::printf("\n");
    struct Cond {
        const char *name;
        std::function<void(std::vector<float> &, unsigned)> apply;
        RxOptions opts = RxOptions();
        int lms = 0;
    };
    RxOptions noAfc;
    noAfc.afc = false;
    auto noise = [](double snr) { return [snr](std::vector<float> &a, unsigned seed) { addNoise(a, 11025, snr, seed); }; };
    auto tuned = [](double hz, double snr) {
        return [hz, snr](std::vector<float> &a, unsigned seed) {
            a = shifted(a, 11025, hz);
            if (snr < 99) addNoise(a, 11025, snr, seed);
        };
    };
    std::vector<Cond> conds = {
        {"clean", [](std::vector<float> &, unsigned) {}},
        {"10 dB", noise(10)},
        {"tuned +50 Hz, AFC", tuned(50, 99)},
        {"tuned -50 Hz, AFC", tuned(-50, 99)},
        {"tuned +100 Hz, AFC", tuned(100, 99)},
        {"tuned -100 Hz, AFC", tuned(-100, 99)},
        {"tuned +100 Hz, AFC off", tuned(100, 99), noAfc},
        {"tuned +100 Hz, 10 dB, AFC", tuned(100, 10)},
        {"tuned -100 Hz, 10 dB, AFC", tuned(-100, 10)},
        {"300-2700 Hz filter", [](std::vector<float> &a, unsigned) { a = bandPassed(a, 11025, 300, 2700); }},
        {"300-2700 Hz filter, 10 dB",
         [](std::vector<float> &a, unsigned seed) {
             addNoise(a, 11025, 10, seed);
             a = bandPassed(a, 11025, 300, 2700);
         }},
        // the signal's level swings 20 dB at 0.5 Hz; the noise is 20 dB under its peak
        {"fading 20 dB at 0.5 Hz, 20-0 dB",
         [](std::vector<float> &a, unsigned seed) {
             for (size_t i = 0; i < a.size(); ++i)
                 a[i] *= float(std::pow(10.0, (-10 + 10 * std::sin(2 * M_PI * 0.5 * double(i) / 11025)) / 20));
             addNoise(a, 11025, 20, seed);
         }},
        // 20 clicks a second, each a 1 ms burst four times the tone's peak
        {"clicks, 20 a second",
         [](std::vector<float> &a, unsigned seed) {
             std::mt19937 gen(seed);
             std::uniform_int_distribution<size_t> at(0, a.size() - 12);
             std::normal_distribution<float> nd;
             for (size_t c = 0; c < a.size() * 20 / 11025; ++c) {
                 const size_t i0 = at(gen);
                 for (size_t i = i0; i < i0 + 11; ++i) a[i] += 2.0f * nd(gen);
             }
         }},
        {"carrier 2000 Hz, no notch", [](std::vector<float> &a, unsigned) { addCarrier(a, 2000); }},
        {"carrier 2000 Hz, auto-notch", [](std::vector<float> &a, unsigned) { addCarrier(a, 2000); }, RxOptions(), 2},
    };
    for (const Cond &c : conds) {
        std::printf("%-44s", c.name);
        for (int m : modes) {
            const ModeInfo &mi = modeInfo(m);
            const RgbImage src = sourceFor(card, mi);
            // the carrier is on for a while before the picture, as an interfering carrier is
            std::vector<float> base = transmission(m, src, 11025);
            if (std::strstr(c.name, "carrier")) base.insert(base.begin(), size_t(6 * 11025), 0.0f);
            const bool noisy = std::strstr(c.name, "dB") || std::strstr(c.name, "clicks");
            double sum = 0;
            int found = 0;
            const int seeds = noisy ? seedCount : 1;
            for (int seed = int(seed0); seed < int(seed0) + seeds; ++seed) {
                auto a = base;
                c.apply(a, unsigned(seed));
                Receiver rx(11025);
                rx.setOptions(c.opts);
                rx.setLms(c.lms);
                Result r;
                for (size_t p = 0; p < a.size() && !r.found; p += 4096) {
                    rx.process(a.data() + p, std::min<size_t>(4096, a.size() - p));
                    if (rx.takeEvents() & RxEnded) {
                        r.found = true;
                        r.mode = rx.lastFinished().mode;
                        r.pic = rx.lastFinished().picture;
                    }
                }
                if (r.found && r.mode == m) {
                    ++found;
                    sum += alignedPsnr(r.pic, scaled(src, r.pic.width, r.pic.height));
                }
            }
            std::printf(" %10s", found == seeds ? QString::number(sum / seeds, 'f', 1).toUtf8().constData()
                                                : (QString::number(sum / seeds, 'f', 1) + "*").toUtf8().constData());
        }
        std::printf("\n");
    }
    std::printf("   (*: not every seed's picture found)\n");
}

void Bench::echoes()
{
    // Two-path propagation (withEcho): a copy of the signal 1 or 3 ms late at -3 dB, both
    // fading together by 5 dB at 0.13 Hz, clean and in white noise (measured as without the
    // echo). A 1 ms echo's channel notches lie at 500, 1500 and 2500 Hz (black and white), a
    // 3 ms one's every 333 Hz from 167 Hz (black among them). Our test card and another
    // sender's; mean aligned PSNR of the seeds where noisy. A row whose noisy decode beats its
    // clean one by more than half the seeds' spread (and 0.1 dB) is flagged: the clean
    // picture missed what the noise turned on.
    std::printf("\n== Two-path echo at -3 dB, 5 dB fade at 0.13 Hz (aligned PSNR, dB; seeds %u-%u where noisy)\n", seed0,
                seed1);
    std::printf("%-10s %-8s %6s %8s %8s %8s  %s\n", "mode", "card", "echo", "clean", "20 dB", "10 dB", "");
    std::vector<int> modes = {9, 3, 6, 16};
    if (!pick.empty()) modes = pick;
    for (int m : modes)
        for (int other = 0; other < 2; ++other) {
            const Sent sent = other ? otherSendersCard(m) : Sent{sourceFor(card, modeInfo(m))};
            const auto plain = sent.signal(m);
            for (double ms : {1.0, 3.0}) {
                const auto echoed = withEcho(plain, 11025, ms, 3, 5, 0.13);
                auto save = [&](const Result &r, const char *what) {
                    if (saveDir.empty() || !r.found) return;
                    savePicture(r.pic, saveDir + "/echo_" + std::to_string(m) + (other ? "_other_" : "_ours_") +
                                           std::to_string(int(ms)) + "ms_" + what + ".png");
                };
                const Result c = decode(echoed, 11025);
                save(c, "clean");
                const double clean = psnrIn(c, m, sent.picture);
                std::printf("%-10s %-8s %4.0fms %8.1f", modeInfo(m).name, other ? "other's" : "ours", ms, clean);
                bool better = false;
                for (double snr : {20.0, 10.0}) {
                    double sum = 0, lo = 1e9, hi = 0;
                    for (unsigned seed = seed0; seed <= seed1; ++seed) {
                        auto a = echoed;
                        addNoise(a, 11025, snr, seed);
                        const Result r = decode(a, 11025);
                        if (seed == seed0) save(r, snr == 20 ? "20dB" : "10dB");
                        const double p = psnrIn(r, m, sent.picture);
                        sum += p;
                        lo = std::min(lo, p);
                        hi = std::max(hi, p);
                    }
                    const double mean = sum / seedCount;
                    better = better || mean > clean + std::max(0.1, 0.5 * (hi - lo));
                    std::printf(" %8.1f", mean);
                }
                std::printf("  %s\n", better ? "NOISIER" : "ok");
            }
        }
    std::printf("   (NOISIER: a noisy decode beats the clean one)\n");
}

// An overdriven signal (overdriven(clean, gain, soft)) less its third harmonic, made from the
// clean signal: the clean tone, brought to full scale, is cos phi (its level is steady), and the
// clipping adds c3 cos 3 phi, c3 being the clipped cosine's third Fourier coefficient.
static std::vector<float> withoutThirdHarmonic(std::vector<float> a, const std::vector<float> &clean, double gain, bool soft)
{
    const int steps = 20000;
    double c3 = 0;
    for (int i = 0; i < steps; ++i) {
        const double p = (i + 0.5) * M_PI / steps;
        const double x = gain * std::cos(p);
        c3 += (soft ? std::tanh(x) : std::clamp(x, -1.0, 1.0)) * std::cos(3 * p);
    }
    c3 *= 2.0 / steps;
    float peak = 0;
    for (float x : clean) peak = std::max(peak, std::fabs(x));
    for (size_t i = 0; i < a.size(); ++i) {
        const double c = std::clamp(double(clean[i]) / std::max(peak, 1e-9f), -1.0, 1.0);
        a[i] -= float(c3 * (4 * c * c - 3) * c);
    }
    return a;
}

void Bench::overdrivenInput()
{
    // An input level set too high: the clean test card brought to full scale, multiplied and
    // clipped at full scale. A sound card clips at its own rate (44.1 kHz here), where the
    // clipping's harmonics lie above the band; a good resampler then takes them away before
    // 11025 Hz, while clipping at 11025 Hz folds them into the band. A clipped FM tone keeps
    // its zero crossings, so its frequency: what the picture loses is the decoder's.
    std::printf("\n== Overdriven input (test card; aligned PSNR, dB; target in brackets)\n");
    std::vector<int> modes = {3, 9};
    if (!pick.empty()) modes = pick;
    std::printf("%-44s", "");
    for (int m : modes) std::printf(" %12s", modeInfo(m).name);
    std::printf("\n");
    struct Row {
        const char *name;
        double rate;    // where it is clipped
        int factor;     // then brought down by it to 11025 Hz (1: decoded at the rate)
        double gain;    // 0: not clipped
        bool soft;      // tanh instead of clipping
        double snr;     // then white noise (99: none)
        double within;  // target: no more than this under the row's unclipped decode (0: none)
        double floor[2]; // target: at least this for Robot 36 and Martin 1 (0: none)
        // Not a decode as the receiver meets it, but what bounds one: `analogue`, clipped before
        // the converter's low-pass (at 4 times the rate, then brought down), so nothing folds at
        // the rate; `exact`, the clipping's third harmonic taken out before decoding, made from
        // the clean signal itself, as no removal of it from the clipped signal can do better.
        bool analogue = false, exact = false;
    };
    const Row table[] = {
        {"44100 Hz, decoded there", 44100, 1, 0, false, 99, 0, {0, 0}},
        {"44100 Hz, x2 clipped", 44100, 1, 2, false, 99, 3, {0, 0}},
        {"44100 Hz, x8 clipped", 44100, 1, 8, false, 99, 5, {0, 0}},
        {"44100 Hz, resampled to 11025 Hz", 44100, 4, 0, false, 99, 0, {0, 0}},
        {"44100 Hz, x2 clipped, resampled", 44100, 4, 2, false, 99, 3, {0, 0}},
        {"44100 Hz, x8 clipped, resampled", 44100, 4, 8, false, 99, 5, {0, 0}},
        {"44100 Hz, x4 tanh, resampled", 44100, 4, 4, true, 99, 3, {0, 0}},
        {"  x2 resampled, 3rd harmonic taken exactly", 44100, 4, 2, false, 99, 0, {0, 0}, false, true},
        {"  x8 resampled, 3rd harmonic taken exactly", 44100, 4, 8, false, 99, 0, {0, 0}, false, true},
        {"  x4 tanh resampled, 3rd taken exactly", 44100, 4, 4, true, 99, 0, {0, 0}, false, true},
        {"  x8 before the low-pass, decoded at 44100", 44100, 1, 8, false, 99, 0, {0, 0}, true, false},
        {"  x8 before the low-pass, resampled", 44100, 4, 8, false, 99, 0, {0, 0}, true, false},
        {"  x8 before the low-pass, 3rd taken exactly", 44100, 4, 8, false, 99, 0, {0, 0}, true, true},
        {"11025 Hz", 11025, 1, 0, false, 99, 0, {0, 0}},
        {"11025 Hz, x2 clipped", 11025, 1, 2, false, 99, 0, {21, 30}},
        {"11025 Hz, x8 clipped", 11025, 1, 8, false, 99, 0, {13.1, 16.3}},
        {"11025 Hz, x4 tanh", 11025, 1, 4, true, 99, 0, {0, 0}},
        {"11025 Hz, x2 clipped, then 40 dB noise", 11025, 1, 2, false, 40, 0, {0, 0}},
    };
    std::vector<double> unclipped(modes.size(), 0.0);
    for (const Row &row : table) {
        std::printf("%-44s", row.name);
        for (size_t i = 0; i < modes.size(); ++i) {
            const int m = modes[i];
            const RgbImage src = sourceFor(card, modeInfo(m));
            const int over = row.analogue ? 4 : 1;
            const auto clean = transmission(m, src, row.rate * over);
            auto a = row.gain > 0 ? overdriven(clean, row.gain, row.soft) : clean;
            if (row.exact) a = withoutThirdHarmonic(a, clean, row.gain, row.soft);
            if (over > 1) a = downsampled(a, over);
            if (row.factor > 1) a = downsampled(a, row.factor);
            const double rate = row.rate / row.factor;
            if (row.snr < 99) addNoise(a, rate, row.snr, 1);
            const double p = psnrIn(decode(a, rate), m, src);
            if (row.gain == 0) unclipped[i] = p;
            const double target = row.within > 0 ? unclipped[i] - row.within : m == 3 ? row.floor[0] : m == 9 ? row.floor[1] : 0;
            char cell[32];
            if (target > 0) std::snprintf(cell, sizeof cell, "%.1f(%.1f)%s", p, target, p >= target ? "" : "!");
            else std::snprintf(cell, sizeof cell, "%.1f", p);
            std::printf(" %12s", cell);
        }
        std::printf("\n");
    }
    std::printf("   (!: short of the target; indented rows bound a decode and have none: the clipping's third\n"
                "   harmonic taken out exactly, from the clean signal, or clipped before the converter's low-pass)\n");
}

// Static crashes, as a shortwave band has them. The pictures at a modest level (peak 0.03 of full
// scale) after a second of silence: one 3 ms crash (Gaussian noise 9 times the signal's RMS)
// at each of 63 places over the header's last 0.31 s, where it hits the VIS's bits; one in its
// leader, where its noise is measured; and static (crashes 1-5 ms long, 10 times the RMS, at 1,
// 3 and 5 a second) over the whole recording, over 10 draws.
void Bench::staticCrashes()
{
    std::printf("\n== Static crashes (level 0.03; aligned PSNR, dB)\n");
    std::vector<int> modes = {9, 3, 6, 15};
    if (!pick.empty()) modes = pick;
    RxOptions o; // as vareror-wav decodes a file
    o.rxBuffer = 1;
    auto level = [](std::vector<float> a) {
        a.insert(a.begin(), size_t(0.5 * 11025), 0.0f); // a second of silence before the header
        for (float &x : a) x *= 0.06f;
        return a;
    };
    const double headerAt = 1.0; // s
    std::printf("one 3 ms crash at 63 places over the header's bits (0.60-0.91 s into it): pictures found in the\n"
                "right mode and place (start within 1 ms), and the lowest PSNR of those against the clean decode's\n");
    std::printf("%-12s %-8s %8s %8s %8s\n", "mode", "card", "clean", "found", "lowest");
    for (int m : modes)
        for (int other = 0; other < 2; ++other) {
            const Sent sent = other ? otherSendersCard(m) : Sent{sourceFor(card, modeInfo(m))};
            const auto clean = level(sent.signal(m));
            const Result c = decode(clean, 11025, o, 4096, true);
            const double rms = rmsOf(clean, size_t((headerAt + 0.1) * 11025), size_t((headerAt + 0.5) * 11025));
            int found = 0;
            double lowest = 99;
            for (int k = 0; k < 63; ++k) {
                auto a = clean;
                std::mt19937 gen(unsigned(100 + k));
                addBurst(a, 11025, size_t((headerAt + 0.600 + 0.310 * k / 63) * 11025), 3, 9 * rms, gen);
                const Result r = decode(a, 11025, o, 4096, true);
                if (r.found && r.mode == m && std::fabs(r.start - c.start) < 0.001) {
                    ++found;
                    lowest = std::min(lowest, psnrIn(r, m, sent.picture));
                }
            }
            std::printf("%-12s %-8s %8.1f %5d/63 %8.1f %s\n", modeInfo(m).name, other ? "other's" : "ours",
                        psnrIn(c, m, sent.picture), found, found ? lowest : 0.0, found == 63 ? "ok" : "SHORT");
        }
    std::printf("one 3 ms crash in the leader, s into the header (the cost: clean less with the crash; aim under 0.5)\n");
    const double leaderAt[] = {0.05, 0.15, 0.30, 0.40, 0.46, 0.52, 0.58};
    std::printf("%-12s %-8s %8s", "mode", "card", "clean");
    for (double t : leaderAt) std::printf(" %6.2f", t);
    std::printf("\n");
    for (int m : modes)
        for (int other = 0; other < 2; ++other) {
            const Sent sent = other ? otherSendersCard(m) : Sent{sourceFor(card, modeInfo(m))};
            const auto clean = level(sent.signal(m));
            const double p0 = psnrIn(decode(clean, 11025, o, 4096, true), m, sent.picture);
            const double rms = rmsOf(clean, size_t((headerAt + 0.1) * 11025), size_t((headerAt + 0.5) * 11025));
            std::printf("%-12s %-8s %8.1f", modeInfo(m).name, other ? "other's" : "ours", p0);
            double worst = 0;
            for (double t : leaderAt) {
                auto a = clean;
                std::mt19937 gen(7);
                addBurst(a, 11025, size_t((headerAt + t) * 11025), 3, 9 * rms, gen);
                const double cost = p0 - psnrIn(decode(a, 11025, o, 4096, true), m, sent.picture);
                worst = std::max(worst, cost);
                std::printf(" %6.1f", cost);
            }
            std::printf(" %s\n", worst < 0.5 ? "ok" : "SHORT");
        }
    std::printf("static over the whole recording, 10 draws (seeds %u-%u): pictures found of 10 (mean PSNR of those)\n", seed0,
                seed0 + 9);
    std::vector<int> staticModes = {9, 3, 16, 6};
    if (!pick.empty()) staticModes = pick;
    std::printf("%-12s %-8s %8s %14s %14s %14s\n", "mode", "card", "clean", "1 a second", "3 a second", "5 a second");
    for (int m : staticModes)
        for (int other = 0; other < 2; ++other) {
            const Sent sent = other ? otherSendersCard(m) : Sent{sourceFor(card, modeInfo(m))};
            const auto clean = level(sent.signal(m));
            const double rms = rmsOf(clean, size_t((headerAt + 0.1) * 11025), size_t((headerAt + 0.5) * 11025));
            std::printf("%-12s %-8s %8.1f", modeInfo(m).name, other ? "other's" : "ours",
                        psnrIn(decode(clean, 11025, o, 4096, true), m, sent.picture));
            bool ok = true;
            for (double rate : {1.0, 3.0, 5.0}) {
                int found = 0;
                double sum = 0;
                for (unsigned s = seed0; s < seed0 + 10; ++s) {
                    auto a = clean;
                    addStatic(a, 11025, rate, 10 * rms, s * 31 + unsigned(rate));
                    const Result r = decode(a, 11025, o, 4096, true);
                    if (r.found && r.mode == m) {
                        ++found;
                        sum += psnrIn(r, m, sent.picture);
                    }
                }
                ok = ok && found >= (rate < 4 ? 10 : 9);
                std::printf("   %2d/10 (%4.1f)", found, found ? sum / found : 0.0);
            }
            std::printf(" %s\n", ok ? "ok" : "SHORT");
        }
    {
        // no picture in static alone, nor in white noise with static
        const double rms = 0.03 / std::sqrt(2.0);
        for (int kind = 0; kind < 2; ++kind) {
            std::vector<float> a(size_t(120 * 11025), 0.0f);
            if (kind == 1) addNoise(a, 11025, 10, 5), [&] { for (float &x : a) x *= 0.06f; }();
            addStatic(a, 11025, 5, 10 * rms, 77);
            Receiver rx(11025);
            rx.setOptions(o);
            int starts = 0;
            for (size_t p = 0; p < a.size(); p += 4096) {
                rx.process(a.data() + p, std::min<size_t>(4096, a.size() - p));
                if (rx.takeEvents() & RxStarted) ++starts;
            }
            std::printf("120 s of static (5 a second)%s: pictures started: %d %s\n", kind ? " in white noise" : " alone", starts,
                        starts == 0 ? "ok" : "FAIL");
        }
    }
}

// A recording decoded with its mode forced, as vareror-wav decode --mode does (the scan
// started at the recording's start, with no restart on a header): with its header, and with
// the header cut off (the recording starts half a second before the first line), against
// the decode without a forced mode. Forcing the right mode is never to be worse.
void Bench::forcedModes()
{
    std::printf("\n== Forced modes (aligned PSNR, dB; rows received in brackets)\n");
    std::vector<int> modes = {9, 3, 6, 15};
    if (!pick.empty()) modes = pick;
    RxOptions o; // as vareror-wav decodes a file
    o.rxBuffer = 1;
    RxOptions forcedOpts = o;
    forcedOpts.autoRestart = false;
    auto forced = [&](const std::vector<float> &a, int m) {
        Receiver rx(11025);
        rx.setOptions(forcedOpts);
        rx.setDrawWhileArriving(false);
        rx.startScan(m, Receiver::ForcedStart::FirstLine);
        Result r;
        for (size_t p = 0; p < a.size() + 3 * 11025; p += 4096) {
            if (p < a.size()) rx.process(a.data() + p, std::min<size_t>(4096, a.size() - p));
            else {
                const std::vector<float> silence(4096, 0.0f);
                rx.process(silence.data(), silence.size());
            }
            if ((rx.takeEvents() & RxEnded) && !r.found && rx.lastFinished().lines > 0) {
                r.found = true;
                r.mode = rx.lastFinished().mode;
                r.lines = rx.lastFinished().lines;
                r.pic = rx.lastFinished().picture;
            }
        }
        return r;
    };
    std::printf("%-12s %-8s %14s %14s %14s\n", "mode", "card", "not forced", "forced", "no header");
    for (int m : modes)
        for (int other = 0; other < 2; ++other) {
            const Sent sent = other ? otherSendersCard(m) : Sent{sourceFor(card, modeInfo(m))};
            auto a = sent.signal(m);
            a.insert(a.begin(), size_t(0.5 * 11025), 0.0f); // a second of silence before the header
            const Result plain = decode(a, 11025, o, 4096, true);
            const Result withHeader = forced(a, m);
            // the header cut off, half a second of the silence before it left
            const size_t header = size_t(modeInfo(m).headerMs() * 11.025);
            std::vector<float> headless(size_t(0.5 * 11025), 0.0f);
            headless.insert(headless.end(), a.begin() + long(11025 + header), a.end());
            const Result noHeader = forced(headless, m);
            const double p0 = psnrIn(plain, m, sent.picture), p1 = psnrIn(withHeader, m, sent.picture),
                         p2 = psnrIn(noHeader, m, sent.picture);
            std::printf("%-12s %-8s %8.1f (%3d) %8.1f (%3d) %8.1f (%3d) %s\n", modeInfo(m).name, other ? "other's" : "ours", p0,
                        plain.lines, p1, withHeader.lines, p2, noHeader.lines, p1 >= p0 - 0.05 && p2 >= p0 - 0.5 ? "ok" : "SHORT");
        }
}

void Bench::mainsHum()
{
    // Mains hum and its harmonics below 1000 Hz (each k-th at 1/k of the fundamental), 26 dB
    // under the signal: all of it lies below the picture's tones, and must cost under 2 dB.
    std::printf("\n== Mains hum 26 dB under the signal (test card; aligned PSNR, dB; seeds %u-%u where noisy; "
                "target in brackets)\n", seed0, seed1);
    std::vector<int> modes = {9, 3, 15};
    if (!pick.empty()) modes = pick;
    std::printf("%-44s", "");
    for (int m : modes) std::printf(" %12s", modeInfo(m).name);
    std::printf("\n");
    std::vector<double> without(modes.size(), 0.0); // the row's noise without hum
    for (const double snr : {99.0, 30.0, 10.0})
        for (const double mains : {0.0, 50.0, 60.0}) {
            const std::string label = (snr < 99 ? std::to_string(int(snr)) + " dB" : std::string("clean")) +
                                      (mains > 0 ? ", " + std::to_string(int(mains)) + " Hz hum" : std::string());
            std::printf("%-44s", label.c_str());
            for (size_t i = 0; i < modes.size(); ++i) {
                const int m = modes[i];
                const RgbImage src = sourceFor(card, modeInfo(m));
                const auto base = transmission(m, src, 11025);
                const int seeds = snr < 99 ? seedCount : 1;
                double sum = 0;
                for (int seed = int(seed0); seed < int(seed0) + seeds; ++seed) {
                    auto a = base;
                    if (mains > 0) addHum(a, 11025, mains, 26);
                    if (snr < 99) addNoise(a, 11025, snr, unsigned(seed));
                    sum += psnrIn(decode(a, 11025), m, src);
                }
                const double p = sum / seeds;
                char cell[32];
                if (mains == 0) {
                    without[i] = p;
                    std::snprintf(cell, sizeof cell, "%.1f", p);
                } else {
                    std::snprintf(cell, sizeof cell, "%.1f(%.1f)%s", p, without[i] - 2, p >= without[i] - 2 ? "" : "!");
                }
                std::printf(" %12s", cell);
            }
            std::printf("\n");
        }
    std::printf("   (!: short of the target)\n");
}

void Bench::carrierPhases()
{
    // Clean pictures with the carrier at eight phases. Our encoder always starts its carrier
    // at one phase; on the air an SSB receiver's oscillator sets it, and it drifts. A decode
    // whose error turns with the carrier's phase can score at that one phase what it does not
    // elsewhere: the mean and the lowest of the eight are what an off-air signal gets.
    std::printf("\n== Carrier phase (our encoder, clean, 11025 Hz; aligned PSNR, dB: as encoded, and over 8 phases)\n");
    std::printf("%-3s %-10s %8s %8s %8s %8s %8s %8s\n", "#", "mode", "card", "mean", "lowest", "photo", "mean", "lowest");
    std::vector<int> modes = {9, 6, 15, 3, 22, 23, 10, 7, 14, 4};
    if (!pick.empty()) modes = pick;
    for (int m : modes) {
        const ModeInfo &mi = modeInfo(m);
        std::printf("%-3d %-10s", m, mi.name);
        const RgbImage *srcs[2] = {&card, &photo};
        for (const RgbImage *big : srcs) {
            const RgbImage src = sourceFor(*big, mi);
            const auto base = transmission(m, src, 11025);
            auto psnrOf = [&](const std::vector<float> &a) { return psnrIn(decode(a, 11025), m, src); };
            double sum = 0, lowest = 1e9;
            for (int k = 0; k < 8; ++k) {
                const double p = psnrOf(shifted(base, 11025, 0, k * M_PI / 8));
                sum += p;
                lowest = std::min(lowest, p);
            }
            std::printf(" %8.1f %8.1f %8.1f", psnrOf(base), sum / 8, lowest);
        }
        std::printf("\n");
    }
}

void Bench::picturesLost()
{
    std::printf("\n== Pictures lost (test card; whole: every line drawn)\n");
    const int seeds = quick ? 3 : 8;
    {
        const ModeInfo &mi = modeInfo(6);
        const RgbImage src = sourceFor(card, mi);
        std::printf("Scottie 1 without its starting sync (%d seeds)\n%8s %8s %8s %12s\n", seeds, "clock %", "SNR dB",
                    "whole", "PSNR (mean)");
        for (double clock : {0.995, 0.997, 1.003, 1.005})
            for (double snr : {99.0, 10.0}) {
                const auto base = withCut(transmission(6, src, 11025, clock), 11025, clock, mi.headerMs() - 9.0, 9.0);
                int whole = 0;
                double sum = 0;
                for (int seed = 1; seed <= (snr < 99 ? seeds : 1); ++seed) {
                    auto a = base;
                    if (snr < 99) addNoise(a, 11025, snr, unsigned(seed));
                    const Result r = decode(a, 11025);
                    if (r.found && r.mode == 6 && r.lines == mi.exposedHeight) ++whole;
                    if (r.found) sum += alignedPsnr(r.pic, scaled(src, r.pic.width, r.pic.height));
                }
                const int n = snr < 99 ? seeds : 1;
                std::printf("%+8.1f %8s %5d/%-2d %12.1f\n", (1 / clock - 1) * 100, snr < 99 ? "10" : "clean", whole, n, sum / n);
            }
    }
    {
        std::printf("Weak pictures drawn to their end (%d seeds)\n%-10s %8s %8s %8s\n", seeds, "mode", "SNR dB", "clock %", "whole");
        for (int m : {3, 9, 6, 15, 16}) {
            if (!picked(m)) continue;
            const ModeInfo &mi = modeInfo(m);
            const RgbImage src = sourceFor(card, mi);
            for (double snr : {0.0, 3.0})
                for (double clock : {0.995, 0.997, 1.0, 1.003, 1.005}) {
                    const auto base = transmission(m, src, 11025, clock);
                    int whole = 0;
                    for (int seed = 1; seed <= seeds; ++seed) {
                        auto a = base;
                        addNoise(a, 11025, snr, unsigned(1000 + seed));
                        const Result r = decode(a, 11025);
                        if (r.found && r.mode == m && r.lines == mi.exposedHeight) ++whole;
                    }
                    std::printf("%-10s %8.0f %+8.1f %5d/%d\n", mi.name, snr, (1 / clock - 1) * 100, whole, seeds);
                }
        }
    }
    {
        std::printf("Audio lost mid-picture (rows after the gap against the same signal without it)\n%-10s %8s %8s %8s %12s %12s\n",
                    "mode", "gap ms", "SNR dB", "lines", "PSNR", "rows after");
        for (int m : {9, 6, 3, 15}) {
            if (!picked(m)) continue;
            const ModeInfo &mi = modeInfo(m);
            const RgbImage src = sourceFor(card, mi);
            for (double gap : {200.0, 500.0, 1000.0, 2000.0})
                for (double snr : {99.0, 10.0}) {
                    auto whole = transmission(m, src, 11025);
                    whole.resize(whole.size() + size_t(gap / 1000 * 11025), 0.0f);
                    if (snr < 99) addNoise(whole, 11025, snr, 5);
                    const double fromMs = mi.pictureMs() / 2 + 37;
                    const Result r = decode(withCut(whole, 11025, 1.0, mi.headerMs() + fromMs, gap), 11025);
                    const Result w = decode(whole, 11025);
                    double after = 0;
                    if (r.found && w.found && r.pic.height == w.pic.height) {
                        // the rows from the first period after the gap, unshifted
                        const int r1 = int((fromMs + gap) * r.pic.height / mi.pictureMs()) + 2 * mi.linesPerPeriod + 4;
                        RgbImage a(r.pic.width, r.pic.height - r1), b(r.pic.width, r.pic.height - r1);
                        for (int y = r1; y < r.pic.height; ++y) {
                            std::memcpy(a.pixel(0, y - r1), r.pic.pixel(0, y), size_t(r.pic.width) * 3);
                            std::memcpy(b.pixel(0, y - r1), w.pic.pixel(0, y), size_t(r.pic.width) * 3);
                        }
                        after = shiftedPsnr(a, b, 0, 0);
                    }
                    std::printf("%-10s %8.0f %8s %8d %12.1f %12.1f\n", mi.name, gap, snr < 99 ? "10" : "clean", r.lines,
                                r.found ? alignedPsnr(r.pic, scaled(src, r.pic.width, r.pic.height)) : 0.0, after);
                }
        }
    }
}

void Bench::falseStarts()
{
    std::printf("\n== False starts\n");
    {
        const int minutes = quick ? 1 : 10;
        for (int kind = 0; kind < 2; ++kind) {
            Receiver rx(11025);
            std::mt19937 gen(99);
            std::normal_distribution<float> nd;
            std::vector<float> block(11025);
            int starts = 0;
            for (int s = 0; s < 60 * minutes; ++s) {
                for (auto &x : block) x = kind == 0 ? 0.25f * nd(gen) : 0.0f;
                rx.process(block.data(), block.size());
                if (rx.takeEvents() & RxStarted) ++starts;
            }
            std::printf("%d min of %-12s pictures started: %d %s\n", minutes, kind == 0 ? "white noise," : "silence,", starts,
                        starts == 0 ? "ok" : "FAIL");
        }
    }
}

void Bench::clockOff()
{
    std::printf("\n== Sample clock off by 0.5 %% (auto-slant on; test card)\n");
    std::printf("%-10s %8s %8s %10s %s\n", "mode", "clean", "skewed", "measured", "");
    for (int m : {3, 9, 15, 6}) {
        const ModeInfo &mi = modeInfo(m);
        const RgbImage src = sourceFor(card, mi);
        const Result c = decode(transmission(m, src, 11025), 11025);
        const Result s = decode(transmission(m, src, 11025, 1.005), 11025);
        const double pc = alignedPsnr(c.pic, scaled(src, c.pic.width, c.pic.height));
        const double pk = s.found ? alignedPsnr(s.pic, scaled(src, s.pic.width, s.pic.height)) : 0.0;
        std::printf("%-10s %8.1f %8.1f %8.0f ppm %s\n", mi.name, pc, pk, s.slant, pk >= pc - 2 ? "ok" : "SHORT");
    }
}

void Bench::speed()
{
    std::printf("\n== Speed (one core, x real time; best of 3)\n");
    {
        // each picture drawn as its lines arrive (the program), and only once it has
        // ended (vareror-wav decoding a file); 0: the picture did not end
        std::printf("%-58s %8s %8s\n", "", "live", "at end");
        auto both = [](const char *label, const std::vector<float> &a, double rate) {
            std::printf("%-58s %8.0f %8.0f\n", label, timesRealTime(a, rate), timesRealTime(a, rate, RxOptions(), true));
        };
        // The files end with their pictures' last lines, which the receiver reads to their end
        // only in the silence vareror-wav then gives it (a quarter of a second; without it the
        // pictures never ended, and so were never drawn at the end).
        auto file = [](const char *name, int &rate) {
            auto a = readWav(std::string(TEST_SIGNALS_DIR "/") + name, rate);
            a.resize(a.size() + size_t(rate / 4), 0.0f);
            return a;
        };
        int rate = 0;
        const auto martin = file("Martin1_testcard_11025_encA.flac", rate);
        both("Martin 1 file (encA) at 11025 Hz", martin, rate);
        for (const char *f : {"Robot36_photo_11025_encA.flac", "Robot36_testcard_11025_encB.flac"}) {
            const auto r36 = file(f, rate);
            both((std::string("Robot 36 file ") + f).c_str(), r36, rate);
        }
        const RgbImage src = sourceFor(card, modeInfo(3));
        both("clean Robot 36 (our encoder) at 11025 Hz", transmission(3, src, 11025), 11025);
        for (int m : {3, 16}) {
            auto w = transmission(m, sourceFor(card, modeInfo(m)), 11025);
            addNoise(w, 11025, 0.0, 1);
            both((std::string(modeInfo(m).name) + " at 0 dB SNR, 11025 Hz").c_str(), w, 11025);
        }
        // slant correction off must never cost more than on: clock 0.5 % fast, noisy
        for (int m : {3, 9, 15})
            for (double snr : {10.0, 0.0}) {
                auto w = transmission(m, sourceFor(card, modeInfo(m)), 11025, 1.005);
                addNoise(w, 11025, snr, 2);
                RxOptions off;
                off.autoSlant = false;
                char label[96];
                std::snprintf(label, sizeof label, "%s, clock +0.5 %%, %2.0f dB: slant on / off", modeInfo(m).name, snr);
                std::printf("%-58s %8.0f %8.0f\n", label, timesRealTime(w, 11025), timesRealTime(w, 11025, off));
            }
        // live: 48 kHz in 200 ms blocks, as a sound card delivers it
        auto c = transmission(9, sourceFor(card, modeInfo(9)), 48000);
        const Result r = decode(c, 48000, RxOptions(), 9600);
        const double audio = double(c.size()) / 48000;
        std::printf("live at 48000 Hz (Martin 1, 200 ms blocks): %.2f %% of one core (%s)\n", 100 * r.seconds / audio,
                    r.found ? "picture decoded" : "no picture");
        // a weak signal costs more: its picture is filtered across lines as it arrives
        auto w = transmission(3, sourceFor(card, modeInfo(3)), 48000);
        addNoise(w, 48000, 0.0, 1);
        const Result rw = decode(w, 48000, RxOptions(), 9600);
        std::printf("live at 48000 Hz (Robot 36 at 0 dB SNR, 200 ms blocks): %.2f %% of one core (%s)\n",
                    100 * rw.seconds / (double(w.size()) / 48000), rw.found ? "picture decoded" : "no picture");
    }
}

void Bench::wholeProcess()
{
    // vareror-wav decoding a clean 37-second Robot 36 recording (a 16-bit WAV at 11025 Hz)
    // as a whole process, and its parts: the process's start with its libraries loaded (as
    // for --help), reading the file, the decode, the PNG. Each is timed `runs` times: the
    // least is what the program costs, the median what this machine gave it meanwhile.
    const int runs = quick ? 10 : 40;
    std::printf("\n== vareror-wav decode, a clean Robot 36 recording (ms: least and median of %d runs)\n", runs);
    std::printf("   load average at the start: %s\n", loadAverage().c_str());
    QTemporaryDir dir;
    int rate = 0;
    auto a = readWav(TEST_SIGNALS_DIR "/Robot36_photo_11025_encA.flac", rate);
    const std::string wav = dir.filePath("robot36.wav").toStdString(), out = dir.filePath("out").toStdString();
    writeWav(wav, a, rate);
    a.resize(a.size() + size_t(rate / 4), 0.0f); // the silence the tool ends with
    auto timed = [&](const char *label, const std::function<double()> &once) {
        std::vector<double> t;
        for (int i = 0; i < runs; ++i) t.push_back(once());
        std::sort(t.begin(), t.end());
        std::printf("%-44s %8.1f %8.1f\n", label, t.front(), t[t.size() / 2]);
        return t.front();
    };
    bool failed = false;
    auto spawned = [&](std::vector<std::string> args) {
        return [&failed, args] {
            const auto t0 = Clock::now();
            failed = !runQuietly(VARERROR_WAV, args) || failed;
            return msSince(t0);
        };
    };
    std::printf("%-44s %8s %8s\n", "", "least", "median");
    timed("process start, libraries loaded (--help)", spawned({"--help"}));
    timed("reading the WAV", [&] {
        const auto t0 = Clock::now();
        SoundFile sf(wav);
        std::vector<float> mono(4096);
        while (sf.readMono(mono.data(), 4096) > 0) {
        }
        return msSince(t0);
    });
    Result r;
    RxOptions o;
    o.rxBuffer = 1;
    timed("decoding (drawn at the end)", [&] {
        r = decode(a, rate, o, 4096, true);
        return r.seconds * 1000;
    });
    timed("the PNG", [&] {
        const auto t0 = Clock::now();
        QByteArray png;
        failed = !vareror::tools::pngBytes(r.pic, png) || failed;
        return msSince(t0);
    });
    const double whole = timed("whole process (vareror-wav decode)", spawned({"decode", wav, out}));
    std::printf("whole process: %.0fx real time%s\n", double(a.size()) / rate / (whole / 1000), failed ? " (FAILED)" : "");
}

void Bench::memory()
{
    // The kept signal is the receiver's one large store: the picture and decision bands'
    // samples and their two frequencies (24 bytes; the broad band's 8 more only where it was
    // read) for as long as a redraw may need them. Its blocks are reused, never given
    // back, so the largest it was is what it holds from then on.
    std::printf("\n== Memory: the kept signal at its largest (MB), a picture and a minute of silence after it\n");
    std::printf("%-40s %8s %8s %8s\n", "", "RAM", "file", "off");
    // (a noisy picture: the broad band is read beside the narrowed picture band)
    struct M { int mode, rate; double snr; };
    for (const auto &[mode, rate, snr] : {M{3, 11025, 99}, M{3, 48000, 99}, M{20, 48000, 99}, M{3, 11025, 10}, M{9, 11025, 10}}) {
        auto a = transmission(mode, sourceFor(photo, modeInfo(mode)), rate);
        if (snr < 99) addNoise(a, rate, snr, 1);
        a.resize(a.size() + size_t(60 * rate), 0.0f);
        double mb[3] = {0, 0, 0};
        for (int buffer = 0; buffer < 3; ++buffer) {
            Receiver rx(rate);
            RxOptions o;
            o.rxBuffer = buffer;
            rx.setOptions(o);
            for (size_t p = 0; p < a.size(); p += 9600) {
                rx.process(a.data() + p, std::min<size_t>(9600, a.size() - p));
                mb[buffer] = std::max(mb[buffer], double(rx.keptSignalBytes()) / (1 << 20));
            }
        }
        char label[64];
        const int n = std::snprintf(label, sizeof label, "%s at %d Hz (%.0f s)", modeInfo(mode).name, rate,
                                    double(a.size()) / rate - 60);
        if (snr < 99) std::snprintf(label + n, sizeof label - size_t(n), ", %.0f dB", snr);
        std::printf("%-40s %8.1f %8.1f %8.1f\n", label, mb[1], mb[2], mb[0]);
    }
}

void Bench::jobCalls()
{
    std::printf("\n== The engine's job calls (virtual clock, 200 ms of audio a job, 48000 Hz; ms)\n");
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
    const std::string martin = dir.filePath("martin1.wav").toStdString(), pd290 = dir.filePath("pd290.wav").toStdString();
    writeWav(martin, transmission(9, sourceFor(card, modeInfo(9)), 48000), 48000);
    auto noisy = transmission(20, sourceFor(photo, modeInfo(20)), 48000, 1.002);
    addNoise(noisy, 48000, 20.0, 3);
    writeWav(pd290, noisy, 48000);
    std::printf("   each job the best of 3 runs; \"measured\": the longest of any run, the machine's pauses included\n");
    const JobTimes a = engineJobs(martin, 48000, 0);
    std::printf("receiving Martin 1: longest mmsDoJob %.2f (measured %.2f), mean %.2f%s: %.2f %% of one core\n",
                a.longestJob, a.longestMeasured, a.meanJob, a.ended ? "" : " (no picture end)", 100 * a.meanJob / 200);
    for (const auto &[word, name] : {std::pair{0x12, "FFT"}, std::pair{0x25, "FM"}}) {
        const JobTimes d = engineJobs(martin, 48000, 0, word);
        std::printf("receiving Martin 1, %s displays drawn: longest mmsDoJob %.2f (measured %.2f), mean %.2f: %.2f %% of one core\n",
                    name, d.longestJob, d.longestMeasured, d.meanJob, 100 * d.meanJob / 200);
    }
    const JobTimes b = engineJobs(pd290, 48000, 700);
    std::printf("receiving PD290 (clock +0.2 %%, 20 dB): longest mmsDoJob %.2f, mean %.2f%s\n", b.longestJob, b.meanJob,
                b.ended ? "" : " (no picture end)");
    std::printf("PD290 mmsReSync half way, mmsCorrectSlant at the end: longest call %.2f, longest of the 100 jobs after %.2f"
                " (measured, any job or call: %.2f)\n",
                b.longestCall, b.longestJobAfterCall, b.longestMeasured);
    std::printf("aim: every longest mmsDoJob and call under 5 ms: %s\n",
                std::max({a.longestJob, b.longestJob, b.longestCall, b.longestJobAfterCall}) < 5 ? "ok" : "SHORT");
}

} // namespace

// A steady carrier beside a picture (a tuning whistle, a CW signal nearby): at 1000 Hz (under the
// picture's tones) or 1750 Hz (among them), 10 dB under the signal or as strong, from 1 s before
// the header; at 1750 Hz 10 dB under, starting or stopping 40 % into the picture, or drifting
// from 1700 to 1800 Hz over the recording. Each decoded with no notch, the fixed notch at the
// carrier's frequency (at 1750 Hz where it drifts) and the automatic notch fast and slow, our test
// card and another sender's; the clean picture's rows give what each setting costs without a
// carrier. Aligned PSNR, dB; "lost": no picture in the right mode.
void Bench::steadyCarriers()
{
    std::printf("\n== Steady carriers (aligned PSNR, dB)\n");
    std::vector<int> modes = {9, 3, 6, 16};
    if (!pick.empty()) modes = pick;
    RxOptions o; // as vareror-wav decodes a file
    o.rxBuffer = 1;
    struct Cond {
        const char *name;
        double hz, dB;
        double from, to;  // the carrier's span, as a share of the picture (-1: from the start)
        double driftHz;   // over the recording
    };
    const Cond conds[] = {
        {"clean", 0, 0, -1, 2, 0},
        {"1000 Hz -10 dB", 1000, -10, -1, 2, 0},
        {"1750 Hz -10 dB", 1750, -10, -1, 2, 0},
        {"1000 Hz 0 dB", 1000, 0, -1, 2, 0},
        {"1750 Hz 0 dB", 1750, 0, -1, 2, 0},
        {"1750 Hz -10 dB, starts", 1750, -10, 0.4, 2, 0},
        {"1750 Hz -10 dB, stops", 1750, -10, -1, 0.4, 0},
        {"1700-1800 Hz -10 dB", 1700, -10, -1, 2, 100},
    };
    std::printf("%-10s %-8s %-24s %8s %8s %8s %8s\n", "mode", "card", "carrier", "none", "notch", "auto fast",
                "auto slow");
    auto cell = [](const Result &r, int m, const RgbImage &pic) {
        char b[16];
        if (r.found && r.mode == m) std::snprintf(b, sizeof b, "%8.1f", psnrIn(r, m, pic));
        else std::snprintf(b, sizeof b, "%8s", "lost");
        return std::string(b);
    };
    for (int m : modes)
        for (int other = 0; other < 2; ++other) {
            const Sent sent = other ? otherSendersCard(m) : Sent{sourceFor(card, modeInfo(m))};
            auto clean = sent.signal(m);
            clean.insert(clean.begin(), size_t(0.5 * 11025), 0.0f); // a second before the header
            const double headerAt = 1.0;
            const double rms = rmsOf(clean, size_t((headerAt + 0.1) * 11025), size_t((headerAt + 0.5) * 11025));
            const double pictureAt = headerAt + modeInfo(m).headerMs() / 1000;
            const double pictureS = double(clean.size()) / 11025 - pictureAt;
            for (const Cond &c : conds) {
                auto a = clean;
                const double amp = std::sqrt(2.0) * rms * std::pow(10.0, c.dB / 20);
                double ph = 0;
                for (size_t i = 0; c.hz > 0 && i < a.size(); ++i) {
                    const double t = double(i) / 11025, share = (t - pictureAt) / pictureS;
                    ph += 2 * M_PI * (c.hz + c.driftHz * double(i) / double(a.size())) / 11025;
                    if ((c.from < 0 || share >= c.from) && share < c.to) a[i] += float(amp * std::sin(ph));
                }
                std::printf("%-10s %-8s %-24s", modeInfo(m).name, other ? "other's" : "ours", c.name);
                const double notchHz = c.hz > 0 ? (c.driftHz > 0 ? c.hz + c.driftHz / 2 : c.hz) : 0;
                std::printf(" %s", cell(decode(a, 11025, o, 4096, true), m, sent.picture).c_str());
                std::printf(" %s", notchHz > 0 ? cell(decode(a, 11025, o, 4096, true, 0, notchHz), m, sent.picture).c_str()
                                               : "       -");
                std::printf(" %s", cell(decode(a, 11025, o, 4096, true, 2), m, sent.picture).c_str());
                std::printf(" %s\n", cell(decode(a, 11025, o, 4096, true, 3), m, sent.picture).c_str());
            }
        }
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Bench bench;
    std::string only;
    bench.parse(argc, argv, only);
    auto run = [&](const char *section) { return only.empty() || only == section; };
    if (run("files") || run("modes")) bench.fidelityOnFiles();
    if (run("modes")) bench.everyMode();
    if (run("rates")) bench.otherRates();
    if (run("noise")) bench.noiseTables();
    if (run("spread")) bench.spreadOverSeeds();
    if (run("conditions")) bench.conditionsOfTheAir();
    if (run("echoes")) bench.echoes();
    if (run("overdrive")) bench.overdrivenInput();
    if (run("crashes")) bench.staticCrashes();
    if (run("forced")) bench.forcedModes();
    if (run("carriers")) bench.steadyCarriers();
    if (run("hum")) bench.mainsHum();
    if (run("phases")) bench.carrierPhases();
    if (run("losses")) bench.picturesLost();
    if (run("false")) bench.falseStarts();
    if (run("slant")) bench.clockOff();
    if (run("speed")) bench.speed();
    if (run("process")) bench.wholeProcess();
    if (run("memory")) bench.memory();
    if (run("jobs")) bench.jobCalls();
    return 0;
}
