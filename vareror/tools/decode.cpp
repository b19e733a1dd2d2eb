// vareror-wav decode: every SSTV picture in a WAV file into PNG files, one JSON line each.
// Exit status: 0 every picture written came whole; 1 an error, or no picture; 2 a usage error;
// 3 pictures written, not every one of them whole (its signal ended early: "lines" says how
// many of its rows came, and the rest are left black).
// With --mode, a header heard that names another mode is said on standard error (and in
// "header_mode"), and a signal without that mode's line structure gives no picture.
#include "commands.h"

#include "modes.h"
#include "png_bytes.h"
#include "receiver.h"
#include "sound_file.h"
#include "whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace vareror::core;

namespace {

int fail(const std::string &msg)
{
    std::fprintf(stderr, "vareror-wav decode: %s\n", msg.c_str());
    return 1;
}

std::string jsonString(const std::string &s)
{
    std::string o = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') { o += '\\'; o += char(c); }
        else if (c < 0x20) {
            char b[8];
            std::snprintf(b, sizeof b, "\\u%04x", c);
            o += b;
        } else if (c < 0x80) o += char(c);
        else { // Latin-1 to UTF-8
            o += char(0xC0 | (c >> 6));
            o += char(0x80 | (c & 0x3F));
        }
    }
    return o + "\"";
}

std::string safeName(const char *name)
{
    std::string o;
    for (const char *p = name; *p; ++p) {
        const char c = *p;
        o += (std::isalnum(static_cast<unsigned char>(c)) || c == '-') ? c : '_';
    }
    return o;
}

// "Robot 36 (mode 3)"
std::string modeText(int mode)
{
    return std::string(modeInfo(mode).name) + " (mode " + std::to_string(mode) + ")";
}

struct Pending {
    bool have = false;
    Receiver::Finished pic;
    std::string fskId;
    bool fsk = false;
};

struct DecodeArgs {
    int forcedMode = -1;
    bool slant = true; // a clock off by a few thousand ppm would otherwise write a sheared picture
    int lms = 0;       // the receiver's LMS mode: 0 off, 1 noise smoothing, 2 and 3 the auto-notch
    double notchHz = 0; // the fixed notch, 0 off
    std::vector<std::string> files;
};

constexpr const char *kUsage =
    "usage: vareror-wav decode [--mode N] [--no-slant] [--noise-smoothing | --auto-notch-fast |\n"
    "                          --auto-notch-slow] [--notch HZ] in.wav outdir/\n"
    "exit status: 0 every picture whole, 1 an error or no picture, 3 a picture not whole\n";

// The command line; returns -1 when it is sound, else the exit status.
int parseArgs(int argc, char **argv, DecodeArgs &args)
{
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (!std::strcmp(a, "--mode")) {
            if (i + 1 >= argc) return fail("--mode needs a mode number");
            char *end = nullptr;
            errno = 0;
            const long m = std::strtol(argv[++i], &end, 10);
            if (errno || !end || *end || !validMode(int(m)))
                return fail(std::string("unknown mode: ") + argv[i]);
            args.forcedMode = int(m);
        } else if (!std::strcmp(a, "--noise-smoothing") || !std::strcmp(a, "--auto-notch-fast") ||
                   !std::strcmp(a, "--auto-notch-slow")) {
            const int lms = a[2] == 'n' ? 1 : a[13] == 'f' ? 2 : 3;
            if (args.lms && args.lms != lms) return fail("--noise-smoothing, --auto-notch-fast and --auto-notch-slow exclude each other");
            args.lms = lms;
        } else if (!std::strcmp(a, "--notch")) {
            if (i + 1 >= argc) return fail("--notch needs a frequency in Hz");
            char *end = nullptr;
            errno = 0;
            const double hz = std::strtod(argv[++i], &end);
            if (errno || !end || *end || !(hz > 0 && hz < 1e6)) return fail(std::string("not a notch frequency in Hz: ") + argv[i]);
            args.notchHz = hz;
        } else if (!std::strcmp(a, "--slant")) {
            args.slant = true;
        } else if (!std::strcmp(a, "--no-slant")) {
            args.slant = false;
        } else if (a[0] == '-' && a[1] == '-') {
            return fail(std::string("unknown option: ") + a);
        } else {
            args.files.push_back(a);
        }
    }
    if (args.files.size() != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return -1;
}

// The receiver's pictures as they end, each written as a PNG file with its JSON line once it is
// known whether an FSK ID follows it.
class Pictures {
public:
    Pictures(const Receiver &rx, const std::string &in, const QString &outDir, int forcedMode)
        : rx_(rx), in_(in), outDir_(outDir), forcedMode_(forcedMode),
          base_(QFileInfo(QString::fromLocal8Bit(in.c_str())).completeBaseName())
    {
    }
    // The receiver's events since the last call.
    void handle(unsigned ev);
    // The picture waiting for an FSK ID, written.
    void flush();
    int exitStatus() const;

private:
    const Receiver &rx_;
    const std::string in_;
    const QString outDir_;
    const int forcedMode_;
    const QString base_;
    int written_ = 0, incomplete_ = 0, refused_ = 0;
    Pending pending_;
    bool writeError_ = false;
};

void Pictures::flush()
{
    if (!pending_.have) return;
    const Receiver::Finished &f = pending_.pic;
    const ModeInfo &m = modeInfo(f.mode);
    ++written_;
    const QString name = QString("%1_%2_%3.png").arg(base_).arg(written_).arg(QString::fromStdString(safeName(m.name)));
    const QString path = QDir(outDir_).filePath(name);
    QByteArray png;
    std::string why = "the picture cannot be encoded";
    if (!vareror::tools::pngBytes(f.picture, png) ||
        !vareror::files::writeWholeFile(QFile::encodeName(path).toStdString(), png.constData(), size_t(png.size()), &why)) {
        std::fprintf(stderr, "vareror-wav decode: cannot write %s: %s\n", path.toLocal8Bit().constData(), why.c_str());
        writeError_ = true;
        pending_ = Pending(); // (no line names a file that is not there)
        return;
    }
    const std::string headerMode = f.headerMode >= 0 ? std::to_string(f.headerMode) : "null";
    std::printf("{\"file\": %s, \"mode\": %d, \"name\": %s, \"width\": %d, \"height\": %d, \"lines\": %d, "
                "\"start_s\": %.3f, \"fskid\": %s, \"slant_ppm\": %.1f, \"header_mode\": %s}\n",
                jsonString(path.toStdString()).c_str(), f.mode, jsonString(m.name).c_str(), f.picture.width,
                f.picture.height, f.lines, f.startSeconds, pending_.fsk ? jsonString(pending_.fskId).c_str() : "null",
                f.slantPpm, headerMode.c_str());
    std::fflush(stdout);
    if (forcedMode_ >= 0 && f.headerMode >= 0 && f.headerMode != f.mode)
        std::fprintf(stderr, "vareror-wav decode: %s: the header heard names %s, not %s as forced\n",
                     path.toLocal8Bit().constData(), modeText(f.headerMode).c_str(), modeText(f.mode).c_str());
    if (f.lines < f.picture.height) {
        ++incomplete_;
        std::fprintf(stderr, "vareror-wav decode: %s: %d of %d lines received\n", path.toLocal8Bit().constData(),
                     f.lines, f.picture.height);
    }
    pending_ = Pending();
}

void Pictures::handle(unsigned ev)
{
    if (ev & RxEnded) {
        flush();
        const auto &f = rx_.lastFinished();
        // a picture cut short before its first lines is no picture, nor one forced in a
        // mode whose line structure its signal does not show
        if (f.lines > 0) {
            pending_.have = true;
            pending_.pic = f;
        } else if (!f.lineStructure) {
            ++refused_;
            std::fprintf(stderr, "vareror-wav decode: %s: no line structure of %s found%s%s\n", in_.c_str(),
                         modeText(f.mode).c_str(), f.headerMode >= 0 ? "; the header heard names " : "",
                         f.headerMode >= 0 ? modeText(f.headerMode).c_str() : "");
        }
    }
    if (ev & RxFskId) {
        if (pending_.have) {
            pending_.fsk = true;
            pending_.fskId = rx_.fskId();
        }
    }
    if ((ev & RxStarted) && !(ev & RxEnded)) flush();
}

int Pictures::exitStatus() const
{
    if (writeError_) return 1;
    if (written_ == 0) return refused_ > 0 ? 1 : fail("no picture found in " + in_);
    return incomplete_ > 0 ? 3 : 0;
}

// The whole file through the receiver, then silence enough for the last picture and an FSK ID
// after it to end.
void feed(SoundFile &sf, Receiver &rx, Pictures &pictures)
{
    std::vector<float> mono(4096);
    for (;;) {
        const int64_t got = sf.readMono(mono.data(), 4096);
        if (got <= 0) break;
        rx.process(mono.data(), size_t(got));
        pictures.handle(rx.takeEvents());
    }
    // Let the last picture and an FSK ID after it finish: a little silence flushes the
    // filters; a picture still running then ends with what it has.
    std::vector<float> silence(size_t(sf.rate()) / 4, 0.0f);
    for (int i = 0; i < 12 && rx.receiving(); ++i) {
        rx.process(silence.data(), silence.size());
        pictures.handle(rx.takeEvents());
    }
    for (int i = 0; i < 4; ++i) {
        rx.process(silence.data(), silence.size());
        pictures.handle(rx.takeEvents());
    }
    if (rx.receiving()) {
        rx.stopScan();
        pictures.handle(rx.takeEvents());
    }
    pictures.flush();
}

} // namespace

int runDecode(int argc, char **argv)
{
    DecodeArgs args;
    if (const int status = parseArgs(argc, argv, args); status >= 0) return status;
    const std::string in = args.files[0];
    const QString outDir = QString::fromLocal8Bit(args.files[1].c_str());

    SoundFile sf(in);
    std::string why;
    if (!sf.receivable(&why)) return fail("cannot decode " + in + ": " + why);
    if (args.notchHz >= sf.rate() / 2.0)
        return fail("a notch at " + QString::number(args.notchHz).toStdString() + " Hz lies above half the rate of " + in);
    // Only the last folder is made: a mistyped path makes no folders anywhere else.
    const QFileInfo folder(QDir::cleanPath(outDir));
    if (!folder.isDir() && !QDir().mkdir(folder.filePath()))
        return fail("cannot create the folder " + args.files[1] +
                    (QFileInfo(folder.absolutePath()).isDir() ? std::string() : ": the folder it is in does not exist"));

    Receiver rx(sf.rate());
    RxOptions o = rx.options();
    o.autoSlant = args.slant;
    o.rxBuffer = 1;
    if (args.forcedMode >= 0) o.autoRestart = false;
    rx.setOptions(o);
    rx.setLms(args.lms);
    rx.setNotch(args.notchHz);
    rx.setDrawWhileArriving(false); // only the finished pictures are written
    if (args.forcedMode >= 0) rx.startScan(args.forcedMode, Receiver::ForcedStart::FirstLine);

    Pictures pictures(rx, in, outDir, args.forcedMode);
    feed(sf, rx, pictures);
    return pictures.exitStatus();
}
