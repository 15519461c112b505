// Limits and numeric constants shared by every unit of vocana.
#pragma once

#include <vocana/types.h>

using vocana::DEFAULT_FRAME_LENGTH;
using vocana::DEFAULT_FRAME_RATE;
using vocana::DEFAULT_LPC_ORDER;
using vocana::DEFAULT_SAMPLING_FREQUENCY;
using vocana::MAX_FRAME_LENGTH;
using vocana::MAX_LPC_ORDER;
using vocana::Sample;

// The circle constants enter the window, twiddle, formant and tilt formulas as
// these decimals, deliberately not std::numbers::pi: every printed result
// depends on these exact values, which are not the nearest doubles to 2*pi
// and pi.
inline constexpr double TWO_PI_DECIMAL = 6.28318530717958;
inline constexpr double PI_DECIMAL = 3.14159265358979;
