// vareror-wav encode: a picture file into a 16-bit mono WAV file in one SSTV mode.
#include "commands.h"

#include "encoder.h"
#include "modes.h"

#include <QImage>
#include <QString>

#include <sndfile.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
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

RgbImage toRgb(const QImage &src)
{
    const QImage img = src.convertToFormat(QImage::Format_RGB888);
    RgbImage out(img.width(), img.height());
    for (int y = 0; y < img.height(); ++y)
        std::memcpy(out.pixel(0, y), img.constScanLine(y), size_t(img.width()) * 3);
    return out;
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

    QImage img;
    if (!img.load(QString::fromLocal8Bit(files[0])) || img.isNull())
        return fail("cannot read the picture \"%s\"", files[0]);
    req.picture = toRgb(img);
    Encoder enc(req);

    SF_INFO info{};
    info.samplerate = int(req.sampleRate);
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(files[1], SFM_WRITE, &info);
    if (!f) {
        std::fprintf(stderr, "vareror-wav encode: cannot write \"%s\": %s\n", files[1], sf_strerror(nullptr));
        return 1;
    }
    std::vector<float> buf(16384);
    bool ok = true;
    for (;;) {
        const size_t n = enc.generate(buf.data(), buf.size());
        if (n == 0) break;
        if (sf_write_float(f, buf.data(), sf_count_t(n)) != sf_count_t(n)) {
            ok = false;
            break;
        }
    }
    if (!ok) {
        std::fprintf(stderr, "vareror-wav encode: writing \"%s\" failed: %s\n", files[1], sf_strerror(f));
        sf_close(f);
        std::remove(files[1]);
        return 1;
    }
    if (sf_close(f) != 0) {
        std::fprintf(stderr, "vareror-wav encode: closing \"%s\" failed\n", files[1]);
        return 1;
    }
    return 0;
}
