// vocana.read: a sound loaded as the vocana program loads it.
#include <vocana/sound.h>

#include <string>
#include <utility>

#include "binding.h"

namespace vocana_python {
namespace {

constexpr const char* READ_DOC = R"(read(path, big_endian=False)

Load a sound exactly as the vocana program loads it: a RIFF WAVE file of one
channel of 16-bit PCM, or a headerless ("raw") file of 16-bit samples.

Parameters
----------
path : str, bytes or os.PathLike
    The sound file. A file without a RIFF WAVE header is read as raw
    little-endian samples.
big_endian : bool
    Read the file as headerless big-endian samples whatever it holds (the
    program's -i).

Returns
-------
(samples, rate)
    samples: int16 array, each value as stored in the file.
    rate: the sampling frequency of the RIFF header in Hz, or None for a raw
    file (the analysis then takes 12000 Hz unless told otherwise).

Raises
------
OSError
    The file cannot be read or is refused (another format, several channels,
    a broken header); the message is the program's text for it.

A data chunk shorter than its header declares loads the whole frames present
and issues a UserWarning with the program's line.
)";

py::tuple read(py::handle path, bool big_endian) {
  const std::string name = path_bytes(path);
  vocana::Sound sound;
  {
    py::gil_scoped_release release;
    sound = vocana::load_sound(name, big_endian);
  }
  if (!sound.messages.empty()) {
    std::string text = sound.messages;
    if (text.back() == '\n') text.pop_back();
    // A warning turned into an error by the caller's filters raises it.
    if (PyErr_WarnEx(PyExc_UserWarning, text.c_str(), 1) < 0) throw py::error_already_set();
  }
  const auto size = static_cast<py::ssize_t>(sound.samples.size());
  py::object rate = py::none();
  if (sound.header_rate != -1) rate = py::int_(sound.header_rate);
  return py::make_tuple(array_from(std::move(sound.samples), {size}), rate);
}

}  // namespace

void bind_reading(py::module_& m) {
  m.def("read", &read, py::arg("path"), py::arg("big_endian") = false, READ_DOC);
}

}  // namespace vocana_python
