#include "e2e/e2e_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "support/riff_writer.h"

namespace e2e {

namespace {

std::string slurp_fd_file(const std::string& path) { return read_file(path); }

}  // namespace

RunResult run(const std::vector<std::string>& args, const RunOptions& options) {
  TempDir capture;
  const std::string out_path =
      options.stdout_path.empty() ? capture.file("stdout") : options.stdout_path;
  const std::string err_path = capture.file("stderr");

  std::vector<std::string> argv_text = {"vocana"};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_text = options.env;
  // The thread count of the frame loop passes through the pinned environment,
  // so that the suite runs with any count (the output must not change).
  const char* threads = std::getenv("VOCANA_THREADS");
  if (threads != nullptr) env_text.push_back(std::string("VOCANA_THREADS=") + threads);
  std::vector<char*> envp;
  for (std::string& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);

  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) _exit(126);
    execve(VOCANA_BIN, argv.data(), envp.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  RunResult result;
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  if (options.stdout_path.empty()) result.out = slurp_fd_file(out_path);
  result.err = slurp_fd_file(err_path);
  return result;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vocana-e2e-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

TempDir::~TempDir() {
  if (keep) return;
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool file_exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void write_wav(const std::string& path, const std::vector<std::int16_t>& samples, int rate) {
  write_bytes(path, riff::mono16_wav(samples, static_cast<std::uint32_t>(rate)));
}

void write_raw(const std::string& path, const std::vector<std::int16_t>& samples) {
  write_bytes(path, riff::pcm16(samples));
}

std::vector<std::int16_t> vowel(int rate, int count, double f0, const std::vector<double>& formants,
                                const std::vector<double>& bandwidths) {
  std::vector<double> signal(count, 0.0);
  const int period = static_cast<int>(std::lround(rate / f0));
  for (int i = 0; i < count; i += period) signal[i] = 1.0;
  for (std::size_t k = 0; k < formants.size(); ++k) {
    const double radius = std::exp(-M_PI * bandwidths[k] / rate);
    const double angle = 2.0 * M_PI * formants[k] / rate;
    const double a1 = -2.0 * radius * std::cos(angle);
    const double a2 = radius * radius;
    double y1 = 0.0;
    double y2 = 0.0;
    for (double& v : signal) {
      const double y = v - a1 * y1 - a2 * y2;
      y2 = y1;
      y1 = y;
      v = y;
    }
  }
  double peak = 0.0;
  for (double v : signal) peak = std::max(peak, std::fabs(v));
  std::vector<std::int16_t> samples(count);
  for (int i = 0; i < count; ++i)
    samples[i] = static_cast<std::int16_t>(std::lround(signal[i] / peak * 12000.0));
  return samples;
}

std::vector<std::int16_t> noise(int count, int amplitude, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<int> value(-amplitude, amplitude);
  std::vector<std::int16_t> samples(count);
  for (std::int16_t& s : samples) s = static_cast<std::int16_t>(value(generator));
  return samples;
}

}  // namespace e2e
