// The module `vocana`: its version, the translation of the library's errors
// into Python exceptions, and the argument helpers shared by the other units.
#include <Python.h>
#include <vocana/error.h>
#include <vocana/version.h>

#include <climits>
#include <exception>
#include <string>

#include "binding.h"

namespace vocana_python {

std::string path_bytes(py::handle path) {
  py::bytes encoded = py::module_::import("os").attr("fsencode")(path);
  return std::string(encoded);
}

int int_argument(py::handle value, const char* name) {
  py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
  if (!index) throw py::error_already_set();
  int overflow = 0;
  const long long v = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
  if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow != 0 || v < INT_MIN || v > INT_MAX)
    throw py::value_error(std::string(name) + " is outside the range of a 32-bit integer");
  return static_cast<int>(v);
}

std::string message_of(const vocana::Error& error) {
  std::string text = error.what();
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

namespace {

void translate_error(std::exception_ptr thrown) {
  try {
    if (thrown) std::rethrow_exception(thrown);
  } catch (const vocana::Error& error) {
    PyObject* type = PyExc_RuntimeError;
    switch (error.kind()) {
      case vocana::ErrorKind::file:
        type = PyExc_OSError;
        break;
      case vocana::ErrorKind::settings:
        type = PyExc_ValueError;
        break;
      case vocana::ErrorKind::analysis:
        type = PyExc_RuntimeError;
        break;
    }
    PyErr_SetString(type, message_of(error).c_str());
  }
}

}  // namespace
}  // namespace vocana_python

PYBIND11_MODULE(vocana, m) {
  namespace vp = vocana_python;
  // Every docstring carries its own signature line, written like the manual page.
  pybind11::options options;
  options.disable_function_signatures();
  m.doc() =
      "Linear-prediction speech analysis: formants, bandwidths, LP coefficients, FFT and\n"
      "LPC power spectra and spectral tilts, frame by frame, as numpy arrays.\n\n"
      "read(path) loads a sound as the vocana program does; analyze(samples, rate)\n"
      "performs the program's analysis on any array of samples, on a span and frame\n"
      "settings of the caller's choice, and gives every result stream as an array.\n"
      "read_audio(path) reads any format libsndfile reads; track(samples, rate) and\n"
      "track_file(path) give the formant tracks of vocana-track as columns.\n"
      "Errors raise OSError (files), ValueError (settings and arguments) or\n"
      "RuntimeError (a failed analysis), with the text the program prints.";
  m.attr("__version__") = VOCANA_VERSION;
  pybind11::register_exception_translator(vp::translate_error);
  vp::bind_reading(m);
  vp::bind_analysis(m);
  vp::bind_tracks(m);
}
