// Loading the one input sound of a run: RIFF WAVE or headerless 16-bit.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/constants.h"

// Size of the caller's format-description buffer [characters, NUL included].
inline constexpr int FORMAT_DESCRIPTION_SIZE = 128;

// getSoundData: loads all samples of path.
//   path             in   the file name from the command line
//   big_endian_raw   in   true: read as raw big-endian 16-bit whatever the file
//                         holds (header bytes included)
//   count            out  0 at entry; the number of samples on success
//   rate             out  -1 at entry; the header's rate [Hz] for RIFF input,
//                         stays -1 for raw input
//   description      out  FORMAT_DESCRIPTION_SIZE characters; emptied at entry,
//                         filled with "<header name> <format name>" as soon as
//                         the kind of input is decided
//   messages         in/out  the loader's lines are appended (the refusal's,
//                         or the warning of a short data chunk on success)
// Returns the samples (each equal to the stored 16-bit value), or std::nullopt
// after appending the loader's own message lines; count and rate then keep
// their entry values.
//   Input: a RIFF WAVE file (leading "RIFF", "WAVE" at 8) of one channel of
//   16-bit PCM, plain or WAVE_FORMAT_EXTENSIBLE; anything without a known
//   header is raw. Other headers (RIFX, AIFF, RF64, ...) and RIFF files of
//   other sample formats are refused: "error: getSoundData(): data format (%s)
//   is not RIFF nor RAW\n". Stereo: "Error: getSoundData(): Cannot handle %d
//   channel data.\n".
//   A RIFF WAVE file with a "LIST" chunk that runs past the end of the file,
//   or a sub-chunk that runs past the end of its LIST chunk (the sound file
//   library can loop for ever over it): "error: getSoundData(): broken LIST
//   chunk in the RIFF header.\n".
//   A missing path, a directory, or a file that cannot be opened: the system's
//   error text on a line of its own, then "cannot open %s.\n"; a RIFF WAVE
//   file the sound file library cannot open: the library's text, then the
//   same line.
//   A data chunk declaring more than the file holds loads the whole frames
//   that are there, after "error: getSoundData(): number of read data is not
//   same as in header.\n". More than 2^31 - 1 samples: "Error: getSoundData():
//   too many samples in %s.\n". Raw input failing in getdata: getdata's line,
//   then "error: getSoundData(): getdata() cannot read data\n".
//   A FIFO, device or socket is never opened; it is raw and fails as size 0.
// Allocates the returned block only (2 bytes per sample, read straight into it).
// With big_endian_raw the sound file library is never called.
std::optional<std::vector<Sample>> getSoundData(const char* path, bool big_endian_raw, int& count,
                                                int& rate, std::span<char> description,
                                                std::string& messages);
