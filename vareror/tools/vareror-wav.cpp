// vareror-wav: encodes pictures into SSTV audio files and decodes them again.
#include "commands.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {

void usage(FILE *f)
{
    std::fprintf(f,
                 "usage: vareror-wav encode --mode N --rate R [--fskid TEXT] [--cwid] picture out.wav\n"
                 "       vareror-wav decode [--mode N] [--no-slant] [--noise-smoothing | --auto-notch-fast |\n"
                 "                          --auto-notch-slow] [--notch HZ] in.wav outdir/\n"
                 "out.wav may be - (standard output), a FIFO or a device; outdir/ is made when missing,\n"
                 "in a folder that exists.\n");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    const char *cmd = argv[1];
    if (!std::strcmp(cmd, "encode")) {
        // (lets QImage find its format plugins; a decode, which reads none, starts without it)
        QCoreApplication app(argc, argv);
        return runEncode(argc - 1, argv + 1);
    }
    if (!std::strcmp(cmd, "decode")) return runDecode(argc - 1, argv + 1);
    if (!std::strcmp(cmd, "--help") || !std::strcmp(cmd, "-h") || !std::strcmp(cmd, "help")) {
        usage(stdout);
        return 0;
    }
    std::fprintf(stderr, "vareror-wav: unknown command \"%s\"\n", cmd);
    usage(stderr);
    return 2;
}
