// What users feed vocana from their corpus folders: broken, odd or foreign
// files and odd command lines. Each case gets a correct analysis or a clear
// error and status 1, never a crash or a hang (every case is a test of its
// own, so the test timeout catches a hang), and no result file is created or
// changed before the point at which the result streams are opened.
// Cases already checked exactly in test_command_line.cpp and
// test_frame_loop.cpp (option limits, a missing file, a missing output folder,
// shared result files, the input as a result, /dev/full) are not repeated.
// Then a fatal exit in the middle of the frame loop, and what the shell can do
// to a run: closed or shared standard streams, resource limits, a result name
// that changes while the run starts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_run.h"
#include "support/riff_writer.h"

namespace e2e {
namespace {

using namespace std::string_literals;

const std::string SEPARATOR = "------------------------------------------------------------";
const std::string NOT_RIFF_NOR_RAW =
    "error: getSoundData(): data format (RIFF) is not RIFF nor RAW";
const std::string SHORT_READ = "error: getdata: size of read data is smaller than file size.";
const std::string LIST_BROKEN = "error: getSoundData(): broken LIST chunk in the RIFF header.";
const std::string FEWER_THAN_HEADER =
    "error: getSoundData(): number of read data is not same as in header.";

std::string be32(std::uint32_t value) {
  std::string out;
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return out;
}

// Bytes of noise samples, little-endian.
std::string sample_bytes(int count) { return riff::pcm16(noise(count, 4000, 21)); }

// The fields of a RIFF WAVE file that the cases vary.
struct Wav {
  std::string riff_id = "RIFF";
  std::uint32_t riff_size = 0;  // 0: the true size
  int format_tag = 1;
  int channels = 1;
  std::uint32_t rate = 16000;
  int bits = 16;
  std::uint32_t fmt_size = 16;
  std::string chunk_before_fmt;     // a whole chunk placed before "fmt "
  std::int64_t data_declared = -1;  // -1: the bytes present
  int data_bytes = 6000;
  std::string after_data;  // bytes after the "data" chunk, inside the RIFF size
};

std::string wav_bytes(const Wav& w) {
  return riff::riff_wave(
      w.chunk_before_fmt +
          riff::chunk("fmt ", riff::fmt_body(w.format_tag, w.channels, w.rate, w.bits),
                      w.fmt_size) +
          riff::chunk("data", sample_bytes(w.data_bytes / 2), w.data_declared) + w.after_data,
      w.riff_id, w.riff_size != 0 ? std::int64_t{w.riff_size} : -1);
}

void make_wav(const TempDir& dir, const Wav& w) { write_bytes(dir.file("in.wav"), wav_bytes(w)); }

// What a case may do to the result files of the run. Every run also gets
// "-a new.txt -b keep.txt", keep.txt holding "keep\n" beforehand.
enum class Results {
  kUntouched,  // refused before the streams are opened: new.txt absent, keep.txt as it was
  kWritten,    // analysed: both hold result lines
  kTruncated,  // a later slot cannot be opened: keep.txt (slot 2) truncated, nothing written
};

struct Case {
  const char* name;
  void (*make)(const TempDir& dir);  // writes the case's files into the run's folder
  std::vector<std::string> args;     // after "-a new.txt -b keep.txt"
  int status;
  std::string first_line;  // of standard error, without its line end
  Results results;
  bool skip_as_root = false;  // root reads any file
};

void none(const TempDir&) {}
void raw_input(const TempDir& dir) { write_bytes(dir.file("in.raw"), sample_bytes(3000)); }

const std::string LONG_NAME(300, 'n');
std::string long_path() {
  std::string path;
  for (int i = 0; i < 2100; ++i) path += "d/";
  return path + "x";
}

// clang-format off
const std::vector<Case> CASES = {
  // Files that are not sound files at all.
  {"EmptyFile", [](const TempDir& d) { write_bytes(d.file("in"), ""); }, {"in"}, 1,
   "error: getdata: size of in is 0.", Results::kUntouched},
  {"OneByte", [](const TempDir& d) { write_bytes(d.file("in"), "x"); }, {"in"}, 1,
   SHORT_READ, Results::kUntouched},
  {"ThreeBytes", [](const TempDir& d) { write_bytes(d.file("in"), "RIF"); }, {"in"}, 1,
   SHORT_READ, Results::kUntouched},
  {"OddSizeRaw", [](const TempDir& d) { write_bytes(d.file("in"), sample_bytes(500) + "z"); },
   {"in"}, 1, SHORT_READ, Results::kUntouched},
  {"TextOddSize", [](const TempDir& d) { write_bytes(d.file("in.txt"), "not a sound file\n"); },
   {"in.txt"}, 1, SHORT_READ, Results::kUntouched},
  {"Directory", [](const TempDir& d) { mkdir(d.file("folder").c_str(), 0700); }, {"folder"}, 1,
   "Is a directory", Results::kUntouched},
  {"DevNull", none, {"/dev/null"}, 1, "error: getdata: size of /dev/null is 0.",
   Results::kUntouched},
  {"Fifo", [](const TempDir& d) { mkfifo(d.file("fifo").c_str(), 0600); }, {"fifo"}, 1,
   "error: getdata: size of fifo is 0.", Results::kUntouched},
  {"OverLongName", none, {LONG_NAME}, 1, "File name too long", Results::kUntouched},
  {"OverLongPath", none, {long_path()}, 1, "File name too long", Results::kUntouched},
  {"Unreadable", [](const TempDir& d) { raw_input(d); chmod(d.file("in.raw").c_str(), 0); },
   {"in.raw"}, 1, "Permission denied", Results::kUntouched, true},

  // Headerless data that happens to look like something else is raw samples.
  {"TextEvenSize", [](const TempDir& d) {
     std::string text;
     while (text.size() < 4000) text += "Plain text, not a sound: read as samples all the same.\n";
     write_bytes(d.file("in.txt"), text.substr(0, 4000)); },
   {"in.txt"}, 0, SEPARATOR, Results::kWritten},
  {"Mp3FrameSync", [](const TempDir& d) {
     write_bytes(d.file("in.mp3"), "\xFF\xFB\x90\x64" + sample_bytes(3000)); },
   {"in.mp3"}, 0, SEPARATOR, Results::kWritten},

  // RIFF WAVE files with broken headers.
  {"WavZeroChannels", [](const TempDir& d) { Wav w; w.channels = 0; make_wav(d, w); },
   {"in.wav"}, 1, "Channel count is zero.", Results::kUntouched},
  {"WavZeroHz", [](const TempDir& d) { Wav w; w.rate = 0; make_wav(d, w); },
   {"in.wav"}, 1, "Internal error : SF_INFO struct incomplete.", Results::kUntouched},
  {"WavAbsurdChunkSize", [](const TempDir& d) {
     Wav w; w.chunk_before_fmt = "junk" + riff::le32(0xFFFFFFF0u) + "abcd"; make_wav(d, w); },
   {"in.wav"}, 1, "Error in WAV file. No 'data' chunk marker.", Results::kUntouched},
  {"WavAbsurdFmtSize", [](const TempDir& d) { Wav w; w.fmt_size = 0xFFFFFFFFu; make_wav(d, w); },
   {"in.wav"}, 1, "Error in WAV/W64/RF64 file. Short 'fmt ' chunk.", Results::kUntouched},
  {"WavAbsurdRiffSize", [](const TempDir& d) { Wav w; w.riff_size = 0xFFFFFFFFu; make_wav(d, w); },
   {"in.wav"}, 0, SEPARATOR, Results::kWritten},
  {"WavDataClaimsMore", [](const TempDir& d) {
     Wav w; w.data_declared = 0xFFFFFFFFu; make_wav(d, w); },
   {"in.wav"}, 0, FEWER_THAN_HEADER, Results::kWritten},
  // Found by fuzz_loader: the sound file library looped for ever over the
  // first (a sub-chunk size of 2^32 - 4097 sends it backwards).
  {"WavListSubChunkPastEnd", [](const TempDir& d) {
     std::string list = std::string(84, '\xFF') + "\xEF" + std::string(31, '\xFF') + "\0\0"s;
     Wav w; w.chunk_before_fmt = "LIST" + riff::le32(list.size()) + list; make_wav(d, w); },
   {"in.wav"}, 1, LIST_BROKEN, Results::kUntouched},
  {"WavListChunkPastEnd", [](const TempDir& d) {
     Wav w; w.chunk_before_fmt = "LIST" + riff::le32(0xFFFF0004u) + "INFO"; make_wav(d, w); },
   {"in.wav"}, 1, LIST_BROKEN, Results::kUntouched},
  // The sound file library's parser goes on past "data" to the end of the
  // file, and stops at an id that is not four printable characters.
  {"WavBrokenListAfterData", [](const TempDir& d) {
     Wav w; w.after_data = "junk" + riff::le32(2) + "ab" + "LIST" + riff::le32(0xFFFF0004u) + "INFO";
     make_wav(d, w); },
   {"in.wav"}, 1, LIST_BROKEN, Results::kUntouched},
  {"WavZerosThenBrokenList", [](const TempDir& d) {
     Wav w; w.after_data = std::string(64, '\0') + "LIST" + riff::le32(0xFFFF0004u) + "INFO";
     make_wav(d, w); },
   {"in.wav"}, 0, SEPARATOR, Results::kWritten},
  {"WavTooManyChunks", [](const TempDir& d) {
     Wav w; for (int i = 0; i < 70000; ++i) w.after_data += "junk" + riff::le32(0);
     make_wav(d, w); },
   {"in.wav"}, 1, "error: getSoundData(): too many chunks in the RIFF header.",
   Results::kUntouched},
  {"WavHeaderOnly", [](const TempDir& d) {
     Wav w; w.data_declared = 6000; w.data_bytes = 0; make_wav(d, w); },
   {"in.wav"}, 1, FEWER_THAN_HEADER, Results::kUntouched},
  {"WavTruncatedHeader", [](const TempDir& d) {
     write_bytes(d.file("in.wav"), wav_bytes(Wav{}).substr(0, 30)); },
   {"in.wav"}, 1, "Error in WAV file. No 'data' chunk marker.", Results::kUntouched},

  // RIFF WAVE files of sample formats other than mono 16-bit PCM, other headers.
  {"WavStereo", [](const TempDir& d) { Wav w; w.channels = 2; make_wav(d, w); },
   {"in.wav"}, 1, "Error: getSoundData(): Cannot handle 2 channel data.", Results::kUntouched},
  {"Wav8Bit", [](const TempDir& d) { Wav w; w.bits = 8; make_wav(d, w); },
   {"in.wav"}, 1, NOT_RIFF_NOR_RAW, Results::kUntouched},
  {"Wav24Bit", [](const TempDir& d) { Wav w; w.bits = 24; make_wav(d, w); },
   {"in.wav"}, 1, NOT_RIFF_NOR_RAW, Results::kUntouched},
  {"Wav32Bit", [](const TempDir& d) { Wav w; w.bits = 32; make_wav(d, w); },
   {"in.wav"}, 1, NOT_RIFF_NOR_RAW, Results::kUntouched},
  {"WavFloat", [](const TempDir& d) { Wav w; w.format_tag = 3; w.bits = 32; make_wav(d, w); },
   {"in.wav"}, 1, NOT_RIFF_NOR_RAW, Results::kUntouched},
  {"Rifx", [](const TempDir& d) { Wav w; w.riff_id = "RIFX"; make_wav(d, w); },
   {"in.wav"}, 1, NOT_RIFF_NOR_RAW, Results::kUntouched},
  {"Rf64", [](const TempDir& d) { Wav w; w.riff_id = "RF64"; make_wav(d, w); },
   {"in.wav"}, 1, "error: getSoundData(): data format (RF64) is not RIFF nor RAW",
   Results::kUntouched},
  {"Aiff", [](const TempDir& d) {
     write_bytes(d.file("in.aif"), "FORM" + be32(4046) + "AIFFCOMM" + be32(18) +
                 std::string("\0\1\0\0\x07\xD0\0\x10\x40\x0C\xFA\0\0\0\0\0\0\0", 18) +
                 "SSND" + be32(4008) + be32(0) + be32(0) + sample_bytes(2000)); },
   {"in.aif"}, 1, "error: getSoundData(): data format (AIFF) is not RIFF nor RAW",
   Results::kUntouched},

  // Command-line values not covered elsewhere.
  {"HugeFrameRate", raw_input, {"-r", "99999999999", "in.raw"}, 0, SEPARATOR, Results::kWritten},
  {"HugeSamplingFrequency", raw_input, {"-s", "99999999999", "in.raw"}, 0, SEPARATOR,
   Results::kWritten},
  {"HugeStartPoint", raw_input, {"-d", "99999999999", "in.raw"}, 1,
   "Error: analysis staring and/or ending point exceeds end of data.", Results::kUntouched},
  {"HugeThreshold", raw_input, {"-t", "99999999999", "in.raw"}, 1,
   "error: detect_sp_duration: forward scanning failure.", Results::kUntouched},
  {"SamplingFrequencyNotANumber", raw_input, {"-s", "abc", "in.raw"}, 1,
   "Error: illegal sampling frequency: 0 Hz", Results::kUntouched},

  // Result files.
  {"ResultIsAFolder", [](const TempDir& d) { raw_input(d); mkdir(d.file("folder").c_str(), 0700); },
   {"-a", "folder", "in.raw"}, 1, "cannot open folder.", Results::kTruncated},
  {"ResultIsTheInputByAnotherName", [](const TempDir& d) {
     raw_input(d); link(d.file("in.raw").c_str(), d.file("link.raw").c_str()); },
   {"-F", "link.raw", "in.raw"}, 1, "Error: result file link.raw is the input file.",
   Results::kUntouched},
};
// clang-format on

// gtest shows a case by its name.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class BadInput : public ::testing::TestWithParam<Case> {};

TEST_P(BadInput, StatusFirstLineAndResultFiles) {
  const Case& c = GetParam();
  if (c.skip_as_root && geteuid() == 0) GTEST_SKIP() << "root can read any file";
  TempDir dir;
  c.make(dir);
  write_bytes(dir.file("keep.txt"), "keep\n");
  // The input, when it is a regular file (opening a FIFO to read it would block).
  const std::string input = dir.file(c.args.back());
  struct stat input_status {};
  const bool regular = stat(input.c_str(), &input_status) == 0 && S_ISREG(input_status.st_mode);
  const std::string input_before = regular ? read_file(input) : "";

  std::vector<std::string> args = {"-a", "new.txt", "-b", "keep.txt"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  const RunResult r = run(args, in_dir(dir.path));

  EXPECT_EQ(r.status, c.status) << r.err;
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.first_line) << r.err;
  if (regular) {
    EXPECT_EQ(read_file(input), input_before);
  }
  switch (c.results) {
    case Results::kUntouched:
      EXPECT_EQ(r.out, "");
      EXPECT_FALSE(file_exists(dir.file("new.txt")));
      EXPECT_EQ(read_file(dir.file("keep.txt")), "keep\n");
      break;
    case Results::kWritten:
      EXPECT_NE(read_file(dir.file("new.txt")).find(" a: "), std::string::npos);
      EXPECT_NE(read_file(dir.file("keep.txt")).find(" B:"), std::string::npos);
      EXPECT_NE(r.out.find(" F:"), std::string::npos);
      break;
    case Results::kTruncated:
      EXPECT_EQ(r.out, "");
      EXPECT_FALSE(file_exists(dir.file("new.txt")));
      EXPECT_EQ(read_file(dir.file("keep.txt")), "");
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Battery, BadInput, ::testing::ValuesIn(CASES),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

// A fatal exit in the middle of the frame loop: the root finder does not
// converge on the third frame (at order 5, a frame that repeats the 5 samples
// below; found by fuzz_frame). Every line of the two frames before it is in
// the result files and on standard output (a file, so fully buffered), the
// same bytes as a run that stops before the third frame.
TEST(FatalInTheFrameLoop, EarlierFramesStayInTheResultFiles) {
  constexpr int N = 1583;
  const std::vector<std::int16_t> cycle = {11268, 1022, 0, 0, 5728};
  std::vector<std::int16_t> samples = noise(2 * N, 3000, 31);
  for (int i = 0; i < N; ++i) samples.push_back(cycle[i % cycle.size()]);
  const std::vector<std::string> results = {"a.txt", "b.txt", "f.txt", "s.txt", "out.txt"};
  const std::vector<std::string> args = {"-m", "5",     "-n", "1583",  "-r", "1583",
                                         "-a", "a.txt", "-b", "b.txt", "-F", "f.txt",
                                         "-S", "s.txt", "-w", "w.txt"};

  TempDir dir;
  write_raw(dir.file("in.raw"), samples);
  RunOptions options = in_dir(dir.path);
  options.stdout_path = dir.file("out.txt");
  std::vector<std::string> fatal_args = args;
  fatal_args.push_back("in.raw");
  const RunResult r = run(fatal_args, options);
  EXPECT_EQ(r.status, 1);
  const std::string tail =
      "\nNumerical Recipes run-time error...\ntoo many iterations in laguer\n"
      "...now exiting to system...\n";
  ASSERT_GE(r.err.size(), tail.size());
  EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail) << r.err;

  TempDir reference;
  write_raw(reference.file("in.raw"), samples);
  RunOptions reference_options = in_dir(reference.path);
  reference_options.stdout_path = reference.file("out.txt");
  std::vector<std::string> reference_args = args;
  reference_args.insert(reference_args.end(), {"-e", std::to_string(2 * N - 1), "in.raw"});
  ASSERT_EQ(run(reference_args, reference_options).status, 0);
  for (const std::string& name : results) {
    EXPECT_NE(read_file(reference.file(name)), "") << name;
    EXPECT_EQ(read_file(dir.file(name)), read_file(reference.file(name))) << name;
  }

  // The wave dump, written before the loop, covers the whole span.
  std::string dump = "#speech wave (threshold: 0)\n#time[ms] amplitude\n";
  char line[64];
  for (std::size_t i = 0; i < samples.size(); ++i) {
    std::snprintf(line, sizeof line, "%7.2f   %d\n", i / 12000.0 * 1000.0, samples[i]);
    dump += line;
  }
  EXPECT_EQ(read_file(dir.file("w.txt")), dump + "\n");
}

// Runs a shell command line in the folder dir, vocana as "$V"; returns the
// exit status (128 + signal when killed).
int shell(const TempDir& dir, const std::string& command) {
  const std::string line = "cd '" + dir.path + "' && V='" VOCANA_BIN "' && " + command;
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}

// A short vowel, long enough for some 60 frames.
void write_vowel(const TempDir& dir, const std::string& name) {
  write_wav(dir.file(name), vowel(16000, 8000, 120.0, {700, 1200, 2600}, {80, 90, 120}), 16000);
}

int count_of(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

// A sparse file of 100 MB: a short WAV, then zeros, which the chunk walk
// would read as 13 million empty chunks. Walked header by header that took
// 8 s; the walk stops at the first id that is not printable, as the sound
// file library does, and the run takes some milliseconds.
TEST(ChunkWalk, SparseFileOfZeroChunksOpensAtOnce) {
  TempDir dir;
  const Wav w;
  write_bytes(dir.file("short.wav"), wav_bytes(w));
  write_bytes(dir.file("sparse.wav"), wav_bytes(w));
  ASSERT_EQ(truncate(dir.file("sparse.wav").c_str(), 100 << 20), 0);
  const RunResult reference = run({"short.wav"}, in_dir(dir.path));
  ASSERT_EQ(reference.status, 0) << reference.err;

  const auto start = std::chrono::steady_clock::now();
  const RunResult r = run({"sparse.wav"}, in_dir(dir.path));
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, reference.out);
  EXPECT_LT(seconds.count(), 10.0);
}

// A closed standard output or error is never taken by a result file: results
// meant for a closed standard output fail with EBADF, and the report meant
// for a closed standard error is lost rather than written into a result.
TEST(StandardStreams, ClosedStandardStreamTakesNoResultFile) {
  TempDir dir;
  write_vowel(dir, "in.wav");
  EXPECT_EQ(shell(dir, "\"$V\" -b b.txt in.wav >&- 2>err.txt"), 1);
  const std::string bandwidths = read_file(dir.file("b.txt"));
  EXPECT_EQ(count_of(bandwidths, " F:"), 0);
  EXPECT_GT(count_of(bandwidths, " B:"), 50);
  const std::string err = read_file(dir.file("err.txt"));
  const std::string last = "Error: cannot write standard output: Bad file descriptor\n";
  ASSERT_GE(err.size(), last.size());
  EXPECT_EQ(err.substr(err.size() - last.size()), last);

  EXPECT_EQ(shell(dir, "\"$V\" -f f.txt in.wav 2>&-"), 0);
  const std::string formants = read_file(dir.file("f.txt"));
  EXPECT_EQ(formants.find(SEPARATOR), std::string::npos);
  EXPECT_EQ(formants, run({"in.wav"}, in_dir(dir.path)).out);
}

// Standard output opened on the input by the shell (1<> overwrites its
// header, >> appends to it) is refused before anything is written.
TEST(StandardStreams, StandardOutputIsTheInput) {
  for (const std::string redirection : {"1<>in.wav", ">>in.wav"}) {
    TempDir dir;
    write_vowel(dir, "in.wav");
    const std::string before = read_file(dir.file("in.wav"));
    EXPECT_EQ(shell(dir, "\"$V\" in.wav " + redirection + " 2>err.txt"), 1) << redirection;
    EXPECT_EQ(read_file(dir.file("err.txt")),
              "Error: result file standard output is the input file.\n");
    EXPECT_EQ(read_file(dir.file("in.wav")), before) << redirection;
  }
}

// A result named as the file of standard error writes through it, after the
// report, instead of truncating the report away.
TEST(StandardStreams, ResultNamedAsStandardError) {
  TempDir dir;
  write_vowel(dir, "in.wav");
  EXPECT_EQ(shell(dir, "\"$V\" -b /dev/stderr in.wav >out.txt 2>log.txt"), 0);
  const std::string log = read_file(dir.file("log.txt"));
  EXPECT_EQ(log.find(SEPARATOR), 0u) << log;
  EXPECT_LT(log.find("analyzing ..."), log.find(" B:"));
  EXPECT_EQ(count_of(log, " B:"), count_of(read_file(dir.file("out.txt")), " F:"));
}

// The reason of a failed result file is that of its first failed write: the
// wave dump fills /dev/full before the end, when nothing more is pending.
TEST(ResourceLimits, FailedWritesGiveTheirReason) {
  TempDir dir;
  write_vowel(dir, "in.wav");
  RunResult r = run({"-w", "/dev/full", "in.wav"}, in_dir(dir.path));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Error: cannot write /dev/full: No space left on device\n"),
            std::string::npos)
      << r.err;

  // Beyond the file size limit: no SIGXFSZ, a failed write. Standard error
  // goes through a pipe, which the limit does not concern.
  EXPECT_EQ(shell(dir,
                  "(ulimit -f 4; \"$V\" -F fft.txt in.wav >/dev/null; echo $? >status.txt)"
                  " 2>&1 | cat >err.txt"),
            0);
  EXPECT_EQ(read_file(dir.file("status.txt")), "1\n");
  const std::string err = read_file(dir.file("err.txt"));
  EXPECT_NE(err.find("Error: cannot write fft.txt: File too large\n"), std::string::npos) << err;
}

// Under an address space limit a run either completes or fails before any
// result file is opened: the limits just below the least one that lets the
// run complete are tried one by one.
TEST(ResourceLimits, NoResultFileTruncatedForWantOfMemory) {
  TempDir dir;
  write_vowel(dir, "in.wav");
  auto attempt = [&](long kib) {
    write_bytes(dir.file("keep.txt"), "keep\n");
    unlink(dir.file("new.txt").c_str());
    return shell(dir, "exec 2>/dev/null; (ulimit -v " + std::to_string(kib) +
                          "; exec \"$V\" -a new.txt -b keep.txt in.wav) >/dev/null 2>err.txt");
  };
  if (attempt(1L << 20) != 0) GTEST_SKIP() << "runs need more than 1 GiB of address space here";
  long low = 1024;       // fails
  long high = 1L << 20;  // completes
  while (high - low > 64) {
    const long middle = (low + high) / 2;
    (attempt(middle) == 0 ? high : low) = middle;
  }
  int refusals = 0;
  for (long kib = high - 4096; kib < high; kib += 64) {
    const int status = attempt(kib);
    const std::string err = read_file(dir.file("err.txt"));
    if (status == 0) {
      EXPECT_NE(read_file(dir.file("new.txt")).find(" a: "), std::string::npos) << kib;
      continue;
    }
    refusals += err.find("Error: cannot allocate working memory.\n") != std::string::npos;
    EXPECT_EQ(read_file(dir.file("keep.txt")), "keep\n") << kib << " KiB: " << err;
    EXPECT_FALSE(file_exists(dir.file("new.txt"))) << kib << " KiB: " << err;
  }
  EXPECT_GT(refusals, 0);
}

// A result name that becomes the input while the run starts (here, while the
// run waits to open the FIFO of its wave dump) is refused once open, before
// it is truncated.
TEST(ResultNames, NameTurnedIntoTheInputAfterTheCheck) {
  TempDir dir;
  write_raw(dir.file("in.raw"), noise(3000, 4000, 7));
  const std::string before = read_file(dir.file("in.raw"));
  ASSERT_EQ(mkfifo(dir.file("wave.fifo").c_str(), 0600), 0);
  std::vector<std::string> args = {"vocana", "-w", "wave.fifo", "-F", "later.raw", "in.raw"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int err = open(dir.file("err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err < 0 || dup2(err, 2) < 0 || chdir(dir.path.c_str()) != 0) _exit(126);
    execv(VOCANA_BIN, argv.data());
    _exit(127);
  }
  // Blocked in openat() on three looks 10 ms apart: waiting for a reader.
  const std::string syscall_file = "/proc/" + std::to_string(pid) + "/syscall";
  const std::string openat = std::to_string(SYS_openat) + " ";
  int blocked = 0;
  for (int look = 0; look < 1000 && blocked < 3; ++look) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    blocked = read_file(syscall_file).rfind(openat, 0) == 0 ? blocked + 1 : 0;
  }
  if (blocked < 3) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    GTEST_SKIP() << "cannot see the run wait in " << syscall_file;
  }
  ASSERT_EQ(link(dir.file("in.raw").c_str(), dir.file("later.raw").c_str()), 0);
  const int reader = open(dir.file("wave.fifo").c_str(), O_RDONLY);
  char buffer[4096];
  while (reader >= 0 && read(reader, buffer, sizeof buffer) > 0) {
  }
  if (reader >= 0) close(reader);
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 1) << wstatus;
  EXPECT_EQ(read_file(dir.file("err.txt")), "Error: result file later.raw is the input file.\n");
  EXPECT_EQ(read_file(dir.file("in.raw")), before);
}

}  // namespace
}  // namespace e2e
