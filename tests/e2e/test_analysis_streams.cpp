// Formant, spectrum and spectral-tilt streams end to end.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/e2e_run.h"

namespace e2e {
namespace {

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The values after "F:" (or "B:") of a formant line, 8 columns each.
std::vector<double> line_values(const std::string& line) {
  std::vector<double> values;
  for (std::size_t at = 23; at + 8 <= line.size(); at += 8)
    values.push_back(std::stod(line.substr(at, 8)));
  return values;
}

class AnalysisStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    write_wav(dir.file("vowel.wav"),
              vowel(16000, 8000, 125.0, {700.0, 1200.0, 2600.0}, {60.0, 80.0, 120.0}), 16000);
  }
  RunResult vocana(std::vector<std::string> args) { return run(args, in_dir(dir.path)); }
  TempDir dir;
};

TEST_F(AnalysisStreams, FormantsFollowTheResonators) {
  const RunResult r = vocana({"vowel.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = split_lines(r.out);
  ASSERT_EQ(lines.size(), 61u);  // (8000 - 256) / 128 + 1 frames, nothing else on stdout
  for (std::size_t f = 2; f < lines.size(); ++f) {
    ASSERT_EQ(lines[f].substr(17, 6), " ms F:") << lines[f];
    const std::vector<double> values = line_values(lines[f]);
    for (double target : {700.0, 1200.0, 2600.0}) {
      bool found = false;
      for (double v : values) found = found || std::fabs(v - target) < 0.04 * target;
      EXPECT_TRUE(found) << target << " in " << lines[f];
    }
  }
  EXPECT_EQ(lines[1].substr(0, 23), "  128 pnt    8.00 ms F:");
}

TEST_F(AnalysisStreams, FrequencyAndBandwidthLinesInterleave) {
  const RunResult r = vocana({"-f", "-", "-b", "-", "-m", "2", "vowel.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = split_lines(r.out);
  ASSERT_EQ(lines.size(), 122u);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].substr(20, 3), i % 2 ? " B:" : " F:") << lines[i];
    EXPECT_LE(line_values(lines[i]).size(), 1u) << lines[i];
    EXPECT_EQ(lines[i].substr(0, 5), lines[i - i % 2].substr(0, 5));
  }
}

TEST_F(AnalysisStreams, SpectrumBlocks) {
  RunResult r = vocana({"-F", "-", "-S", "-", "-s", "12000", "-d", "0", "-e", "383", "vowel.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = split_lines(r.out);
  // Per frame: F line, FFT block (2 + 129 rows + empty line), LPC block likewise.
  ASSERT_EQ(lines.size(), 2u * (1 + 2 * 132));
  EXPECT_EQ(lines[1], "# FFT power spectrum\t    0 pnt    0.00 ms");
  EXPECT_EQ(lines[2], "# frq[Hz] power[dB]");
  EXPECT_EQ(lines[3].substr(0, 9), "0.000000 ");
  EXPECT_EQ(lines[4].substr(0, 10), "46.875000 ");
  EXPECT_EQ(lines[131].substr(0, 12), "6000.000000 ");
  EXPECT_EQ(lines[132], "");
  EXPECT_EQ(lines[133], "# LPC power spectrum\t    0 pnt    0.00 ms");
  EXPECT_EQ(lines[265].substr(0, 23), "  128 pnt   10.67 ms F:");
  EXPECT_EQ(r.err.find("CAUTION"), std::string::npos);

  r = vocana({"-n", "300", "-F", "spec.txt", "-d", "0", "-e", "449", "vowel.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  lines = split_lines(read_file(dir.file("spec.txt")));
  ASSERT_EQ(lines.size(), 2u * (2 + 257 + 1));
  EXPECT_EQ(lines[258].substr(0, 12), "8000.000000 ");
  const std::string caution =
      "CAUTION: fft_pws: number of data 300 is not power of 2.\n"
      "                  zero added to the tail of data.\n"
      "                  number of data is increased to 512 \n"
      "<<< Please check whether the caller has enough memory\n"
      "    for the number of spectral samples.>>>\n\n";
  EXPECT_NE(r.err.find("analyzing ...\n" + caution + caution), std::string::npos) << r.err;
}

TEST_F(AnalysisStreams, CriticalSecondOrderMode) {
  std::vector<std::int16_t> samples(600, 0);
  const std::vector<std::int16_t> voiced = vowel(16000, 2000, 125.0, {500.0}, {100.0});
  samples.insert(samples.end(), voiced.begin(), voiced.end());
  write_wav(dir.file("gap.wav"), samples, 16000);

  RunResult r = vocana({"-m", "10", "-2", "-", "-a", "-", "gap.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("LPC order: 2 <<< critical 2nd order analysis >>>\n"), std::string::npos);
  EXPECT_NE(r.err.find(" spectral tilts [db/oct] at 1 kHz: Standard Output\n"), std::string::npos);
  const std::string refused =
      "error: Critical2ndOrderCoefs(): illegal number of real roots.\n"
      "x[ 1].r: +0.000000e+00 x[ 1].i: +0.000000e+00\n"
      "x[ 2].r: +0.000000e+00 x[ 2].i: +0.000000e+00\n"
      "x[ 3].r: +0.000000e+00 x[ 3].i: +0.000000e+00\n";
  EXPECT_NE(r.err.find("analyzing ...\n" + refused + "0 -- 255 pnt: not analyzed\n" + refused +
                       "128 -- 383 pnt: not analyzed\n"),
            std::string::npos)
      << r.err;
  // Analysed frames: tilt line, formant line, coefficient line, in that order.
  const std::vector<std::string> lines = split_lines(r.out);
  ASSERT_EQ(lines.size() % 3, 0u);
  ASSERT_GE(lines.size(), 3u * 14);
  for (std::size_t i = 0; i < lines.size(); i += 3) {
    EXPECT_EQ(lines[i].substr(17, 6), " ms t:") << lines[i];
    EXPECT_EQ(lines[i + 1].substr(0, 17), lines[i].substr(0, 17));
    EXPECT_EQ(lines[i + 2].substr(17, 6), " ms a:");
    EXPECT_EQ(std::count(lines[i + 2].begin(), lines[i + 2].end(), 'e'), 2);
  }

  r = vocana({"-2", "tilt.txt", "-m", "2", "vowel.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(split_lines(read_file(dir.file("tilt.txt"))).size(), split_lines(r.out).size());
}

}  // namespace
}  // namespace e2e
