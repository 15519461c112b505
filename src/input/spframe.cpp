#include "input/spframe.h"

#include <sys/stat.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

#include "common/messages.h"

namespace {

// The Hamming window's coefficients: w[i] = A0 - A1 cos(i * step).
constexpr double HAMMING_A0 = 0.54;
constexpr double HAMMING_A1 = 0.46;

// The angle between points, 6.28318530717958 / n; every window value is
// computed as i times this step, so the table and the per-frame form agree.
double hamming_step(int n) { return TWO_PI_DECIMAL / n; }

double hamming_point(int i, double step) { return HAMMING_A0 - HAMMING_A1 * std::cos(i * step); }

// Raw files of this many bytes or more hold more samples than a 32-bit count
// can carry through the analysis.
constexpr std::int64_t RAW_SIZE_LIMIT = std::int64_t{1} << 31;

bool is_loud(Sample s, int threshold) { return std::abs(static_cast<int>(s)) >= threshold; }

// The frame fits the span [.., last] and the caller's arrays.
int frame_check(std::size_t samples_size, int last, int first, int n, std::size_t out_size) {
  if (first < 0) return -1;
  const std::int64_t frame_end = static_cast<std::int64_t>(first) + n - 1;
  if (frame_end > last) return 0;
  if (n > 0 && (frame_end >= static_cast<std::int64_t>(samples_size) ||
                static_cast<std::size_t>(n) > out_size)) {
    return 0;
  }
  return n;
}

}  // namespace

std::optional<std::vector<Sample>> getdata(const char* path, int& count, int swap,
                                           std::string& messages) {
  struct stat status;
  if (stat(path, &status) != 0) {
    append_text(messages, "error: getdata: cannot stat %s.\n", path);
    return std::nullopt;
  }
  // Only a regular file has a size to read; a FIFO would also block the open.
  const std::int64_t file_size = S_ISREG(status.st_mode) ? status.st_size : 0;
  if (file_size >= RAW_SIZE_LIMIT) {
    append_text(messages, "error: getdata: %s is too large (2 GiB or more).\n", path);
    return std::nullopt;
  }
  const int size = static_cast<int>(file_size);
  if (size <= 0) {
    append_text(messages, "error: getdata: size of %s is 0.\n", path);
    return std::nullopt;
  }
  const std::size_t items = static_cast<std::size_t>(size) / 2;
  std::vector<Sample> samples;
  try {
    samples.resize(items);
  } catch (const std::bad_alloc&) {
    append_text(messages, "error: getdata: cannot allocate enough space for reading \"%s\".\n",
                path);
    return std::nullopt;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), &std::fclose);
  if (!file) {
    append_text(messages, "error: getdata: cannot open %s.\n", path);
    return std::nullopt;
  }
  const std::size_t got = std::fread(samples.data(), 2, items, file.get());
  if (std::ferror(file.get())) {
    append_text(messages, "error: getdata: fail to read %s.\n", path);
    return std::nullopt;
  }
  if (got * 2 != static_cast<std::size_t>(size)) {
    messages += "error: getdata: size of read data is smaller than file size.\n";
    return std::nullopt;
  }
  file.reset();
  // swap names the file's byte order (1: big-endian); the bytes are exchanged
  // when it differs from the host's.
  const bool file_big_endian = swap == 1;
  if (file_big_endian != (std::endian::native == std::endian::big)) {
    for (Sample& s : samples) {
      const auto u = static_cast<std::uint16_t>(s);
      s = static_cast<Sample>(static_cast<std::uint16_t>((u >> 8) | (u << 8)));
    }
  }
  count = size / 2;
  return samples;
}

int detect_sp_duration(std::span<const Sample> samples, int count, int threshold, int min_len,
                       int& start, int& end, std::string& messages) {
  // Never read beyond the caller's array, whatever count says.
  const std::int64_t n =
      static_cast<std::int64_t>(count) <= static_cast<std::int64_t>(samples.size())
          ? count
          : static_cast<std::int64_t>(samples.size());
  const std::int64_t length = min_len;

  // Forward: indexes 0 .. n - L at most (only 0 when n < L), so that a start
  // found leaves L samples to the end of the sound.
  std::int64_t i = 0;
  for (;; ++i) {
    if (i >= n) {  // n <= 0: no sample to look at
      messages += "error: detect_sp_duration: forward scanning failure.\n";
      return 0;
    }
    if (is_loud(samples[i], threshold)) break;
    if (i >= n - length || i == n - 1) {
      messages += "error: detect_sp_duration: forward scanning failure.\n";
      return 0;
    }
  }
  start = static_cast<int>(i);

  // Backward: indexes n - 1 down to start + L at most; sample start is loud,
  // so the scan never passes below it.
  std::int64_t j = n - 1;
  for (;; --j) {
    if (is_loud(samples[j], threshold)) break;
    if (j <= i + length) {
      messages += "error: detect_sp_duration: backward scanning failure.\n";
      return 0;
    }
  }
  end = static_cast<int>(j);
  return static_cast<int>(j - i + 1);
}

int get_frame_hmw(std::span<const Sample> samples, int last, int first, int n,
                  std::span<double> frame) {
  const int fit = frame_check(samples.size(), last, first, n, frame.size());
  if (fit != n) return fit;
  const double step = hamming_step(n);
  for (int i = 0; i < n; ++i) {
    frame[i] = static_cast<double>(samples[first + i]) * hamming_point(i, step);
  }
  return n;
}

void hamming_window(int n, std::span<double> window) {
  if (n < 1 || window.size() < static_cast<std::size_t>(n)) return;
  const double step = hamming_step(n);
  for (int i = 0; i < n; ++i) window[i] = hamming_point(i, step);
}

int get_frame_windowed(std::span<const Sample> samples, int last, int first, int n,
                       std::span<const double> window, std::span<double> frame) {
  const std::size_t out_size = window.size() < frame.size() ? window.size() : frame.size();
  const int fit = frame_check(samples.size(), last, first, n, out_size);
  if (fit != n) return fit;
  for (int i = 0; i < n; ++i) frame[i] = static_cast<double>(samples[first + i]) * window[i];
  return n;
}
