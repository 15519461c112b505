// Radix-2 complex FFT of power-of-two length, in place.
#pragma once

#include <span>
#include <string>
#include <vector>

// is_pow_2: is n a power of two?
//   n  in   a count
//   m  out  log2 n when n is a power of two; else the exponent of the
//           smallest power of two above n; 0 when n <= 0
// Returns 1 (n = 2^m, n = 1 included), 0 (not a power of two) or -1 (n <= 0).
int is_pow_2(int n, int& m);

// fft: in-place transform of N = 2^m complex values, decimation in frequency.
//   re, im  in/out  re[0..N-1], im[0..N-1], replaced by the transform in
//                   natural order
//   m       in      exponent, >= 0 (a negative m leaves the arrays as they are)
//   sign    in      +1 forward (no scaling), -1 inverse (divided by N)
// Allocates nothing.
void fft(std::span<double> re, std::span<double> im, int m, int sign);

// fft_cal: zero-pads n values to the next power of two and transforms them.
//   re, im  in/out  n values present; room for the padded length needed
//   n       in      count, >= 2; n <= 1 throws vocana::Error (kind settings)
//                   "error: fft_cal: number of data is smaller than 2.\n"
//   sign    in      +1 or -1
//   messages  in/out  four caution lines appended when n is not a power of two
// Arrays with fewer values than the padded length are never written past: it
// throws "error: fft_cal: arrays hold fewer than %d values.\n" with that length.
void fft_cal(std::span<double> re, std::span<double> im, int n, int sign, std::string& messages);

// Twiddle factors of the forward transform of one length N = 2^m, made once
// and reused for every frame of that length. Stage s (s = 0 .. m-1) has
// N / 2^(s+1) entries, stored from index N - N / 2^s on: entry j holds cos and
// sin of the angle that fft() reaches at its j-th step in that stage, the
// angle advanced by repeated addition of the stage's own step
// (TWO_PI_DECIMAL / N doubled s times), so the values carry the same bits as
// those fft() computes on the fly. N - 1 entries in all.
struct FftTwiddles {
  std::vector<double> cosine;  // [0..N-2], cos(theta)
  std::vector<double> sine;    // [0..N-2], sin(+theta)
  int m = -1;                  // exponent the tables were made for, -1: none
};

// fft_twiddles: fills t for the forward transform of N = 2^m values.
//   m  in   exponent, >= 0
//   t  out  tables for m; t.m = m
// The tables grow to max(N, MAX_FRAME_LENGTH) entries when they are smaller
// and are not reallocated after that. A failed allocation throws vocana::Error
// (kind analysis) "fail to memory allocation in function fft_twiddles.\n".
void fft_twiddles(int m, FftTwiddles& t);

// fft_with_twiddles: forward transform (sign +1) of N = 2^m values, the same
//   bits as fft(re, im, m, +1), with the cosines and sines taken from t.
//   re, im  in/out  re[0..N-1], im[0..N-1], replaced by the transform in
//                   natural order
//   m       in      exponent, >= 0
//   t       in      tables from fft_twiddles(); tables made for another m
//                   are not used (the transform then computes its own)
// Allocates nothing.
void fft_with_twiddles(std::span<double> re, std::span<double> im, int m, const FftTwiddles& t);
