// The command line end to end: defaults, options, limits, conflicts and the
// settings they give, seen through the run report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_run.h"
#include "e2e/usage_text.h"

namespace e2e {
namespace {

// The value of the report line that starts with key, without the line end.
std::string report_value(const std::string& err, const std::string& key) {
  const std::size_t at = err.find("\n" + key);
  if (at == std::string::npos) return "<missing " + key + ">";
  const std::size_t begin = at + 1 + key.size();
  return err.substr(begin, err.find('\n', begin) - begin);
}

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    write_raw(dir.file("speech.raw"), noise(6000, 3000, 1));
    write_wav(dir.file("speech16k.wav"), noise(6000, 3000, 2), 16000);
  }
  RunResult vocana(std::vector<std::string> args) { return run(args, in_dir(dir.path)); }
  TempDir dir;
};

TEST_F(CommandLine, DefaultsOfARawFile) {
  const RunResult r = vocana({"speech.raw"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(report_value(r.err, "sampling frq: "), "12000 Hz");
  EXPECT_EQ(report_value(r.err, "LPC order: "), "14");
  EXPECT_EQ(report_value(r.err, "frame length: "), "256 points (21.333333 ms)");
  EXPECT_EQ(report_value(r.err, "frame rate: "), "128 points (10.666667 ms)");
  EXPECT_EQ(report_value(r.err, "analysis part: "), "0 (0.000000 ms) -- 5999 (499.916667 ms)");
  EXPECT_NE(r.err.find("outputs:\n formant frequencies: Standard Output\n---"), std::string::npos);
}

TEST_F(CommandLine, SettingsFromOptions) {
  struct Case {
    std::vector<std::string> args;
    std::string key;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {{"-n", "512"}, "frame rate: ", "256 points (21.333333 ms)"},
      {{"-n", "257"}, "frame rate: ", "128 points (10.666667 ms)"},
      {{"-n", "512", "-r", "100"}, "frame rate: ", "100 points (8.333333 ms)"},
      {{"-r", "100", "-n", "512"}, "frame rate: ", "100 points (8.333333 ms)"},
      {{"-n", "4096"}, "frame length: ", "4096 points (341.333333 ms)"},
      {{"-m", "20"}, "LPC order: ", "20"},
      {{"-m", "8", "-m", "12"}, "LPC order: ", "12"},
      {{"-m", "  +9xyz"}, "LPC order: ", "9"},
      {{"-W", "-m", "10", "-W"}, "LPC order: ", "10"},
      {{"-D", "0.05"}, "analysis part: ", "0 (0.000000 ms) -- 5999 (499.916667 ms)"},
      {{"-d", "100", "-D", "20"}, "analysis part: ", "240 (20.000000 ms) -- 5999 (499.916667 ms)"},
      {{"-D", "-1", "-d", "-1"}, "analysis part: ", "0 (0.000000 ms) -- 5999 (499.916667 ms)"},
      {{"-d", "12", "-e", "300"}, "analysis part: ", "12 (1.000000 ms) -- 300 (25.000000 ms)"},
      {{"-E", "25"}, "analysis part: ", "0 (0.000000 ms) -- 300 (25.000000 ms)"},
      {{"-s", "-1"}, "sampling frq: ", "12000 Hz"},
      {{"-s", "8000"}, "sampling frq: ", "8000 Hz"},
      {{"-t", "100", "-D", "0", "-E", "50"},
       "analysis part: ",
       "0 (0.000000 ms) -- 600 (50.000000 ms)"},
      {{"-t", "0", "-d", "0", "-e", "500"},
       "analysis part: ",
       "0 (0.000000 ms) -- 500 (41.666667 ms)"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("speech.raw");
    const RunResult r = vocana(args);
    EXPECT_EQ(r.status, 0) << c.args[0] << " " << c.args[1] << "\n" << r.err;
    EXPECT_EQ(report_value(r.err, c.key), c.expected) << c.args[0] << " " << c.args[1];
  }
}

TEST_F(CommandLine, HeaderRateAndMillisecondsAt16k) {
  RunResult r = vocana({"-D", "10", "speech16k.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(report_value(r.err, "sampling frq: "), "16000 Hz");
  EXPECT_EQ(report_value(r.err, "analysis part: "), "160 (10.000000 ms) -- 5999 (374.937500 ms)");
  EXPECT_EQ(r.err.find("Warning"), std::string::npos);

  r = vocana({"-s", "16000", "speech16k.wav"});
  EXPECT_EQ(r.err.find("Warning"), std::string::npos);

  r = vocana({"-s", "8000", "-D", "10", "speech16k.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      r.err.rfind("Warning: sampling frequency given by command line (8000 Hz) is different from "
                  "16000 Hz written in file header.\n-----",
                  0),
      0u)
      << r.err;
  EXPECT_EQ(report_value(r.err, "sampling frq: "), "8000 Hz");
  EXPECT_EQ(report_value(r.err, "analysis part: "), "80 (10.000000 ms) -- 5999 (749.875000 ms)");
}

// Runs refused before any result stream is opened: exact standard error,
// status 1, nothing on standard output, no result file.
TEST_F(CommandLine, Refusals) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::string usage = USAGE_TEXT;
  const std::vector<Case> cases = {
      {{}, usage},
      {{"speech.raw", "speech16k.wav"}, usage},
      {{"-x", "-m"},
       "vocana: invalid option -- 'x'\nvocana: option requires an argument -- 'm'\n" + usage},
      {{"-n", "4097", "speech.raw"}, "Error: maximum value of frame length: 4096\n"},
      {{"-n", "99999999999", "speech.raw"}, "Error: maximum value of frame length: 4096\n"},
      {{"-m", "21", "speech.raw"}, "Error: maximum value of LPC order: 20\n"},
      {{"-m", "4294967310", "speech.raw"}, "Error: maximum value of LPC order: 20\n"},
      {{"-t", "100", "-d", "0", "-e", "500", "speech.raw"},
       "cannot use option -t, -d and -e, simultaniously...  exit\n"},
      {{"-2", "t.txt", "-m", "10", "speech.raw"},
       "cannot use option -2 and -m, simultaniously...  exit\n"},
      {{"-n", "0", "speech.raw"}, "Error: minimum value of frame length: 1\n"},
      {{"-n", "-5", "speech.raw"}, "Error: minimum value of frame length: 1\n"},
      {{"-n", "1", "speech.raw"}, "Error: minimum value of frame rate: 1\n"},
      {{"-r", "0", "speech.raw"}, "Error: minimum value of frame rate: 1\n"},
      {{"-m", "0", "speech.raw"}, "Error: minimum value of LPC order: 1\n"},
      {{"-m", "abc", "speech.raw"}, "Error: minimum value of LPC order: 1\n"},
      {{"-n", "16", "-m", "20", "-S", "s.txt", "speech.raw"},
       "Error: LPC spectrum needs 21 points at least, frame gives 16.\n"},
      {{"-s", "0", "speech.raw"}, "Error: illegal sampling frequency: 0 Hz\n"},
      {{"-s", "-300", "speech.raw"}, "Error: illegal sampling frequency: -300 Hz\n"},
      {{"-d", "-5", "speech.raw"}, "Error: analysis starting and/or ending point is below 0.\n"},
      {{"-D", "-3", "speech.raw"}, "Error: analysis starting and/or ending point is below 0.\n"},
      {{"-E", "nan", "speech.raw"}, "Error: analysis starting and/or ending point is below 0.\n"},
      {{"-e", "6000", "speech.raw"},
       "Error: analysis staring and/or ending point exceeds end of data.\n"},
      {{"-D", "1e300", "speech.raw"},
       "Error: analysis staring and/or ending point exceeds end of data.\n"},
      {{"-d", "5800", "speech.raw"}, "speech duration is shorter than frame length.\n"},
      {{"-d", "300", "-e", "100", "speech.raw"}, "speech duration is shorter than frame length.\n"},
      {{"-t", "4000", "speech.raw"},
       "error: detect_sp_duration: forward scanning failure.\nerror at detect_sp_duration.\n"},
      {{"missing.raw"},
       "No such file or directory\ncannot open missing.raw.\nError: fail to read missing.raw.\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), {"-a", "coefs.txt"});
    const RunResult r = vocana(args);
    const std::string shown = args.size() > 2 ? args[2] : "(none)";
    EXPECT_EQ(r.status, 1) << shown;
    EXPECT_EQ(r.err, c.err) << shown;
    EXPECT_EQ(r.out, "") << shown;
    EXPECT_FALSE(file_exists(dir.file("coefs.txt"))) << shown;
    EXPECT_FALSE(file_exists(dir.file("s.txt"))) << shown;
    EXPECT_FALSE(file_exists(dir.file("t.txt"))) << shown;
  }
}

TEST_F(CommandLine, HelpActsWhenReached) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-h"}, {"-n", "4097", "-h", "speech.raw"}, {"-h", "-x"}}) {
    const RunResult r = vocana(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, std::string("vocana\n") + USAGE_TEXT);
    EXPECT_EQ(r.out, "");
  }
}

// --version and --help act only as the sole argument, on standard output; with
// anything beside them getopt reads them as before ("-" and "v" are invalid
// options, "e" takes "rsion" as its value; "h" prints the usage on standard
// error, argv[0] first).
TEST_F(CommandLine, VersionAndHelpAloneElseGetopt) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
  };
  const std::string usage = USAGE_TEXT;
  const std::string dash_v = "vocana: invalid option -- '-'\nvocana: invalid option -- 'v'\n";
  const std::vector<Case> cases = {
      {{"--version"}, 0, std::string("vocana ") + VOCANA_PROJECT_VERSION + "\n", ""},
      {{"--help"}, 0, usage, ""},
      {{"--version", "-i"}, 1, "", dash_v + usage},
      {{"--version", "speech.raw"},
       1,
       "",
       dash_v + "speech duration is shorter than frame length.\n"},
      {{"--help", "speech.raw"}, 0, "", "vocana: invalid option -- '-'\nvocana\n" + usage},
  };
  for (const Case& c : cases) {
    const RunResult r = vocana(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[0] << " " << c.args.size();
    EXPECT_EQ(r.out, c.out) << c.args[0] << " " << c.args.size();
    EXPECT_EQ(r.err, c.err) << c.args[0] << " " << c.args.size();
  }
}

TEST_F(CommandLine, MissingArgumentDrawsDiagnosticAndRunGoesOn) {
  const RunResult r = vocana({"speech.raw", "-x", "-a"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(
      r.err.rfind("vocana: invalid option -- 'x'\nvocana: option requires an argument -- 'a'\n"
                  "-----",
                  0),
      0u)
      << r.err;
}

}  // namespace
}  // namespace e2e
