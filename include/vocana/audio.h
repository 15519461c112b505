// Reading sound files of every format libsndfile reads (WAV of any sample
// format, AIFF, AU, FLAC, NIST, Ogg/Vorbis, ...) as one channel of doubles.
#pragma once

#include <vocana/export.h>

#include <string>
#include <vector>

namespace vocana {

// One channel of a sound file, or the mean of all its channels.
struct Audio {
  std::vector<double> samples;  // [0..frames-1], full scale is +-1.0
  int rate = 0;                 // [Hz] sampling rate of the file
  int channels = 0;             // number of channels in the file
};

// read_audio: the samples of one channel of a sound file.
//   path     in  file name; "-" reads standard input (a pipe is read into
//                memory first, so that every format works from a pipe)
//   channel  in  0: the mean of all channels, sample by sample;
//                1..channels: that channel alone
// Returns the samples as libsndfile's sf_read_double gives them: integer
// formats normalised to +-1.0 of full scale, float formats as stored.
// Throws vocana::Error, its text one line naming the file:
//   ErrorKind::file      the file cannot be opened (the system's reason), is
//                        not a format libsndfile reads (its reason, and to
//                        convert the file with sox), is empty (a pipe too),
//                        holds no samples, or fails part-way through
//   ErrorKind::settings  channel is negative or above the file's channel
//                        count (which the text gives)
// Allocates the sample array; nothing is written to any stream.
VOCANA_API Audio read_audio(const std::string& path, int channel);

}  // namespace vocana
