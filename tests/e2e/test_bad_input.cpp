// What users feed vocana from their corpus folders: broken, odd or foreign
// files and odd command lines. Each case gets a correct analysis or a clear
// error and status 1, never a crash or a hang (every case is a test of its
// own, so the test timeout catches a hang), and no result file is created or
// changed before the point at which the result streams are opened.
// Cases already checked exactly in test_command_line.cpp and
// test_frame_loop.cpp (option limits, a missing file, a missing output folder,
// shared result files, the input as a result, /dev/full) are not repeated.
// The last test follows a fatal exit in the middle of the frame loop.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "e2e/e2e_run.h"
#include "support/riff_writer.h"

namespace e2e {
namespace {

using namespace std::string_literals;

const std::string SEPARATOR = "------------------------------------------------------------";
const std::string NOT_RIFF_NOR_RAW = "error: getSoundData(): data format (RIFF) is not RIFF nor RAW";
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
  std::string chunk_before_fmt;    // a whole chunk placed before "fmt "
  std::int64_t data_declared = -1;  // -1: the bytes present
  int data_bytes = 6000;
};

std::string wav_bytes(const Wav& w) {
  return riff::riff_wave(
      w.chunk_before_fmt +
          riff::chunk("fmt ", riff::fmt_body(w.format_tag, w.channels, w.rate, w.bits),
                      w.fmt_size) +
          riff::chunk("data", sample_bytes(w.data_bytes / 2), w.data_declared),
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
  const std::vector<std::string> args = {"-m", "5", "-n", "1583", "-r", "1583", "-a", "a.txt",
                                         "-b", "b.txt", "-F", "f.txt", "-S", "s.txt", "-w", "w.txt"};

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

}  // namespace
}  // namespace e2e
