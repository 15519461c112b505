// vocana-track: formant tracks of sound files as one table. A thin program
// over the library's public API: options, the table and the messages.
#include <unistd.h>
#include <vocana/audio.h>
#include <vocana/error.h>
#include <vocana/track.h>
#include <vocana/version.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "track/track_options.h"
#include "track/track_table.h"

namespace {

// Sounds longer than this get a progress bar on a terminal [s].
constexpr double PROGRESS_MIN_SECONDS = 60.0;
constexpr int PROGRESS_WIDTH = 40;

// Every message line goes out with the program's name in front.
void message(const std::string& text) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size() - 1;
    out += "vocana-track: " + text.substr(at, end - at + 1);
    at = end + 1;
  }
  if (!out.empty() && out.back() != '\n') out += '\n';
  std::fputs(out.c_str(), stderr);
}

void draw_progress(double done) {
  const int filled = static_cast<int>(done * PROGRESS_WIDTH);
  std::fprintf(stderr, "\r[%-*.*s] %3d%%", PROGRESS_WIDTH, filled,
               "########################################", static_cast<int>(done * 100.0));
  if (done >= 1.0) std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
}

// Analyses one file into tracks; false (the message written) on failure.
bool analyse_file(const TrackOptions& o, const std::vector<double>& times, const std::string& file,
                  vocana::FormantTracks& tracks) {
  vocana::Audio audio;
  try {
    audio = vocana::read_audio(file, o.channel);
  } catch (const vocana::Error& e) {
    message(e.what());
    return false;
  }
  const double seconds = static_cast<double>(audio.samples.size()) / audio.rate;
  vocana::TrackProgress progress;
  if (isatty(STDERR_FILENO) && seconds > PROGRESS_MIN_SECONDS) progress = draw_progress;
  try {
    tracks = vocana::track_formants(audio.samples, audio.rate, o.settings, progress);
  } catch (const vocana::Error& e) {
    message(file + ": " + e.what());
    return false;
  }
  if (tracks.failed_frames > 0)
    message(file + ": the root finder failed in " + std::to_string(tracks.failed_frames) +
            " frame" + (tracks.failed_frames == 1 ? "" : "s") + "; their formants are NaN\n");
  if (o.settings.auto_ceiling)
    message(file + ": ceiling " + std::to_string(static_cast<long>(tracks.ceiling)) + " Hz\n");
  if (!o.times_path.empty()) tracks = vocana::tracks_at_times(tracks, times);
  return true;
}

int run(const std::vector<std::string>& args) {
  TrackOptions o;
  std::vector<double> times;
  try {
    o = parse_track_options(args);
    if (o.help) {
      std::fputs(TRACK_USAGE, stdout);
      return 0;
    }
    if (o.version) {
      std::printf("vocana-track %s\n", VOCANA_VERSION);
      return 0;
    }
    if (!o.times_path.empty()) times = read_times(o.times_path);
  } catch (const vocana::Error& e) {
    message(e.what());
    return 1;
  }

  TableLayout layout;
  layout.format = o.format;
  layout.formants = o.settings.formants;
  layout.file_column = o.files.size() > 1;
  layout.ceiling_column = o.settings.auto_ceiling;
  int status = 0;
  bool started = false;
  bool first = true;
  for (const std::string& file : o.files) {
    vocana::FormantTracks tracks;
    if (!analyse_file(o, times, file, tracks)) {
      status = 1;
      continue;
    }
    if (!started) {
      write_table_start(stdout, layout);
      started = true;
    }
    write_table_file(stdout, layout, first, o, file, tracks);
    first = false;
  }
  if (started) write_table_end(stdout, layout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    message(std::string("writing the table failed (") + std::strerror(errno) + ")\n");
    return 1;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return run(args);
}
