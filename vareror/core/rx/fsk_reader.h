#pragma once
// The FSK ID reader: finds the call sign burst that may follow a picture (sync, start symbol,
// text, end symbol, optional check symbol) and returns its text. It only reports.

#include "signal.h"

#include <optional>
#include <string>

namespace vareror::core::rx {

class ToneMeter;

class FskIdReader {
public:
    explicit FskIdReader(const WorkingRate &rate) : rate_(rate) {}
    // Looks at what has arrived since the last call; returns the text of an ID read whole
    // (its check symbol, when sent, matching).
    std::optional<std::string> scan(const ToneMeter &tones, const SignalView &s);

private:
    bool readSymbol(const ToneMeter &t, double startPos, int &sym) const;
    int64_t ms(double v) const { return rate_.samples(v); }

    WorkingRate rate_;
    int64_t next_ = 0;          // the next candidate position for a sync
    struct Burst {              // the ID being read
        bool active = false;
        double edge = 0;        // end of its sync tone
        double offset = 0;      // mistuning
        int symbols = 0;
        std::string text;
        int check = 0;          // XOR of the text symbols
        bool ended = false;     // the end symbol has come
        int64_t foundAt = 0;
    } burst_;
};

} // namespace vareror::core::rx
