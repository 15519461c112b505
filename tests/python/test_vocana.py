"""The Python module against the vocana program: the same numbers, byte for byte
once formatted as the program formats them, and Python's errors for its refusals.

Run by CTest with PYTHONPATH at the built module and VOCANA_BIN at the program."""
import math
import os
import subprocess
import sys
import threading
import wave
from pathlib import Path

import numpy as np
import pytest

import vocana

SOURCE = Path(os.environ.get("VOCANA_SOURCE", Path(__file__).resolve().parents[2]))
PROGRAM = os.environ.get("VOCANA_BIN", str(SOURCE / "build" / "vocana"))
EXAMPLE = SOURCE / "examples" / "vowels.wav"


def write_wav(path, samples, rate):
    with wave.open(str(path), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(np.asarray(samples, dtype="<i2").tobytes())


def speech_like(rate=16000):
    """Two vowels (a falling-pitch pulse train through three resonators whose
    frequencies glide) around a stretch of digital silence, then breath noise."""
    rng = np.random.default_rng(7)
    parts = []
    for f1, f2, f3, seconds in ((700, 1100, 2500, 0.5), (300, 2200, 3000, 0.4)):
        n = int(seconds * rate)
        pitch = np.linspace(140, 100, n)
        phase = np.cumsum(pitch / rate)
        x = np.diff(np.floor(phase), prepend=0.0) + 0.02 * rng.standard_normal(n)
        for f, bw, glide in ((f1, 80, 1.2), (f2, 120, 0.9), (f3, 200, 1.0)):
            freq = np.linspace(f, f * glide, n)
            r = math.exp(-math.pi * bw / rate)
            y = np.zeros(n)
            for i in range(n):
                c = 2 * r * math.cos(2 * math.pi * freq[i] / rate)
                y[i] = x[i] + c * (y[i - 1] if i else 0) - r * r * (y[i - 2] if i > 1 else 0)
            x = y
        parts.append(x / np.abs(x).max() * 12000)
        parts.append(np.zeros(int(0.15 * rate)))
    parts.append(300 * rng.standard_normal(int(0.2 * rate)))
    return np.round(np.concatenate(parts)).astype(np.int16)


@pytest.fixture(scope="module")
def speech_file(tmp_path_factory):
    path = tmp_path_factory.mktemp("speech") / "speech.wav"
    write_wav(path, speech_like(), 16000)
    return path


def run_program(args, folder):
    """Runs vocana in folder; returns (status, stdout, stderr after "analyzing ...")."""
    done = subprocess.run([PROGRAM] + args, cwd=folder, capture_output=True)
    err = done.stderr.decode()
    marker = "analyzing ...\n"
    return done.returncode, done.stdout.decode(), err[err.find(marker) + len(marker):]


def prefix(a, i, tag):
    return "%5d pnt %7.2f ms %s" % (a.start[i], a.time_ms[i], tag)


def formant_text(a, values, tag):
    lines = []
    for i in np.flatnonzero(a.analyzed):
        row = values[i][~np.isnan(values[i])]
        lines.append(prefix(a, i, tag) + "".join("%8.1f" % v for v in row) + "\n")
    return "".join(lines)


def coef_text(a):
    return "".join(prefix(a, i, "a: ") + "".join("%+e " % v for v in a.coefs[i]) + "\n"
                   for i in np.flatnonzero(a.analyzed))


def spectrum_text(a, power, title):
    blocks = []
    for i in np.flatnonzero(a.analyzed):
        head = "# %s power spectrum\t%5d pnt %7.2f ms\n# frq[Hz] power[dB]\n" % (
            title, a.start[i], a.time_ms[i])
        rows = "".join("%f %f\n" % (f, p) for f, p in zip(a.frequencies, power[i]))
        blocks.append(head + rows + "\n")
    return "".join(blocks)


def tilt_text(a):
    return "".join(prefix(a, i, "t: ") + "%f\n" % a.tilt[i]
                   for i in np.flatnonzero(~np.isnan(a.tilt)))


# (program options, analyze keywords): defaults, a frame length that is not a
# power of two with its own hop and order, a span, the threshold, the critical mode.
RUNS = [
    ([], {}),
    (["-n", "300", "-r", "111", "-m", "11"], dict(frame_length=300, frame_rate=111, order=11)),
    (["-n", "512", "-d", "1000", "-e", "9000"], dict(frame_length=512, start=1000, end=9000)),
    (["-t", "2000", "-m", "20"], dict(threshold=2000, order=20)),
    (["-2", "t.txt", "-n", "200"], dict(critical=True, frame_length=200)),
]


@pytest.mark.parametrize("options,keywords", RUNS)
@pytest.mark.parametrize("which", ["example", "speech"])
def test_every_stream_matches_the_program(which, options, keywords, speech_file, tmp_path):
    path = EXAMPLE if which == "example" else speech_file
    streams = ["-b", "b.txt", "-a", "a.txt", "-F", "F.txt", "-S", "S.txt"]
    status, out, messages = run_program(options + streams + [str(path)], tmp_path)
    assert status == 0
    samples, rate = vocana.read(path)
    a = vocana.analyze(samples, rate, spectra=True, **keywords)
    assert formant_text(a, a.formants, "F:") == out
    expected = {"b.txt": formant_text(a, a.bandwidths, "B:"), "a.txt": coef_text(a),
                "F.txt": spectrum_text(a, a.fft, "FFT"), "S.txt": spectrum_text(a, a.lpc, "LPC")}
    if a.tilt is not None:
        expected["t.txt"] = tilt_text(a)
    for name, text in expected.items():
        assert (tmp_path / name).read_text() == text, name
    assert "".join(a.messages) == messages


def test_arrays_hold_what_the_streams_leave_out(speech_file):
    samples, rate = vocana.read(speech_file)
    a = vocana.analyze(samples, rate, order=13)
    frames = len(a)
    assert a.formants.shape == a.bandwidths.shape == (frames, 7)
    assert a.coefs.shape == (frames, 13)
    assert a.fft is None and a.tilt is None
    # The silent frames: no model, a "not analyzed" line each, in order.
    silent = np.flatnonzero(~a.analyzed)
    assert len(silent) > 0 and np.isnan(a.coefs[silent]).all() and np.isnan(a.error[silent]).all()
    assert a.messages == ["%d -- %d pnt: not analyzed\n" % (s, s + 255) for s in a.start[silent]]
    assert np.array_equal(a.start, np.arange(frames) * 128)
    assert np.array_equal(a.time_ms, (a.start / rate * 1000).astype(np.float32))


def test_read_gives_the_stored_samples(tmp_path):
    with wave.open(str(EXAMPLE)) as sound:
        stored = np.frombuffer(sound.readframes(sound.getnframes()), dtype="<i2")
        header_rate = sound.getframerate()
    samples, rate = vocana.read(EXAMPLE)
    assert samples.dtype == np.int16 and rate == header_rate
    assert np.array_equal(samples, stored)
    raw = tmp_path / "x.raw"
    stored.astype(">i2").tofile(raw)
    samples, rate = vocana.read(raw, big_endian=True)
    assert rate is None and np.array_equal(samples, stored)
    # A data chunk cut short: the whole samples present, the program's line as a warning.
    short = tmp_path / "short.wav"
    short.write_bytes(EXAMPLE.read_bytes()[:-1001])
    with pytest.warns(UserWarning, match="number of read data is not same as in header"):
        samples, _ = vocana.read(short)
    assert np.array_equal(samples, stored[:len(stored) - 501])
    with pytest.raises(OSError, match="Error: fail to read .*missing.wav."):
        vocana.read(tmp_path / "missing.wav")


def test_float_and_integer_arrays_give_the_same_samples():
    x = np.sin(np.arange(4000) * 0.05) * 0.5 + np.cos(np.arange(4000) * 0.31) * 0.3
    x[100] = 1.5  # clipped to 32767
    x[200] = -1.5  # clipped to -32768
    x[300] = 2.5 / 32768  # half away from zero: 3
    x[301] = -2.5 / 32768  # -3
    before = x.copy()
    expected = np.clip(np.sign(x) * np.floor(np.abs(x) * 32768 + 0.5), -32768, 32767)
    assert expected[300] == 3 and expected[301] == -3
    a = vocana.analyze(x, 16000, order=10)
    assert np.array_equal(x, before)  # the caller's array is left as it was
    as_int16 = expected.astype(np.int16)
    strided = np.repeat(as_int16, 2)[::2]
    for same in (as_int16, expected.astype(np.int64), list(expected.astype(int)),
                 expected.astype(">i2"), strided):
        b = vocana.analyze(same, 16000, order=10)
        assert np.array_equal(a.coefs, b.coefs) and np.array_equal(a.formants, b.formants,
                                                                   equal_nan=True)
    with pytest.raises(ValueError, match="32767"):
        vocana.analyze(np.array([40000] * 1000), 16000)
    with pytest.raises(ValueError, match="NaN"):
        vocana.analyze(np.full(1000, np.nan), 16000)
    with pytest.raises(ValueError, match="one-dimensional"):
        vocana.analyze(np.zeros((2, 1000)), 16000)
    with pytest.raises(TypeError):
        vocana.analyze(np.zeros(1000, dtype=bool), 16000)


def test_refusals_raise_value_error_with_the_program_line():
    x = np.arange(1000, dtype=np.int16) % 50
    cases = [
        (dict(critical=True, order=10), "cannot use option -2 and -m, simultaniously...  exit"),
        (dict(frame_length=4097), "Error: maximum value of frame length: 4096"),
        (dict(threshold=5, start=0, end=500), "cannot use option -t, -d and -e"),
        (dict(end=1000), "Error: analysis staring and/or ending point exceeds end of data."),
        (dict(frame_length=2000), "speech duration is shorter than frame length."),
        (dict(start=900), "speech duration is shorter than frame length."),
    ]
    for keywords, line in cases:
        with pytest.raises(ValueError) as error:
            vocana.analyze(x, **keywords)
        assert str(error.value).startswith(line), keywords
    with pytest.raises(ValueError, match="32-bit"):
        vocana.analyze(x, frame_length=2**40)


def test_root_finder_failure_raises_with_the_frames_before_it():
    n = 1583
    cycle = [11268, 1022, 0, 0, 5728]
    noise = np.random.default_rng(31).integers(-3000, 3000, 2 * n)
    samples = np.concatenate([noise, [cycle[i % 5] for i in range(n)]]).astype(np.int16)
    keywords = dict(order=5, frame_length=n, frame_rate=n, spectra=True)
    with pytest.raises(RuntimeError, match="too many iterations in laguer") as error:
        vocana.analyze(samples, **keywords)
    before = error.value.analysis
    assert list(before.analyzed) == [True, True, False] and before.start[2] == 2 * n
    assert np.isnan(before.formants[2]).all() and np.isnan(before.lpc[2]).all()
    # The interpreter goes on; the frames before are those of the span before.
    reference = vocana.analyze(samples, end=2 * n - 1, **keywords)
    assert np.array_equal(before.formants[:2], reference.formants, equal_nan=True)
    assert np.array_equal(before.lpc[:2], reference.lpc)


def test_threads_analyse_side_by_side_with_the_same_results(speech_file):
    samples, rate = vocana.read(speech_file)
    alone = vocana.analyze(samples, rate, spectra=True)
    results = [None] * 4

    def work(i):
        results[i] = vocana.analyze(samples, rate, spectra=True, threads=1 + i % 2)

    workers = [threading.Thread(target=work, args=(i,)) for i in range(4)]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    for r in results:
        assert np.array_equal(r.lpc, alone.lpc, equal_nan=True)
        assert np.array_equal(r.formants, alone.formants, equal_nan=True)


def test_help_reads_like_the_manual():
    assert vocana.__version__.count(".") == 2
    for name in ("read", "analyze"):
        assert getattr(vocana, name).__doc__.startswith(name + "(")
    assert "frame_length" in vocana.analyze.__doc__ and "(-n)" in vocana.analyze.__doc__


def import_outside_the_build(folder, modules):
    """Imports vocana from modules in a fresh interpreter; returns its version and file."""
    env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "LD_LIBRARY_PATH")}
    env["PYTHONPATH"] = str(modules)
    code = "import vocana; print(vocana.__version__, vocana.__file__, len(vocana.analyze(" \
           "*vocana.read(%r))))" % str(EXAMPLE)
    done = subprocess.run([sys.executable, "-c", code], cwd=folder, env=env,
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    return done.stdout.split()


@pytest.mark.skipif("VOCANA_BUILD" not in os.environ, reason="needs the whole build (CTest)")
def test_installed_and_packaged_module_imports_outside_the_build_tree(tmp_path):
    build = os.environ["VOCANA_BUILD"]
    subprocess.run(["cmake", "--install", build, "--prefix", tmp_path / "prefix"], check=True,
                   capture_output=True)
    version, path, frames = import_outside_the_build(
        tmp_path, tmp_path / "prefix" / "lib" / "python3" / "dist-packages")
    assert version == vocana.__version__ and path.startswith(str(tmp_path / "prefix"))
    assert int(frames) == len(vocana.analyze(*vocana.read(EXAMPLE)))
    if subprocess.run(["which", "cpack", "dpkg-deb"], capture_output=True).returncode != 0:
        return
    subprocess.run(["cpack", "-G", "DEB", "-B", tmp_path / "deb", "--config",
                    Path(build) / "CPackConfig.cmake"], check=True, capture_output=True)
    for name in ("vocana", "python3-vocana"):
        (package,) = (tmp_path / "deb").glob(name + "_*.deb")
        subprocess.run(["dpkg-deb", "-x", package, tmp_path / "root"], check=True)
    depends = subprocess.run(["dpkg-deb", "-f", package, "Depends"], capture_output=True,
                             text=True).stdout
    assert "vocana (= %s)" % vocana.__version__ in depends and "python3-numpy" in depends
    version, path, _ = import_outside_the_build(
        tmp_path, tmp_path / "root" / "usr" / "lib" / "python3" / "dist-packages")
    assert version == vocana.__version__ and path.startswith(str(tmp_path / "root"))
