// Pieces of the Python module `vocana`, one unit per concern: the module
// itself with its error translation (module.cpp), the sound readers
// (reading.cpp), the conversion of caller arrays to samples (samples.cpp), the
// frame analysis (analysis.cpp) and the formant tracks with the reader of every
// format (tracks.cpp). Only the public API of the library is used.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <vocana/error.h>
#include <vocana/types.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vocana_python {

namespace py = pybind11;

// bind_reading, bind_analysis, bind_tracks: add their functions and types to the module.
void bind_reading(py::module_& m);
void bind_analysis(py::module_& m);
void bind_tracks(py::module_& m);

// path_bytes: a file name as the bytes the system sees: str (encoded as os.fsencode
// does), bytes, or any os.PathLike. Raises TypeError for anything else.
std::string path_bytes(py::handle path);

// message_of: the text of a library error as an exception message: the lines the vocana
// program prints for it, without the newline that ends the last one.
std::string message_of(const vocana::Error& error);

// int_argument: a Python integer (anything with __index__) as an int.
//   value  in  the argument
//   name   in  its keyword, for the message
// Raises TypeError for a non-integer (a float included), ValueError outside the 32-bit range.
int int_argument(py::handle value, const char* name);

// Samples of the caller, as the analysis reads them: a view of the caller's int16 array
// when it is one-dimensional, native and contiguous, else a converted copy.
struct SampleInput {
  py::object keep;  // the caller's array (alive while the view is used)
  std::vector<vocana::Sample> owned;
  std::span<const vocana::Sample> view;
};

// sample_input: samples from an array-like of one dimension.
//   samples  in  integer values are taken as 16-bit samples (any other value raises
//                ValueError); floating-point values on the +-1.0 scale are multiplied by
//                32768, rounded half away from zero and clipped to [-32768, 32767] (NaN
//                raises ValueError); anything else raises TypeError
// The caller's data are never written. Converting needs the GIL; the copy is made with
// the GIL released.
SampleInput sample_input(py::handle samples);

// array_from: a numpy array owning the vector's storage (no copy).
//   values  in  moved into the array's owner
//   shape   in  dimensions; their product equals values.size()
template <class T>
py::array array_from(std::vector<T>&& values, std::vector<py::ssize_t> shape,
                     py::dtype dtype = py::dtype::of<T>()) {
  auto owner = std::make_unique<std::vector<T>>(std::move(values));
  T* data = owner->data();
  py::capsule free_owner(owner.get(), [](void* p) { delete static_cast<std::vector<T>*>(p); });
  owner.release();
  return py::array(dtype, std::move(shape), data, free_owner);
}

}  // namespace vocana_python
