#include "driver/text_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

using Wide = unsigned __int128;

constexpr std::uint64_t POW10[] = {1ull,
                                   10ull,
                                   100ull,
                                   1000ull,
                                   10000ull,
                                   100000ull,
                                   1000000ull,
                                   10000000ull,
                                   100000000ull,
                                   1000000000ull,
                                   10000000000ull,
                                   100000000000ull,
                                   1000000000000ull,
                                   10000000000000ull,
                                   100000000000000ull,
                                   1000000000000000ull,
                                   10000000000000000ull,
                                   100000000000000000ull,
                                   1000000000000000000ull,
                                   10000000000000000000ull};

Wide wide_pow10(int n) { return n <= 19 ? Wide{POW10[n]} : Wide{POW10[19]} * POW10[n - 19]; }

// A finite, non-negative double as m * 2^e with an integer m < 2^53.
struct Binary {
  std::uint64_t m;
  int e;
};

Binary split(double a) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &a, sizeof bits);
  const int biased = static_cast<int>(bits >> 52);  // the sign bit is clear
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0) return Binary{fraction, -1074};  // zero and subnormals
  return Binary{fraction | (std::uint64_t{1} << 52), biased - 1075};
}

// value / 2^shift rounded to the nearest integer, ties to even.
Wide shift_round(Wide value, int shift) {
  if (shift <= 0) return value << -shift;
  if (shift > 128) return 0;
  if (shift == 128) return value > (Wide{1} << 127) ? 1 : 0;
  const Wide quotient = value >> shift;
  const Wide rest = value - (quotient << shift);
  const Wide half = Wide{1} << (shift - 1);
  if (rest > half || (rest == half && (quotient & 1) != 0)) return quotient + 1;
  return quotient;
}

// numerator / denominator rounded to the nearest integer, ties to even.
Wide divide_round(Wide numerator, Wide denominator) {
  const Wide quotient = numerator / denominator;
  const Wide rest = numerator - quotient * denominator;
  const Wide twice = rest * 2;
  if (twice > denominator || (twice == denominator && (quotient & 1) != 0)) return quotient + 1;
  return quotient;
}

constexpr char DIGIT_PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the decimal digits of value, at least min_digits of them.
char* put_digits(char* out, std::uint64_t value, int min_digits) {
  char digits[24];
  char* const end = digits + sizeof digits;
  char* first = end;
  while (value >= 100) {
    const std::uint64_t pair = value % 100;
    value /= 100;
    first -= 2;
    std::memcpy(first, DIGIT_PAIRS + 2 * pair, 2);
  }
  if (value >= 10) {
    first -= 2;
    std::memcpy(first, DIGIT_PAIRS + 2 * value, 2);
  } else {
    *--first = static_cast<char>('0' + value);
  }
  while (end - first < min_digits) *--first = '0';
  const std::size_t length = static_cast<std::size_t>(end - first);
  std::memcpy(out, first, length);
  return out + length;
}

// Moves the text [begin, end) right so that it fills width, blanks first.
char* pad_left(char* begin, char* end, int width) {
  const int length = static_cast<int>(end - begin);
  if (length >= width) return end;
  const int pad = width - length;
  std::memmove(begin + pad, begin, static_cast<std::size_t>(length));
  std::memset(begin, ' ', static_cast<std::size_t>(pad));
  return begin + width;
}

char* put_printf(char* out, const char* format, int width, int precision, double value) {
  char text[FORMAT_MAX_CHARS];
  const int length = precision < 0
                         ? std::snprintf(text, sizeof text, format, value)
                         : std::snprintf(text, sizeof text, format, width, precision, value);
  std::memcpy(out, text, static_cast<std::size_t>(length));
  return out + length;
}

}  // namespace

char* put_long(char* out, long value, int width) {
  char* const begin = out;
  std::uint64_t magnitude = static_cast<std::uint64_t>(value);
  if (value < 0) {
    *out++ = '-';
    magnitude = 0 - magnitude;
  }
  out = put_digits(out, magnitude, 1);
  return pad_left(begin, out, width);
}

char* put_fixed(char* out, double value, int decimals, int width) {
  const double a = std::fabs(value);
  // The exact path holds a * 10^decimals below 10^18.
  if (!(a < 1e11)) return put_printf(out, "%*.*f", width, decimals, value);
  char* const begin = out;
  if (std::signbit(value)) *out++ = '-';
  const Binary b = split(a);
  const Wide scaled = shift_round(Wide{b.m} * POW10[decimals], -b.e);
  const std::uint64_t q = static_cast<std::uint64_t>(scaled);
  out = put_digits(out, q / POW10[decimals], 1);
  if (decimals > 0) {
    *out++ = '.';
    out = put_digits(out, q % POW10[decimals], decimals);
  }
  return pad_left(begin, out, width);
}

char* put_exponent(char* out, double value) {
  const double a = std::fabs(value);
  if (!std::isfinite(a)) return put_printf(out, "%+e", 0, -1, value);
  *out++ = std::signbit(value) ? '-' : '+';
  if (a == 0.0) {
    std::memcpy(out, "0.000000e+00", 12);
    return out + 12;
  }
  const Binary b = split(a);
  // floor(log10(2^(e2 - 1))) for a in [2^(e2-1), 2^e2): the exponent or one less.
  int exponent = ((b.e + 52) * 78913) >> 18;
  if (exponent < -14 || exponent > 14) return put_printf(out - 1, "%+e", 0, -1, value);
  std::uint64_t digits = 0;
  for (int attempt = 0;; ++attempt) {
    const int scale = 6 - exponent;  // digits = a * 10^scale, rounded
    Wide d;
    if (scale >= 0) {
      d = shift_round(Wide{b.m} * wide_pow10(scale), -b.e);
    } else if (b.e >= 0) {
      d = divide_round(Wide{b.m} << b.e, POW10[-scale]);
    } else {
      d = divide_round(Wide{b.m}, Wide{POW10[-scale]} << -b.e);
    }
    if (d >= POW10[7] && attempt < 2) {
      ++exponent;
      continue;
    }
    if (d < POW10[6] && attempt < 2) {
      --exponent;
      continue;
    }
    digits = static_cast<std::uint64_t>(d);
    break;
  }
  if (digits < POW10[6] || digits >= POW10[7]) return put_printf(out - 1, "%+e", 0, -1, value);
  *out++ = static_cast<char>('0' + digits / POW10[6]);
  *out++ = '.';
  out = put_digits(out, digits % POW10[6], 6);
  *out++ = 'e';
  *out++ = exponent < 0 ? '-' : '+';
  return put_digits(out, static_cast<std::uint64_t>(exponent < 0 ? -exponent : exponent), 2);
}
