#include "spectrum/pws_func.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <new>

#include "common/constants.h"
#include "common/messages.h"
#include "lpc/lpc_func.h"

namespace {

// Checks the count, finds N = 2^m >= count and appends the caution lines
// when count is not a power of two. Returns N.
int transform_length(const char* name, int count, int& m, std::string& messages) {
  if (count <= 1)
    throw_error(vocana::ErrorKind::settings, "error: %s: number of data is smaller than 2.\n",
                name);
  m = 0;
  const int result = is_pow_2(count, m);
  // 2^31 points cannot be indexed by int, let alone allocated.
  if (m > 30)
    throw_error(vocana::ErrorKind::settings, "fail to memory allocation in function %s.\n", name);
  if (result == 0) {
    append_text(messages, "CAUTION: %s: number of data %d is not power of 2.\n", name, count);
    messages += "                  zero added to the tail of data.\n";
    append_text(messages, "                  number of data is increased to %d \n", 1 << m);
    messages += "<<< Please check whether the caller has enough memory\n";
    messages += "    for the number of spectral samples.>>>\n\n";
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
    throw_error(vocana::ErrorKind::settings, "error: %s: arrays too short for the spectrum.\n",
                name);
  }
}

// The coefficients a[0..p] must fit into the N-point transform buffer.
void check_order(const char* name, int p, int n) {
  if (p + 1 > n) {
    throw_error(vocana::ErrorKind::settings, "error: %s: LPC order %d needs %d points at least.\n",
                name, p, p + 1);
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
    throw_error(vocana::ErrorKind::analysis, "fail to memory allocation in function %s.\n", name);
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

}  // namespace

// The named forms run the same code as the program's loop, with working
// memory of their own for the one call.

int fft_pws(std::span<const double> frame, int n, int fs, std::span<double> freq,
            std::span<double> power, std::string& messages) {
  SpectrumWork work;
  return fft_pws_work(frame, n, fs, freq, power, work, messages);
}

int lpc_pws(std::span<const double> a, double gain, int p, int count, int fs,
            std::span<double> freq, std::span<double> power, std::string& messages) {
  SpectrumWork work;
  return lpc_pws_work(a, gain, p, count, fs, freq, power, work, messages);
}

int lp_pws(std::span<const double> frame, int n, int p, int fs, std::span<double> freq,
           std::span<double> power, std::string& messages) {
  int m = 0;
  const int big_n = transform_length("lp_pws", n, m, messages);
  if (p < 1 || p > MAX_LPC_ORDER)
    throw_error(vocana::ErrorKind::settings, "error: %s: LPC order %d is out of range.\n", "lp_pws",
                p);
  check_order("lp_pws", p, big_n);
  check_room("lp_pws", frame, n, freq, power, big_n);
  // Orders the recursion does not reach enter as zero coefficients.
  std::array<double, MAX_LPC_ORDER + 1> r{};
  std::array<double, MAX_LPC_ORDER> k{};
  std::array<double, MAX_LPC_ORDER + 1> a{};
  autocor(frame, r, n, p);
  const double gain = durb(r, k, a, p);
  SpectrumWork work;
  std::string unused;  // lp_pws has written its own caution lines for the length
  return lpc_pws_work(a, gain, p, n, fs, freq, power, work, unused);
}

int fft_pws_work(std::span<const double> frame, int n, int fs, std::span<double> freq,
                 std::span<double> power, SpectrumWork& work, std::string& messages) {
  int m = 0;
  const int big_n = transform_length("fft_pws", n, m, messages);
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
                 std::span<double> freq, std::span<double> power, SpectrumWork& work,
                 std::string& messages) {
  int m = 0;
  const int big_n = transform_length("lpc_pws", count, m, messages);
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
