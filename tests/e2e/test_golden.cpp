// Checksums of every output stream of long generated runs, one per stream.
// Any change to the program or the library must leave every byte of every
// stream unchanged; tests/e2e/golden.md says how the values were recorded.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e/e2e_run.h"

namespace e2e {
namespace {

// Speech-like test signal from exact arithmetic only (no library functions),
// so it is the same on every machine: pulse trains through two-pole
// resonators with literal coefficients, noise bursts, digital silence.
std::vector<std::int16_t> golden_signal() {
  struct Segment {
    int period;         // [samples] pitch period, 0 for noise
    double a[3][2];     // three resonators: y = x - a1 y1 - a2 y2
    int length;         // [samples]
    int silence_after;  // [samples] of digital silence
  };
  const Segment segments[] = {
      {133, {{-1.8, 0.9025}, {-1.2, 0.81}, {0.3, 0.64}}, 4000, 0},
      {121, {{-1.9, 0.9216}, {-0.4, 0.7921}, {0.9, 0.6561}}, 4000, 1500},
      {145, {{-1.7, 0.8836}, {-1.0, 0.8464}, {-0.2, 0.7225}}, 4000, 0},
      {0, {{-0.5, 0.25}, {0.2, 0.49}, {0.0, 0.0}}, 2500, 700},
      {109, {{-1.85, 0.9409}, {-1.5, 0.8649}, {0.5, 0.5625}}, 4000, 0},
      {157, {{-1.95, 0.9604}, {1.1, 0.7744}, {1.6, 0.81}}, 4000, 3000},
      {127, {{-1.6, 0.8281}, {-0.8, 0.7569}, {0.1, 0.7056}}, 4000, 0},
  };
  std::vector<std::int16_t> samples;
  std::uint32_t lcg = 12345;
  for (const Segment& s : segments) {
    std::vector<double> x(s.length, 0.0);
    for (int i = 0; i < s.length; ++i) {
      if (s.period > 0) {
        x[i] = (i % s.period == 0) ? 1.0 : 0.0;
      } else {
        lcg = lcg * 1664525u + 1013904223u;
        x[i] = static_cast<double>(static_cast<std::int32_t>(lcg >> 16) - 32768) / 32768.0;
      }
    }
    for (const auto& r : s.a) {
      double y1 = 0.0, y2 = 0.0;
      for (double& v : x) {
        const double y = v - r[0] * y1 - r[1] * y2;
        y2 = y1;
        y1 = y;
        v = y;
      }
    }
    double peak = 0.0;
    for (double v : x) peak = std::max(peak, std::fabs(v));
    for (double v : x)
      samples.push_back(static_cast<std::int16_t>(std::lround(v / peak * 14000.0)));
    samples.insert(samples.end(), static_cast<std::size_t>(s.silence_after), 0);
  }
  return samples;
}

std::uint64_t fnv1a(const std::string& bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string hex(std::uint64_t h) {
  char text[32];
  std::snprintf(text, sizeof text, "%016" PRIx64, h);
  return text;
}

// One stream of a run: "stdout", "stderr" or the name of a result file, and
// the FNV-1a checksum of its bytes.
struct Stream {
  std::string name;
  const char* expected;
};

struct GoldenRun {
  std::vector<std::string> args;
  std::vector<Stream> streams;
};

std::string joined(const std::vector<std::string>& args) {
  std::string text = "vocana";
  for (const std::string& a : args) text += " " + a;
  return text;
}

// Each run in a folder of its own holding g.wav and g.raw; a run with a stream
// that differs keeps its folder, with its standard output and error beside the
// result files as vocana.stdout and vocana.stderr.
TEST(Golden, EveryStreamUnchanged) {
  const std::vector<std::int16_t> samples = golden_signal();
  // clang-format off
  const std::vector<GoldenRun> runs = {
      {{"-w", "w.txt", "-b", "b.txt", "-F", "F.txt", "-S", "S.txt", "-a", "a.txt", "g.wav"},
       {{"stdout", "7186ad36e5af2768"}, {"stderr", "b5ac621b9dd5652a"},
        {"w.txt", "e63ba509590507a9"}, {"b.txt", "dab39133d1898250"},
        {"F.txt", "795192da1d775dc8"}, {"S.txt", "24304494122d628a"},
        {"a.txt", "f3e67c2f4bc7a3b7"}}},
      {{"-2", "t.txt", "-b", "-", "-S", "S.txt", "-a", "-", "g.wav"},
       {{"stdout", "c47052b6c1204533"}, {"stderr", "a0c755079a619e34"},
        {"t.txt", "2705a53397a4406f"}, {"S.txt", "f9f1e395f6e21d60"}}},
      {{"-n", "300", "-r", "97", "-m", "20", "-s", "11025", "-F", "F.txt", "-S", "S.txt", "-a",
        "a.txt", "-f", "f.txt", "g.raw"},
       {{"stdout", "14650fb0739d0383"}, {"stderr", "259904bb8c5f0ace"},
        {"F.txt", "bbc4bcfdd5ddaea5"}, {"S.txt", "c5db7e6332a3a5fd"},
        {"a.txt", "3939700b60ede3bd"}, {"f.txt", "0315cd480ff4f49e"}}},
      {{"-m", "9", "-n", "512", "-r", "200", "-b", "-", "-a", "-", "-i", "g.raw"},
       {{"stdout", "a641a33b456c9dfc"}, {"stderr", "fba32f486cf2c16b"}}},
  };
  // clang-format on
  for (const GoldenRun& g : runs) {
    TempDir dir;
    write_wav(dir.file("g.wav"), samples, 16000);
    write_raw(dir.file("g.raw"), samples);
    const RunResult r = run(g.args, in_dir(dir.path));
    EXPECT_EQ(r.status, 0) << joined(g.args) << "\n" << r.err.substr(0, 2000);
    for (const Stream& s : g.streams) {
      const std::string bytes = s.name == "stdout"   ? r.out
                                : s.name == "stderr" ? r.err
                                                     : read_file(dir.file(s.name));
      const std::string actual = hex(fnv1a(bytes));
      if (actual != s.expected) {
        ADD_FAILURE() << joined(g.args) << ": " << s.name << " differs, checksum " << actual << " ("
                      << bytes.size() << " bytes), expected " << s.expected;
        dir.keep = true;
      }
    }
    if (dir.keep) {
      write_bytes(dir.file("vocana.stdout"), r.out);
      write_bytes(dir.file("vocana.stderr"), r.err);
      std::printf("kept the run's folder: %s\n", dir.path.c_str());
    }
  }
}

}  // namespace
}  // namespace e2e
