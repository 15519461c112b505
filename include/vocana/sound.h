// Loading a sound exactly as the vocana program loads it: a RIFF WAVE file of
// one channel of 16-bit PCM, or a headerless file of 16-bit samples.
#pragma once

#include <vocana/export.h>
#include <vocana/types.h>

#include <string>
#include <vector>

namespace vocana {

// A loaded sound.
struct Sound {
  std::vector<Sample> samples;  // [0..size-1], each the 16-bit value stored in the file
  int header_rate = -1;         // [Hz] the RIFF header's rate; -1 for a raw file
  std::string description;      // "<header name> <format name>", at most 127 characters,
                                // e.g. "RIFF little endian short (16 bits)"
  std::string messages;         // lines the load wrote on success ("" mostly): a data
                                // chunk shorter than its header declares loads the
                                // whole frames present, after one line saying so
};

// load_sound: loads all samples of path.
//   path            in  file name
//   big_endian_raw  in  true: read as headerless big-endian 16-bit samples whatever the
//                       file holds (header bytes included); false: a RIFF WAVE file by its
//                       leading bytes ("RIFF", "WAVE" at 8), anything without a known
//                       header as headerless little-endian samples
// Returns the sound. Throws Error (kind file) whose text is every line vocana prints for
// the refusal, ending in "Error: fail to read <path>.\n": a missing or unreadable file or
// a directory (the system's reason, then "cannot open <path>.\n"), an empty file, another
// header kind (AIFF, FLAC, ...) or sample format ("... is not RIFF nor RAW"), more than one
// channel, a broken LIST chunk, more than 2^31 - 1 samples. A FIFO, device or socket is
// never opened. Allocates the sample array (2 bytes a sample).
VOCANA_API Sound load_sound(const std::string& path, bool big_endian_raw);

}  // namespace vocana
