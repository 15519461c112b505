// Sample type, limits and default settings shared by the library and its
// programs.
#pragma once

#include <cstdint>

namespace vocana {

// A 16-bit signed sample, exactly as stored in the sound file.
using Sample = std::int16_t;

// Largest frame length [points] and LP order of the frame analysis.
inline constexpr int MAX_FRAME_LENGTH = 4096;
inline constexpr int MAX_LPC_ORDER = 20;

// Default settings of the frame analysis.
inline constexpr int DEFAULT_SAMPLING_FREQUENCY = 12000;  // [Hz], raw input
inline constexpr int DEFAULT_LPC_ORDER = 14;
inline constexpr int DEFAULT_FRAME_LENGTH = 256;  // [points]
inline constexpr int DEFAULT_FRAME_RATE = 128;    // [points]

}  // namespace vocana
