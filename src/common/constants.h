// Limits and numeric constants shared by every unit of vocana.
#pragma once

#include <cstdint>

// A 16-bit signed sample, exactly as stored in the sound file.
using Sample = std::int16_t;

// Largest frame length [points] and LP order the command line accepts; the
// driver sizes its fixed working arrays by them.
inline constexpr int MAX_FRAME_LENGTH = 4096;
inline constexpr int MAX_LPC_ORDER = 20;

// The circle constants enter the window, twiddle, formant and tilt formulas as
// these decimals, deliberately not std::numbers::pi: every printed result
// depends on these exact values, which are not the nearest doubles to 2*pi
// and pi.
inline constexpr double TWO_PI_DECIMAL = 6.28318530717958;
inline constexpr double PI_DECIMAL = 3.14159265358979;

// Default settings of a run; the usage text prints these fixed values.
inline constexpr int DEFAULT_SAMPLING_FREQUENCY = 12000;  // [Hz], raw input
inline constexpr int DEFAULT_LPC_ORDER = 14;
inline constexpr int DEFAULT_FRAME_LENGTH = 256;  // [points]
inline constexpr int DEFAULT_FRAME_RATE = 128;    // [points]
