#pragma once
// Speech: a text spoken by the speech synthesiser (espeak-ng), as samples for the
// engine's transmit audio. Nothing is played here.

#include <QString>

#include <stdexcept>
#include <vector>

namespace platform {

class SpeechError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SpokenText {
    std::vector<float> samples; // -1..1
    int sampleRate = 0;
};

// The text spoken in English at the given pace (words a minute, clamped to what the
// synthesiser takes). Throws SpeechError when the synthesiser is missing or fails.
SpokenText speak(const QString& text, int wordsPerMinute);

} // namespace platform
