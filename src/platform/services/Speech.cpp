#include "platform/services/Speech.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>

namespace platform {

namespace {

// The synthesiser calls back with each block it has made; the samples of the text being
// spoken are collected here. Everything runs on the window thread.
std::vector<short>* collecting = nullptr;

int collect(short* wave, int count, espeak_EVENT*)
{
    if (collecting && wave && count > 0)
        collecting->insert(collecting->end(), wave, wave + count);
    return 0; // go on
}

// The synthesiser's sample rate, once it has been set up; 0 when it cannot be.
int synthesiserRate()
{
    static const int rate = [] {
        const int r = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
        if (r <= 0)
            return 0;
        espeak_SetSynthCallback(collect);
        if (espeak_SetVoiceByName("en") != EE_OK)
            return 0;
        return r;
    }();
    return rate;
}

} // namespace

SpokenText speak(const QString& text, int wordsPerMinute)
{
    const int rate = synthesiserRate();
    if (rate <= 0)
        throw SpeechError("The speech synthesiser cannot be started (espeak-ng and its data are needed).");
    espeak_SetParameter(espeakRATE, std::clamp(wordsPerMinute, espeakRATE_MINIMUM, espeakRATE_MAXIMUM), 0);
    std::vector<short> wave;
    collecting = &wave;
    const QByteArray utf8 = text.toUtf8();
    const espeak_ERROR result = espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                                             espeakCHARS_UTF8, nullptr, nullptr);
    collecting = nullptr;
    if (result != EE_OK)
        throw SpeechError("The speech synthesiser could not speak the text.");
    SpokenText spoken;
    spoken.sampleRate = rate;
    spoken.samples.reserve(wave.size());
    for (short s : wave)
        spoken.samples.push_back(float(s) / 32768.0f);
    return spoken;
}

} // namespace platform
