// Fuzz target: the whole command line, run in-process by vocana_main().
//   Input: a sequence of tokens. Each byte picks an option letter (taking its
//   argument from the next byte: a small number, or a result name), an
//   operand, a bare number or an odd text. Result names are only "-" or fixed
//   names inside the private folder (one of them a folder, one the input);
//   operands are a fixed small WAV, the same samples raw, that folder or a
//   missing file. Standard output goes to /dev/null.
//   Oracle, besides the sanitizers: the analysed input file is never changed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "driver/vocana.h"
#include "fuzz_support.h"

// The result streams a run opens are tracked so that a run ended by a fatal
// exit (which leaves them open) gives them back: every fopen, fopencookie
// (result files) and fclose of the analyser's own code goes through these
// wrappers (-Wl,--wrap).
extern "C" std::FILE* __real_fopen(const char* path, const char* mode);
extern "C" std::FILE* __real_fopencookie(void* cookie, const char* mode,
                                         cookie_io_functions_t functions);
extern "C" int __real_fclose(std::FILE* stream);

namespace {

bool tracking = false;
std::vector<std::FILE*> open_streams;

constexpr const char* LETTERS = "smnrdeDEtiwfbFSa2hWx";  // 'x' is not an option
constexpr const char* NUMBER_LETTERS = "smnrdeDEt";
constexpr const char* NAME_LETTERS = "wfbFSa2";
constexpr int LETTER_COUNT = 20;
constexpr int TOKEN_KINDS = LETTER_COUNT + 4;  // + operand, operand, number, text
constexpr std::size_t MAX_TOKENS = 24;
constexpr std::array<const char*, 6> ODD_TEXTS = {"", "abc", "1e300", "nan", "-", "--"};
constexpr int SAMPLE_COUNT = 1600;
constexpr int SAMPLING_FREQUENCY = 16000;

struct Fixture {
  std::string wav;
  std::string raw;
  std::string wav_bytes;
  std::string raw_bytes;
  std::vector<std::string> result_names;
  std::vector<std::string> operands;
};
Fixture fixture;

void put_le(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Two damped resonances excited every 100 samples, with a little noise.
std::string sample_bytes() {
  std::string out;
  std::uint32_t noise = 12345;
  for (int i = 0; i < SAMPLE_COUNT; ++i) {
    const double t = (i % 100) / static_cast<double>(SAMPLING_FREQUENCY);
    const double v = 9000.0 * std::exp(-300.0 * t) * std::sin(2.0 * M_PI * 700.0 * t) +
                     5000.0 * std::exp(-500.0 * t) * std::sin(2.0 * M_PI * 1200.0 * t);
    noise = noise * 1103515245u + 12345u;
    const int s = static_cast<int>(v) + static_cast<int>((noise >> 16) % 64) - 32;
    put_le(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(s)), 2);
  }
  return out;
}

std::string wav_bytes(const std::string& samples) {
  std::string out = "RIFF";
  put_le(out, 36 + static_cast<std::uint32_t>(samples.size()), 4);
  out += "WAVEfmt ";
  put_le(out, 16, 4);
  put_le(out, 1, 2);  // PCM
  put_le(out, 1, 2);  // mono
  put_le(out, SAMPLING_FREQUENCY, 4);
  put_le(out, SAMPLING_FREQUENCY * 2, 4);
  put_le(out, 2, 2);
  put_le(out, 16, 2);
  out += "data";
  put_le(out, static_cast<std::uint32_t>(samples.size()), 4);
  return out + samples;
}

void write_text(const std::string& path, const std::string& bytes) {
  write_whole_file(path, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// A small number from one byte: -8..119, times 37 when the top bit is set
// (so frame lengths reach past 4096).
std::string number_text(std::uint8_t byte) {
  const int value = (byte & 0x7F) - 8;
  return std::to_string((byte & 0x80) != 0 ? value * 37 : value);
}

bool contains(const char* letters, char c) {
  for (const char* l = letters; *l != '\0'; ++l)
    if (*l == c) return true;
  return false;
}

std::vector<std::string> decode(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args = {"vocana"};
  std::size_t i = 0;
  auto next = [&]() -> int { return i < size ? data[i++] : -1; };
  while (i < size && args.size() < MAX_TOKENS) {
    const int byte = next();
    const int kind = byte % TOKEN_KINDS;
    const bool joined = (byte / TOKEN_KINDS) % 2 == 1;  // "-m4" rather than "-m" "4"
    if (kind < LETTER_COUNT) {
      const char letter = LETTERS[kind];
      std::string option = std::string("-") + letter;
      std::string argument;
      bool has_argument = false;
      if (contains(NUMBER_LETTERS, letter) || contains(NAME_LETTERS, letter)) {
        const int value = next();
        if (value >= 0) {
          has_argument = true;
          argument = contains(NUMBER_LETTERS, letter)
                         ? number_text(static_cast<std::uint8_t>(value))
                         : fixture.result_names[value % fixture.result_names.size()];
        }
      }
      if (has_argument && joined) {
        args.push_back(option + argument);
      } else {
        args.push_back(option);
        if (has_argument) args.push_back(argument);
      }
    } else if (kind < LETTER_COUNT + 2) {
      const int which = next();
      args.push_back(fixture.operands[(which < 0 ? 0 : which) % fixture.operands.size()]);
    } else if (kind == LETTER_COUNT + 2) {
      const int value = next();
      args.push_back(value < 0 ? "99999999999" : number_text(static_cast<std::uint8_t>(value)));
    } else {
      const int which = next();
      args.push_back(ODD_TEXTS[(which < 0 ? 0 : which) % ODD_TEXTS.size()]);
    }
  }
  return args;
}

}  // namespace

extern "C" std::FILE* __wrap_fopen(const char* path, const char* mode) {
  std::FILE* stream = __real_fopen(path, mode);
  if (tracking && stream != nullptr) open_streams.push_back(stream);
  return stream;
}

extern "C" std::FILE* __wrap_fopencookie(void* cookie, const char* mode,
                                         cookie_io_functions_t functions) {
  std::FILE* stream = __real_fopencookie(cookie, mode, functions);
  if (tracking && stream != nullptr) open_streams.push_back(stream);
  return stream;
}

extern "C" int __wrap_fclose(std::FILE* stream) {
  for (std::size_t s = 0; s < open_streams.size(); ++s) {
    if (open_streams[s] == stream) {
      open_streams.erase(open_streams.begin() + static_cast<std::ptrdiff_t>(s));
      break;
    }
  }
  return __real_fclose(stream);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const int null_fd = open("/dev/null", O_WRONLY);
  if (null_fd < 0 || dup2(null_fd, STDOUT_FILENO) < 0) std::abort();
  close(null_fd);

  const std::string& dir = private_folder();
  // An option that swallows the next word ("-2 -a") makes a relative result
  // name: it must land in the private folder, never where the fuzzer started.
  if (chdir(dir.c_str()) != 0) std::abort();
  fixture.raw_bytes = sample_bytes();
  fixture.wav_bytes = wav_bytes(fixture.raw_bytes);
  fixture.wav = dir + "/in.wav";
  fixture.raw = dir + "/in.raw";
  write_text(fixture.wav, fixture.wav_bytes);
  write_text(fixture.raw, fixture.raw_bytes);
  const std::string folder = dir + "/folder";
  if (mkdir(folder.c_str(), 0700) != 0) std::abort();
  fixture.result_names = {"-", dir + "/a.txt", dir + "/b.txt", folder, fixture.wav};
  fixture.operands = {fixture.wav, fixture.raw, folder, dir + "/missing.raw"};
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args = decode(data, size);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  optind = 0;  // full re-initialisation of getopt
  tracking = true;
  // Every failure, the root finder's included, returns its status: the
  // program never ends the process in the middle of a run.
  vocana_main(static_cast<int>(args.size()), argv.data());
  tracking = false;
  while (!open_streams.empty()) __wrap_fclose(open_streams.back());
  std::fflush(stdout);

  // The operand that was analysed (getopt has moved the operands to the end)
  // is never changed; a fixture file written as another run's result is
  // made again.
  const std::string input = args.size() - optind == 1 ? argv[optind] : "";
  const std::pair<const std::string*, const std::string*> fixture_files[] = {
      {&fixture.wav, &fixture.wav_bytes}, {&fixture.raw, &fixture.raw_bytes}};
  for (const auto& [path, bytes] : fixture_files) {
    if (read_whole_file(*path) == *bytes) continue;
    if (*path == input) {
      std::fprintf(stderr, "the input file %s was changed by the run\n", path->c_str());
      std::abort();
    }
    write_text(*path, *bytes);
  }
  return 0;
}
