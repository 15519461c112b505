// Whole-output checksums of long generated runs, recorded with the plain
// (unoptimised) implementation. Any change to the per-frame path must leave
// every byte of every stream unchanged; see tests/e2e/golden.md.
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
    int period;        // [samples] pitch period, 0 for noise
    double a[3][2];    // three resonators: y = x - a1 y1 - a2 y2
    int length;        // [samples]
    int silence_after; // [samples] of digital silence
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
    for (double v : x) samples.push_back(static_cast<std::int16_t>(std::lround(v / peak * 14000.0)));
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

struct GoldenRun {
  std::vector<std::string> args;
  std::vector<std::string> files;  // result files hashed in this order
  const char* expected;            // FNV-1a of stdout, stderr, then the files
};

TEST(Golden, EveryStreamUnchanged) {
  TempDir dir;
  const std::vector<std::int16_t> samples = golden_signal();
  write_wav(dir.file("g.wav"), samples, 16000);
  write_raw(dir.file("g.raw"), samples);
  const std::vector<GoldenRun> runs = {
      {{"-w", "w.txt", "-b", "b.txt", "-F", "F.txt", "-S", "S.txt", "-a", "a.txt", "g.wav"},
       {"w.txt", "b.txt", "F.txt", "S.txt", "a.txt"},
       "727a569673bed482"},
      {{"-2", "t.txt", "-b", "-", "-S", "S.txt", "-a", "-", "g.wav"}, {"t.txt", "S.txt"}, "cb906dacf8d1e4e4"},
      {{"-n", "300", "-r", "97", "-m", "20", "-s", "11025", "-F", "F.txt", "-S", "S.txt", "-a",
        "a.txt", "-f", "f.txt", "g.raw"},
       {"F.txt", "S.txt", "a.txt", "f.txt"},
       "e06f7f4ebcaf54d4"},
      {{"-m", "9", "-n", "512", "-r", "200", "-b", "-", "-a", "-", "-i", "g.raw"}, {}, "52841101d345e68f"},
  };
  for (const GoldenRun& g : runs) {
    const RunResult r = run(g.args, in_dir(dir.path));
    std::string all = std::to_string(r.status) + "\n" + r.out + "\x1f" + r.err;
    for (const std::string& f : g.files) all += "\x1f" + read_file(dir.file(f));
    EXPECT_EQ(r.status, 0) << r.err.substr(0, 2000);
    EXPECT_EQ(hex(fnv1a(all)), g.expected) << g.args[0] << " " << g.args[1];
  }
}

}  // namespace
}  // namespace e2e
