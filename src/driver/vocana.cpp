#include "driver/vocana.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "common/fatal_exit.h"
#include "driver/result_streams.h"
#include "driver/text_format.h"
#include "input/data_io.h"
#include "input/spframe.h"
#include "lpc/formant.h"
#include "lpc/lpc_func.h"
#include "spectrum/fft_func.h"
#include "spectrum/pws_func.h"
#include "spectrum/spctilt.h"

namespace {

constexpr const char* OPTION_STRING = "s:m:n:r:d:e:D:E:t:iw:f:b:F:S:a:2:hW";

// Working arrays of the frame loop, sized once for the whole run.
constexpr int COEF_CAPACITY = MAX_LPC_ORDER + 2;
constexpr int FORMANT_CAPACITY = MAX_LPC_ORDER / 2 + 1;
constexpr int SPECTRUM_CAPACITY = MAX_FRAME_LENGTH / 2 + 1;

// Text of result lines on its way to one stream: filled by the fast
// formatting and handed to the stream whenever it runs full and at the end
// of every line group, so that streams sharing a file keep their order.
struct TextBuffer {
  static constexpr int CAPACITY = 1 << 16;
  static constexpr int RESERVE = 32 * FORMAT_MAX_CHARS;  // one whole line at the most
  std::array<char, CAPACITY> data;
  char* end = data.data();
};

void flush_text(TextBuffer& text, std::FILE* out) {
  std::fwrite(text.data.data(), 1, static_cast<std::size_t>(text.end - text.data.data()), out);
  text.end = text.data.data();
}

// Makes room for one more line.
void reserve_line(TextBuffer& text, std::FILE* out) {
  if (text.data.data() + TextBuffer::CAPACITY - text.end < TextBuffer::RESERVE) flush_text(text, out);
}

char* put_text(char* out, const char* text) {
  const std::size_t length = std::strlen(text);
  std::memcpy(out, text, length);
  return out + length;
}

// "%5ld pnt %7.2f ms <tag>"
char* put_frame_prefix(char* out, long start, double ms, const char* tag) {
  out = put_long(out, start, 5);
  out = put_text(out, " pnt ");
  out = put_fixed(out, ms, 2, 7);
  out = put_text(out, " ms ");
  return put_text(out, tag);
}

struct FrameWork {
  std::array<double, MAX_FRAME_LENGTH> frame{};
  std::array<double, MAX_FRAME_LENGTH> window{};
  std::array<double, COEF_CAPACITY> autocorrelation{};
  std::array<double, COEF_CAPACITY> reflection{};
  std::array<double, COEF_CAPACITY> coefs{};
  std::array<double, FORMANT_CAPACITY> formant_freq{};
  std::array<double, FORMANT_CAPACITY> formant_bw{};
  std::array<double, SPECTRUM_CAPACITY> spectrum_freq{};
  std::array<double, SPECTRUM_CAPACITY> spectrum_power{};
  SpectrumWork spectrum;  // transform buffers and twiddles, sized once
  TextBuffer text;
};

double points_to_ms(long points, int fs) { return static_cast<double>(points) / fs * 1000.0; }

// Applies one option of the command line to the settings.
void apply_option(int option, const char* arg, RunSettings& settings, ResultStreams& slots) {
  switch (option) {
    case 's':
      settings.requested_sampling_frequency = parse_int(arg);
      break;
    case 'm':
      settings.lpc_order = parse_int(arg);
      break;
    case 'n':
      settings.frame_length = parse_int(arg);
      if (settings.frame_rate_given == 0) settings.frame_rate = settings.frame_length / 2;
      break;
    case 'r':
      settings.frame_rate_given += 1;
      settings.frame_rate = parse_int(arg);
      break;
    case 'd':
      settings.start_point = parse_int(arg);
      break;
    case 'e':
      settings.end_point = parse_int(arg);
      break;
    case 'D':
      settings.start_ms = parse_double(arg);
      break;
    case 'E':
      settings.end_ms = parse_double(arg);
      break;
    case 't':
      settings.threshold = parse_int(arg);
      break;
    case 'i':
      settings.big_endian_raw = true;
      break;
    case 'w':
      slots[SLOT_WAVE].file_name = arg;
      break;
    case 'f':
      slots[SLOT_FORMANTS].file_name = arg;
      break;
    case 'b':
      slots[SLOT_BANDWIDTHS].file_name = arg;
      break;
    case 'F':
      slots[SLOT_FFT].file_name = arg;
      break;
    case 'S':
      slots[SLOT_LPC].file_name = arg;
      break;
    case 'a':
      slots[SLOT_COEFS].file_name = arg;
      break;
    case '2':
      settings.critical_second_order = true;
      slots[SLOT_TILT].file_name = arg;
      settings.lpc_order = 2;
      break;
    default:  // 'W', and getopt's '?' after its own diagnostic
      break;
  }
}

// The limit and conflict checks that need no sound. Returns false after the
// message of the first failing check.
bool check_settings(const RunSettings& settings, const ResultStreams& slots) {
  if (settings.frame_length > MAX_FRAME_LENGTH) {
    std::fprintf(stderr, "Error: maximum value of frame length: %d\n", MAX_FRAME_LENGTH);
    return false;
  }
  if (settings.lpc_order > MAX_LPC_ORDER) {
    std::fprintf(stderr, "Error: maximum value of LPC order: %d\n", MAX_LPC_ORDER);
    return false;
  }
  if (settings.threshold != 0 && settings.start_point != -1 && settings.end_point != -1) {
    std::fprintf(stderr, "cannot use option -t, -d and -e, simultaniously...  exit\n");
    return false;
  }
  if (settings.critical_second_order && settings.lpc_order != 2) {
    std::fprintf(stderr, "cannot use option -2 and -m, simultaniously...  exit\n");
    return false;
  }
  // Lower bounds: a frame length or rate below 1 would repeat one frame for
  // ever, an order below 1 has no recursion.
  if (settings.frame_length < 1) {
    std::fprintf(stderr, "Error: minimum value of frame length: 1\n");
    return false;
  }
  if (settings.frame_rate < 1) {
    std::fprintf(stderr, "Error: minimum value of frame rate: 1\n");
    return false;
  }
  if (settings.lpc_order < 1) {
    std::fprintf(stderr, "Error: minimum value of LPC order: 1\n");
    return false;
  }
  // The model spectrum puts the order + 1 coefficients into the transform
  // buffer of the padded frame length.
  if (slots[SLOT_LPC].file_name != nullptr) {
    int m = 0;
    is_pow_2(settings.frame_length, m);
    const int transform_length = 1 << m;
    if (transform_length < settings.lpc_order + 1) {
      std::fprintf(stderr, "Error: LPC spectrum needs %d points at least, frame gives %d.\n",
                   settings.lpc_order + 1, transform_length);
      return false;
    }
  }
  return true;
}

// Settles the sampling frequency from the header and -s, then converts the
// millisecond span options. Returns false after the message of a refusal.
bool resolve_rate_and_span(RunSettings& settings, int header_sampling_frequency) {
  const int requested = settings.requested_sampling_frequency;
  if (header_sampling_frequency != -1) {
    settings.sampling_frequency = header_sampling_frequency;
    if (requested != -1 && requested != header_sampling_frequency) {
      std::fprintf(stderr,
                   "Warning: sampling frequency given by command line (%d Hz) is different from "
                   "%d Hz written in file header.\n",
                   requested, header_sampling_frequency);
      settings.sampling_frequency = requested;
    }
  } else {
    settings.sampling_frequency = requested != -1 ? requested : DEFAULT_SAMPLING_FREQUENCY;
  }
  if (settings.sampling_frequency < 1) {
    std::fprintf(stderr, "Error: illegal sampling frequency: %d Hz\n", settings.sampling_frequency);
    return false;
  }
  if (settings.start_ms != -1.0)
    settings.start_point = ms_to_points(settings.sampling_frequency, settings.start_ms);
  if (settings.end_ms != -1.0)
    settings.end_point = ms_to_points(settings.sampling_frequency, settings.end_ms);
  if (settings.start_point < -1 || settings.end_point < -1) {
    std::fprintf(stderr, "Error: analysis starting and/or ending point is below 0.\n");
    return false;
  }
  return true;
}

// Fixes the analysed span against the data, detecting an unset end.
// Returns false after the message of a refusal; a failed detection is fatal.
bool fix_span(RunSettings& settings, const std::vector<Sample>& samples, int data_size) {
  if (settings.start_point >= data_size || settings.end_point >= data_size) {
    std::fprintf(stderr, "Error: analysis staring and/or ending point exceeds end of data.\n");
    return false;
  }
  if (settings.start_point == -1 || settings.end_point == -1) {
    int first = 0;
    int last = 0;
    if (detect_sp_duration(samples, data_size, settings.threshold, settings.frame_length, first,
                           last) <= 0) {
      fatal_message("error at detect_sp_duration.\n");
    }
    if (settings.start_point == -1) settings.start_point = first;
    if (settings.end_point == -1) settings.end_point = last;
  }
  if (settings.end_point - settings.start_point + 1 < settings.frame_length) {
    std::fprintf(stderr, "speech duration is shorter than frame length.\n");
    return false;
  }
  return true;
}

void write_wave_dump(std::FILE* out, const char* name, const RunSettings& settings,
                     const std::vector<Sample>& samples, TextBuffer& text) {
  std::fprintf(stderr, "writing speech wave form to \"%s\".\n", name);
  std::fprintf(out, "#speech wave (threshold: %d)\n", settings.threshold);
  std::fprintf(out, "#time[ms] amplitude\n");
  for (int i = settings.start_point; i <= settings.end_point; ++i) {
    reserve_line(text, out);
    char* at = put_fixed(text.end, points_to_ms(i, settings.sampling_frequency), 2, 7);
    at = put_text(at, "   ");
    at = put_long(at, samples[i], 0);
    *at++ = '\n';
    text.end = at;
  }
  *text.end++ = '\n';
  flush_text(text, out);
}

void write_not_analyzed(long start, int frame_length) {
  std::fprintf(stderr, "%ld -- %ld pnt: not analyzed\n", start, start + frame_length - 1);
}

// "# <title> power spectrum" block: header lines, one row per point, empty line.
void write_spectrum_block(std::FILE* out, const char* title, long start, double frame_time,
                          int count, FrameWork& work) {
  TextBuffer& text = work.text;
  char* at = put_text(text.end, "# ");
  at = put_text(at, title);
  at = put_text(at, " power spectrum\t");
  at = put_frame_prefix(at, start, frame_time, "");
  at = put_text(at - 1, "\n# frq[Hz] power[dB]\n");
  text.end = at;
  for (int i = 0; i < count; ++i) {
    reserve_line(text, out);
    at = put_fixed(text.end, work.spectrum_freq[i], 6, 0);
    *at++ = ' ';
    at = put_fixed(at, work.spectrum_power[i], 6, 0);
    *at++ = '\n';
    text.end = at;
  }
  *text.end++ = '\n';
  flush_text(text, out);
}

// A formant line: prefix, then "%8.1f" per value from index 1 to count.
void write_formant_line(std::FILE* out, const char* tag, long start, double ms,
                        std::span<const double> values, int count, TextBuffer& text) {
  char* at = put_frame_prefix(text.end, start, ms, tag);
  for (int f = 1; f <= count; ++f) at = put_fixed(at, values[f], 1, 8);
  *at++ = '\n';
  text.end = at;
  flush_text(text, out);
}

// Analyses every whole frame of the span and writes its result lines.
void run_frame_loop(const RunSettings& settings, const std::vector<Sample>& samples,
                    const ResultStreams& slots, FrameWork& work) {
  const int n = settings.frame_length;
  const int p = settings.lpc_order;
  const int fs = settings.sampling_frequency;
  std::FILE* const formant_out = slots[SLOT_FORMANTS].stream;
  std::FILE* const bandwidth_out = slots[SLOT_BANDWIDTHS].stream;
  std::FILE* const fft_out = slots[SLOT_FFT].stream;
  std::FILE* const lpc_out = slots[SLOT_LPC].stream;
  std::FILE* const coef_out = slots[SLOT_COEFS].stream;
  std::FILE* const tilt_out = slots[SLOT_TILT].stream;

  // The Hamming window of every frame, computed once by the same expression.
  hamming_window(n, work.window);
  for (long long next = settings.start_point; next <= settings.end_point;
       next += settings.frame_rate) {
    const int start = static_cast<int>(next);
    if (get_frame_windowed(samples, settings.end_point, start, n, work.window, work.frame) != n)
      break;
    const long pnt = start;
    const float frame_time = static_cast<float>(static_cast<double>(start) / fs * 1000.0);
    const double ms = frame_time;

    autocor(work.frame, work.autocorrelation, n, p);

    double prediction_error = 0.0;
    if (settings.critical_second_order) {
      prediction_error = Critical2ndOrderCoefs(work.autocorrelation, work.coefs, p);
      if (prediction_error < 0.0) {
        write_not_analyzed(pnt, n);
        continue;
      }
      const double tilt = spectralTilt(1000.0, work.coefs[1], fs);
      if (tilt_out != nullptr) {
        char* at = put_frame_prefix(work.text.end, pnt, ms, "t: ");
        at = put_fixed(at, tilt, 6, 0);
        *at++ = '\n';
        work.text.end = at;
        flush_text(work.text, tilt_out);
      }
    } else {
      // A frame of digital silence has no LP model.
      if (work.autocorrelation[0] == 0.0) {
        write_not_analyzed(pnt, n);
        continue;
      }
      prediction_error = durb(work.autocorrelation, work.reflection, work.coefs, p);
    }

    // Formants; a pole on the imaginary axis gives none for this frame.
    const int count = extract_formant(work.coefs, p, work.formant_freq, work.formant_bw, fs);
    if (count < 0) {
      write_not_analyzed(pnt, n);
      continue;
    }
    write_formant_line(formant_out, "F:", pnt, ms, work.formant_freq, count, work.text);
    if (bandwidth_out != nullptr)
      write_formant_line(bandwidth_out, "B:", pnt, ms, work.formant_bw, count, work.text);

    if (fft_out != nullptr) {
      const int points = fft_pws_work(std::span<const double>(work.frame.data(), n), n, fs,
                                      work.spectrum_freq, work.spectrum_power, work.spectrum);
      write_spectrum_block(fft_out, "FFT", pnt, ms, points, work);
    }
    if (lpc_out != nullptr) {
      const int points = lpc_pws_work(work.coefs, prediction_error, p, n, fs,
                                      work.spectrum_freq, work.spectrum_power, work.spectrum);
      write_spectrum_block(lpc_out, "LPC", pnt, ms, points, work);
    }

    if (coef_out != nullptr) {
      char* at = put_frame_prefix(work.text.end, pnt, ms, "a: ");
      for (int j = 1; j <= p; ++j) {
        at = put_exponent(at, work.coefs[j]);
        *at++ = ' ';
      }
      *at++ = '\n';
      work.text.end = at;
      flush_text(work.text, coef_out);
    }
  }
}

}  // namespace

void usage() {
  // clang-format off
  std::fprintf(stderr, "usage:\tvocana [options] <RIFF or raw file>\n");
  std::fprintf(stderr, "options:\n");
  std::fprintf(stderr, "\t-s <sampling frequency in Hz> (default for raw file: %d)\n", DEFAULT_SAMPLING_FREQUENCY);
  std::fprintf(stderr, "\t-m <LPC order> (default: %d)\n", DEFAULT_LPC_ORDER);
  std::fprintf(stderr, "\t-n <frame length in points> (default: %d)\n", DEFAULT_FRAME_LENGTH);
  std::fprintf(stderr, "\t-r <frame rate in points> (default: %d)\n", DEFAULT_FRAME_RATE);
  std::fprintf(stderr, "\t-d <beginning point of analysis>\n");
  std::fprintf(stderr, "\t-e <ending point of analysis>\n");
  std::fprintf(stderr, "\t-D <beginning point of analysis in msec>\n");
  std::fprintf(stderr, "\t-E <ending point of analysis in msec>\n");
  std::fprintf(stderr, "\t-t <threshold> : cut speech samples below <threshold>\n");
  std::fprintf(stderr, "\t-i             : read big-endian raw (IEEE format) file\n");
  std::fprintf(stderr, "\t-w <filename>  : write speech wave (time vs amplitude) to <filename>\n");
  std::fprintf(stderr, "\t-f <filename>  : write formant frequencies to <filename>\n");
  std::fprintf(stderr, "\t-b <filename>  : write formant bandwidths to <filename>\n");
  std::fprintf(stderr, "\t-F <filename>  : write FFT spectrum to <filename>\n");
  std::fprintf(stderr, "\t-S <filename>  : write LPC spectrum to <filename>\n");
  std::fprintf(stderr, "\t-a <filename>  : write LP coefs to <filename>\n");
  std::fprintf(stderr, "\t-2 <filename>  : critical 2nd order analysis\n");
  std::fprintf(stderr, "\t    spectral tilt [dB/oct] at 1kHz are stored in <filename>\n");
  std::fprintf(stderr, "\t-h             : print this message\n");
  // clang-format on
}

void print_conditions(std::FILE* out, char* const* argv, const RunSettings& settings,
                      const char* description, int data_size, const ResultStreams& slots) {
  const int fs = settings.sampling_frequency;
  const char* separator = "------------------------------------------------------------\n";
  std::fputs(separator, out);
  std::fputs("command line: ", out);
  for (char* const* arg = argv; *arg != nullptr; ++arg) std::fprintf(out, "%s ", *arg);
  std::fputc('\n', out);

  std::fputs("working directory: ", out);
  const char* host = std::getenv("HOSTNAME");
  const char* pwd = std::getenv("PWD");
  if (host != nullptr) std::fprintf(out, "%s:", host);
  if (pwd != nullptr) std::fprintf(out, "%s", pwd);
  if (host != nullptr || pwd != nullptr) std::fputc('\n', out);

  std::fprintf(out, "input file: %s read as \"%s\"\n", settings.input_path, description);
  std::fprintf(out, "data size: %ld points (%f ms)\n", static_cast<long>(data_size),
               points_to_ms(data_size, fs));
  std::fprintf(out, "sampling frq: %d Hz\n", fs);
  std::fprintf(out, "LPC order: %d", settings.lpc_order);
  if (settings.critical_second_order) std::fputs(" <<< critical 2nd order analysis >>>", out);
  std::fputc('\n', out);
  std::fprintf(out, "frame length: %d points (%f ms)\n", settings.frame_length,
               points_to_ms(settings.frame_length, fs));
  std::fprintf(out, "frame rate: %d points (%f ms)\n", settings.frame_rate,
               points_to_ms(settings.frame_rate, fs));
  std::fputs("analysis part: ", out);
  std::fprintf(out, "%ld (%f ms) -- ", static_cast<long>(settings.start_point),
               points_to_ms(settings.start_point, fs));
  std::fprintf(out, "%ld (%f ms)", static_cast<long>(settings.end_point),
               points_to_ms(settings.end_point, fs));
  std::fputc('\n', out);
  std::fputs("outputs:\n", out);
  for (const ResultStream& slot : slots) {
    if (slot.stream == nullptr) continue;
    if (slot.stream == stdout)
      std::fprintf(out, " %s: Standard Output\n", slot.label);
    else
      std::fprintf(out, " %s: %s\n", slot.label, slot.file_name);
  }
  std::fputs(separator, out);
}

int vocana_main(int argc, char** argv) {
  RunSettings settings;
  ResultStreams slots = default_result_streams();

  int option = 0;
  while ((option = getopt(argc, argv, OPTION_STRING)) != -1) {
    if (option == 'h') {
      std::fprintf(stderr, "%s\n", argv[0]);
      usage();
      return 0;
    }
    apply_option(option, optarg, settings, slots);
  }
  if (argc - optind != 1) {
    usage();
    return 1;
  }
  settings.input_path = argv[optind];
  if (!check_settings(settings, slots)) return 1;

  int data_size = 0;
  int header_sampling_frequency = -1;
  std::array<char, FORMAT_DESCRIPTION_SIZE> description{};
  std::optional<std::vector<Sample>> loaded = getSoundData(
      settings.input_path, settings.big_endian_raw, data_size, header_sampling_frequency,
      description);
  if (!loaded) {
    std::fprintf(stderr, "Error: fail to read %s.\n", settings.input_path);
    return 1;
  }
  const std::vector<Sample>& samples = *loaded;

  if (!resolve_rate_and_span(settings, header_sampling_frequency)) return 1;
  if (!fix_span(settings, samples, data_size)) return 1;

  if (refuse_input_as_result(slots, settings.input_path)) return 1;
  // The working arrays are zeroed once and never cleared between frames; they
  // are had before any result file is truncated.
  std::unique_ptr<FrameWork> work(new (std::nothrow) FrameWork());
  if (!work) {
    std::fputs("Error: cannot allocate working memory.\n", stderr);
    return 1;
  }
  open_result_streams(slots, settings.input_path);

  print_conditions(stderr, argv, settings, description.data(), data_size, slots);
  std::fputc('\n', stderr);

  if (slots[SLOT_WAVE].stream != nullptr) {
    write_wave_dump(slots[SLOT_WAVE].stream, slots[SLOT_WAVE].file_name, settings, samples,
                    work->text);
  }

  std::fprintf(stderr, "analyzing ...\n");
  run_frame_loop(settings, samples, slots, *work);

  return close_result_streams(slots);
}
