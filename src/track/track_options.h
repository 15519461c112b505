// Command line of vocana-track.
#pragma once

#include <vocana/track.h>

#include <string>
#include <vector>

enum class TableFormat { tsv, csv, json };

struct TrackOptions {
  vocana::TrackSettings settings;  // analysis settings, defaults as documented
  int channel = 0;                 // 0: mix of all channels; 1..: that channel
  std::string times_path;          // non-empty: rows at the times listed there
  TableFormat format = TableFormat::tsv;
  std::vector<std::string> files;  // "-": standard input
  bool help = false;
  bool version = false;
};

// parse_track_options: the options and files of a command line.
//   args  in  the arguments after the program name
// Returns the options; a file list may be empty only with --help or
// --version. Throws vocana::Error(ErrorKind::settings) with one line naming
// the option, the value and what it must be. Allocates.
TrackOptions parse_track_options(const std::vector<std::string>& args);

// read_times: the times listed in a file, one number of seconds a line
//   (blank lines and lines starting with '#' skipped).
//   path  in  file name
// Throws vocana::Error(ErrorKind::file), one line naming the file (and the
// line) and the reason. Allocates.
std::vector<double> read_times(const std::string& path);

// The text of --help.
extern const char* const TRACK_USAGE;
