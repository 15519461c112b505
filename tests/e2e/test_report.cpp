// The run report on standard error, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_run.h"

namespace e2e {
namespace {

const std::string SEPARATOR = "------------------------------------------------------------\n";

std::string report_after_working_directory(const std::string& input_line) {
  return input_line +
         "data size: 1000 points (83.333333 ms)\n"
         "sampling frq: 12000 Hz\n"
         "LPC order: 14\n"
         "frame length: 256 points (21.333333 ms)\n"
         "frame rate: 128 points (10.666667 ms)\n"
         "analysis part: 0 (0.000000 ms) -- 999 (83.250000 ms)\n"
         "outputs:\n"
         " formant frequencies: Standard Output\n"
         " LP coefficients: coefs.txt\n" +
         SEPARATOR + "\nanalyzing ...\n";
}

TEST(Report, WorkingDirectoryFromHostnameAndPwd) {
  TempDir dir;
  write_raw(dir.file("in.raw"), noise(1000, 2000, 3));
  const std::string input =
      "input file: in.raw read as \"raw (no header) little endian short (16 bits)\"\n";
  struct Case {
    std::vector<std::string> env;
    std::string line;
  };
  const std::vector<Case> cases = {
      {{"HOSTNAME=lab7", "PWD=/data/speech"}, "working directory: lab7:/data/speech\n"},
      {{"PWD=/data/speech"}, "working directory: /data/speech\n"},
      {{"HOSTNAME=lab7"}, "working directory: lab7:\n"},
      {{}, "working directory: "},
  };
  for (const Case& c : cases) {
    RunOptions options = in_dir(dir.path);
    options.env = c.env;
    const RunResult r = run({"in.raw", "-a", "coefs.txt"}, options);
    ASSERT_EQ(r.status, 0) << r.err;
    // getopt moves the operand behind the options.
    EXPECT_EQ(r.err, SEPARATOR + "command line: vocana -a coefs.txt in.raw \n" + c.line +
                         report_after_working_directory(input));
  }
}

TEST(Report, OutputsInSlotOrderAndStandardOutput) {
  TempDir dir;
  write_wav(dir.file("in.wav"), noise(1000, 2000, 4), 16000);
  const RunResult r = run({"-S", "-", "-w", "wave.txt", "-F", "spec.txt", "-f", "f.txt", "-b", "-",
                           "-a", "-", "-d", "10", "in.wav"},
                          in_dir(dir.path));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string expected =
      SEPARATOR +
      "command line: vocana -S - -w wave.txt -F spec.txt -f f.txt -b - -a - -d 10 in.wav \n"
      "working directory: testhost:/data/speech\n"
      "input file: in.wav read as \"RIFF little endian short (16 bits)\"\n"
      "data size: 1000 points (62.500000 ms)\n"
      "sampling frq: 16000 Hz\n"
      "LPC order: 14\n"
      "frame length: 256 points (16.000000 ms)\n"
      "frame rate: 128 points (8.000000 ms)\n"
      "analysis part: 10 (0.625000 ms) -- 999 (62.437500 ms)\n"
      "outputs:\n"
      " wave form (time vs amplitude): wave.txt\n"
      " formant frequencies: f.txt\n"
      " formant bandwidths: Standard Output\n"
      " FFT spectra: spec.txt\n"
      " LPC spectra: Standard Output\n"
      " LP coefficients: Standard Output\n" +
      SEPARATOR + "\nwriting speech wave form to \"wave.txt\".\nanalyzing ...\n";
  EXPECT_EQ(r.err, expected);
}

}  // namespace
}  // namespace e2e
