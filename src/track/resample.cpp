#include <soxr.h>
#include <vocana/error.h>

#include <cmath>

#include "common/messages.h"
#include "track/analysis.h"

std::vector<double> resample(std::span<const double> x, int from, double to) {
  if (static_cast<double>(from) == to) return std::vector<double>(x.begin(), x.end());
  const double ratio = to / static_cast<double>(from);
  const auto out_length =
      static_cast<std::size_t>(std::llround(static_cast<double>(x.size()) * ratio));
  std::vector<double> out(out_length);
  std::size_t done = 0;
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  const soxr_error_t error =
      soxr_oneshot(static_cast<double>(from), to, 1, x.data(), x.size(), nullptr, out.data(),
                   out.size(), &done, &io, &quality, nullptr);
  if (error != nullptr)
    throw_error(vocana::ErrorKind::analysis, "resampling from %d to %g Hz failed (%s)\n", from, to,
                error);
  out.resize(done);
  return out;
}
