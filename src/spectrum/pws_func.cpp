#include "spectrum/pws_func.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <new>

#include "common/constants.h"
#include "common/fatal_exit.h"
#include "lpc/lpc_func.h"

namespace {

[[noreturn]] void fatal_line(const char* format, const char* name, int v1 = 0, int v2 = 0) {
  char line[160];
  std::snprintf(line, sizeof line, format, name, v1, v2);
  fatal_message(line);
}

// Checks the count, finds N = 2^m >= count and warns when count is not a
// power of two. Returns N.
int transform_length(const char* name, int count, int& m) {
  if (count <= 1) fatal_line("error: %s: number of data is smaller than 2.\n", name);
  m = 0;
  const int result = is_pow_2(count, m);
  // 2^31 points cannot be indexed by int, let alone allocated.
  if (m > 30) fatal_line("fail to memory allocation in function %s.\n", name);
  if (result == 0) {
    std::fprintf(stderr, "CAUTION: %s: number of data %d is not power of 2.\n", name, count);
    std::fputs("                  zero added to the tail of data.\n", stderr);
    std::fprintf(stderr, "                  number of data is increased to %d \n", 1 << m);
    std::fputs("<<< Please check whether the caller has enough memory\n", stderr);
    std::fputs("    for the number of spectral samples.>>>\n\n", stderr);
  }
  return 1 << m;
}

bool holds(std::span<const double> s, int count) {
  return count <= 0 || s.size() >= static_cast<std::size_t>(count);
}

// Refuses arrays too short for the input count or for N/2 + 1 output points.
void check_room(const char* name, std::span<const double> input, int input_count,
                std::span<double> freq, std::span<double> power, int n) {
  if (!holds(input, input_count) || !holds(freq, n / 2 + 1) || !holds(power, n / 2 + 1)) {
    fatal_line("error: %s: arrays too short for the spectrum.\n", name);
  }
}

// The coefficients a[0..p] must fit into the N-point transform buffer.
void check_order(const char* name, int p, int n) {
  if (p + 1 > n) fatal_line("error: %s: LPC order %d needs %d points at least.\n", name, p, p + 1);
}

// Zero-filled re and im of n doubles each, allocated for this call.
void allocate(const char* name, std::vector<double>& re, std::vector<double>& im, int n) {
  try {
    re.assign(static_cast<std::size_t>(n), 0.0);
    im.assign(static_cast<std::size_t>(n), 0.0);
  } catch (const std::bad_alloc&) {
    fatal_line("fail to memory allocation in function %s.\n", name);
  }
}

// Sizes the reusable buffers and tables once for at least n values.
void prepare_work(const char* name, SpectrumWork& work, int n) {
  const std::size_t room = static_cast<std::size_t>(std::max(n, MAX_FRAME_LENGTH));
  try {
    if (work.re.size() < room) work.re.resize(room);
    if (work.im.size() < room) work.im.resize(room);
    if (work.twiddles.cosine.size() < room) work.twiddles.cosine.resize(room);
    if (work.twiddles.sine.size() < room) work.twiddles.sine.resize(room);
  } catch (const std::bad_alloc&) {
    fatal_line("fail to memory allocation in function %s.\n", name);
  }
}

// Forward transform of work.re/work.im[0..2^m-1] with the run's twiddles,
// made again only when m changes.
void transform_work(SpectrumWork& work, int m) {
  if (work.twiddles.m != m) fft_twiddles(m, work.twiddles);
  const std::size_t n = static_cast<std::size_t>(1) << m;
  fft_with_twiddles(std::span<double>(work.re.data(), n), std::span<double>(work.im.data(), n), m,
                    work.twiddles);
}

// freq[i] = i fs / N and power[i] = 10 log10 |X[i]|^2, i = 0 .. N/2.
void frame_power(std::span<const double> re, std::span<const double> im, int n, int fs,
                 std::span<double> freq, std::span<double> power) {
  const double df = static_cast<double>(fs) / n;
  for (int i = 0; i <= n / 2; ++i) {
    freq[i] = i * df;
    power[i] = 10.0 * std::log10(re[i] * re[i] + im[i] * im[i]);
  }
}

// freq[i] = i fs / N and power[i] = 10 log10(gain) - 10 log10 |A[i]|^2.
void model_power(std::span<const double> re, std::span<const double> im, int n, int fs, double gain,
                 std::span<double> freq, std::span<double> power) {
  const double df = static_cast<double>(fs) / n;
  const double gain_db = 10.0 * std::log10(gain);
  for (int i = 0; i <= n / 2; ++i) {
    freq[i] = i * df;
    power[i] = gain_db - 10.0 * std::log10(re[i] * re[i] + im[i] * im[i]);
  }
}

// Transform and model spectrum of a[0..p] in the zero-filled re, im of N
// points (p + 1 <= N checked by the caller).
int model_spectrum(std::span<const double> a, double gain, int p, int m, int fs,
                   std::span<double> re, std::span<double> im, std::span<double> freq,
                   std::span<double> power) {
  const int n = 1 << m;
  for (int j = 0; j <= p; ++j) re[j] = a[j];
  fft(re, im, m, +1);
  model_power(re, im, n, fs, gain, freq, power);
  return n / 2 + 1;
}

}  // namespace

int fft_pws(std::span<const double> frame, int n, int fs, std::span<double> freq,
            std::span<double> power) {
  int m = 0;
  const int big_n = transform_length("fft_pws", n, m);
  check_room("fft_pws", frame, n, freq, power, big_n);
  std::vector<double> re;
  std::vector<double> im;
  allocate("fft_pws", re, im, big_n);
  std::copy(frame.begin(), frame.begin() + n, re.begin());
  fft(re, im, m, +1);
  frame_power(re, im, big_n, fs, freq, power);
  return big_n / 2 + 1;
}

int lpc_pws(std::span<const double> a, double gain, int p, int count, int fs,
            std::span<double> freq, std::span<double> power) {
  int m = 0;
  const int big_n = transform_length("lpc_pws", count, m);
  check_order("lpc_pws", p, big_n);
  check_room("lpc_pws", a, p + 1, freq, power, big_n);
  std::vector<double> re;
  std::vector<double> im;
  allocate("lpc_pws", re, im, big_n);
  return model_spectrum(a, gain, p, m, fs, re, im, freq, power);
}

int lp_pws(std::span<const double> frame, int n, int p, int fs, std::span<double> freq,
           std::span<double> power) {
  int m = 0;
  const int big_n = transform_length("lp_pws", n, m);
  if (p < 1 || p > MAX_LPC_ORDER)
    fatal_line("error: %s: LPC order %d is out of range.\n", "lp_pws", p);
  check_order("lp_pws", p, big_n);
  check_room("lp_pws", frame, n, freq, power, big_n);
  const std::size_t order = static_cast<std::size_t>(p);
  std::vector<double> r;
  std::vector<double> k;
  std::vector<double> a;
  std::vector<double> re;
  std::vector<double> im;
  try {
    r.assign(order + 1, 0.0);
    k.assign(order, 0.0);
    a.assign(order + 1, 0.0);
  } catch (const std::bad_alloc&) {
    fatal_line("fail to memory allocation in function %s.\n", "lp_pws");
  }
  allocate("lp_pws", re, im, big_n);
  autocor(frame, r, n, p);
  const double gain = durb(r, k, a, p);
  return model_spectrum(a, gain, p, m, fs, re, im, freq, power);
}

int fft_pws_work(std::span<const double> frame, int n, int fs, std::span<double> freq,
                 std::span<double> power, SpectrumWork& work) {
  int m = 0;
  const int big_n = transform_length("fft_pws", n, m);
  check_room("fft_pws", frame, n, freq, power, big_n);
  prepare_work("fft_pws", work, big_n);
  std::copy(frame.begin(), frame.begin() + n, work.re.begin());
  std::fill(work.re.begin() + n, work.re.begin() + big_n, 0.0);
  std::fill(work.im.begin(), work.im.begin() + big_n, 0.0);
  transform_work(work, m);
  frame_power(work.re, work.im, big_n, fs, freq, power);
  return big_n / 2 + 1;
}

int lpc_pws_work(std::span<const double> a, double gain, int p, int count, int fs,
                 std::span<double> freq, std::span<double> power, SpectrumWork& work) {
  int m = 0;
  const int big_n = transform_length("lpc_pws", count, m);
  check_order("lpc_pws", p, big_n);
  check_room("lpc_pws", a, p + 1, freq, power, big_n);
  prepare_work("lpc_pws", work, big_n);
  const int copied = std::max(p + 1, 0);
  std::copy(a.begin(), a.begin() + copied, work.re.begin());
  std::fill(work.re.begin() + copied, work.re.begin() + big_n, 0.0);
  std::fill(work.im.begin(), work.im.begin() + big_n, 0.0);
  transform_work(work, m);
  model_power(work.re, work.im, big_n, fs, gain, freq, power);
  return big_n / 2 + 1;
}
