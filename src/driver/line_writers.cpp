#include "driver/line_writers.h"

#include <cstring>

namespace {

void flush_text(TextBuffer& text, std::FILE* out) {
  std::fwrite(text.data.data(), 1, static_cast<std::size_t>(text.end - text.data.data()), out);
  text.end = text.data.data();
}

// Makes room for one more line.
void reserve_line(TextBuffer& text, std::FILE* out) {
  if (text.data.data() + TextBuffer::CAPACITY - text.end < TextBuffer::RESERVE)
    flush_text(text, out);
}

char* put_text(char* out, const char* text) {
  const std::size_t length = std::strlen(text);
  std::memcpy(out, text, length);
  return out + length;
}

// "%5ld pnt %7.2f ms <tag>"
char* put_frame_prefix(char* out, const vocana::FrameResult& frame, const char* tag) {
  out = put_long(out, frame.start, 5);
  out = put_text(out, " pnt ");
  out = put_fixed(out, frame.time_ms, 2, 7);
  out = put_text(out, " ms ");
  return put_text(out, tag);
}

double points_to_ms(long points, int fs) { return static_cast<double>(points) / fs * 1000.0; }

}  // namespace

void write_wave_dump(std::FILE* out, std::span<const vocana::Sample> samples, int first, int last,
                     int threshold, int fs, TextBuffer& text) {
  std::fprintf(out, "#speech wave (threshold: %d)\n", threshold);
  std::fprintf(out, "#time[ms] amplitude\n");
  for (int i = first; i <= last; ++i) {
    reserve_line(text, out);
    char* at = put_fixed(text.end, points_to_ms(i, fs), 2, 7);
    at = put_text(at, "   ");
    at = put_long(at, samples[i], 0);
    *at++ = '\n';
    text.end = at;
  }
  *text.end++ = '\n';
  flush_text(text, out);
}

void write_formant_line(std::FILE* out, const char* tag, const vocana::FrameResult& frame,
                        std::span<const double> values, int count, TextBuffer& text) {
  char* at = put_frame_prefix(text.end, frame, tag);
  for (int f = 1; f <= count; ++f) at = put_fixed(at, values[f], 1, 8);
  *at++ = '\n';
  text.end = at;
  flush_text(text, out);
}

void write_tilt_line(std::FILE* out, const vocana::FrameResult& frame, TextBuffer& text) {
  char* at = put_frame_prefix(text.end, frame, "t: ");
  at = put_fixed(at, frame.tilt, 6, 0);
  *at++ = '\n';
  text.end = at;
  flush_text(text, out);
}

void write_coef_line(std::FILE* out, const vocana::FrameResult& frame, int p, TextBuffer& text) {
  char* at = put_frame_prefix(text.end, frame, "a: ");
  for (int j = 1; j <= p; ++j) {
    at = put_exponent(at, frame.coefs[j]);
    *at++ = ' ';
  }
  *at++ = '\n';
  text.end = at;
  flush_text(text, out);
}

void write_spectrum_block(std::FILE* out, const char* title, const vocana::FrameResult& frame,
                          std::span<const double> freq, std::span<const double> power,
                          TextBuffer& text) {
  char* at = put_text(text.end, "# ");
  at = put_text(at, title);
  at = put_text(at, " power spectrum\t");
  at = put_frame_prefix(at, frame, "");
  at = put_text(at - 1, "\n# frq[Hz] power[dB]\n");
  text.end = at;
  for (int i = 0; i < frame.spectrum_points; ++i) {
    reserve_line(text, out);
    at = put_fixed(text.end, freq[i], 6, 0);
    *at++ = ' ';
    at = put_fixed(at, power[i], 6, 0);
    *at++ = '\n';
    text.end = at;
  }
  *text.end++ = '\n';
  flush_text(text, out);
}
