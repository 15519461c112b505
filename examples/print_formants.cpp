// Prints the formants of every analysed frame of a sound file through the
// vocana library:  print_formants FILE
#include <vocana/analysis.h>
#include <vocana/error.h>
#include <vocana/sound.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  try {
    const vocana::Sound sound = vocana::load_sound(argv[1], false);
    vocana::AnalysisSettings settings;
    if (sound.header_rate > 0) settings.sampling_frequency = sound.header_rate;
    vocana::analyze(sound.samples, settings, [](const vocana::FrameResult& frame) {
      if (frame.status != vocana::FrameStatus::analyzed) return;
      std::printf("%.4f", frame.time_ms / 1000.0);
      for (int f = 1; f <= frame.formant_count; ++f) std::printf(" %.1f", frame.formant_freq[f]);
      std::printf("\n");
    });
  } catch (const vocana::Error& error) {
    std::fputs(error.what(), stderr);
    return 1;
  }
}
