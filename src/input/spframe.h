// Raw sample files, the span of speech above a threshold, Hamming frames.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/constants.h"

// getdata: reads a headerless file of 16-bit samples whole.
//   path   in   file to read
//   count  out  on success the file size in bytes / 2; not written on failure
//   swap   in   1: the file is big-endian, 0: little-endian
//   messages  in/out  the refusal's line is appended
// Returns the samples, or std::nullopt after appending one "error: getdata: ..."
// line (cannot stat, size 0, 2 GiB or more, cannot allocate, cannot
// open, read error, short read or odd size). Anything but a regular file (a
// FIFO, device, socket or directory) counts as size 0 and is never opened.
// Allocates the returned block (file size bytes) and reads the file into it
// with one read call; the bytes are swapped in place.
std::optional<std::vector<Sample>> getdata(const char* path, int& count, int swap,
                                           std::string& messages);

// detect_sp_duration: from the first to the last loud sample (|s| >= threshold).
//   samples    in   samples[0..count-1]
//   count      in   number of samples (a count above samples.size() is taken
//                   as samples.size(): nothing outside samples is read)
//   threshold  in   a sample is loud when its magnitude, as a 32-bit int
//                   (32768 for -32768), is >= threshold
//   min_len    in   minimum span length [points] (the driver passes the frame
//                   length)
//   start      out  index of the first loud sample
//   end        out  index of the last loud sample (inclusive)
//   messages   in/out  the failure's line is appended
// Returns end - start + 1 (>= 1), or 0 after appending "error:
// detect_sp_duration: forward scanning failure.\n" (start not written) or
// "... backward scanning failure.\n" (start written, end not). The forward scan
// looks at indexes 0 .. count - min_len at most (only 0 when count < min_len);
// the backward scan at count - 1 down to start + min_len at most. A span is
// thus at least min_len + 1 long unless it ends on the last sample.
// Allocates nothing.
int detect_sp_duration(std::span<const Sample> samples, int count, int threshold, int min_len,
                       int& start, int& end, std::string& messages);

// get_frame_hmw: one frame times the periodic Hamming window
//   w[i] = 0.54 - 0.46 cos(i * (6.28318530717958 / n)), the step divided
//   first and then multiplied by i (the bits depend on this order).
//   samples  in   the whole sound
//   last     in   last index (inclusive) the frame may use, inside the sound
//   first    in   index of the frame's first sample
//   n        in   frame length [points]
//   frame    out  frame[0..n-1], written only when n is returned
// Returns -1 when first < 0, 0 when first + n - 1 > last, else n. A frame
// that would read past the end of samples or write past the end of frame is
// treated as not fitting (0). Computes one cosine per point; allocates nothing.
int get_frame_hmw(std::span<const Sample> samples, int last, int first, int n,
                  std::span<double> frame);

// hamming_window: the window of get_frame_hmw as a table, computed by the same
// expression so that every value has the same bits.
//   n       in   frame length [points], >= 1
//   window  out  window[0..n-1] = 0.54 - 0.46 cos(i * (6.28318530717958 / n));
//                nothing is written when window holds fewer than n values
void hamming_window(int n, std::span<double> window);

// get_frame_windowed: get_frame_hmw with the window taken from a table, for a
// loop that cuts many frames of one length. Same checks, results and bits.
//   samples  in   the whole sound
//   last     in   last index (inclusive) the frame may use, inside the sound
//   first    in   index of the frame's first sample
//   n        in   frame length [points]
//   window   in   window[0..n-1] from hamming_window(n, window)
//   frame    out  frame[0..n-1] = samples[first + i] * window[i], written only
//                 when n is returned
// Returns -1 when first < 0, 0 when first + n - 1 > last (or the frame would
// leave samples, window or frame), else n. Allocates nothing.
int get_frame_windowed(std::span<const Sample> samples, int last, int first, int n,
                       std::span<const double> window, std::span<double> frame);
