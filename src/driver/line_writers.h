// The result lines of vocana, formatted through a text buffer: the frame
// prefix "%5ld pnt %7.2f ms <tag>", formant and bandwidth lines, LP
// coefficient and tilt lines, spectrum blocks and the speech-wave dump.
#pragma once

#include <vocana/analysis.h>

#include <array>
#include <cstdio>
#include <span>

#include "driver/text_format.h"

// Text of result lines on its way to one stream: filled by the fast
// formatting and handed to the stream whenever it runs full and at the end of
// every line group, so that streams sharing a file keep their order.
struct TextBuffer {
  static constexpr int CAPACITY = 1 << 16;
  static constexpr int RESERVE = 32 * FORMAT_MAX_CHARS;  // one whole line at the most
  std::array<char, CAPACITY> data;
  char* end = data.data();
};

// write_wave_dump: "#speech wave (threshold: %d)\n#time[ms] amplitude\n", then
//   "%7.2f   %ld\n" (time [ms], amplitude) per point of first..last, then an
//   empty line.
//   samples      in  the whole sound; first..last inside it
//   fs           in  sampling frequency [Hz]
void write_wave_dump(std::FILE* out, std::span<const vocana::Sample> samples, int first, int last,
                     int threshold, int fs, TextBuffer& text);

// write_formant_line: prefix with tag ("F: " or "B: "), then "%8.1f" per
//   value of values[1..count], then a line end.
void write_formant_line(std::FILE* out, const char* tag, const vocana::FrameResult& frame,
                        std::span<const double> values, int count, TextBuffer& text);

// write_tilt_line: prefix with "t: ", then "%f" of the tilt [dB/oct].
void write_tilt_line(std::FILE* out, const vocana::FrameResult& frame, TextBuffer& text);

// write_coef_line: prefix with "a: ", then "%+e " per coefficient a[1..p].
void write_coef_line(std::FILE* out, const vocana::FrameResult& frame, int p, TextBuffer& text);

// write_spectrum_block: "# <title> power spectrum\t%5ld pnt %7.2f ms\n",
//   "# frq[Hz] power[dB]\n", "%f %f\n" per point, then an empty line.
//   freq, power  in  [0..points-1] [Hz], [dB]
void write_spectrum_block(std::FILE* out, const char* title, const vocana::FrameResult& frame,
                          std::span<const double> freq, std::span<const double> power,
                          TextBuffer& text);
