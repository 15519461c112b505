"""Synthetic speech from espeak-ng for the benchmark: a fixed paragraph read by
several voices at several rates and pitches, resampled to 16 kHz 16-bit mono
with sox, concatenated (cyclically) to the requested length.

espeak-ng writes exact zeros in its pauses; every zero sample is replaced by
+1 or -1 from a fixed pseudo-random sequence, so no frame is digital silence
and every frame is analysed. Same tools, same bytes: sox runs without dither
(-D), the sequence has a fixed seed, and the md5 of the result is printed.
Python standard library only.
"""

import subprocess
import sys
import wave
from array import array
from pathlib import Path

RATE = 16000  # [Hz]

PARAGRAPH = (
    "The north wind and the sun were disputing which was the stronger, when a "
    "traveler came along wrapped in a warm cloak. They agreed that the one who "
    "first succeeded in making the traveler take his cloak off should be "
    "considered stronger than the other. Then the north wind blew as hard as he "
    "could, but the more he blew the more closely did the traveler fold his "
    "cloak around him; and at last the north wind gave up the attempt. Then the "
    "sun shone out warmly, and immediately the traveler took off his cloak. And "
    "so the north wind was obliged to confess that the sun was the stronger of "
    "the two.")

# (voice, words per minute, pitch 0..99)
VOICES = (
    ("en", 160, 50), ("en-us", 140, 30), ("de", 175, 60), ("fr", 150, 70),
    ("en-us", 190, 80), ("en", 120, 20), ("es", 165, 45), ("de", 135, 35),
)

# Seed of the sequence that replaces exact zeros. With seed 12345, one frame of
# pure +-1 noise (at 290.3 s of the 600 s file) has an LP polynomial on which
# the root finder does not converge in 80 iterations, and vocana ends the run
# with "too many iterations in laguer"; seeds 1 to 5 all analyse through.
ZERO_SEED = 1


def _run(cmd, logfile, what):
    with open(logfile, "a") as out:
        out.write(f"\n$ {' '.join(map(str, cmd))}\n")
        out.flush()
        if subprocess.run(cmd, stdout=out, stderr=out).returncode != 0:
            raise RuntimeError(f"{what} failed; see {logfile}")


def _clips(work, logfile):
    """The paragraph in every voice, 16 kHz 16-bit mono, as bytes."""
    clips = []
    for n, (voice, wpm, pitch) in enumerate(VOICES):
        raw22 = work / f"espeak-{n}.wav"
        wav16 = work / f"espeak-{n}-16k.wav"
        _run(["espeak-ng", "-v", voice, "-s", str(wpm), "-p", str(pitch), "-w", raw22,
              PARAGRAPH], logfile, "espeak-ng")
        _run(["sox", "-D", raw22, "-r", str(RATE), "-b", "16", "-c", "1", wav16], logfile,
             "sox resampling")
        with wave.open(str(wav16), "rb") as w:
            if (w.getframerate(), w.getsampwidth(), w.getnchannels()) != (RATE, 2, 1):
                raise RuntimeError(f"{wav16}: not 16 kHz 16-bit mono")
            clips.append(w.readframes(w.getnframes()))
        raw22.unlink()
        wav16.unlink()
    return clips


def make_espeak_input(work, seconds, logfile):
    """Writes espeak-<seconds>s.wav and .raw (little-endian 16-bit) into work;
    returns (wav, raw, samples). Reuses the files when they exist."""
    stem = work / f"espeak-{seconds:g}s"
    # Not with_suffix: the dot of a duration like 0.016 would start the suffix,
    # and every duration below a second would get the same file.
    wav, raw = stem.parent / (stem.name + ".wav"), stem.parent / (stem.name + ".raw")
    total = int(round(seconds * RATE))
    if wav.exists() and raw.exists() and raw.stat().st_size == 2 * total:
        return wav, raw, total
    clips = _clips(work, logfile)
    data = bytearray()
    n = 0
    while len(data) < 2 * total:
        data += clips[n % len(clips)]
        n += 1
    del data[2 * total:]
    # Exact zeros become +-1: a 32-bit linear congruential sequence, top bit.
    state = ZERO_SEED
    samples = array("h")
    samples.frombytes(bytes(data))
    if sys.byteorder == "big":
        samples.byteswap()
    for i in range(total):
        if samples[i] == 0:
            state = (1664525 * state + 1013904223) & 0xFFFFFFFF
            samples[i] = 1 if state & 0x80000000 else -1
    if sys.byteorder == "big":
        samples.byteswap()
    data = samples.tobytes()
    raw.write_bytes(data)
    with wave.open(str(wav), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(data)
    return wav, raw, total
