// Fuzz target: one frame of arbitrary 16-bit samples through the analysis of
// the frame loop: Hamming window, autocorrelation, Durbin recursion (or the
// critical second-order fit), formant extraction and both power spectra.
//   Input: byte 0 the LP order (1..MAX_LPC_ORDER), bytes 1-2 the frame length
//   (2..MAX_FRAME_LENGTH), byte 3 flags (bit 0: critical second-order mode;
//   bits 1-3: sampling frequency), then little-endian samples, repeated
//   cyclically to fill the frame (all zeros when there are none).
#include <vocana/error.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/constants.h"
#include "fuzz_support.h"
#include "input/spframe.h"
#include "lpc/formant.h"
#include "lpc/lpc_func.h"
#include "spectrum/fft_func.h"
#include "spectrum/pws_func.h"
#include "spectrum/spctilt.h"

namespace {

constexpr int HEADER_BYTES = 4;
constexpr std::array<int, 8> SAMPLING_FREQUENCIES = {12000, 8000, 16000, 10000,
                                                     44100, 1,    2,     2147483647};
constexpr int COEF_CAPACITY = MAX_LPC_ORDER + 2;
constexpr int SPECTRUM_CAPACITY = MAX_FRAME_LENGTH / 2 + 1;

void check(bool condition) {
  if (!condition) std::abort();
}

bool same_bits(double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; }

void analyse(const std::uint8_t* data, std::size_t size) {
  if (size < HEADER_BYTES) return;
  int p = 1 + data[0] % MAX_LPC_ORDER;
  const int n = 2 + (data[1] | data[2] << 8) % (MAX_FRAME_LENGTH - 1);
  const bool critical = (data[3] & 1) != 0;
  const int fs = SAMPLING_FREQUENCIES[(data[3] >> 1) & 7];
  if (critical) p = 2;

  std::vector<Sample> samples(n, 0);
  const std::size_t available = (size - HEADER_BYTES) / 2;
  for (int i = 0; available > 0 && i < n; ++i) {
    const std::size_t at = HEADER_BYTES + 2 * (i % available);
    samples[i] = static_cast<Sample>(static_cast<std::uint16_t>(data[at] | data[at + 1] << 8));
  }

  std::vector<double> frame(MAX_FRAME_LENGTH);
  std::array<double, COEF_CAPACITY> r{};
  std::array<double, COEF_CAPACITY> k{};
  std::array<double, COEF_CAPACITY> a{};
  std::array<double, MAX_LPC_ORDER / 2 + 1> freq{};
  std::array<double, MAX_LPC_ORDER / 2 + 1> bw{};
  check(get_frame_hmw(samples, n - 1, 0, n, frame) == n);

  // The table-driven window gives the same bits.
  std::vector<double> window(MAX_FRAME_LENGTH);
  std::vector<double> frame2(MAX_FRAME_LENGTH);
  hamming_window(n, window);
  check(get_frame_windowed(samples, n - 1, 0, n, window, frame2) == n);
  for (int i = 0; i < n; ++i) check(same_bits(frame[i], frame2[i]));

  autocor(frame, r, n, p);
  std::string messages;
  double error = 0.0;
  if (critical) {
    error = Critical2ndOrderCoefs(r, a, p, messages);
    if (error < 0.0) return;
    spectralTilt(1000.0, a[1], fs);
  } else {
    if (r[0] == 0.0) return;
    error = durb(r, k, a, p);
  }

  const int count = extract_formant(a, p, freq, bw, fs, messages);
  check(count >= -1 && count <= (p + 1) / 2);
  for (int f = 2; f <= count; ++f) check(!(freq[f] < freq[f - 1]));

  // Both spectra, each also through its reusable working memory: same bits.
  std::vector<double> sf(SPECTRUM_CAPACITY), sp(SPECTRUM_CAPACITY);
  std::vector<double> wf(SPECTRUM_CAPACITY), wp(SPECTRUM_CAPACITY);
  SpectrumWork work;
  int m = 0;
  is_pow_2(n, m);
  const int points = fft_pws(std::span<const double>(frame.data(), n), n, fs, sf, sp, messages);
  check(points == (1 << m) / 2 + 1);
  check(fft_pws_work(std::span<const double>(frame.data(), n), n, fs, wf, wp, work, messages) ==
        points);
  for (int i = 0; i < points; ++i) check(same_bits(sf[i], wf[i]) && same_bits(sp[i], wp[i]));
  if ((1 << m) < p + 1) return;  // the driver refuses such an LPC spectrum up front
  check(lpc_pws(a, error, p, n, fs, sf, sp, messages) == points);
  check(lpc_pws_work(a, error, p, n, fs, wf, wp, work, messages) == points);
  for (int i = 0; i < points; ++i) check(same_bits(sf[i], wf[i]) && same_bits(sp[i], wp[i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    analyse(data, size);
  } catch (const vocana::Error& error) {
    // Only the root finder may fail on a frame (it does not converge).
    check(error.kind() == vocana::ErrorKind::analysis);
  }
  return 0;
}
