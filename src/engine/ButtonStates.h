#pragma once
// The back colours of the engine buttons, which carry the transmit and receive state:
// handlers set them and read the state back from them.

#include <cstdint>

namespace engine {

constexpr uint32_t SendingColour = 255;       // TX button: a picture or tone goes out
constexpr uint32_t AnnouncingColour = 200;    // TX button: the spoken announcement runs
constexpr uint32_t IdleColour = 0x8080;       // any engine button at rest
constexpr uint32_t ReceivingColour = 0xFF00;  // RX button: a picture comes in; Force RX: forced
constexpr uint32_t ToneColour = 0xFF;         // tone button: the tone sounds

} // namespace engine
