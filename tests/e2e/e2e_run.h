// Running the built vocana as a user would, with a pinned environment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct RunResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;  // everything written on standard output
  std::string err;  // everything written on standard error
};

struct RunOptions {
  std::string cwd;  // working directory of the run
  std::vector<std::string> env = {"HOSTNAME=testhost", "PWD=/data/speech"};
  std::string stdout_path;  // non-empty: standard output goes there instead
};

// in_dir: the default options, run in the folder cwd.
inline RunOptions in_dir(const std::string& cwd) {
  RunOptions options;
  options.cwd = cwd;
  return options;
}

// run: executes vocana with argv[0] "vocana" and the given arguments.
RunResult run(const std::vector<std::string>& args, const RunOptions& options);

// A fresh temporary folder, removed with its files at destruction unless kept.
struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string path;
  bool keep = false;  // true: left on disk, for a look at a failed run's files
  std::string file(const std::string& name) const { return path + "/" + name; }
};

std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
void write_bytes(const std::string& path, const std::string& bytes);

// write_wav: a mono 16-bit PCM RIFF WAVE file.
void write_wav(const std::string& path, const std::vector<std::int16_t>& samples, int rate);

// write_raw: headerless 16-bit little-endian samples.
void write_raw(const std::string& path, const std::vector<std::int16_t>& samples);

// Test signals.
// vowel: an impulse train at f0 [Hz] through two-pole resonators at the given
// formant frequencies and bandwidths [Hz], scaled to peak about 12000.
std::vector<std::int16_t> vowel(int rate, int count, double f0, const std::vector<double>& formants,
                                const std::vector<double>& bandwidths);
// noise: uniform pseudo-random samples in [-amplitude, amplitude], fixed seed.
std::vector<std::int16_t> noise(int count, int amplitude, unsigned seed);

}  // namespace e2e
