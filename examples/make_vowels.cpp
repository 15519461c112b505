// Writes the bundled example: three vowels, each a glottal pulse train through
// a cascade of two-pole resonators at known formant frequencies, so the
// formant tracks the analyser should find are known in advance.
//
//   make_vowels <output.wav>
//
// 16000 Hz, mono, 16-bit PCM; 0.3 s per vowel with 20 ms fades.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRate = 16000;
constexpr double kPi = 3.14159265358979323846;

struct Vowel {
  double f0;             // [Hz] pitch
  double formants[4];    // [Hz]
  double bandwidths[4];  // [Hz]
};

// /a/, /i/, /u/ of an adult male voice.
constexpr Vowel kVowels[] = {
    {120.0, {730.0, 1090.0, 2440.0, 3400.0}, {80.0, 90.0, 120.0, 150.0}},
    {110.0, {270.0, 2290.0, 3010.0, 3700.0}, {60.0, 100.0, 120.0, 150.0}},
    {100.0, {300.0, 870.0, 2240.0, 3300.0}, {60.0, 80.0, 120.0, 150.0}},
};

std::vector<double> synthesise(const Vowel& v, int count) {
  std::vector<double> signal(count, 0.0);
  const double period = kRate / v.f0;
  for (double t = 0.0; t < count; t += period) signal[static_cast<int>(t)] = 1.0;
  for (int k = 0; k < 4; ++k) {
    const double radius = std::exp(-kPi * v.bandwidths[k] / kRate);
    const double a1 = -2.0 * radius * std::cos(2.0 * kPi * v.formants[k] / kRate);
    const double a2 = radius * radius;
    double y1 = 0.0, y2 = 0.0;
    for (double& s : signal) {
      const double y = s - a1 * y1 - a2 * y2;
      y2 = y1;
      y1 = y;
      s = y;
    }
  }
  // Fade in and out over 20 ms.
  const int fade = kRate / 50;
  for (int i = 0; i < fade && i < count; ++i) {
    const double g = static_cast<double>(i) / fade;
    signal[i] *= g;
    signal[count - 1 - i] *= g;
  }
  return signal;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_vowels <output.wav>\n");
    return 1;
  }
  const int per_vowel = kRate * 3 / 10;
  std::vector<double> all;
  for (const Vowel& v : kVowels) {
    std::vector<double> part = synthesise(v, per_vowel);
    all.insert(all.end(), part.begin(), part.end());
  }
  double peak = 0.0;
  for (double s : all) peak = std::max(peak, std::fabs(s));
  std::vector<std::int16_t> samples(all.size());
  for (std::size_t i = 0; i < all.size(); ++i)
    samples[i] = static_cast<std::int16_t>(std::lround(all[i] / peak * 16000.0));

  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* out = sf_open(argv[1], SFM_WRITE, &info);
  if (out == nullptr) {
    std::fprintf(stderr, "make_vowels: %s\n", sf_strerror(nullptr));
    return 1;
  }
  sf_writef_short(out, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(out);
  return 0;
}
