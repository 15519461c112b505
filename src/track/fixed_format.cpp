#include "track/fixed_format.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr double POWERS_OF_TEN[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// Largest scaled value |x| 10^d written directly: the product is off the
// exact one by at most half an ulp, below 1.2e-4 up to here.
constexpr double DIRECT_LIMIT = 1e12;

// Distance from one half within which printf's exact rounding decides;
// well above that error, so that any other fraction rounds the same way.
constexpr double TIE_MARGIN = 1e-3;

void append_printf(std::string& out, double x, int decimals) {
  char text[64];
  const int length = std::snprintf(text, sizeof text, "%.*f", decimals, x);
  if (length > 0 && length < static_cast<int>(sizeof text)) {
    out.append(text, static_cast<std::size_t>(length));
  } else {
    std::string big(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(big.data(), big.size(), "%.*f", decimals, x);
    big.resize(static_cast<std::size_t>(length));
    out += big;
  }
}

}  // namespace

void append_fixed(std::string& out, double x, int decimals) {
  if (!std::isfinite(x) || decimals < 0 || decimals > 9) {
    append_printf(out, x, decimals);
    return;
  }
  const double scaled = std::fabs(x) * POWERS_OF_TEN[decimals];
  const double whole = std::floor(scaled);
  if (!(scaled < DIRECT_LIMIT) || std::fabs(scaled - whole - 0.5) < TIE_MARGIN) {
    append_printf(out, x, decimals);
    return;
  }
  auto digits = static_cast<unsigned long long>(whole) + (scaled - whole > 0.5 ? 1 : 0);
  // printf keeps the sign of a negative value that rounds to zero.
  if (std::signbit(x)) out.push_back('-');
  char text[32];
  int at = sizeof text;
  for (int d = 0; d < decimals; ++d) {
    text[--at] = static_cast<char>('0' + digits % 10);
    digits /= 10;
  }
  if (decimals > 0) text[--at] = '.';
  do {
    text[--at] = static_cast<char>('0' + digits % 10);
    digits /= 10;
  } while (digits != 0);
  out.append(text + at, sizeof text - static_cast<std::size_t>(at));
}
