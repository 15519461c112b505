// FFT and LPC power spectra in dB, N/2 + 1 points from 0 Hz to fs/2.
//
// Every operation here throws vocana::Error (kind settings) rather than read
// or write past a caller's array: an input shorter than its count
// (frame[0..n-1], a[0..p]) or an output shorter than N/2 + 1 points gives
// "error: <name>: arrays too short for the spectrum.\n". A count below 2 gives
// "error: <name>: number of data is smaller than 2.\n". When the count is not
// a power of two, the five caution lines
//   "CAUTION: <name>: number of data %d is not power of 2.\n"
//   "                  zero added to the tail of data.\n"
//   "                  number of data is increased to %d \n"
//   "<<< Please check whether the caller has enough memory\n"
//   "    for the number of spectral samples.>>>\n\n"
// are appended to messages on every call, and the operation goes on with N.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "spectrum/fft_func.h"

// fft_pws: power spectrum of a frame, 10 log10 |X[i]|^2 of the unscaled DFT.
//   frame  in   frame[0..n-1], zero-padded to N = n rounded up to 2^m
//   n      in   frame length [points], >= 2
//   fs     in   sampling frequency [Hz]
//   freq   out  freq[0..N/2] [Hz], i * fs / N
//   power  out  power[0..N/2] [dB]; a bin of zero power gives -inf
//   messages  in/out  the caution lines are appended
// Returns N/2 + 1. Allocates its working memory for the call, as fft_pws_work().
int fft_pws(std::span<const double> frame, int n, int fs, std::span<double> freq,
            std::span<double> power, std::string& messages);

// lpc_pws: model spectrum 10 log10(gain) - 10 log10 |A|^2.
//   a      in   a[0..p], LP coefficients, a[0] = 1
//   gain   in   residual error energy (not tested: 0 gives -inf, < 0 NaN)
//   p      in   LP order; p + 1 must not exceed N, else it throws
//               "error: lpc_pws: LPC order %d needs %d points at least.\n"
//               with p and p + 1
//   count  in   spectral length, rounded up to N = 2^m, >= 2
//   fs     in   sampling frequency [Hz]
//   freq   out  freq[0..N/2] [Hz]
//   power  out  power[0..N/2] [dB]; a zero of A on a bin gives +inf
//   messages  in/out  the caution lines are appended
// Returns N/2 + 1. Allocation as fft_pws().
int lpc_pws(std::span<const double> a, double gain, int p, int count, int fs,
            std::span<double> freq, std::span<double> power, std::string& messages);

// lp_pws: lpc_pws() with the coefficients and gain of autocor() and durb() of
//   the frame itself.
//   frame  in   frame[0..n-1]
//   n      in   frame length [points], >= 2
//   p      in   LP order [1..MAX_LPC_ORDER]; outside it throws
//               "error: lp_pws: LPC order %d is out of range.\n";
//               p + 1 > N throws
//               "error: lp_pws: LPC order %d needs %d points at least.\n"
//   fs     in   sampling frequency [Hz]
//   freq, power  out  as lpc_pws()
//   messages     in/out  the caution lines (named lp_pws) are appended
// Returns N/2 + 1. Orders that the recursion does not reach (it stops once
// the residual energy is not > 0) enter as zero coefficients. Allocates its
// working memory for the call.
int lp_pws(std::span<const double> frame, int n, int p, int fs, std::span<double> freq,
           std::span<double> power, std::string& messages);

// Working memory of the spectra of a run, owned by the caller and reused for
// every frame so that nothing is allocated per frame and the twiddle factors
// are computed once per transform length. Start from a value-initialised
// record; the first call sizes the buffers (at least MAX_FRAME_LENGTH values,
// N if larger) and later calls only grow them for a larger N.
struct SpectrumWork {
  std::vector<double> re;  // [0..N-1], transform buffer, real parts
  std::vector<double> im;  // [0..N-1], transform buffer, imaginary parts
  FftTwiddles twiddles;    // tables for twiddles.m, the m of the last call
};

// fft_pws_work: fft_pws() with its working memory in work; the frame loop
//   calls this form, and fft_pws() calls it with working memory of its own.
//   work  in/out  buffers and twiddles; the twiddles are made again only
//                 when the transform length differs from the last call's
// A failed first sizing of work throws vocana::Error (kind analysis)
// "fail to memory allocation in function fft_pws.\n".
int fft_pws_work(std::span<const double> frame, int n, int fs, std::span<double> freq,
                 std::span<double> power, SpectrumWork& work, std::string& messages);

// lpc_pws_work: lpc_pws() with its working memory in work, as fft_pws_work().
int lpc_pws_work(std::span<const double> a, double gain, int p, int count, int fs,
                 std::span<double> freq, std::span<double> power, SpectrumWork& work,
                 std::string& messages);
