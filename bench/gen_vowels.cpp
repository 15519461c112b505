// Synthetic vowels with known formants for the accuracy benchmark of
// vocana-track: a Rosenberg glottal pulse train with a gently moving pitch,
// through a cascade of two-pole resonators whose frequencies follow the
// vowel (steady) or move between two vowels (glide), then a first
// difference for the radiation at the lips and a little noise.
//
//   gen_vowels <folder>
//
// Writes <voice>_<sound>_<rate>.wav (16-bit PCM, mono) for the voices men,
// women and children (F0 about 120, 220 and 260 Hz), five steady vowels and
// three glides, at 10000, 16000 and 44100 Hz, and beside each a .truth file:
// lines "time F1 F2 F3" [s, Hz] every 5 ms from 50 ms to the end less 50 ms.
// Resonators at or above 0.45 of the rate are left out. Deterministic.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr int FORMANTS = 5;
constexpr double STEADY_S = 0.4;  // [s] length of a steady vowel
constexpr double GLIDE_S = 0.5;   // [s] length of a glide
constexpr double EDGE_S = 0.05;   // [s] not scored at either end
constexpr double TRUTH_STEP_S = 0.005;

struct Voice {
  const char* name;
  double f0;            // [Hz] mean pitch
  double f45[2];        // [Hz] F4, F5
  double bw[FORMANTS];  // [Hz] bandwidths
  double vowels[5][3];  // [Hz] F1..F3 of i, e, a, o, u
};

// F1..F3: averages of American English vowels (Hillenbrand et al. 1995).
constexpr Voice VOICES[] = {
    {"men",
     120.0,
     {3500.0, 4500.0},
     {80.0, 90.0, 120.0, 180.0, 250.0},
     {{342, 2322, 3000}, {580, 1799, 2605}, {768, 1333, 2522}, {652, 997, 2538}, {378, 997, 2343}}},
    {"women",
     220.0,
     {4200.0, 5200.0},
     {90.0, 100.0, 140.0, 200.0, 280.0},
     {{437, 2761, 3372},
      {731, 2058, 2979},
      {936, 1551, 2815},
      {781, 1136, 2824},
      {459, 1105, 2735}}},
    {"children",
     260.0,
     {4600.0, 5800.0},
     {100.0, 110.0, 160.0, 220.0, 300.0},
     {{452, 3081, 3702},
      {749, 2267, 3310},
      {1002, 1688, 2950},
      {803, 1210, 2982},
      {494, 1345, 2988}}},
};

struct Sound {
  const char* name;
  int from;  // vowel index at the start
  int to;    // vowel index at the end (== from: steady)
};
constexpr Sound SOUNDS[] = {{"i", 0, 0}, {"e", 1, 1},  {"a", 2, 2},  {"o", 3, 3},
                            {"u", 4, 4}, {"ai", 2, 0}, {"ui", 4, 0}, {"ia", 0, 2}};
constexpr int RATES[] = {10000, 16000, 44100};

// The formant frequencies of a sound at share u [0..1] of its length.
void formants_at(const Voice& v, const Sound& s, double u, double f[FORMANTS]) {
  for (int k = 0; k < 3; ++k)
    f[k] = v.vowels[s.from][k] + u * (v.vowels[s.to][k] - v.vowels[s.from][k]);
  f[3] = v.f45[0];
  f[4] = v.f45[1];
}

// Rosenberg glottal flow at phase [0..1) of a period: open 40 %, closing 16 %.
double rosenberg(double phase) {
  constexpr double open = 0.40;
  constexpr double closing = 0.16;
  if (phase < open) return 0.5 * (1.0 - std::cos(PI * phase / open));
  if (phase < open + closing) return std::cos(0.5 * PI * (phase - open) / closing);
  return 0.0;
}

std::vector<double> synthesise(const Voice& v, const Sound& s, int rate) {
  const double seconds = s.from == s.to ? STEADY_S : GLIDE_S;
  const int count = static_cast<int>(seconds * rate);
  std::vector<double> out(count);
  double y1[FORMANTS] = {}, y2[FORMANTS] = {};
  double phase = 0.0, previous = 0.0;
  std::uint32_t seed = 12345;
  for (int n = 0; n < count; ++n) {
    const double u = static_cast<double>(n) / count;
    // Pitch: 5 % above the mean falling to 5 % below, with a slow wobble.
    const double f0 = v.f0 * (1.05 - 0.1 * u + 0.01 * std::sin(2.0 * PI * 3.0 * u * seconds));
    phase += f0 / rate;
    if (phase >= 1.0) phase -= 1.0;
    seed = seed * 1664525u + 1013904223u;
    const double noise = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.002;
    double x = rosenberg(phase) + noise;
    double f[FORMANTS];
    formants_at(v, s, u, f);
    for (int k = 0; k < FORMANTS; ++k) {
      if (f[k] >= 0.45 * rate) continue;
      const double r = std::exp(-PI * v.bw[k] / rate);
      const double a1 = -2.0 * r * std::cos(2.0 * PI * f[k] / rate);
      const double a2 = r * r;
      const double y = (1.0 + a1 + a2) * x - a1 * y1[k] - a2 * y2[k];  // unit gain at 0 Hz
      y2[k] = y1[k];
      y1[k] = y;
      x = y;
    }
    out[n] = x - previous;  // radiation at the lips
    previous = x;
  }
  // 10 ms fades at the ends, then the peak at half of full scale.
  const int fade = rate / 100;
  for (int i = 0; i < fade && i < count; ++i) {
    const double g = static_cast<double>(i) / fade;
    out[i] *= g;
    out[count - 1 - i] *= g;
  }
  double peak = 0.0;
  for (double x : out) peak = std::max(peak, std::fabs(x));
  for (double& x : out) x *= 0.5 / peak;
  return out;
}

bool write_sound(const std::string& path, const std::vector<double>& x, int rate) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return false;
  std::vector<short> samples(x.size());
  for (std::size_t i = 0; i < x.size(); ++i)
    samples[i] = static_cast<short>(std::lround(x[i] * 32767.0));
  sf_writef_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_vowels <folder>\n");
    return 1;
  }
  const std::string folder = argv[1];
  for (const Voice& v : VOICES) {
    for (const Sound& s : SOUNDS) {
      const double seconds = s.from == s.to ? STEADY_S : GLIDE_S;
      for (int rate : RATES) {
        const std::string base = folder + "/" + v.name + "_" + s.name + "_" + std::to_string(rate);
        if (!write_sound(base + ".wav", synthesise(v, s, rate), rate)) {
          std::fprintf(stderr, "gen_vowels: cannot write %s.wav: %s\n", base.c_str(),
                       sf_strerror(nullptr));
          return 1;
        }
        std::FILE* truth = std::fopen((base + ".truth").c_str(), "w");
        if (truth == nullptr) return 1;
        for (double t = EDGE_S; t <= seconds - EDGE_S + 1e-9; t += TRUTH_STEP_S) {
          double f[FORMANTS];
          formants_at(v, s, t / seconds, f);
          std::fprintf(truth, "%.4f %.2f %.2f %.2f\n", t, f[0], f[1], f[2]);
        }
        std::fclose(truth);
      }
    }
  }
  return 0;
}
