// vocana-track run as a user runs it: the table, standard input, times,
// several files with a bad one, and each refusal as one line with status 1.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "track/track_signals.h"

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class TrackCli : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vocana-track-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    const auto x = track_test::vowel(16000, 4800, 120.0, {730, 1090, 2440, 3400, 4400});
    track_test::write_sound(file("a.wav"), x, 16000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string file(const std::string& name) const { return dir_ + "/" + name; }

  // Runs vocana-track in the temporary folder; stdin from stdin_path.
  Outcome run(const std::vector<std::string>& args, const std::string& stdin_path = "/dev/null") {
    std::vector<std::string> text = {"vocana-track"};
    text.insert(text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : text) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string out = file(".out"), err = file(".err");
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      const int in = open(stdin_path.c_str(), O_RDONLY);
      const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (in < 0 || o < 0 || e < 0 || chdir(dir_.c_str()) != 0) _exit(126);
      dup2(in, 0);
      dup2(o, 1);
      dup2(e, 2);
      execv(VOCANA_TRACK_BIN, argv.data());
      _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    Outcome r;
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
  }

  std::string dir_;
};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

TEST_F(TrackCli, TableOfOneFileAndTheSameFromStandardInput) {
  const Outcome r = run({"a.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const auto rows = lines(r.out);
  EXPECT_EQ(rows[0], "time\tF1\tF2\tF3\tF4\tF5\tB1\tB2\tB3\tB4\tB5\tintensity");
  // 0.3 s, 0.05 s window, every 5 ms: 51 frames, the first centred at 25 ms.
  ASSERT_EQ(rows.size(), 52u);
  EXPECT_EQ(rows[1].substr(0, 9), "0.025000\t");
  EXPECT_EQ(rows[51].substr(0, 9), "0.275000\t");
  const Outcome piped = run({"-"}, file("a.wav"));
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, r.out);
}

// Through a pipe, which cannot seek: FLAC and AIFF too.
TEST_F(TrackCli, EveryFormatThroughAPipe) {
  const auto x = track_test::vowel(16000, 4800, 120.0, {730, 1090, 2440, 3400, 4400});
  track_test::write_sound(file("a.flac"), x, 16000, 1, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  track_test::write_sound(file("a.aiff"), x, 16000, 1, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
  const Outcome direct = run({"a.wav"});
  for (const char* name : {"a.flac", "a.aiff"}) {
    const std::string command = "cat '" + file(name) + "' | '" VOCANA_TRACK_BIN "' -";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, pipe)) > 0;)
      out.append(block, got);
    EXPECT_EQ(pclose(pipe), 0) << name;
    EXPECT_EQ(out, direct.out) << name;
  }
}

TEST_F(TrackCli, RowsAtListedTimesAndTheAutomaticCeiling) {
  std::ofstream(file("times.txt")) << "# midpoints\n0.15\n\n0.1025\n9\n";
  const Outcome r = run({"--times", "times.txt", "--format", "csv", "--formants", "3", "a.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = lines(r.out);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], "time,F1,F2,F3,B1,B2,B3,intensity");
  EXPECT_EQ(rows[1].substr(0, 9), "0.150000,");
  EXPECT_EQ(rows[2].substr(0, 9), "0.102500,");
  EXPECT_EQ(rows[3], "9.000000,NaN,NaN,NaN,NaN,NaN,NaN,NaN");  // after the sound
  const Outcome a = run({"--ceiling", "auto", "a.wav"});
  ASSERT_EQ(a.status, 0);
  EXPECT_EQ(lines(a.out)[0].substr(lines(a.out)[0].size() - 18), "\tintensity\tceiling");
  EXPECT_EQ(a.err.rfind("vocana-track: a.wav: ceiling ", 0), 0u) << a.err;
}

TEST_F(TrackCli, EachRefusalIsOneLineWithStatusOne) {
  std::ofstream(file("empty.wav")).close();
  std::ofstream(file("notes.txt")) << "text\n";
  track_test::write_sound(file("short.wav"), std::vector<double>(600, 0.1), 16000, 1,
                          SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"missing.wav"},
       "vocana-track: missing.wav: cannot open the file (No such file or directory)\n"},
      {{"empty.wav"}, "vocana-track: empty.wav: the file is empty\n"},
      {{"notes.txt"},
       "vocana-track: notes.txt: not a sound file that can be read (Format not recognised); "
       "convert it with sox, e.g. sox 'notes.txt' out.wav\n"},
      {{"short.wav"},
       "vocana-track: short.wav: 0.037 s of sound is shorter than one analysis window (0.050 s, "
       "twice --window)\n"},
      {{"--ceiling", "high", "a.wav"},
       "vocana-track: --ceiling 'high': must be 'auto' or a frequency in Hz\n"},
      {{"--formants", "12", "a.wav"}, "vocana-track: --formants 12: must be from 1 to 10\n"},
      {{"--channel", "2", "a.wav"},
       "vocana-track: a.wav: there is no channel 2; the file has 1 channel\n"},
      {{"--frobnicate", "a.wav"},
       "vocana-track: --frobnicate: unknown option (see vocana-track --help)\n"},
      {{"--times", "none.txt", "a.wav"},
       "vocana-track: none.txt: cannot open the list of times (No such file or directory)\n"},
      {{}, "vocana-track: no sound file given (see vocana-track --help)\n"},
  };
  for (const auto& [args, message] : cases) {
    const Outcome r = run(args);
    EXPECT_EQ(r.status, 1) << message;
    EXPECT_EQ(r.err, message);
    EXPECT_EQ(r.out, "") << message;
  }
}

TEST_F(TrackCli, SeveralFilesWithABadOneAnalyseTheOthersAndFail) {
  std::filesystem::copy_file(file("a.wav"), file("b.wav"));
  const Outcome r = run({"a.wav", "missing.wav", "b.wav"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "vocana-track: missing.wav: cannot open the file (No such file or directory)\n");
  const auto rows = lines(r.out);
  ASSERT_EQ(rows.size(), 1u + 2 * 51);
  EXPECT_EQ(rows[0].substr(0, 10), "file\ttime\t");
  EXPECT_EQ(rows[1].substr(0, 6), "a.wav\t");
  EXPECT_EQ(rows[52].substr(0, 6), "b.wav\t");
  EXPECT_EQ(rows[1].substr(6), rows[52].substr(6));
}

}  // namespace
