// vocana.analyze: the frame analysis of the vocana program on the caller's
// samples and settings, every result stream as a numpy array.
#include <vocana/analysis.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "binding.h"
#include "docs.h"

namespace vocana_python {
namespace {

constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();
constexpr long FRAMES_BETWEEN_SIGNAL_CHECKS = 256;

// The result object: read-only attributes, each an array over the frames.
struct Analysis {
  py::object start, time_ms, analyzed, formants, bandwidths, coefs, error;
  py::object frequencies = py::none(), fft = py::none(), lpc = py::none(), tilt = py::none();
  py::list messages;
};

// The columns as the frames arrive, filled without the GIL.
struct Columns {
  int order = 0;   // LP order p
  int slots = 0;   // formant columns, (p + 1) / 2
  int points = 0;  // spectrum points, 0 without spectra
  bool critical = false;
  long frames = 0;  // frames received
  std::vector<std::int64_t> start;
  std::vector<double> time_ms;
  std::vector<unsigned char> analyzed;
  std::vector<double> formants, bandwidths, coefs, error, tilt, frequencies, fft, lpc;
  std::vector<std::string> messages;
};

// Raised in the sink when a signal handler (Ctrl-C) set a Python error.
struct Interrupted {};

void add_lines(const std::string& text, std::vector<std::string>& lines) {
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find('\n', from);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(from, end - from));
    from = end;
  }
}

void add_spectrum(const std::vector<double>& power, bool present, std::vector<double>& column,
                  int points) {
  if (present)
    column.insert(column.end(), power.begin(), power.begin() + points);
  else
    column.insert(column.end(), static_cast<std::size_t>(points), NOT_A_NUMBER);
}

void add_frame(const vocana::FrameResult& frame, Columns& c) {
  const bool analyzed = frame.status == vocana::FrameStatus::analyzed;
  // A pole on the imaginary axis ends the frame after its LP model was made.
  const bool model = analyzed || frame.status == vocana::FrameStatus::imaginary_pole;
  c.start.push_back(frame.start);
  c.time_ms.push_back(frame.time_ms);
  c.analyzed.push_back(analyzed ? 1 : 0);
  for (int f = 1; f <= c.slots; ++f) {
    const bool present = analyzed && f <= frame.formant_count;
    c.formants.push_back(present ? frame.formant_freq[f] : NOT_A_NUMBER);
    c.bandwidths.push_back(present ? frame.formant_bw[f] : NOT_A_NUMBER);
  }
  for (int j = 1; j <= c.order; ++j) c.coefs.push_back(model ? frame.coefs[j] : NOT_A_NUMBER);
  c.error.push_back(model ? frame.error : NOT_A_NUMBER);
  if (c.critical) c.tilt.push_back(frame.has_tilt ? frame.tilt : NOT_A_NUMBER);
  if (c.points > 0) {
    const bool spectra = analyzed && frame.status != vocana::FrameStatus::failed;
    if (spectra && frame.spectrum_points != c.points)
      throw std::logic_error("spectrum of an unexpected length");
    if (spectra && c.frequencies.empty()) c.frequencies = frame.frequencies;
    add_spectrum(frame.fft_power, spectra, c.fft, c.points);
    add_spectrum(frame.lpc_power, spectra, c.lpc, c.points);
  }
  add_lines(frame.messages, c.messages);
  add_lines(frame.fft_messages, c.messages);
  add_lines(frame.lpc_messages, c.messages);
  if (++c.frames % FRAMES_BETWEEN_SIGNAL_CHECKS == 0) {
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) throw Interrupted{};
  }
}

// Spectrum points of a frame length: N / 2 + 1, N the length rounded up to a power of 2.
int spectrum_points(int frame_length) {
  int n = 1;
  while (n < frame_length) n *= 2;
  return n / 2 + 1;
}

Analysis result_of(Columns&& c, int rate) {
  const auto frames = static_cast<py::ssize_t>(c.start.size());
  Analysis a;
  a.start = array_from(std::move(c.start), {frames});
  a.time_ms = array_from(std::move(c.time_ms), {frames});
  a.analyzed = array_from(std::move(c.analyzed), {frames}, py::dtype("bool"));
  a.formants = array_from(std::move(c.formants), {frames, c.slots});
  a.bandwidths = array_from(std::move(c.bandwidths), {frames, c.slots});
  a.coefs = array_from(std::move(c.coefs), {frames, c.order});
  a.error = array_from(std::move(c.error), {frames});
  if (c.critical) a.tilt = array_from(std::move(c.tilt), {frames});
  if (c.points > 0) {
    if (c.frequencies.empty()) {  // no frame analysed: the same grid, i * fs / N
      const int n = 2 * (c.points - 1);
      for (int i = 0; i < c.points; ++i) c.frequencies.push_back(static_cast<double>(i) * rate / n);
    }
    c.frequencies.resize(static_cast<std::size_t>(c.points));
    a.frequencies = array_from(std::move(c.frequencies), {c.points});
    a.fft = array_from(std::move(c.fft), {frames, c.points});
    a.lpc = array_from(std::move(c.lpc), {frames, c.points});
  }
  for (const std::string& line : c.messages) a.messages.append(py::str(line));
  return a;
}

Analysis analyze(py::handle samples, py::handle rate, py::handle order, py::handle frame_length,
                 py::handle frame_rate, py::handle start, py::handle end, py::handle threshold,
                 bool critical, bool spectra, py::handle threads) {
  const SampleInput input = sample_input(samples);
  vocana::AnalysisSettings settings;
  if (!rate.is_none()) settings.sampling_frequency = int_argument(rate, "rate");
  settings.critical = critical;
  settings.lpc_order =
      order.is_none() ? (critical ? 2 : vocana::DEFAULT_LPC_ORDER) : int_argument(order, "order");
  settings.frame_length = int_argument(frame_length, "frame_length");
  // As -n alone gives: half the frame length, truncated toward zero.
  settings.frame_rate =
      frame_rate.is_none() ? settings.frame_length / 2 : int_argument(frame_rate, "frame_rate");
  if (!start.is_none()) settings.start_point = int_argument(start, "start");
  if (!end.is_none()) settings.end_point = int_argument(end, "end");
  settings.threshold = int_argument(threshold, "threshold");
  settings.fft_spectrum = spectra;
  settings.lpc_spectrum = spectra;
  settings.threads = int_argument(threads, "threads");
  if (settings.threads < 0) throw py::value_error("threads must be 0 (every core) or more");

  vocana::check_settings(settings);
  vocana::check_rate_and_points(settings);
  Columns c;
  c.order = settings.lpc_order;
  c.slots = (settings.lpc_order + 1) / 2;
  c.points = spectra ? spectrum_points(settings.frame_length) : 0;
  c.critical = critical;
  try {
    py::gil_scoped_release release;
    vocana::fix_span(input.view, settings);
    const auto frames = static_cast<std::size_t>(vocana::frame_count(settings));
    c.start.reserve(frames);
    c.time_ms.reserve(frames);
    c.analyzed.reserve(frames);
    c.formants.reserve(frames * c.slots);
    c.bandwidths.reserve(frames * c.slots);
    c.coefs.reserve(frames * c.order);
    c.error.reserve(frames);
    if (critical) c.tilt.reserve(frames);
    c.fft.reserve(frames * c.points);
    c.lpc.reserve(frames * c.points);
    vocana::analyze(input.view, settings,
                    [&c](const vocana::FrameResult& frame) { add_frame(frame, c); });
  } catch (const Interrupted&) {
    throw py::error_already_set();
  } catch (const vocana::Error& error) {
    if (error.kind() != vocana::ErrorKind::analysis || c.start.empty()) throw;
    // The frames up to the failed one (not analysed) go with the exception.
    py::object raised = py::reinterpret_borrow<py::object>(PyExc_RuntimeError)(message_of(error));
    raised.attr("analysis") = py::cast(result_of(std::move(c), settings.sampling_frequency));
    PyErr_SetObject(PyExc_RuntimeError, raised.ptr());
    throw py::error_already_set();
  }
  return result_of(std::move(c), settings.sampling_frequency);
}

}  // namespace

void bind_analysis(py::module_& m) {
  py::class_<Analysis>(m, "Analysis", ANALYSIS_DOC)
      .def_readonly("start", &Analysis::start)
      .def_readonly("time_ms", &Analysis::time_ms)
      .def_readonly("analyzed", &Analysis::analyzed)
      .def_readonly("formants", &Analysis::formants)
      .def_readonly("bandwidths", &Analysis::bandwidths)
      .def_readonly("coefs", &Analysis::coefs)
      .def_readonly("error", &Analysis::error)
      .def_readonly("frequencies", &Analysis::frequencies)
      .def_readonly("fft", &Analysis::fft)
      .def_readonly("lpc", &Analysis::lpc)
      .def_readonly("tilt", &Analysis::tilt)
      .def_readonly("messages", &Analysis::messages)
      .def("__len__", [](const Analysis& a) { return py::len(a.start); })
      .def("__repr__", [](const Analysis& a) {
        return "<vocana.Analysis: " + std::to_string(py::len(a.start)) + " frames, order " +
               std::to_string(py::len(a.coefs.attr("T"))) + ">";
      });
  m.def("analyze", &analyze, py::arg("samples"), py::arg("rate") = py::none(), py::kw_only(),
        py::arg("order") = py::none(), py::arg("frame_length") = vocana::DEFAULT_FRAME_LENGTH,
        py::arg("frame_rate") = py::none(), py::arg("start") = py::none(),
        py::arg("end") = py::none(), py::arg("threshold") = 0, py::arg("critical") = false,
        py::arg("spectra") = false, py::arg("threads") = 1, ANALYZE_DOC);
}

}  // namespace vocana_python
