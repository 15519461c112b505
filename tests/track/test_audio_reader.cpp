// The reader of every format libsndfile reads: the same sound stored as
// 24-bit, float, stereo, FLAC and AIFF gives the tracks of the 16-bit WAV to
// within the quantisation; channels are chosen or mixed; failures are one
// line naming the file.
#include <gtest/gtest.h>
#include <unistd.h>
#include <vocana/audio.h>
#include <vocana/error.h>
#include <vocana/track.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "track/track_signals.h"

namespace {

using track_test::vowel;
using track_test::write_sound;

// Largest difference of F1..F3 between a format and the 16-bit WAV [Hz]:
// 16-bit quantisation noise is 90 dB below the vowel.
constexpr double SAME_TRACK_HZ = 2.0;

struct TempFolder {
  std::string path;
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vocana-track-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path = pattern;
  }
  ~TempFolder() { std::filesystem::remove_all(path); }
  std::string file(const std::string& name) const { return path + "/" + name; }
};

std::string error_text(const std::string& path, int channel) {
  try {
    vocana::read_audio(path, channel);
  } catch (const vocana::Error& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(ReadAudio, EveryFormatGivesTheTracksOfTheSixteenBitWav) {
  TempFolder dir;
  const int rate = 22050;
  const auto x = vowel(rate, rate / 2, 130.0, {600, 1200, 2500, 3500, 4500});
  std::vector<double> stereo;  // the vowel left, a quieter copy right
  for (double s : x) {
    stereo.push_back(s);
    stereo.push_back(0.25 * s);
  }
  write_sound(dir.file("ref.wav"), x, rate, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  write_sound(dir.file("24.wav"), x, rate, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
  write_sound(dir.file("float.wav"), x, rate, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  write_sound(dir.file("x.flac"), x, rate, 1, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  write_sound(dir.file("x.aiff"), x, rate, 1, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
  write_sound(dir.file("stereo.wav"), stereo, rate, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16);

  const auto ref = vocana::track_formants(vocana::read_audio(dir.file("ref.wav"), 0).samples, rate,
                                          vocana::TrackSettings{});
  struct Case {
    std::string name;
    int channel;
  };
  for (const Case& c : {Case{"24.wav", 0}, Case{"float.wav", 0}, Case{"x.flac", 0},
                        Case{"x.aiff", 0}, Case{"stereo.wav", 1}, Case{"stereo.wav", 0}}) {
    const vocana::Audio audio = vocana::read_audio(dir.file(c.name), c.channel);
    EXPECT_EQ(audio.rate, rate);
    const auto t = vocana::track_formants(audio.samples, audio.rate, vocana::TrackSettings{});
    ASSERT_EQ(t.time.size(), ref.time.size()) << c.name;
    for (std::size_t j = 0; j < t.time.size(); ++j) {
      for (int i = 0; i < 3; ++i) {
        const double a = t.frequency[j * 5 + i], b = ref.frequency[j * 5 + i];
        ASSERT_EQ(std::isnan(a), std::isnan(b)) << c.name << " frame " << j;
        if (!std::isnan(a)) {
          EXPECT_NEAR(a, b, SAME_TRACK_HZ) << c.name << " frame " << j << " F" << i + 1;
        }
      }
    }
  }
  // The mix is the mean of the channels; channel 2 is the quiet copy.
  const auto mix = vocana::read_audio(dir.file("stereo.wav"), 0);
  const auto right = vocana::read_audio(dir.file("stereo.wav"), 2);
  EXPECT_EQ(mix.channels, 2);
  EXPECT_NEAR(mix.samples[1000], 0.625 * x[1000], 1e-4);
  EXPECT_NEAR(right.samples[1000], 0.25 * x[1000], 1e-4);
}

TEST(ReadAudio, FailuresNameTheFileAndTheReason) {
  TempFolder dir;
  const std::string missing = dir.file("missing.wav");
  EXPECT_EQ(error_text(missing, 0),
            missing + ": cannot open the file (No such file or directory)\n");

  const std::string empty = dir.file("empty.wav");
  std::ofstream(empty).close();
  EXPECT_EQ(error_text(empty, 0), empty + ": the file is empty\n");

  const std::string text = dir.file("notes.txt");
  std::ofstream(text) << "not a sound\n";
  EXPECT_EQ(error_text(text, 0), text +
                                     ": not a sound file that can be read (Format not "
                                     "recognised); convert it with sox, e.g. sox '" +
                                     text + "' out.wav\n");

  const std::string header_only = dir.file("header.wav");
  write_sound(header_only, {}, 16000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_EQ(error_text(header_only, 0), header_only + ": the file holds no samples\n");

  const std::string stereo = dir.file("stereo.wav");
  write_sound(stereo, std::vector<double>(200, 0.1), 16000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  try {
    vocana::read_audio(stereo, 3);
    FAIL();
  } catch (const vocana::Error& e) {
    EXPECT_EQ(e.kind(), vocana::ErrorKind::settings);
    EXPECT_EQ(std::string(e.what()), stereo + ": there is no channel 3; the file has 2 channels\n");
  }
}

}  // namespace
