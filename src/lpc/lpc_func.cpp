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

}  // namespace

void autocor(std::span<const double> x, std::span<double> r, int n, int p) {
  // Lags are accumulated side by side over the samples that every lag of a
  // group shares, then each lag finishes its own tail. Each lag's sum still
  // runs from 0.0 in increasing j, so the bits are those of the lags summed
  // one after the other.
  const double* const data = x.data();
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
