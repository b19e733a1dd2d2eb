#pragma once
// The engine's tuning-display word: the program owns only the display-type bits (&H01,
// &H02, &H04, &H10, &H20); every other bit belongs to the engine and is kept.

#include <cstdint>

namespace engine {

constexpr uint32_t SpectrumFm = 0x25;   // "Sp FM": where the demodulated frequency sits
constexpr uint32_t SpectrumFft = 0x12;  // "Sp FFT": the spectrum and its waterfall

// The word with its display-type bits replaced by those of one display.
inline int32_t tuneWordFor(int32_t word, uint32_t displayBits)
{
    return int32_t((uint32_t(word) & 0xFFFFFFC8u) | displayBits);
}

} // namespace engine
