// Caller arrays to 16-bit samples.
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>

#include "binding.h"

namespace vocana_python {
namespace {

constexpr double SAMPLE_SCALE = 32768.0;  // full scale +-1.0 -> 16-bit sample

// The 16-bit sample of a value on the +-1.0 scale: x * 32768 rounded half away from
// zero (std::round), clipped to [-32768, 32767]. Returns false for NaN.
bool sample_of(double x, vocana::Sample& sample) {
  if (std::isnan(x)) return false;
  const double scaled = std::round(x * SAMPLE_SCALE);
  if (scaled <= -32768.0)
    sample = -32768;
  else if (scaled >= 32767.0)
    sample = 32767;
  else
    sample = static_cast<vocana::Sample>(scaled);
  return true;
}

template <class T>
bool in_sample_range(T v) {
  if constexpr (std::is_signed_v<T>) return v >= -32768 && v <= 32767;
  return v <= 32767;
}

// Copies integer values that must each fit a 16-bit sample.
template <class T>
void copy_integers(const py::array& values, SampleInput& input) {
  auto cast = py::array_t<T, py::array::c_style | py::array::forcecast>::ensure(values);
  if (!cast) throw py::error_already_set();
  const T* data = cast.data();
  const std::size_t n = static_cast<std::size_t>(cast.size());
  bool fits = true;
  {
    py::gil_scoped_release release;
    input.owned.resize(n);
    for (std::size_t i = 0; i < n && fits; ++i) {
      fits = in_sample_range(data[i]);
      input.owned[i] = static_cast<vocana::Sample>(data[i]);
    }
  }
  if (!fits)
    throw py::value_error(
        "integer samples must lie in [-32768, 32767] (16-bit); scale floating-point "
        "sound to +-1.0 instead");
}

void copy_floats(const py::array& values, SampleInput& input) {
  auto cast = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(values);
  if (!cast) throw py::error_already_set();
  const double* data = cast.data();
  const std::size_t n = static_cast<std::size_t>(cast.size());
  bool numbers = true;
  {
    py::gil_scoped_release release;
    input.owned.resize(n);
    for (std::size_t i = 0; i < n && numbers; ++i) numbers = sample_of(data[i], input.owned[i]);
  }
  if (!numbers) throw py::value_error("samples hold a NaN");
}

}  // namespace

SampleInput sample_input(py::handle samples) {
  SampleInput input;
  py::array values = py::array::ensure(samples);
  if (!values) throw py::error_already_set();
  if (values.ndim() != 1)
    throw py::value_error("samples must be a one-dimensional array (one channel), not " +
                          std::to_string(values.ndim()) + "-dimensional");
  if (values.size() > INT_MAX) throw py::value_error("more than 2147483647 samples");
  const char kind = values.dtype().kind();
  if (kind == 'i' && values.dtype().itemsize() == 2 &&
      py::isinstance<py::array_t<std::int16_t, py::array::c_style>>(values)) {
    // The caller's own 16-bit samples, read in place.
    auto exact = py::array_t<std::int16_t, py::array::c_style>::ensure(values);
    input.view = std::span<const vocana::Sample>(exact.data(), exact.size());
    input.keep = std::move(exact);
    return input;
  }
  if (kind == 'i')
    copy_integers<std::int64_t>(values, input);
  else if (kind == 'u')
    copy_integers<std::uint64_t>(values, input);
  else if (kind == 'f')
    copy_floats(values, input);
  else
    throw py::type_error("samples must be an integer or floating-point array, not of dtype " +
                         std::string(py::str(values.dtype())));
  input.view = input.owned;
  return input;
}

}  // namespace vocana_python
