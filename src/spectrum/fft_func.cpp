#include "spectrum/fft_func.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <utility>

#include "common/constants.h"
#include "common/messages.h"

int is_pow_2(int n, int& m) {
  if (n == 1) {
    m = 0;
    return 1;
  }
  int k = n;
  int count = 0;
  bool only_top_bit = true;
  while (k > 1) {
    if (k & 1) only_top_bit = false;
    k >>= 1;
    ++count;
  }
  if (count == 0) {  // n <= 0
    m = 0;
    return -1;
  }
  if (only_top_bit) {
    m = count;
    return 1;
  }
  m = count + 1;
  return 0;
}

namespace {

// One butterfly: sum into p, difference times (c - i s) into q.
inline void butterfly(std::span<double> re, std::span<double> im, int p, int q, double c,
                      double s) {
  const double dr = re[p] - re[q];
  const double di = im[p] - im[q];
  re[p] = re[p] + re[q];
  im[p] = im[p] + im[q];
  re[q] = c * dr + s * di;
  im[q] = c * di - s * dr;
}

// Puts the decimation-in-frequency output into natural order.
void bit_reverse(std::span<double> re, std::span<double> im, int n) {
  int k = 0;
  for (int i = 0; i < n - 1; ++i) {
    if (i <= k) {
      std::swap(re[i], re[k]);
      std::swap(im[i], im[k]);
    }
    int h = n / 2;
    while (h <= k) {
      k -= h;
      h /= 2;
    }
    k += h;
  }
}

}  // namespace

void fft(std::span<double> re, std::span<double> im, int m, int sign) {
  if (m < 0) return;
  const int n = 1 << m;
  double step = TWO_PI_DECIMAL / n;
  int span = n;
  for (int stage = 0; stage < m; ++stage) {
    const int half = span / 2;
    double theta = 0.0;
    for (int j = 0; j < half; ++j) {
      const double c = std::cos(theta);
      const double s = std::sin(sign * theta);
      theta = theta + step;
      for (int b = 0; b < n; b += span) butterfly(re, im, b + j, b + j + half, c, s);
    }
    step = step + step;
    span = half;
  }
  if (sign < 0) {
    for (int i = 0; i < n; ++i) {
      re[i] = re[i] / n;
      im[i] = im[i] / n;
    }
  }
  bit_reverse(re, im, n);
}

void fft_cal(std::span<double> re, std::span<double> im, int n, int sign, std::string& messages) {
  if (n <= 1)
    throw_error(vocana::ErrorKind::settings, "error: fft_cal: number of data is smaller than 2.\n");
  int m = 0;
  const int result = is_pow_2(n, m);
  const int padded = 1 << m;
  if (result == 0) {
    append_text(messages, "CAUTION: fft_cal: number of data %d is not power of 2.\n", n);
    messages += "                  zero added to the tail of data.\n";
    append_text(messages, "                  number of data increased to %d \n", padded);
    messages += "<<< Please check whether the caller has enough memory for data.>>>\n";
  }
  if (re.size() < static_cast<std::size_t>(padded) ||
      im.size() < static_cast<std::size_t>(padded)) {
    throw_error(vocana::ErrorKind::settings, "error: fft_cal: arrays hold fewer than %d values.\n",
                padded);
  }
  for (int i = n; i < padded; ++i) {
    re[i] = 0.0;
    im[i] = 0.0;
  }
  fft(re, im, m, sign);
}

void fft_twiddles(int m, FftTwiddles& t) {
  if (m < 0) return;
  const int n = 1 << m;
  const std::size_t room = static_cast<std::size_t>(std::max(n, MAX_FRAME_LENGTH));
  try {
    if (t.cosine.size() < room) t.cosine.resize(room);
    if (t.sine.size() < room) t.sine.resize(room);
  } catch (const std::bad_alloc&) {
    throw_error(vocana::ErrorKind::analysis,
                "fail to memory allocation in function fft_twiddles.\n");
  }
  // The same angle sequence as fft(): per stage theta = 0, step, step + step,
  // ... by repeated addition, and the step doubled from stage to stage.
  double step = TWO_PI_DECIMAL / n;
  int offset = 0;
  for (int half = n / 2; half >= 1; half /= 2) {
    double theta = 0.0;
    for (int j = 0; j < half; ++j) {
      t.cosine[offset + j] = std::cos(theta);
      t.sine[offset + j] = std::sin(theta);
      theta = theta + step;
    }
    offset += half;
    step = step + step;
  }
  t.m = m;
}

void fft_with_twiddles(std::span<double> re, std::span<double> im, int m, const FftTwiddles& t) {
  if (m < 0) return;
  if (t.m != m) {
    fft(re, im, m, +1);
    return;
  }
  const int n = 1 << m;
  int offset = 0;
  for (int span = n; span >= 2; span /= 2) {
    const int half = span / 2;
    const double* c = t.cosine.data() + offset;
    const double* s = t.sine.data() + offset;
    // Every element takes part in exactly one butterfly per stage, so going
    // block by block instead of twiddle by twiddle changes no result bit.
    for (int b = 0; b < n; b += span) {
      for (int j = 0; j < half; ++j) butterfly(re, im, b + j, b + j + half, c[j], s[j]);
    }
    offset += half;
  }
  bit_reverse(re, im, n);
}
