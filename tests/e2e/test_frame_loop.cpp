// The frame loop end to end: frame positions, coefficient lines, the wave
// dump, the span, silent frames and the result files.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/e2e_run.h"

namespace e2e {
namespace {

std::vector<std::string> lines_with(const std::string& text, const std::string& marker) {
  std::vector<std::string> found;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.find(marker) != std::string::npos) found.push_back(line);
  return found;
}

// The frame starts of the lines that carry marker.
std::vector<int> frame_starts(const std::string& text, const std::string& marker) {
  std::vector<int> starts;
  for (const std::string& line : lines_with(text, marker)) starts.push_back(std::stoi(line));
  return starts;
}

class FrameLoop : public ::testing::Test {
 protected:
  RunResult vocana(std::vector<std::string> args) { return run(args, in_dir(dir.path)); }
  TempDir dir;
};

TEST_F(FrameLoop, CoefficientLinesAndFramePositions) {
  write_raw(dir.file("x.raw"), noise(1000, 5000, 5));
  const RunResult r = vocana({"x.raw", "-a", "-"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = lines_with(r.out, " a: ");
  EXPECT_EQ(frame_starts(r.out, " a: "), (std::vector<int>{0, 128, 256, 384, 512, 640}));
  const std::regex format(R"(^ +\d+ pnt +\d+\.\d\d ms a: ([+-]\d\.\d{6}e[+-]\d\d ){14}$)");
  for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, format)) << line;
  EXPECT_EQ(lines[1].substr(0, 24), "  128 pnt   10.67 ms a: ");
}

// The frame time is start / fs * 1000 rounded to single precision before it is
// printed: 22925 / 11025 * 1000 = 2079.365079... is 2079.37 as a double but
// 2079.364990... as a float.
TEST_F(FrameLoop, FrameTimeIsSinglePrecision) {
  write_wav(dir.file("x.wav"), noise(22925 + 256, 5000, 14), 11025);
  const RunResult r = vocana({"-r", "7", "x.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> last = lines_with(r.out, "22925 pnt ");
  ASSERT_EQ(last.size(), 1u) << r.out.size();
  EXPECT_EQ(last[0].substr(0, 23), "22925 pnt 2079.36 ms F:");
}

TEST_F(FrameLoop, SpanLengthGivesWholeFramesOnly) {
  write_raw(dir.file("x.raw"), noise(1000, 5000, 6));
  struct Case {
    std::string end;
    std::vector<int> starts;
  };
  for (const Case& c : std::vector<Case>{
           {"255", {0}}, {"382", {0}}, {"383", {0, 128}}, {"999", {0, 128, 256, 384, 512, 640}}}) {
    const RunResult r = vocana({"-d", "0", "-e", c.end, "-a", "-", "x.raw"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(frame_starts(r.out, " a: "), c.starts) << "end " << c.end;
  }
}

TEST_F(FrameLoop, WaveDumpCoversTheWholeSpan) {
  std::vector<std::int16_t> samples = noise(1000, 5000, 7);
  samples[0] = -32768;
  samples[1] = 32767;
  write_raw(dir.file("x.raw"), samples);
  const RunResult r = vocana({"-w", "wave.txt", "x.raw"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string expected = "#speech wave (threshold: 0)\n#time[ms] amplitude\n";
  char line[64];
  for (int i = 0; i < 1000; ++i) {
    std::snprintf(line, sizeof line, "%7.2f   %d\n", i / 12000.0 * 1000.0, samples[i]);
    expected += line;
  }
  expected += "\n";
  EXPECT_EQ(read_file(dir.file("wave.txt")), expected);
  EXPECT_NE(r.err.find("writing speech wave form to \"wave.txt\".\nanalyzing ...\n"),
            std::string::npos);
}

TEST_F(FrameLoop, DetectionFillsOnlyTheUnsetEnd) {
  std::vector<std::int16_t> samples(3000, 10);
  for (int i = 500; i < 2500; ++i) samples[i] = static_cast<std::int16_t>((i % 7) * 300 - 900);
  write_raw(dir.file("x.raw"), samples);
  RunResult r = vocana({"-t", "500", "x.raw"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("analysis part: 502 (41.833333 ms) -- 2499 (208.250000 ms)\n"),
            std::string::npos)
      << r.err;
  r = vocana({"-t", "500", "-d", "100", "x.raw"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("analysis part: 100 (8.333333 ms) -- 2499 (208.250000 ms)\n"),
            std::string::npos)
      << r.err;
  r = vocana({"-e", "2999", "x.raw"});
  EXPECT_EQ(r.status, 0);
}

TEST_F(FrameLoop, SilentFramesAreSkippedAndTheRestAnalysed) {
  std::vector<std::int16_t> samples(1000, 0);
  const std::vector<std::int16_t> speech = noise(2000, 4000, 8);
  samples.insert(samples.end(), speech.begin(), speech.end());
  write_raw(dir.file("x.raw"), samples);
  const RunResult r = vocana({"x.raw", "-a", "-"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("analyzing ...\n0 -- 255 pnt: not analyzed\n128 -- 383 pnt: not analyzed\n"
                       "256 -- 511 pnt: not analyzed\n384 -- 639 pnt: not analyzed\n"
                       "512 -- 767 pnt: not analyzed\n640 -- 895 pnt: not analyzed\n"),
            std::string::npos)
      << r.err;
  const std::vector<int> starts = frame_starts(r.out, " a: ");
  ASSERT_FALSE(starts.empty());
  EXPECT_EQ(starts.front(), 768);
  EXPECT_EQ(starts.back(), 2688);
  EXPECT_EQ(starts.size(), 16u);
}

TEST_F(FrameLoop, SlotsNamingOneFileShareOneStream) {
  write_raw(dir.file("x.raw"), noise(1000, 5000, 9));
  const RunResult r = vocana({"-a", "out.txt", "-f", "./out.txt", "x.raw"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string text = read_file(dir.file("out.txt"));
  std::istringstream in(text);
  std::vector<std::string> kinds;
  for (std::string line; std::getline(in, line);) kinds.push_back(line.substr(20, 3));
  ASSERT_EQ(kinds.size(), 12u) << text;
  for (std::size_t i = 0; i < kinds.size(); ++i) EXPECT_EQ(kinds[i], i % 2 ? " a:" : " F:") << i;
  EXPECT_EQ(r.out, "");
}

TEST_F(FrameLoop, DevStdoutSharesStandardOutput) {
  write_raw(dir.file("x.raw"), noise(1000, 5000, 10));
  RunOptions options = in_dir(dir.path);
  options.stdout_path = dir.file("captured.txt");
  const RunResult r = run({"-a", "/dev/stdout", "x.raw"}, options);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines_with(read_file(dir.file("captured.txt")), " a: ").size(), 6u);
  EXPECT_EQ(lines_with(read_file(dir.file("captured.txt")), " F:").size(), 6u);
  EXPECT_NE(r.err.find(" LP coefficients: Standard Output\n"), std::string::npos);
}

TEST_F(FrameLoop, TheInputIsNeverAResult) {
  const std::vector<std::int16_t> samples = noise(1000, 5000, 11);
  write_raw(dir.file("x.raw"), samples);
  const std::string before = read_file(dir.file("x.raw"));
  const RunResult r = vocana({"-w", "wave.txt", "-a", "./x.raw", "x.raw"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Error: result file ./x.raw is the input file.\n");
  EXPECT_EQ(read_file(dir.file("x.raw")), before);
  EXPECT_FALSE(file_exists(dir.file("wave.txt")));
}

TEST_F(FrameLoop, AFileThatCannotBeOpenedStopsAfterEarlierSlots) {
  write_raw(dir.file("x.raw"), noise(1000, 5000, 12));
  const RunResult r = vocana({"-w", "wave.txt", "-a", "no/such/folder.txt", "x.raw"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "cannot open no/such/folder.txt.\n");
  EXPECT_TRUE(file_exists(dir.file("wave.txt")));
  EXPECT_EQ(r.out, "");
}

TEST_F(FrameLoop, AFullDiskIsAnError) {
  write_raw(dir.file("x.raw"), noise(1000, 5000, 13));
  RunOptions options = in_dir(dir.path);
  options.stdout_path = "/dev/full";
  RunResult r = run({"-a", "-", "x.raw"}, options);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("analyzing ...\nError: cannot write standard output: No space left on "
                       "device\n"),
            std::string::npos)
      << r.err;
  r = vocana({"-a", "/dev/full", "x.raw"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Error: cannot write /dev/full: No space left on device\n"),
            std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace e2e
