#include "lpc/lpc_func.h"

#include <array>

#include "common/constants.h"

void autocor(std::span<const double> x, std::span<double> r, int n, int p) {
  for (int i = 0; i <= p; ++i) {
    double sum = 0.0;
    for (int j = 0; j < n - i; ++j) sum += x[j] * x[j + i];
    r[i] = sum;
  }
}

double durb(std::span<const double> r, std::span<double> k, std::span<double> a, int p) {
  double e = r[0];
  k[0] = r[1] / r[0];
  a[0] = 1.0;
  a[1] = -k[0];
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
