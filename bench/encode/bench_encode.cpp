// Encoding speed: how many times faster than real time the transmitter produces audio,
// for a few modes at the three usual sample rates. Prints a table.
#include "encoder.h"
#include "modes.h"

#include <chrono>
#include <cstdio>
#include <vector>

using namespace vareror::core;

int main()
{
    // A busy picture so every pixel changes tone.
    auto picture = [](int w, int h) {
        RgbImage img(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t *p = img.pixel(x, y);
                p[0] = uint8_t(x * 7 + y);
                p[1] = uint8_t(x * 3 + y * 5);
                p[2] = uint8_t(255 - x - y * 2);
            }
        return img;
    };
    const int modes[] = {3, 9, 6, 16, 33, 5, 38};
    const double rates[] = {11025, 44100, 48000};
    std::printf("%-10s %10s %12s %12s %12s\n", "mode", "air s", "x RT @11025", "x RT @44100", "x RT @48000");
    std::vector<float> buf(4096);
    for (int m : modes) {
        const ModeInfo &info = modeInfo(m);
        double air = 0;
        double speed[3];
        for (int r = 0; r < 3; ++r) {
            TxRequest q;
            q.mode = m;
            q.sampleRate = rates[r];
            q.picture = picture(info.width, info.height);
            q.fskId = q.cwId = true;
            q.idText = "N0CALL";
            const auto t0 = std::chrono::steady_clock::now();
            Encoder e(q);
            while (e.generate(buf.data(), buf.size()) > 0) {
            }
            const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            air = e.totalSeconds();
            speed[r] = air / s;
        }
        std::printf("%-10s %10.1f %12.0f %12.0f %12.0f\n", info.name, air, speed[0], speed[1], speed[2]);
    }
    return 0;
}
