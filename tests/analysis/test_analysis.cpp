// The library as a caller sees it, through its public headers only: a failure
// in the frame loop and a refused file are errors the caller catches, after
// which the same process goes on analysing; frames on several threads are the
// frames of one.
#include <gtest/gtest.h>
#include <unistd.h>
#include <vocana/analysis.h>
#include <vocana/error.h>
#include <vocana/sound.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/riff_writer.h"

namespace {

std::vector<vocana::Sample> noise(int count, int amplitude, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<int> value(-amplitude, amplitude);
  std::vector<vocana::Sample> samples(count);
  for (vocana::Sample& s : samples) s = static_cast<vocana::Sample>(value(generator));
  return samples;
}

// A pulse train at 120 Hz through one resonator at 700 Hz (bandwidth 80 Hz), 12 kHz.
std::vector<vocana::Sample> vowel(int count) {
  const double radius = std::exp(-M_PI * 80.0 / 12000.0);
  const double a1 = -2.0 * radius * std::cos(2.0 * M_PI * 700.0 / 12000.0);
  const double a2 = radius * radius;
  std::vector<vocana::Sample> samples(count);
  double y1 = 0.0;
  double y2 = 0.0;
  for (int i = 0; i < count; ++i) {
    const double y = (i % 100 == 0 ? 1000.0 : 0.0) - a1 * y1 - a2 * y2;
    y2 = y1;
    y1 = y;
    samples[i] = static_cast<vocana::Sample>(std::lround(y));
  }
  return samples;
}

std::vector<vocana::FrameResult> frames_of(const std::vector<vocana::Sample>& samples,
                                           const vocana::AnalysisSettings& settings) {
  std::vector<vocana::FrameResult> frames;
  vocana::analyze(samples, settings, [&](const vocana::FrameResult& f) { frames.push_back(f); });
  return frames;
}

// At order 5, a frame that repeats these five samples sends the root finder
// past its iteration limit. Two or three frames of noise come before it, so
// that it is the first or the second of a pair analysed together.
TEST(Analyze, RootFinderFailureEndsTheRunAndTheNextRunIsNormal) {
  constexpr int N = 1583;
  const std::vector<vocana::Sample> cycle = {11268, 1022, 0, 0, 5728};
  const std::vector<vocana::Sample> speech = vowel(6000);

  for (int lead : {2, 3}) {
    std::vector<vocana::Sample> failing = noise(lead * N, 3000, 31);
    for (int i = 0; i < N; ++i) failing.push_back(cycle[i % cycle.size()]);
    for (int threads : {1, 2}) {
      SCOPED_TRACE(testing::Message() << lead << " frames before, threads " << threads);
      vocana::AnalysisSettings settings;
      settings.lpc_order = 5;
      settings.frame_length = N;
      settings.frame_rate = N;
      settings.threads = threads;
      std::vector<vocana::FrameResult> frames;
      try {
        vocana::analyze(failing, settings,
                        [&](const vocana::FrameResult& f) { frames.push_back(f); });
        ADD_FAILURE() << "no error";
      } catch (const vocana::Error& error) {
        EXPECT_EQ(error.kind(), vocana::ErrorKind::analysis);
        EXPECT_NE(std::string(error.what()).find("too many iterations in laguer\n"),
                  std::string::npos)
            << error.what();
      }
      ASSERT_EQ(frames.size(), static_cast<std::size_t>(lead + 1));
      for (int f = 0; f <= lead; ++f) {
        EXPECT_EQ(frames[f].start, f * N);
        EXPECT_EQ(frames[f].status,
                  f < lead ? vocana::FrameStatus::analyzed : vocana::FrameStatus::failed);
      }

      // The same process, the same settings object, another sound.
      settings.lpc_order = 2;
      settings.frame_length = 256;
      settings.frame_rate = 128;
      const std::vector<vocana::FrameResult> after = frames_of(speech, settings);
      ASSERT_EQ(after.size(), 45u);
      for (const vocana::FrameResult& f : after) {
        ASSERT_EQ(f.status, vocana::FrameStatus::analyzed) << f.start;
        ASSERT_EQ(f.formant_count, 1) << f.start;
        EXPECT_NEAR(f.formant_freq[1], 700.0, 50.0) << f.start;
      }
    }
  }
}

// values[0..n-1]: the part of a result array that the LP order reaches.
template <typename Array>
std::vector<double> head(const Array& values, int n) {
  return std::vector<double>(values.begin(), values.begin() + n);
}

// Frames handed out by several threads carry the same bits, in the same
// order, as frames analysed one after the other, messages included.
TEST(Analyze, ThreadsGiveTheFramesOfOne) {
  std::vector<vocana::Sample> samples = vowel(4000);
  samples.insert(samples.end(), 600, 0);  // two silent frames, with their message lines
  const std::vector<vocana::Sample> tail = noise(3000, 2000, 5);
  samples.insert(samples.end(), tail.begin(), tail.end());
  vocana::AnalysisSettings settings;
  constexpr int P = vocana::DEFAULT_LPC_ORDER;
  constexpr int SLOTS = (P + 1) / 2 + 1;  // formant slots [0..(p+1)/2]
  settings.fft_spectrum = true;
  settings.lpc_spectrum = true;
  const std::vector<vocana::FrameResult> one = frames_of(samples, settings);
  settings.threads = 3;
  const std::vector<vocana::FrameResult> three = frames_of(samples, settings);
  ASSERT_EQ(three.size(), one.size());
  ASSERT_GT(one.size(), 50u);
  std::size_t analyzed = 0;
  for (std::size_t i = 0; i < one.size(); ++i) {
    const vocana::FrameResult& a = one[i];
    const vocana::FrameResult& b = three[i];
    SCOPED_TRACE(a.start);
    EXPECT_EQ(b.start, a.start);
    EXPECT_EQ(b.status, a.status);
    EXPECT_EQ(b.messages, a.messages);
    if (a.status != vocana::FrameStatus::analyzed) continue;  // the rest holds no meaning
    ++analyzed;
    EXPECT_EQ(head(b.coefs, P + 1), head(a.coefs, P + 1));
    EXPECT_EQ(head(b.reflection, P), head(a.reflection, P));
    EXPECT_EQ(b.error, a.error);
    EXPECT_EQ(b.formant_count, a.formant_count);
    EXPECT_EQ(head(b.formant_freq, SLOTS), head(a.formant_freq, SLOTS));
    EXPECT_EQ(head(b.formant_bw, SLOTS), head(a.formant_bw, SLOTS));
    EXPECT_EQ(b.fft_power, a.fft_power);
    EXPECT_EQ(b.lpc_power, a.lpc_power);
  }
  EXPECT_EQ(analyzed, one.size() - 2);  // two silent frames
}

// A refused file is an error of kind file whose last line is the program's.
TEST(LoadSound, RefusalsAreFileErrorsEndingInFailToRead) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("vocana-analysis-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string missing = (dir / "missing.wav").string();
  const std::string stereo = (dir / "stereo.wav").string();
  const std::string empty = (dir / "empty.raw").string();
  std::ofstream(stereo, std::ios::binary)
      << riff::riff_wave(riff::chunk("fmt ", riff::fmt_body(1, 2, 16000, 16)) +
                         riff::chunk("data", riff::pcm16({1, 2, 3, 4})));
  std::ofstream(empty, std::ios::binary) << "";
  for (const std::string& path : {missing, stereo, empty}) {
    SCOPED_TRACE(path);
    try {
      vocana::load_sound(path, false);
      ADD_FAILURE() << "loaded";
    } catch (const vocana::Error& error) {
      EXPECT_EQ(error.kind(), vocana::ErrorKind::file);
      const std::string text = error.what();
      const std::string last = "Error: fail to read " + path + ".\n";
      ASSERT_GT(text.size(), last.size()) << text;
      EXPECT_EQ(text.substr(text.size() - last.size()), last) << text;
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
