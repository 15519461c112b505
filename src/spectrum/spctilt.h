// Critically damped second-order model of a frame and its spectral tilt.
#pragma once

#include <span>
#include <string>

// Critical2ndOrderCoefs: A(z) = (1 + (x/2) z^-1)^2 minimising the residual
//   energy of the frame.
//   r  in   r[0..2], autocorrelation at lags 0..2
//   a  out  a[0..2] = 1, x, x*x/4; written on success only
//   p  in   filter order; anything but 2 throws vocana::Error (kind settings)
//           "error: Critical2ndOrderCoefs(): filter order is not 2.\n"
//   messages  in/out  the refusal's lines are appended
// Returns the residual energy E(x) >= 0, or -1.0 after appending
// "error: Critical2ndOrderCoefs(): illegal number of real roots.\n" (the cubic
// has not exactly one real root) or "... illegal range of coefs.\n" (the root
// lies outside (-2, 2)) and the listing "x[%2d].r: %+e x[%2d].i: %+e\n" of the
// three roots. A root finder that does not converge throws (kind analysis).
double Critical2ndOrderCoefs(std::span<const double> r, std::span<double> a, int p,
                             std::string& messages);

// spectralTilt: slope of the model's power spectrum at f.
//   f   in  frequency [Hz], > 0
//   x   in  coefficient a[1] of the critical filter
//   fs  in  sampling frequency [Hz], > 0
// Returns the slope [dB/oct].
double spectralTilt(double f, double x, int fs);
