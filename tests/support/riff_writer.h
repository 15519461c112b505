// Little-endian RIFF WAVE bytes built by hand, so that a test controls every
// field: chunk order, declared sizes, format tag, channels and bits, even
// values no sound file library would write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace riff {

// le16, le32: value as 2 or 4 little-endian bytes.
inline std::string le16(std::uint32_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}
inline std::string le32(std::uint32_t value) { return le16(value & 0xFFFF) + le16(value >> 16); }

// pcm16: samples[0..n-1] as 2n little-endian bytes.
inline std::string pcm16(const std::vector<std::int16_t>& samples) {
  std::string bytes;
  bytes.reserve(2 * samples.size());
  for (std::int16_t s : samples) bytes += le16(static_cast<std::uint16_t>(s));
  return bytes;
}

// chunk: id (4 characters), size, body, and a pad byte after an odd body.
//   declared  in  the size field; -1: the body's own size
inline std::string chunk(const std::string& id, const std::string& body,
                         std::int64_t declared = -1) {
  std::string bytes = id + le32(static_cast<std::uint32_t>(
                               declared < 0 ? static_cast<std::int64_t>(body.size()) : declared));
  bytes += body;
  if (body.size() % 2 != 0) bytes += '\0';
  return bytes;
}

// fmt_body: the 16 bytes of a "fmt " chunk: tag (1: PCM), channels, rate [Hz],
// byte rate, block align and bits per sample.
inline std::string fmt_body(std::uint32_t tag, std::uint32_t channels, std::uint32_t rate,
                            std::uint32_t bits) {
  const std::uint32_t block = channels * (bits / 8);
  return le16(tag) + le16(channels) + le32(rate) + le32(rate * block) + le16(block) + le16(bits);
}

// riff_wave: id, size, "WAVE", then chunks as given.
//   id        in  "RIFF", or another id a case needs ("RIFX", "RF64")
//   declared  in  the size field; -1: the true size, 4 + chunks
inline std::string riff_wave(const std::string& chunks, const std::string& id = "RIFF",
                             std::int64_t declared = -1) {
  const std::int64_t size = declared < 0 ? static_cast<std::int64_t>(4 + chunks.size()) : declared;
  return id + le32(static_cast<std::uint32_t>(size)) + "WAVE" + chunks;
}

// mono16_wav: the canonical 44-byte-header file of mono 16-bit PCM at rate [Hz].
inline std::string mono16_wav(const std::vector<std::int16_t>& samples, std::uint32_t rate) {
  return riff_wave(chunk("fmt ", fmt_body(1, 1, rate, 16)) + chunk("data", pcm16(samples)));
}

}  // namespace riff
