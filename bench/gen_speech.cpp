// Writes the benchmark input: speech-like 16 kHz mono 16-bit audio of a given
// length, reproducible from a fixed seed.
//
//   gen_speech <output.wav> <output.raw> <seconds> [seed]
//
// The sound is a sequence of "utterances" (1 to 4 s) separated by pauses of
// digital silence (0.15 to 0.9 s, every sample exactly 0). An utterance is a
// chain of vowels (80 to 350 ms each) whose five formants glide from one
// vowel target to the next, with now and then a fricative (noise through a
// high resonance). The voiced source is a Rosenberg glottal pulse train,
// differentiated (lip radiation), with a pitch contour that falls over the
// utterance, wobbles slowly and carries a little jitter, plus a breath noise
// floor. Each utterance gets its own loudness. The same seed always gives the
// same samples (own xorshift generator, no std:: distributions).
//
// The .wav file is RIFF WAVE through libsndfile; the .raw file holds the same
// samples headerless, little-endian, for tools that read raw shorts.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kRate = 16000;                    // [Hz]
constexpr double kPi = 3.14159265358979323846;  // generator only
constexpr int kFormants = 5;
constexpr int kCoefStep = 16;  // [points] resonator update interval

struct Rng {
  std::uint64_t state;
};

// next: xorshift64*; returns a uniform value in [0, 1).
double next(Rng& g) {
  g.state ^= g.state >> 12;
  g.state ^= g.state << 25;
  g.state ^= g.state >> 27;
  const std::uint64_t v = g.state * 0x2545F4914F6CDD1DULL;
  return static_cast<double>(v >> 11) * (1.0 / 9007199254740992.0);
}

double uniform(Rng& g, double lo, double hi) { return lo + (hi - lo) * next(g); }

// Formant targets [Hz] of adult vowels, F1..F5.
constexpr double kVowelTargets[][kFormants] = {
    {730, 1090, 2440, 3400, 4500},  // a
    {270, 2290, 3010, 3700, 4700},  // i
    {300, 870, 2240, 3300, 4400},   // u
    {530, 1840, 2480, 3500, 4600},  // e
    {570, 840, 2410, 3350, 4500},   // o
    {660, 1720, 2410, 3450, 4550},  // ae
    {440, 1020, 2240, 3300, 4450},  // schwa-like
    {390, 1990, 2550, 3600, 4650},  // I
};
constexpr int kVowelCount = sizeof(kVowelTargets) / sizeof(kVowelTargets[0]);
constexpr double kBandwidths[kFormants] = {70, 90, 130, 180, 250};  // [Hz]

struct Resonator {
  double a1, a2, gain, y1, y2;
};

void tune(Resonator& r, double frequency, double bandwidth) {
  const double radius = std::exp(-kPi * bandwidth / kRate);
  r.a1 = -2.0 * radius * std::cos(2.0 * kPi * frequency / kRate);
  r.a2 = radius * radius;
  r.gain = 1.0 + r.a1 + r.a2;  // unit gain at 0 Hz
}

double filter(Resonator& r, double x) {
  const double y = r.gain * x - r.a1 * r.y1 - r.a2 * r.y2;
  r.y2 = r.y1;
  r.y1 = y;
  return y;
}

// Rosenberg glottal flow at phase [0, 1) of a period.
double glottal_flow(double phase) {
  constexpr double kOpen = 0.40, kClose = 0.16;
  if (phase < kOpen) return 0.5 * (1.0 - std::cos(kPi * phase / kOpen));
  if (phase < kOpen + kClose) return std::cos(0.5 * kPi * (phase - kOpen) / kClose);
  return 0.0;
}

// One utterance of `count` points, scaled to a peak of `peak`.
void utterance(Rng& g, int count, double peak, std::vector<double>& out) {
  const std::size_t begin = out.size();
  out.resize(begin + count, 0.0);

  const double f0_start = uniform(g, 90.0, 230.0);          // [Hz]
  const double f0_end = f0_start * uniform(g, 0.65, 0.95);  // declination
  const double wobble_rate = uniform(g, 2.0, 5.0);          // [Hz]
  const double wobble_depth = uniform(g, 0.03, 0.10);

  Resonator voiced[kFormants] = {};
  Resonator fricative = {};
  tune(fricative, uniform(g, 3500.0, 6000.0), 1200.0);

  double from[kFormants], to[kFormants];
  int vowel = static_cast<int>(next(g) * kVowelCount);
  for (int k = 0; k < kFormants; ++k) from[k] = to[k] = kVowelTargets[vowel][k];

  int segment_left = 0, segment_length = 1, transition = 1;
  bool unvoiced = false;
  double phase = 0.0, period_scale = 1.0, previous_flow = 0.0;
  const int fade = kRate / 50;

  for (int n = 0; n < count; ++n) {
    if (segment_left == 0) {  // next segment: a vowel, or now and then a fricative
      for (int k = 0; k < kFormants; ++k) from[k] = to[k];
      unvoiced = next(g) < 0.12;
      if (unvoiced) {
        segment_length = static_cast<int>(uniform(g, 0.06, 0.15) * kRate);
        tune(fricative, uniform(g, 3500.0, 6000.0), uniform(g, 800.0, 1600.0));
      } else {
        vowel = static_cast<int>(next(g) * kVowelCount);
        for (int k = 0; k < kFormants; ++k) to[k] = kVowelTargets[vowel][k] * uniform(g, 0.9, 1.1);
        segment_length = static_cast<int>(uniform(g, 0.08, 0.35) * kRate);
      }
      transition =
          std::max(1, std::min(segment_length, static_cast<int>(uniform(g, 0.04, 0.08) * kRate)));
      segment_left = segment_length;
    }
    const int in_segment = segment_length - segment_left;
    --segment_left;

    if (n % kCoefStep == 0) {
      const double t = std::min(1.0, static_cast<double>(in_segment) / transition);
      const double w = 0.5 - 0.5 * std::cos(kPi * t);
      for (int k = 0; k < kFormants; ++k)
        tune(voiced[k], from[k] + (to[k] - from[k]) * w, kBandwidths[k]);
    }

    const double progress = static_cast<double>(n) / count;
    const double f0 = (f0_start + (f0_end - f0_start) * progress) *
                      (1.0 + wobble_depth * std::sin(2.0 * kPi * wobble_rate * n / kRate));
    phase += f0 * period_scale / kRate;
    if (phase >= 1.0) {
      phase -= 1.0;
      period_scale = 1.0 + uniform(g, -0.01, 0.01);  // jitter
    }
    const double flow = unvoiced ? 0.0 : glottal_flow(phase);
    const double source = (flow - previous_flow) * 40.0 + uniform(g, -0.02, 0.02);
    previous_flow = flow;

    double x = source;
    for (int k = 0; k < kFormants; ++k) x = filter(voiced[k], x);
    const double hiss = filter(fricative, uniform(g, -1.0, 1.0)) * (unvoiced ? 0.6 : 0.0);
    double s = x + hiss;

    if (n < fade) s *= static_cast<double>(n + 1) / fade;
    if (count - 1 - n < fade) s *= static_cast<double>(count - n) / fade;
    out[begin + n] = s;
  }

  double largest = 0.0;
  for (int n = 0; n < count; ++n) largest = std::max(largest, std::fabs(out[begin + n]));
  if (largest > 0.0)
    for (int n = 0; n < count; ++n) out[begin + n] *= peak / largest;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) {
    std::fprintf(stderr, "usage: gen_speech <output.wav> <output.raw> <seconds> [seed]\n");
    return 1;
  }
  const double seconds = std::strtod(argv[3], nullptr);
  if (!(seconds > 0.0) || seconds > 36000.0) {
    std::fprintf(stderr, "gen_speech: seconds must be in (0, 36000]\n");
    return 1;
  }
  Rng g{argc == 5 ? std::strtoull(argv[4], nullptr, 10) : 20240807ULL};
  if (g.state == 0) g.state = 1;
  const long total = std::lround(seconds * kRate);

  std::vector<double> signal;
  signal.reserve(total + 4 * kRate);
  while (static_cast<long>(signal.size()) < total) {
    const long left = total - static_cast<long>(signal.size());
    int length = static_cast<int>(uniform(g, 1.0, 4.0) * kRate);
    const int pause = static_cast<int>(uniform(g, 0.15, 0.9) * kRate);
    // The last utterance runs to the end of the file.
    if (left - length < pause + kRate) length = static_cast<int>(left);
    utterance(g, length, uniform(g, 6000.0, 26000.0), signal);
    if (static_cast<long>(signal.size()) < total) signal.resize(signal.size() + pause, 0.0);
  }
  signal.resize(total);

  std::vector<std::int16_t> samples(total);
  for (long i = 0; i < total; ++i)
    samples[i] = static_cast<std::int16_t>(std::clamp(std::lround(signal[i]), -32767L, 32767L));

  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* wav = sf_open(argv[1], SFM_WRITE, &info);
  if (wav == nullptr) {
    std::fprintf(stderr, "gen_speech: cannot write %s: %s\n", argv[1], sf_strerror(nullptr));
    return 1;
  }
  const sf_count_t written = sf_write_short(wav, samples.data(), total);
  sf_close(wav);
  if (written != total) {
    std::fprintf(stderr, "gen_speech: short write to %s\n", argv[1]);
    return 1;
  }

  std::FILE* raw = std::fopen(argv[2], "wb");
  if (raw == nullptr) {
    std::fprintf(stderr, "gen_speech: cannot write %s\n", argv[2]);
    return 1;
  }
  std::vector<unsigned char> bytes(2 * static_cast<std::size_t>(total));
  for (long i = 0; i < total; ++i) {
    const auto v = static_cast<std::uint16_t>(samples[i]);
    bytes[2 * i] = static_cast<unsigned char>(v & 0xff);
    bytes[2 * i + 1] = static_cast<unsigned char>(v >> 8);
  }
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), raw) == bytes.size();
  if (std::fclose(raw) != 0 || !ok) {
    std::fprintf(stderr, "gen_speech: short write to %s\n", argv[2]);
    return 1;
  }
  return 0;
}
