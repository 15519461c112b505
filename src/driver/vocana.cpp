#include "driver/vocana.h"

#include <unistd.h>
#include <vocana/analysis.h>
#include <vocana/error.h>
#include <vocana/sound.h>
#include <vocana/version.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "driver/line_writers.h"
#include "driver/result_streams.h"

namespace {

constexpr const char* OPTION_STRING = "s:m:n:r:d:e:D:E:t:iw:f:b:F:S:a:2:hW";

// A result file could not be opened (its line is written).
struct ResultFilesRefused {};

// The streams a frame's results go to, and the text buffer of their lines.
struct FrameOutput {
  const ResultStreams* slots = nullptr;
  int lpc_order = 0;
  TextBuffer text;  // points into itself: made in place, never copied
};

// Writes one frame's lines in the order the analysis makes them: the tilt,
// the frame's messages, then formants, bandwidths, spectra and coefficients.
void write_frame(const vocana::FrameResult& frame, FrameOutput& out) {
  const ResultStreams& slots = *out.slots;
  if (frame.has_tilt && slots[SLOT_TILT].stream != nullptr)
    write_tilt_line(slots[SLOT_TILT].stream, frame, out.text);
  if (!frame.messages.empty()) std::fputs(frame.messages.c_str(), stderr);
  if (frame.status != vocana::FrameStatus::analyzed) return;
  write_formant_line(slots[SLOT_FORMANTS].stream, "F:", frame, frame.formant_freq,
                     frame.formant_count, out.text);
  if (slots[SLOT_BANDWIDTHS].stream != nullptr) {
    write_formant_line(slots[SLOT_BANDWIDTHS].stream, "B:", frame, frame.formant_bw,
                       frame.formant_count, out.text);
  }
  if (slots[SLOT_FFT].stream != nullptr) {
    if (!frame.fft_messages.empty()) std::fputs(frame.fft_messages.c_str(), stderr);
    write_spectrum_block(slots[SLOT_FFT].stream, "FFT", frame, frame.frequencies, frame.fft_power,
                         out.text);
  }
  if (slots[SLOT_LPC].stream != nullptr) {
    if (!frame.lpc_messages.empty()) std::fputs(frame.lpc_messages.c_str(), stderr);
    write_spectrum_block(slots[SLOT_LPC].stream, "LPC", frame, frame.frequencies, frame.lpc_power,
                         out.text);
  }
  if (slots[SLOT_COEFS].stream != nullptr)
    write_coef_line(slots[SLOT_COEFS].stream, frame, out.lpc_order, out.text);
}

// vocana --version and vocana --help, each the only argument.
bool long_option(int argc, char** argv, int& status) {
  if (argc != 2) return false;
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("vocana %s\n", VOCANA_VERSION);
  } else if (std::strcmp(argv[1], "--help") == 0) {
    std::fflush(stderr);
    usage(stdout);
  } else {
    return false;
  }
  status = std::fflush(stdout) == 0 ? 0 : 1;
  return true;
}

}  // namespace

void usage(std::FILE* out) {
  // clang-format off
  std::fprintf(out, "usage:\tvocana [options] <RIFF or raw file>\n");
  std::fprintf(out, "options:\n");
  std::fprintf(out, "\t-s <sampling frequency in Hz> (default for raw file: %d)\n", vocana::DEFAULT_SAMPLING_FREQUENCY);
  std::fprintf(out, "\t-m <LPC order> (default: %d)\n", vocana::DEFAULT_LPC_ORDER);
  std::fprintf(out, "\t-n <frame length in points> (default: %d)\n", vocana::DEFAULT_FRAME_LENGTH);
  std::fprintf(out, "\t-r <frame rate in points> (default: %d)\n", vocana::DEFAULT_FRAME_RATE);
  std::fprintf(out, "\t-d <beginning point of analysis>\n");
  std::fprintf(out, "\t-e <ending point of analysis>\n");
  std::fprintf(out, "\t-D <beginning point of analysis in msec>\n");
  std::fprintf(out, "\t-E <ending point of analysis in msec>\n");
  std::fprintf(out, "\t-t <threshold> : cut speech samples below <threshold>\n");
  std::fprintf(out, "\t-i             : read big-endian raw (IEEE format) file\n");
  std::fprintf(out, "\t-w <filename>  : write speech wave (time vs amplitude) to <filename>\n");
  std::fprintf(out, "\t-f <filename>  : write formant frequencies to <filename>\n");
  std::fprintf(out, "\t-b <filename>  : write formant bandwidths to <filename>\n");
  std::fprintf(out, "\t-F <filename>  : write FFT spectrum to <filename>\n");
  std::fprintf(out, "\t-S <filename>  : write LPC spectrum to <filename>\n");
  std::fprintf(out, "\t-a <filename>  : write LP coefs to <filename>\n");
  std::fprintf(out, "\t-2 <filename>  : critical 2nd order analysis\n");
  std::fprintf(out, "\t    spectral tilt [dB/oct] at 1kHz are stored in <filename>\n");
  std::fprintf(out, "\t-h             : print this message\n");
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
  int status = 0;
  if (long_option(argc, argv, status)) return status;

  RunSettings settings;
  ResultStreams slots = default_result_streams();

  int option = 0;
  while ((option = getopt(argc, argv, OPTION_STRING)) != -1) {
    if (option == 'h') {
      std::fprintf(stderr, "%s\n", argv[0]);
      usage(stderr);
      return 0;
    }
    apply_option(option, optarg, settings, slots);
  }
  if (argc - optind != 1) {
    usage(stderr);
    return 1;
  }
  settings.input_path = argv[optind];
  try {
    vocana::check_settings(analysis_settings(settings, slots));
    const vocana::Sound sound = vocana::load_sound(settings.input_path, settings.big_endian_raw);
    if (!sound.messages.empty()) std::fputs(sound.messages.c_str(), stderr);
    if (!resolve_rate_and_span(settings, sound.header_rate)) return 1;
    vocana::AnalysisSettings analysis = analysis_settings(settings, slots);
    analysis.threads = thread_count(std::getenv("VOCANA_THREADS"), vocana::available_threads());
    vocana::check_rate_and_points(analysis);
    vocana::fix_span(sound.samples, analysis);
    settings.start_point = analysis.start_point;
    settings.end_point = analysis.end_point;

    if (refuse_input_as_result(slots, settings.input_path)) return 1;
    auto output = std::make_unique<FrameOutput>();
    output->slots = &slots;
    output->lpc_order = settings.lpc_order;
    // The result files are opened once the analysis has its working memory,
    // so that want of memory leaves them untouched.
    const auto start_run = [&]() {
      // Unwinds the analysis, which joins its threads, before the run ends.
      if (!open_result_streams(slots, settings.input_path)) throw ResultFilesRefused{};
      print_conditions(stderr, argv, settings, sound.description.c_str(),
                       static_cast<int>(sound.samples.size()), slots);
      std::fputc('\n', stderr);
      if (slots[SLOT_WAVE].stream != nullptr) {
        std::fprintf(stderr, "writing speech wave form to \"%s\".\n", slots[SLOT_WAVE].file_name);
        write_wave_dump(slots[SLOT_WAVE].stream, sound.samples, settings.start_point,
                        settings.end_point, settings.threshold, settings.sampling_frequency,
                        output->text);
      }
      std::fprintf(stderr, "analyzing ...\n");
    };
    vocana::analyze(
        sound.samples, analysis,
        [&output](const vocana::FrameResult& frame) { write_frame(frame, *output); }, start_run);
  } catch (const vocana::Error& error) {
    std::fputs(error.what(), stderr);
    return 1;
  } catch (const std::bad_alloc&) {
    std::fputs("Error: cannot allocate working memory.\n", stderr);
    return 1;
  } catch (const ResultFilesRefused&) {
    return 1;  // after the refusal's line
  }
  return close_result_streams(slots);
}
