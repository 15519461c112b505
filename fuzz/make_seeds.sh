#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets into <folder>/{loader,frame,command_line}/.
#   loader:        small sound files: WAV variants (good and bad), other headers, raw bytes
#   frame:         [LP order][frame length, 2 bytes][flags] + 16-bit samples (fuzz_frame.cpp)
#   command_line:  token bytes as fuzz_command_line.cpp decodes them
set -euo pipefail
out=${1:?usage: make_seeds.sh <folder>}
mkdir -p "$out/loader" "$out/frame" "$out/command_line"

# Byte writers: bytes 1 2 3 (decimal), le16 / le32 values, be32 values.
bytes() { local b; for b in "$@"; do printf "\\x$(printf %02x "$b")"; done; }
le16() { local v; for v in "$@"; do bytes $((v & 255)) $(((v >> 8) & 255)); done; }
le32() { local v; for v in "$@"; do le16 $((v & 65535)) $(((v >> 16) & 65535)); done; }
be32() { local v; for v in "$@"; do bytes $(((v >> 24) & 255)) $(((v >> 16) & 255)) $(((v >> 8) & 255)) $((v & 255)); done; }

# A short saw-like wave of n 16-bit samples.
wave() { local i; for ((i = 0; i < $1; i++)); do le16 $(((((i * 37) % 200) - 100) * 100 & 65535)); done; }

# wav <file> <format tag> <channels> <rate> <bits> <data bytes declared> <data bytes present>
wav() {
  local file=$1 tag=$2 ch=$3 rate=$4 bits=$5 declared=$6 present=$7
  local block=$((ch * bits / 8))
  {
    printf 'RIFF'; le32 $((36 + present)); printf 'WAVEfmt '; le32 16
    le16 "$tag" "$ch"; le32 "$rate" $((rate * block)); le16 "$block" "$bits"
    printf 'data'; le32 "$declared"; wave $((present / 2))
  } > "$file"
}

L=$out/loader
wav "$L/mono16.wav" 1 1 16000 16 128 128
wav "$L/stereo16.wav" 1 2 16000 16 128 128
wav "$L/pcm8.wav" 1 1 8000 8 64 64
wav "$L/pcm24.wav" 1 1 16000 24 96 96
wav "$L/float32.wav" 3 1 16000 32 128 128
wav "$L/claims_more.wav" 1 1 16000 16 100000 64
wav "$L/rate0.wav" 1 1 0 16 64 64
wav "$L/channels0.wav" 1 0 16000 16 64 64
{ printf 'RIFF'; le32 200; printf 'WAVELIST'; le32 4; printf 'INFO'
  printf 'fmt '; le32 40; le16 65534 1; le32 16000 32000; le16 2 16 22 16; le32 4
  le32 1; le16 0 16; bytes 128 0 0 170 0 56 155 113
  printf 'data'; le32 64; wave 32; } > "$L/extensible_list.wav"
{ printf 'RIFX'; be32 100; printf 'WAVEfmt '; be32 16; bytes 0 1 0 1 0 0 62 128 0 0 125 0 0 2 0 16
  printf 'data'; be32 64; wave 32; } > "$L/rifx.wav"
{ printf 'RF64'; le32 4294967295; printf 'WAVEds64'; le32 28; le32 0 0 0 0 0 0 0; } > "$L/rf64.wav"
{ printf 'FORM'; be32 100; printf 'AIFFCOMM'; be32 18; bytes 0 1 0 0 0 32 0 16 64 13 172 68 0 0 0 0 0 0
  printf 'SSND'; be32 72; be32 0 0; wave 32; } > "$L/aiff.aif"
{ bytes 255 251 144 100; wave 60; } > "$L/mp3_sync.raw"
# Chunk walk: chunks after "data" (the library's parser goes on to the end of
# the file), zeros that end the walk, a broken LIST after data, a run of empty
# chunks, an odd-sized chunk before "fmt " (pad byte).
# pcm16 <data bytes> [bytes after data]: a mono 16 kHz file whose RIFF size
# counts what follows.
pcm16() {
  local present=$1 after=${2:-}
  printf 'RIFF'; le32 $((36 + present + ${#after})); printf 'WAVEfmt '; le32 16
  le16 1 1; le32 16000 32000; le16 2 16; printf 'data'; le32 "$present"; wave $((present / 2))
}
{ pcm16 64; bytes 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0; printf 'LIST'; le32 4294901764; printf 'INFO'; } \
  > "$L/zeros_after_data.wav"
{ pcm16 64; printf 'junk'; le32 2; printf 'ab'; printf 'LIST'; le32 4294901764; printf 'INFO'; } \
  > "$L/broken_list_after_data.wav"
{ pcm16 64; for ((i = 0; i < 200; i++)); do printf 'junk'; le32 0; done; } > "$L/empty_chunks.wav"
{ printf 'RIFF'; le32 110; printf 'WAVEodd '; le32 3; printf 'xyz'; bytes 0
  printf 'fmt '; le32 16; le16 1 1; le32 16000 32000; le16 2 16; printf 'data'; le32 64; wave 32
  printf 'LIST'; le32 12; printf 'INFOINAM'; le32 0; } > "$L/odd_chunk_list_after_data.wav"
printf 'RIFF' > "$L/riff_only"
printf 'plain text, not a sound\n' > "$L/text.txt"
wave 100 > "$L/even.raw"

F=$out/frame
{ bytes 14 254 0 0; wave 128; } > "$F/order14_n256"
{ bytes 20 254 15 0; wave 200; } > "$F/order20_n4096"
{ bytes 1 0 0 0; wave 2; } > "$F/order1_n2"
{ bytes 10 42 1 4; wave 150; } > "$F/order10_n300_16k"
{ bytes 2 126 0 1; wave 64; } > "$F/critical_n128"
bytes 14 254 0 0 > "$F/silence"

# Command-line tokens: option letters s m n r d e D E t i w f b F S a 2 h W x
# are 0..19 (each followed by its argument byte), 20/21 an operand (then 0 WAV,
# 1 raw, 2 folder, 3 missing), 22 a bare number, 23 an odd text. Result names:
# 0 "-", 1 a.txt, 2 b.txt, 3 the folder, 4 the input WAV. Numbers: byte - 8.
C=$out/command_line
bytes 20 0 > "$C/wav"
bytes 20 1 > "$C/raw"
bytes 15 0 13 0 14 0 12 0 20 0 > "$C/all_streams"
bytes 16 1 20 0 > "$C/critical"
bytes 10 1 20 1 1 18 > "$C/wave_dump_order10"
bytes 2 9 3 9 13 1 11 2 20 1 > "$C/frame1_fft"
bytes 15 3 12 1 20 0 > "$C/result_is_folder"
bytes 15 4 20 0 > "$C/result_is_input"
bytes 17 > "$C/help"
bytes 6 10 7 40 8 58 20 0 > "$C/span_ms_threshold"
bytes 2 72 3 40 20 0 > "$C/n64_r32"
bytes 23 1 20 0 20 3 > "$C/two_operands"
