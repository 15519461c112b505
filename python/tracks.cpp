// vocana.track, vocana.track_file: the formant tracks of vocana-track as
// columns, and vocana.read_audio, the reader of every format libsndfile reads.
#include <vocana/audio.h>
#include <vocana/track.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "binding.h"
#include "docs_tracks.h"

namespace vocana_python {
namespace {

// The result object: the table's columns as attributes, set when it is made.
struct Tracks {};

// The options shared by track and track_file.
struct TrackRequest {
  vocana::TrackSettings settings;
  int channel = 0;            // 0: the mean of all channels; 1..: that channel
  bool at_times = false;      // rows at the given times instead of every frame
  std::vector<double> times;  // [s]
};

// Raised in the progress callback when a signal handler (Ctrl-C) set a Python error.
struct Interrupted {};

double float_argument(py::handle value, const char* name) {
  if (!PyNumber_Check(value.ptr()) || py::isinstance<py::str>(value))
    throw py::type_error(std::string(name) + " must be a number");
  return py::cast<double>(py::float_(py::reinterpret_borrow<py::object>(value)));
}

int channel_argument(py::handle channel) {
  if (py::isinstance<py::str>(channel)) {
    if (py::cast<std::string>(channel) == "mix") return 0;
    throw py::value_error("channel must be \"mix\" or a channel number from 1");
  }
  const int number = int_argument(channel, "channel");
  if (number < 1) throw py::value_error("channel must be \"mix\" or a channel number from 1");
  return number;
}

// One of a few names, as the program's option takes them.
std::string name_argument(py::handle value, const char* name, const char* first,
                          const char* second) {
  const std::string text = py::isinstance<py::str>(value) ? py::cast<std::string>(value) : "";
  if (text != first && text != second)
    throw py::value_error(std::string(name) + " must be \"" + first + "\" or \"" + second + "\"");
  return text;
}

// The keywords of track and track_file, as vocana-track's options.
struct TrackKeywords {
  py::handle ceiling, formants, window, step, pre_emphasis, start, end, channel, times, method,
      window_shape;
};

TrackRequest track_request(const TrackKeywords& k) {
  const py::handle ceiling = k.ceiling, formants = k.formants, window = k.window, step = k.step,
                   pre_emphasis = k.pre_emphasis, start = k.start, end = k.end, channel = k.channel,
                   times = k.times;
  TrackRequest r;
  vocana::TrackSettings& s = r.settings;
  if (py::isinstance<py::str>(ceiling)) {
    if (py::cast<std::string>(ceiling) != "auto")
      throw py::value_error("ceiling must be a frequency in Hz or \"auto\"");
    s.auto_ceiling = true;
  } else {
    s.ceiling = float_argument(ceiling, "ceiling");
  }
  s.formants = int_argument(formants, "formants");
  s.window = float_argument(window, "window");
  s.step = float_argument(step, "step");
  s.pre_emphasis = float_argument(pre_emphasis, "pre_emphasis");
  if (!start.is_none()) s.start = float_argument(start, "start");
  if (!end.is_none()) s.end = float_argument(end, "end");
  r.channel = channel_argument(channel);
  s.method = name_argument(k.method, "method", "autocorrelation", "burg") == "burg"
                 ? vocana::LpMethod::burg
                 : vocana::LpMethod::autocorrelation;
  s.shape = name_argument(k.window_shape, "window_shape", "hamming", "gaussian") == "gaussian"
                ? vocana::WindowShape::gaussian
                : vocana::WindowShape::hamming;
  if (!times.is_none()) {
    r.at_times = true;
    auto values = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(times);
    if (!values || values.ndim() != 1)
      throw py::value_error("times must be a one-dimensional sequence of seconds");
    r.times.assign(values.data(), values.data() + values.size());
  }
  vocana::check_track_settings(s);
  return r;
}

// The tracks of one sound, without the GIL.
vocana::FormantTracks tracks_of(std::span<const double> samples, int rate, const TrackRequest& r) {
  vocana::TrackProgress check_signals = [](double) {
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) throw Interrupted{};
  };
  vocana::FormantTracks tracks = vocana::track_formants(samples, rate, r.settings, check_signals);
  if (r.at_times) tracks = vocana::tracks_at_times(tracks, r.times);
  return tracks;
}

// The columns of vocana-track's table as attributes of a Tracks object.
py::object tracks_object(vocana::FormantTracks&& t, bool ceiling_column) {
  const auto rows = static_cast<py::ssize_t>(t.time.size());
  const int n = t.formants;
  py::object result = py::cast(Tracks{});
  py::list columns;
  auto add = [&](const std::string& name, py::object values) {
    columns.append(name);
    result.attr(name.c_str()) = std::move(values);
  };
  add("time", array_from(std::move(t.time), {rows}));
  for (const char* kind : {"F", "B"}) {
    const std::vector<double>& all = kind[0] == 'F' ? t.frequency : t.bandwidth;
    for (int i = 0; i < n; ++i) {
      std::vector<double> column(static_cast<std::size_t>(rows));
      for (py::ssize_t j = 0; j < rows; ++j) column[j] = all[j * n + i];
      add(kind + std::to_string(i + 1), array_from(std::move(column), {rows}));
    }
  }
  add("intensity", array_from(std::move(t.intensity), {rows}));
  if (ceiling_column)
    add("ceiling",
        array_from(std::vector<double>(static_cast<std::size_t>(rows), t.ceiling), {rows}));
  result.attr("columns") = py::tuple(columns);
  result.attr("failed_frames") = t.failed_frames;
  return result;
}

template <class Work>
vocana::FormantTracks without_gil(Work work) {
  try {
    py::gil_scoped_release release;
    return work();
  } catch (const Interrupted&) {
    throw py::error_already_set();
  }
}

// One channel of a caller's samples on the +-1.0 scale: a view of a contiguous float64
// array of one dimension, else a converted copy.
struct ChannelInput {
  py::object keep;
  std::vector<double> owned;
  std::span<const double> view;
};

// channel_of: one channel of samples, 1-D or frames x channels (as soundfile gives them):
//   the mean of the channels (channel 0) or one of them (1..). Integer values are 16-bit
//   samples, divided by 32768; floating-point values are taken as they are.
ChannelInput channel_of(py::handle samples, int channel) {
  ChannelInput input;
  py::array values = py::array::ensure(samples);
  if (!values) throw py::error_already_set();
  const char kind = values.dtype().kind();
  if (kind != 'i' && kind != 'u' && kind != 'f')
    throw py::type_error("samples must be an integer or floating-point array");
  if (values.ndim() != 1 && values.ndim() != 2)
    throw py::value_error("samples must be one channel (1-D) or frames x channels (2-D)");
  const py::ssize_t frames = values.shape(0);
  const py::ssize_t channels = values.ndim() == 2 ? values.shape(1) : 1;
  if (channel > channels)
    throw py::value_error("channel " + std::to_string(channel) + " asked, the samples have " +
                          std::to_string(channels));
  auto all = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(values);
  if (!all) throw py::error_already_set();
  if (kind == 'f' && channels == 1) {
    input.view = std::span<const double>(all.data(), static_cast<std::size_t>(frames));
    input.keep = std::move(all);
    return input;
  }
  const double* data = all.data();
  const double scale = kind == 'f' ? 1.0 : 1.0 / 32768.0;
  bool fits = true;
  input.owned.resize(static_cast<std::size_t>(frames));
  for (py::ssize_t j = 0; j < frames; ++j) {
    const double* row = data + j * channels;
    for (py::ssize_t c = 0; c < channels && kind != 'f'; ++c)
      fits = fits && row[c] >= -32768.0 && row[c] <= 32767.0;
    if (channel > 0) {
      input.owned[j] = row[channel - 1] * scale;
    } else {
      double sum = 0.0;
      for (py::ssize_t c = 0; c < channels; ++c) sum += row[c];
      input.owned[j] = sum / static_cast<double>(channels) * scale;
    }
  }
  if (!fits) throw py::value_error("integer samples must lie in [-32768, 32767] (16-bit)");
  input.view = input.owned;
  return input;
}

py::object track(py::handle samples, py::handle rate, py::handle ceiling, py::handle formants,
                 py::handle window, py::handle step, py::handle pre_emphasis, py::handle start,
                 py::handle end, py::handle channel, py::handle times, py::handle method,
                 py::handle window_shape) {
  const TrackRequest r = track_request({ceiling, formants, window, step, pre_emphasis, start, end,
                                        channel, times, method, window_shape});
  const ChannelInput sound = channel_of(samples, r.channel);
  const int hz = int_argument(rate, "rate");
  if (hz < 1) throw py::value_error("rate must be at least 1 Hz");
  return tracks_object(without_gil([&] { return tracks_of(sound.view, hz, r); }),
                       r.settings.auto_ceiling);
}

py::object track_file(py::handle path, py::handle ceiling, py::handle formants, py::handle window,
                      py::handle step, py::handle pre_emphasis, py::handle start, py::handle end,
                      py::handle channel, py::handle times, py::handle method,
                      py::handle window_shape) {
  const TrackRequest r = track_request({ceiling, formants, window, step, pre_emphasis, start, end,
                                        channel, times, method, window_shape});
  const std::string name = path_bytes(path);
  return tracks_object(without_gil([&] {
                         const vocana::Audio audio = vocana::read_audio(name, r.channel);
                         return tracks_of(audio.samples, audio.rate, r);
                       }),
                       r.settings.auto_ceiling);
}

py::tuple read_audio(py::handle path, py::handle channel) {
  const std::string name = path_bytes(path);
  const int number = channel_argument(channel);
  vocana::Audio audio;
  {
    py::gil_scoped_release release;
    audio = vocana::read_audio(name, number);
  }
  const auto size = static_cast<py::ssize_t>(audio.samples.size());
  return py::make_tuple(array_from(std::move(audio.samples), {size}), audio.rate);
}

}  // namespace

void bind_tracks(py::module_& m) {
  py::class_<Tracks>(m, "Tracks", py::dynamic_attr(), TRACKS_DOC)
      .def("__len__", [](py::object self) { return py::len(self.attr("time")); })
      .def("__repr__",
           [](py::object self) {
             return "<vocana.Tracks: " + std::to_string(py::len(self.attr("time"))) +
                    " rows, columns " + std::string(py::str(self.attr("columns"))) + ">";
           })
      .def(
          "to_pandas",
          [](py::object self) {
            py::dict columns;
            for (py::handle name : self.attr("columns")) columns[name] = self.attr(name);
            return py::module_::import("pandas").attr("DataFrame")(columns);
          },
          TO_PANDAS_DOC);
  m.def("track", &track, py::arg("samples"), py::arg("rate"), py::kw_only(),
        py::arg("ceiling") = 5500.0, py::arg("formants") = 5, py::arg("window") = 0.025,
        py::arg("step") = 0.005, py::arg("pre_emphasis") = 50.0, py::arg("start") = py::none(),
        py::arg("end") = py::none(), py::arg("channel") = "mix", py::arg("times") = py::none(),
        py::arg("method") = "autocorrelation", py::arg("window_shape") = "hamming", TRACK_DOC);
  m.def("track_file", &track_file, py::arg("path"), py::kw_only(), py::arg("ceiling") = 5500.0,
        py::arg("formants") = 5, py::arg("window") = 0.025, py::arg("step") = 0.005,
        py::arg("pre_emphasis") = 50.0, py::arg("start") = py::none(), py::arg("end") = py::none(),
        py::arg("channel") = "mix", py::arg("times") = py::none(),
        py::arg("method") = "autocorrelation", py::arg("window_shape") = "hamming", TRACK_FILE_DOC);
  m.def("read_audio", &read_audio, py::arg("path"), py::arg("channel") = "mix", READ_AUDIO_DOC);
}

}  // namespace vocana_python
