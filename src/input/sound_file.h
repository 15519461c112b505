// Sound file adapter: classifies an input file by its leading bytes, walks
// the chunks of a RIFF WAVE header, and reads 16-bit RIFF WAVE samples through
// the sound file library. The library itself stays inside sound_file.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "common/constants.h"

// The kinds of input the loader tells apart by the leading bytes.
enum HeaderType : int {
  HEADER_TYPE_RIFF,     // "RIFF" followed by "WAVE" at offset 8
  HEADER_TYPE_RAW,      // no header recognised: headerless samples
  HEADER_TYPE_REFUSED,  // a known header kind this loader does not read
};

// The sample formats the loader tells apart.
enum SampleFormat : int {
  DATA_FORMAT_LSHORT,  // 16-bit little-endian signed
  DATA_FORMAT_BSHORT,  // 16-bit big-endian signed
  DATA_FORMAT_OTHER,   // anything else (8/24/32-bit, float, ...)
};

// Format tags of the "fmt " chunk of a WAVE file that hold 16-bit PCM.
inline constexpr int WAVE_FORMAT_PCM = 0x0001;
inline constexpr int WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

// The kind of header a file starts with.
struct HeaderKind {
  HeaderType code;   // HEADER_TYPE_RIFF, HEADER_TYPE_RAW or HEADER_TYPE_REFUSED
  const char* name;  // static text: "RIFF", "raw (no header)", "AIFF", "Sun/Next", ...
};

// header_type_name: the name of a header type code.
//   code  in  HEADER_TYPE_RIFF or HEADER_TYPE_RAW
// Returns "RIFF" or "raw (no header)"; "unknown" for any other code.
const char* header_type_name(HeaderType code);

// data_format_name: the name of a sample format code.
//   code  in  DATA_FORMAT_LSHORT or DATA_FORMAT_BSHORT
// Returns "little endian short (16 bits)" or "big endian short (16 bits)";
// "unknown" for any other code.
const char* data_format_name(SampleFormat code);

// classify_header: the header kind given by a file's leading bytes.
//   head  in  head[0..size-1], the first bytes of the file (up to 12 are used)
// A file under 4 bytes, or one whose leading bytes match none of the known
// headers, is raw. Known headers:
//   "RIFF" with "WAVE" at 8                 -> HEADER_TYPE_RIFF, "RIFF"
//   "RIFF" without "WAVE" at 8, "RIFX"      -> refused, "RIFF"
//   "FORM" with "AIFF" or "AIFC" at 8       -> refused, "AIFF"
//   "RF64", ".snd", "caff", "fLaC", "OggS", "NIST"
//                                           -> refused, "RF64", "Sun/Next",
//                                              "CAFF", "FLAC", "Ogg", "NIST"
// Never fails; reads no byte beyond head.
HeaderKind classify_header(std::span<const unsigned char> head);

// probe_sound_file: checks that path names something readable and, on
// request, classifies it by its leading bytes.
//   path      in   the file name
//   classify  in   false: only check (the file is read as raw whatever it
//                  holds); the kind is then raw
//   kind      out  the header kind; raw for a FIFO, device or socket, which is
//                  never opened (opening a FIFO would block)
//   messages  in/out  the refusal's line is appended
// Returns true, or false after appending one line holding only the system's
// error text (strerror), when stat fails, the path is a directory ("Is a
// directory"), or a regular file cannot be opened or its first bytes cannot be
// read. Allocates nothing.
bool probe_sound_file(const char* path, bool classify, HeaderKind& kind, std::string& messages);

// What the chunk walk of a RIFF WAVE file found.
struct RiffChunks {
  bool has_format = false;       // a "fmt " chunk with its 2-byte format tag was found
  int format_tag = 0;            // that tag: WAVE_FORMAT_PCM, WAVE_FORMAT_EXTENSIBLE, 3 float, ...
  bool has_data = false;         // a "data" chunk header was found
  std::int64_t data_bytes = 0;   // the size the "data" chunk header declares [bytes],
                                 // 0 .. 0xFFFFFFFF, whatever the file really holds
  bool broken_list = false;      // a "LIST" chunk runs past the end of the file, or one
                                 // of its sub-chunks past the end of the LIST chunk (the
                                 // sound file library can loop for ever over such a chunk)
  bool too_many_chunks = false;  // the header holds more than MAX_RIFF_CHUNKS chunks and
                                 // LIST sub-chunks: the walk gave up there
};

// Most chunks and LIST sub-chunks, together, a RIFF WAVE header may hold.
// Real headers hold a few dozen (a LIST of cue labels a few thousand).
inline constexpr int MAX_RIFF_CHUNKS = 1 << 16;

// walk_riff_chunks: reads the chunk headers of a RIFF WAVE file from offset 12
// on (4-byte id, 32-bit little-endian size, body padded to an even length),
// keeping the first "fmt " and the first "data" chunk, and checks the
// sub-chunk headers of every "LIST" chunk (4-byte list type, then chunks as
// above). Like the sound file library's parser, the walk goes on past "data"
// and stops at the end of the file or at the first id that is not four
// printable ASCII characters (a run of zero bytes ends it); it also stops at
// a broken LIST chunk and after MAX_RIFF_CHUNKS chunks. Reads the file through
// a window of 4 KiB (one read per window, whatever the chunks), never beyond
// the file's end; chunk sizes up to 0xFFFFFFFF are taken as they are.
//   path  in  the file name
// Returns what was found; a file that cannot be read gives the defaults (no
// chunk found). Prints nothing; allocates nothing (the window is on the
// stack).
RiffChunks walk_riff_chunks(const char* path);

// What the sound file library reports about an open RIFF WAVE file.
struct RiffInfo {
  SampleFormat format = DATA_FORMAT_OTHER;  // DATA_FORMAT_LSHORT for 16-bit PCM little-endian in
                                            // a WAVE or WAVE_FORMAT_EXTENSIBLE file
  int channels = 0;                         // number of channels
  std::int64_t frames = 0;                  // frames (samples per channel) the file really holds,
                                            // at most those the data chunk declares
  int rate = 0;                             // sampling rate [Hz] from the header
};

// An open RIFF WAVE input; only sound_file.cpp sees inside. Closed by the
// handle's deleter.
struct RiffStream;
struct RiffStreamCloser {
  void operator()(RiffStream* stream) const;
};
using RiffHandle = std::unique_ptr<RiffStream, RiffStreamCloser>;

// open_riff: opens a RIFF WAVE file with the sound file library.
//   path  in   the file name (classified as HEADER_TYPE_RIFF beforehand)
//   info      out     format, channels, frames and rate; written only on success
//   messages  in/out  the refusal's line is appended
// Returns the open stream, or an empty handle after appending one line holding
// only the library's error text. Allocates the library's state.
RiffHandle open_riff(const char* path, RiffInfo& info, std::string& messages);

// read_riff_samples: reads 16-bit samples of a mono file from its first frame
// straight into samples.
//   stream   in   from open_riff, with info.format DATA_FORMAT_LSHORT and
//                 info.channels 1, nothing read from it yet
//   samples  out  samples[0..r-1], each the 16-bit value stored in the file
// Returns r, the number of frames read (<= samples.size(); fewer where the
// file ends early). Prints nothing; allocates nothing.
std::int64_t read_riff_samples(RiffStream& stream, std::span<Sample> samples);
