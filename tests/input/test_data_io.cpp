// Loading sound files: every test writes its own input into a fresh folder
// and compares samples, count, rate, description and standard error exactly.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "input/data_io.h"
#include "input/sound_file.h"
#include "input/spframe.h"
#include "support/riff_writer.h"

using namespace std::string_literals;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool ADDRESS_SANITIZER = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool ADDRESS_SANITIZER = true;
#else
constexpr bool ADDRESS_SANITIZER = false;
#endif
#else
constexpr bool ADDRESS_SANITIZER = false;
#endif

constexpr const char* RIFF_LSHORT = "RIFF little endian short (16 bits)";
constexpr const char* RAW_LSHORT = "raw (no header) little endian short (16 bits)";
constexpr const char* RAW_BSHORT = "raw (no header) big endian short (16 bits)";

using riff::chunk;
using riff::fmt_body;
using riff::le32;
using riff::pcm16;
using riff::riff_wave;

struct Load {
  std::optional<std::vector<Sample>> samples;
  int count;
  int rate;
  std::string description;
  std::string err;  // the loader's lines
};

Load load(const std::string& path, bool big_endian_raw = false) {
  Load result{std::nullopt, 12345, 54321, "", ""};
  std::array<char, FORMAT_DESCRIPTION_SIZE> description;
  description.fill('x');
  result.samples = getSoundData(path.c_str(), big_endian_raw, result.count, result.rate,
                                description, result.err);
  result.description.assign(description.data(), strnlen(description.data(), description.size()));
  return result;
}

class SoundInput : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vocana-input-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  std::string write_bytes(const std::string& name, const std::string& bytes) const {
    std::ofstream out(path(name), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path(name);
  }

  // A file of the given size whose bytes are head followed by a hole of zeros.
  std::string write_sparse(const std::string& name, const std::string& head,
                           std::int64_t size) const {
    const std::string p = write_bytes(name, head);
    EXPECT_EQ(truncate(p.c_str(), static_cast<off_t>(size)), 0);
    return p;
  }

  // Written by the library: interleaved frames, any container and encoding.
  std::string write_sf(const std::string& name, int format, int channels, int rate,
                       const std::vector<short>& interleaved) const {
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE* file = sf_open(path(name).c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    if (file == nullptr) return path(name);
    EXPECT_EQ(sf_write_short(file, interleaved.data(), static_cast<sf_count_t>(interleaved.size())),
              static_cast<sf_count_t>(interleaved.size()));
    sf_close(file);
    return path(name);
  }

  std::string dir_;
};

std::vector<Sample> test_signal(std::size_t n) {
  std::vector<Sample> samples{-32768, 32767, 0, 1, -1, 256, -256};
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> value(-32768, 32767);
  while (samples.size() < n) samples.push_back(static_cast<Sample>(value(random)));
  return samples;
}

std::vector<short> as_short(const std::vector<Sample>& samples) {
  return std::vector<short>(samples.begin(), samples.end());
}

TEST_F(SoundInput, MonoPcm16RoundTripKeepsEveryValueAndRate) {
  const std::vector<Sample> written = test_signal(5000);
  for (int format : {SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_WAVEX | SF_FORMAT_PCM_16}) {
    SCOPED_TRACE(format);
    const std::string p = write_sf("mono.wav", format, 1, 22050, as_short(written));
    const Load got = load(p);
    ASSERT_TRUE(got.samples);
    EXPECT_EQ(*got.samples, written);
    EXPECT_EQ(got.count, 5000);
    EXPECT_EQ(got.rate, 22050);
    EXPECT_EQ(got.description, RIFF_LSHORT);
    EXPECT_EQ(got.err, "");
  }
}

TEST_F(SoundInput, HandBuiltWaveWithOddChunksBeforeData) {
  // An odd-sized chunk padded to even length, fmt after it, data last.
  const std::vector<Sample> written{-32768, 32767, 7, -7};
  const std::string p = write_bytes(
      "odd.wav", riff_wave(chunk("LIST", "abc") + chunk("fmt ", fmt_body(1, 1, 16000, 16)) +
                           chunk("data", pcm16(written))));
  const Load got = load(p);
  ASSERT_TRUE(got.samples) << got.err;
  EXPECT_EQ(*got.samples, written);
  EXPECT_EQ(got.rate, 16000);
  EXPECT_EQ(got.err, "");
}

// Files the loader refuses, with the complete standard error it must write.
TEST_F(SoundInput, RefusedFilesNameTheirKind) {
  const std::string not_riff_nor_raw =
      "error: getSoundData(): data format (%s) is not RIFF nor RAW\n";
  auto refusal = [&](const char* name) {
    std::string text = not_riff_nor_raw;
    return text.replace(text.find("%s"), 2, name);
  };
  const std::vector<short> stereo{1, 2, 3, 4, 5, 6};
  struct Case {
    std::string file;
    std::string err;
    std::string description;
  };
  const Case cases[] = {
      {write_sf("stereo16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 8000, stereo),
       "Error: getSoundData(): Cannot handle 2 channel data.\n", RIFF_LSHORT},
      {write_sf("stereo8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 2, 8000, stereo), refusal("RIFF"),
       ""},
      {write_sf("float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 8000, stereo), refusal("RIFF"),
       ""},
      {write_sf("pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 8000, stereo), refusal("RIFF"),
       ""},
      {write_sf("pcm32x.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_32, 1, 8000, stereo), refusal("RIFF"),
       ""},
      {write_sf("mono.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, 8000, stereo), refusal("AIFF"),
       ""},
      {write_bytes("mp3.wav",
                   riff_wave(chunk("fmt ", fmt_body(0x55, 1, 8000, 16)) +
                             chunk("data", "\xFF\xFB\x90\x64" + std::string(400, '\x55')))),
       refusal("RIFF"), ""},
      {write_bytes("rifx.wav", "RIFX" + std::string(40, '\0')), refusal("RIFF"), ""},
      {write_bytes("riff-avi", "RIFF" + le32(4) + "AVI " + std::string(30, '\0')), refusal("RIFF"),
       ""},
      {write_bytes("riff-short", "RIFF\x04"), refusal("RIFF"), ""},
      {write_bytes("form.aifc", "FORM" + le32(4) + "AIFC" + std::string(30, '\0')), refusal("AIFF"),
       ""},
      {write_bytes("rf64.wav", "RF64" + std::string(40, '\0')), refusal("RF64"), ""},
      {write_bytes("sun.au", ".snd" + std::string(40, '\0')), refusal("Sun/Next"), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const Load got = load(c.file);
    EXPECT_FALSE(got.samples);
    EXPECT_EQ(got.err, c.err);
    EXPECT_EQ(got.count, 0);
    EXPECT_EQ(got.rate, -1);
    EXPECT_EQ(got.description, c.description);
  }
}

TEST_F(SoundInput, LibraryOpenFailureWritesItsTextThenCannotOpen) {
  // No channels, and a RIFF WAVE without any chunk.
  const std::string files[] = {
      write_bytes("nochan.wav", riff_wave(chunk("fmt ", fmt_body(1, 0, 8000, 16)) +
                                          chunk("data", pcm16({1, 2, 3})))),
      write_bytes("nochunk.wav", riff_wave("")),
  };
  for (const std::string& p : files) {
    SCOPED_TRACE(p);
    SF_INFO info{};
    SNDFILE* direct = sf_open(p.c_str(), SFM_READ, &info);
    ASSERT_EQ(direct, nullptr);
    const std::string library_text = sf_strerror(nullptr);
    const Load got = load(p);
    EXPECT_FALSE(got.samples);
    EXPECT_EQ(got.err, library_text + "\ncannot open " + p + ".\n");
    EXPECT_EQ(got.description, "");
  }
}

TEST_F(SoundInput, EmptyDataChunkLoadsNoSample) {
  const std::string p = write_bytes(
      "empty.wav", riff_wave(chunk("fmt ", fmt_body(1, 1, 11025, 16)) + chunk("data", "")));
  const Load got = load(p);
  ASSERT_TRUE(got.samples) << got.err;
  EXPECT_TRUE(got.samples->empty());
  EXPECT_EQ(got.count, 0);
  EXPECT_EQ(got.rate, 11025);
  EXPECT_EQ(got.description, RIFF_LSHORT);
  EXPECT_EQ(got.err, "");
}

// The data chunk declares more than the file holds: only the whole frames
// that are there load, with one warning line.
TEST_F(SoundInput, ShortDataChunkLoadsWholeFramesWithOneWarning) {
  const std::vector<Sample> written = test_signal(60);
  struct Case {
    std::string name;
    std::int64_t declared_bytes;
    std::string tail;  // bytes after the whole frames
  };
  const Case cases[] = {
      {"cut.wav", 200, "\x01"}, {"huge.wav", 0xFFFFFFFF, ""}, {"odd.wav", 201, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = riff_wave(chunk("fmt ", fmt_body(1, 1, 8000, 16))) + "data" +
                        le32(static_cast<std::uint32_t>(c.declared_bytes)) + pcm16(written) +
                        c.tail;
    const Load got = load(write_bytes(c.name, bytes));
    ASSERT_TRUE(got.samples) << got.err;
    EXPECT_EQ(*got.samples, written);
    EXPECT_EQ(got.count, 60);
    EXPECT_EQ(got.rate, 8000);
    EXPECT_EQ(got.err, "error: getSoundData(): number of read data is not same as in header.\n");
  }
}

TEST_F(SoundInput, AbsurdChunkSizeBeforeDataNeverCrashes) {
  const std::string p = write_bytes(
      "absurd.wav", riff_wave(chunk("fmt ", fmt_body(1, 1, 8000, 16)) +
                              chunk("junk", "abcd", 0xFFFFFFF0) + chunk("data", pcm16({1, 2}))));
  const Load got = load(p);
  // Whatever the library makes of it, the result is a clear answer.
  if (got.samples) {
    EXPECT_EQ(got.count, static_cast<int>(got.samples->size()));
  } else {
    EXPECT_NE(got.err, "");
    EXPECT_EQ(got.err.back(), '\n');
  }
}

TEST_F(SoundInput, RawLittleEndianAndBigEndian) {
  const std::string p = write_bytes("two.raw", "\x01\x02");
  Load got = load(p);
  ASSERT_TRUE(got.samples);
  EXPECT_EQ(*got.samples, std::vector<Sample>{513});
  EXPECT_EQ(got.description, RAW_LSHORT);
  EXPECT_EQ(got.rate, -1);
  got = load(p, true);
  ASSERT_TRUE(got.samples);
  EXPECT_EQ(*got.samples, std::vector<Sample>{258});
  EXPECT_EQ(got.description, RAW_BSHORT);
  EXPECT_EQ(got.err, "");
}

TEST_F(SoundInput, Raw1000BytesLoads500Samples) {
  const std::vector<Sample> written = test_signal(500);
  const Load got = load(write_bytes("a.raw", pcm16(written)));
  ASSERT_TRUE(got.samples);
  EXPECT_EQ(*got.samples, written);
  EXPECT_EQ(got.count, 500);
  EXPECT_EQ(got.rate, -1);
  EXPECT_EQ(got.err, "");
}

TEST_F(SoundInput, HeaderlessLookalikesLoadAsRawSilently) {
  // An MP3 frame sync, a text file, a FORM that is not AIFF, three bytes.
  const std::string cases[] = {"\xFF\xFB\x90\x64" + std::string(96, '\0'),
                               "hello, world\nthis is text\n", "FORM" + le32(4) + "ILBM", "RIF\0"s};
  int n = 0;
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(n);
    const Load got = load(write_bytes("lookalike" + std::to_string(n++), bytes));
    ASSERT_TRUE(got.samples);
    EXPECT_EQ(got.count, static_cast<int>(bytes.size() / 2));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(got.samples->data()), bytes.size()), bytes);
    EXPECT_EQ(got.description, RAW_LSHORT);
    EXPECT_EQ(got.err, "");
  }
}

TEST_F(SoundInput, BigEndianFlagReadsRiffHeaderAsSamples) {
  const std::string p = write_sf("mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, {1, -2});
  const Load got = load(p, true);
  ASSERT_TRUE(got.samples);
  ASSERT_EQ(got.count, 24);                                    // 44 header bytes + 4 data bytes
  EXPECT_EQ((*got.samples)[0], 0x5249);                        // "RI"
  EXPECT_EQ((*got.samples)[4], 0x5741);                        // "WA"
  EXPECT_EQ((*got.samples)[22], 0x0100);                       // 01 00
  EXPECT_EQ((*got.samples)[23], static_cast<Sample>(0xFEFF));  // FE FF
  EXPECT_EQ(got.rate, -1);
  EXPECT_EQ(got.description, RAW_BSHORT);
  EXPECT_EQ(got.err, "");
}

TEST_F(SoundInput, RawFailuresWriteGetdataLineThenLoaderLine) {
  const std::string loader_line = "error: getSoundData(): getdata() cannot read data\n";
  mkfifo(path("fifo").c_str(), 0600);
  struct Case {
    std::string file;
    bool big_endian_raw;
    std::string err;
  };
  const Case cases[] = {
      {write_bytes("odd.raw", std::string(1001, 'a')), false,
       "error: getdata: size of read data is smaller than file size.\n"},
      {write_bytes("empty.raw", ""), false,
       "error: getdata: size of " + path("empty.raw") + " is 0.\n"},
      {path("fifo"), false, "error: getdata: size of " + path("fifo") + " is 0.\n"},
      {path("fifo"), true, "error: getdata: size of " + path("fifo") + " is 0.\n"},
      {"/dev/null", false, "error: getdata: size of /dev/null is 0.\n"},
      {write_sparse("2g.raw", "", std::int64_t{1} << 31), false,
       "error: getdata: " + path("2g.raw") + " is too large (2 GiB or more).\n"},
      // 2^32 + 2 bytes would wrap to 2 in a 32-bit size.
      {write_sparse("4g.raw", "", (std::int64_t{1} << 32) + 2), true,
       "error: getdata: " + path("4g.raw") + " is too large (2 GiB or more).\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const Load got = load(c.file, c.big_endian_raw);
    EXPECT_FALSE(got.samples);
    EXPECT_EQ(got.err, c.err + loader_line);
    EXPECT_EQ(got.count, 0);
    EXPECT_EQ(got.rate, -1);
    EXPECT_EQ(got.description, c.big_endian_raw ? RAW_BSHORT : RAW_LSHORT);
  }
}

TEST_F(SoundInput, UnopenablePathsGiveSystemTextThenCannotOpen) {
  std::filesystem::create_directory(path("folder"));
  const std::string missing = path("missing.wav");
  const std::string folder = path("folder");
  for (bool big_endian_raw : {false, true}) {
    Load got = load(missing, big_endian_raw);
    EXPECT_FALSE(got.samples);
    EXPECT_EQ(got.err, "No such file or directory\ncannot open " + missing + ".\n");
    EXPECT_EQ(got.description, "");
    got = load(folder, big_endian_raw);
    EXPECT_FALSE(got.samples);
    EXPECT_EQ(got.err, "Is a directory\ncannot open " + folder + ".\n");
  }
  if (geteuid() != 0) {  // root reads any file
    const std::string locked = write_bytes("locked.raw", "\x01\x02");
    chmod(locked.c_str(), 0);
    const Load got = load(locked);
    EXPECT_EQ(got.err, "Permission denied\ncannot open " + locked + ".\n");
  }
}

TEST_F(SoundInput, GetdataItself) {
  int count = -5;
  std::string messages;
  EXPECT_FALSE(getdata(path("none").c_str(), count, 0, messages));
  EXPECT_EQ(messages, "error: getdata: cannot stat " + path("none") + ".\n");
  EXPECT_EQ(count, -5);

  const std::string p = write_bytes("be.raw", "\x80\x00\x7F\xFF\x00\x01"s);
  auto samples = getdata(p.c_str(), count, 1, messages);
  ASSERT_TRUE(samples);
  EXPECT_EQ(*samples, (std::vector<Sample>{-32768, 32767, 1}));
  EXPECT_EQ(count, 3);
}

// Memory runs out: the loader's line and a failure, not an exception. Each
// case runs in a child limited to 1 GiB of address space.
TEST_F(SoundInput, AllocationFailureIsReported) {
  if (ADDRESS_SANITIZER) GTEST_SKIP() << "the sanitizer needs more address space than the limit";
  const std::int64_t big = std::int64_t{3} << 29;  // 1.5 GiB
  const std::string raw = write_sparse("big.raw", "", big);
  const std::string wav = write_sparse("big.wav",
                                       riff_wave(chunk("fmt ", fmt_body(1, 1, 8000, 16))) + "data" +
                                           le32(static_cast<std::uint32_t>(big)),
                                       big + 44);
  auto limited_load = [](const std::string& p, bool big_endian_raw) {
    const rlim_t bytes = rlim_t{1} << 30;
    rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_AS, &limit);
    int count = 0;
    int rate = -1;
    std::array<char, FORMAT_DESCRIPTION_SIZE> description;
    std::string messages;
    const bool loaded =
        getSoundData(p.c_str(), big_endian_raw, count, rate, description, messages).has_value();
    std::fputs(messages.c_str(), stderr);
    std::exit(loaded ? 0 : 3);
  };
  EXPECT_EXIT(limited_load(raw, false), testing::ExitedWithCode(3),
              "^error: getdata: cannot allocate enough space for reading \"" + raw +
                  "\".\nerror: getSoundData\\(\\): getdata\\(\\) cannot read data\n$");
  EXPECT_EXIT(limited_load(wav, false), testing::ExitedWithCode(3),
              "^Error: getdata: cannot allocate enough space for reading \"" + wav + "\".\n$");
}

TEST(SoundFile, ClassifyHeaderByLeadingBytes) {
  struct Case {
    std::string head;
    int code;
    std::string name;
  };
  const Case cases[] = {
      {"RIFF\0\0\0\0WAVE"s, HEADER_TYPE_RIFF, "RIFF"},
      {"RIFF\0\0\0\0WAV"s, HEADER_TYPE_REFUSED, "RIFF"},
      {"RIFF", HEADER_TYPE_REFUSED, "RIFF"},
      {"RIFX\0\0\0\0WAVE"s, HEADER_TYPE_REFUSED, "RIFF"},
      {"FORM\0\0\0\0AIFF"s, HEADER_TYPE_REFUSED, "AIFF"},
      {"FORM\0\0\0\0AIFC"s, HEADER_TYPE_REFUSED, "AIFF"},
      {"FORM\0\0\0\08SVX"s, HEADER_TYPE_RAW, "raw (no header)"},
      {"RF64", HEADER_TYPE_REFUSED, "RF64"},
      {".snd", HEADER_TYPE_REFUSED, "Sun/Next"},
      {"caff", HEADER_TYPE_REFUSED, "CAFF"},
      {"fLaC", HEADER_TYPE_REFUSED, "FLAC"},
      {"OggS", HEADER_TYPE_REFUSED, "Ogg"},
      {"NIST_1A", HEADER_TYPE_REFUSED, "NIST"},
      {"RIF", HEADER_TYPE_RAW, "raw (no header)"},
      {"", HEADER_TYPE_RAW, "raw (no header)"},
      {"riff\0\0\0\0wave"s, HEADER_TYPE_RAW, "raw (no header)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.head);
    const HeaderKind kind = classify_header(std::span<const unsigned char>(
        reinterpret_cast<const unsigned char*>(c.head.data()), c.head.size()));
    EXPECT_EQ(kind.code, c.code);
    EXPECT_STREQ(kind.name, c.name.c_str());
  }
}

TEST_F(SoundInput, ChunkWalkFindsFormatAndDeclaredDataSize) {
  struct Case {
    std::string bytes;
    RiffChunks expected;
  };
  const Case cases[] = {
      {riff_wave(chunk("fmt ", fmt_body(0xFFFE, 1, 8000, 16)) + chunk("data", "", 0xFFFFFFFF)),
       {true, 0xFFFE, true, 0xFFFFFFFF}},
      {riff_wave(chunk("LIST", "abc") + chunk("fmt ", fmt_body(1, 1, 8000, 16)) +
                 chunk("data", "abcd")),
       {true, 1, true, 4}},
      {riff_wave(chunk("data", "abc") + chunk("fmt ", fmt_body(3, 1, 8000, 32))),
       {true, 3, true, 3}},
      {riff_wave(chunk("junk", "", 0xFFFFFFFF) + chunk("data", "ab")), {false, 0, false, 0}},
      {riff_wave("fmt " + le32(16) + "\x01"), {false, 0, false, 0}},  // cut inside the tag
      {"RIFF", {false, 0, false, 0}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n);
    const RiffChunks got =
        walk_riff_chunks(write_bytes("walk" + std::to_string(n++), c.bytes).c_str());
    EXPECT_EQ(got.has_format, c.expected.has_format);
    EXPECT_EQ(got.format_tag, c.expected.format_tag);
    EXPECT_EQ(got.has_data, c.expected.has_data);
    EXPECT_EQ(got.data_bytes, c.expected.data_bytes);
  }
}

}  // namespace
