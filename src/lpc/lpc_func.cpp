#include "lpc/lpc_func.h"

#include <array>
#include <cstring>

#include "common/constants.h"

namespace {

// Two doubles side by side; element-wise products and sums round exactly as
// the scalar operations do (no contraction: -ffp-contract=off).
typedef double Pair __attribute__((vector_size(16)));

Pair load_pair(const double* at) {
  Pair v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

void store_pair(double* at, Pair v) { std::memcpy(at, &v, sizeof v); }

// Lags first .. first + 2 PAIRS - 1 accumulated side by side in one pass over
// the samples that all of them share, then each lag up to last finishes its
// own tail; a lag above last is dropped. Each lag's sum still starts from 0.0
// and runs in increasing j, so the bits are those of the lags summed one
// after the other. Needs n >= first + 2 PAIRS - 1. Up to four pairs keep the
// sums, the broadcast sample and the loaded pairs in the sixteen registers.
template <int PAIRS>
void autocor_block(const double* data, std::span<double> r, int n, int first, int last) {
  constexpr int LAGS = 2 * PAIRS;
  const int shared = n - (first + LAGS - 1);
  Pair sums[PAIRS];
  for (Pair& s : sums) s = Pair{0.0, 0.0};
  const double* const lagged = data + first;
  for (int j = 0; j < shared; ++j) {
    const Pair xj = {data[j], data[j]};
#pragma GCC unroll 4
    for (int k = 0; k < PAIRS; ++k) sums[k] += xj * load_pair(lagged + j + 2 * k);
  }
  std::array<double, LAGS> lag_sums;
  for (int k = 0; k < PAIRS; ++k) store_pair(&lag_sums[2 * k], sums[k]);
  for (int i = first; i <= last && i < first + LAGS; ++i) {
    double sum = lag_sums[i - first];
    for (int j = shared; j < n - i; ++j) sum += data[j] * data[j + i];
    r[i] = sum;
  }
}

// Lags in groups of four, each group in its own pass over the shared samples;
// for any order and frame length.
void autocor_groups(const double* data, std::span<double> r, int n, int p) {
  const int shared = n - p > 0 ? n - p : 0;
  int lag = 0;
  for (; lag + 3 <= p; lag += 4) {
    Pair low = {0.0, 0.0};
    Pair high = {0.0, 0.0};
    for (int j = 0; j < shared; ++j) {
      const Pair xj = {data[j], data[j]};
      low += xj * load_pair(data + j + lag);
      high += xj * load_pair(data + j + lag + 2);
    }
    store_pair(&r[lag], low);
    store_pair(&r[lag + 2], high);
  }
  for (; lag + 1 <= p; lag += 2) {
    Pair sum = {0.0, 0.0};
    for (int j = 0; j < shared; ++j) {
      const Pair xj = {data[j], data[j]};
      sum += xj * load_pair(data + j + lag);
    }
    store_pair(&r[lag], sum);
  }
  for (; lag <= p; ++lag) {
    double sum = 0.0;
    for (int j = 0; j < shared; ++j) sum += data[j] * data[j + lag];
    r[lag] = sum;
  }
  for (int i = 0; i <= p; ++i) {
    double sum = r[i];
    for (int j = shared; j < n - i; ++j) sum += data[j] * data[j + i];
    r[i] = sum;
  }
}

}  // namespace

void autocor(std::span<const double> x, std::span<double> r, int n, int p) {
  if (p < 0 || n < p + 2) {
    autocor_groups(x.data(), r, n, p);
    return;
  }
  // Blocks of up to eight lags, each in one pass over its shared samples.
  for (int first = 0; first <= p; first += 8) {
    switch ((p - first + 2) / 2) {
      case 1:
        autocor_block<1>(x.data(), r, n, first, p);
        break;
      case 2:
        autocor_block<2>(x.data(), r, n, first, p);
        break;
      case 3:
        autocor_block<3>(x.data(), r, n, first, p);
        break;
      default:
        autocor_block<4>(x.data(), r, n, first, p);
        break;
    }
  }
}

double durb(std::span<const double> r, std::span<double> k, std::span<double> a, int p) {
  double e = r[0];
  k[0] = r[1] / r[0];
  a[0] = 1.0;
  a[1] = -k[0];
  // e - k*k*e, not e * (1 - k*k): the coefficients depend on this rounding.
  e = e - k[0] * k[0] * e;
  if (p <= 1) return e;

  // The old coefficients in reverse order, for the update of one order.
  std::array<double, MAX_LPC_ORDER + 1> reversed{};
  int i = 2;
  do {
    for (int j = 1; j <= i; ++j) reversed[j - 1] = a[i - j];
    double sum = 0.0;
    for (int j = 1; j <= i; ++j) sum += r[i - j + 1] * a[j - 1];
    const double ki = sum / e;
    k[i - 1] = ki;
    for (int m = 1; m <= i - 1; ++m) a[m] = a[m] - ki * reversed[m - 1];
    a[i] = -ki;
    e = e - ki * ki * e;
    ++i;
  } while (i <= p && e > 0.0);
  return e;
}
