#include "track/track_options.h"

#include <vocana/error.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

// clang-format off
const char* const TRACK_USAGE =
"usage: vocana-track [options] FILE...\n"
"Formant tracks F1..FN of sound files (any format libsndfile reads; '-' is\n"
"standard input, a pipe too) as one table on standard output.\n"
"\n"
"  --ceiling HZ|auto    highest formant frequency sought (5500); 'auto' chooses\n"
"                       it per file between 4500 and 8000 Hz\n"
"  --formants N         number of formant tracks, 1 to 10 (5)\n"
"  --window SECONDS     window length as Praat's: the window spans twice this (0.025)\n"
"  --step SECONDS       time between frames (0.005)\n"
"  --pre-emphasis HZ    pre-emphasis from this frequency, 0 for none (50)\n"
"  --channel N|mix      channel to analyse, from 1, or the mean of all (mix)\n"
"  --start S, --end S   analyse only this span [s]\n"
"  --times FILE         one row per time listed in FILE (seconds, one a line),\n"
"                       the tracks interpolated there\n"
"  --format tsv|csv|json  table format (tsv)\n"
"  --method autocorrelation|burg  linear prediction method (autocorrelation)\n"
"  --window-shape hamming|gaussian  analysis window (hamming)\n"
"  --help, --version\n"
"\n"
"Columns: [file] time F1..FN B1..BN intensity [ceiling]; a missing value is NaN.\n";
// clang-format on

namespace {

[[noreturn]] void bad_value(const std::string& option, const std::string& value, const char* must) {
  throw vocana::Error(vocana::ErrorKind::settings, option + " '" + value + "': " + must + "\n");
}

double to_number(const std::string& option, const std::string& value, const char* must) {
  const char* text = value.c_str();
  char* end = nullptr;
  errno = 0;
  const double x = std::strtod(text, &end);
  if (value.empty() || *end != '\0' || errno != 0 || !std::isfinite(x))
    bad_value(option, value, must);
  return x;
}

int to_int(const std::string& option, const std::string& value, const char* must) {
  const double x = to_number(option, value, must);
  if (x != std::floor(x) || std::fabs(x) > 1e6) bad_value(option, value, must);
  return static_cast<int>(x);
}

}  // namespace

TrackOptions parse_track_options(const std::vector<std::string>& args) {
  TrackOptions o;
  vocana::TrackSettings& s = o.settings;
  bool only_files = false;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    if (only_files || arg == "-" || arg.rfind("--", 0) != 0) {
      o.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_files = true;
      continue;
    }
    if (arg == "--help") {
      o.help = true;
      continue;
    }
    if (arg == "--version") {
      o.version = true;
      continue;
    }
    // --name VALUE or --name=VALUE
    std::string name = arg;
    std::string value;
    const std::size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    } else if (k + 1 < args.size()) {
      value = args[++k];
    } else {
      throw vocana::Error(vocana::ErrorKind::settings,
                          arg + ": needs a value (see vocana-track --help)\n");
    }
    if (name == "--ceiling") {
      s.auto_ceiling = value == "auto";
      if (!s.auto_ceiling)
        s.ceiling = to_number(name, value, "must be 'auto' or a frequency in Hz");
    } else if (name == "--formants") {
      s.formants = to_int(name, value, "must be a whole number from 1 to 10");
    } else if (name == "--window") {
      s.window = to_number(name, value, "must be a duration in seconds");
    } else if (name == "--step") {
      s.step = to_number(name, value, "must be a duration in seconds");
    } else if (name == "--pre-emphasis") {
      s.pre_emphasis = to_number(name, value, "must be 0 (none) or a frequency in Hz");
    } else if (name == "--start") {
      s.start = to_number(name, value, "must be a time in seconds");
    } else if (name == "--end") {
      s.end = to_number(name, value, "must be a time in seconds");
      if (s.end < 0.0) bad_value(name, value, "must be a time in seconds");
    } else if (name == "--channel") {
      o.channel =
          value == "mix" ? 0 : to_int(name, value, "must be 'mix' or a channel number from 1");
      if (o.channel < 0 || (o.channel == 0 && value != "mix"))
        bad_value(name, value, "must be 'mix' or a channel number from 1");
    } else if (name == "--times") {
      o.times_path = value;
    } else if (name == "--format") {
      if (value == "tsv")
        o.format = TableFormat::tsv;
      else if (value == "csv")
        o.format = TableFormat::csv;
      else if (value == "json")
        o.format = TableFormat::json;
      else
        bad_value(name, value, "must be tsv, csv or json");
    } else if (name == "--method") {
      if (value == "burg")
        s.method = vocana::LpMethod::burg;
      else if (value == "autocorrelation")
        s.method = vocana::LpMethod::autocorrelation;
      else
        bad_value(name, value, "must be burg or autocorrelation");
    } else if (name == "--window-shape") {
      if (value == "gaussian")
        s.shape = vocana::WindowShape::gaussian;
      else if (value == "hamming")
        s.shape = vocana::WindowShape::hamming;
      else
        bad_value(name, value, "must be gaussian or hamming");
    } else {
      throw vocana::Error(vocana::ErrorKind::settings,
                          name + ": unknown option (see vocana-track --help)\n");
    }
  }
  if (!o.help && !o.version) {
    vocana::check_track_settings(s);
    if (o.files.empty())
      throw vocana::Error(vocana::ErrorKind::settings,
                          "no sound file given (see vocana-track --help)\n");
  }
  return o;
}

std::vector<double> read_times(const std::string& path) {
  std::ifstream in(path);
  if (!in)
    throw vocana::Error(vocana::ErrorKind::file,
                        path + ": cannot open the list of times (" + std::strerror(errno) + ")\n");
  std::vector<double> times;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    const std::size_t last = line.find_last_not_of(" \t\r");
    const std::string text = line.substr(first, last - first + 1);
    char* end = nullptr;
    const double t = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(t))
      throw vocana::Error(vocana::ErrorKind::file, path + ": line " + std::to_string(number) +
                                                       ": '" + text +
                                                       "' is not a time in seconds\n");
    times.push_back(t);
  }
  return times;
}
