"""vocana.track and vocana.read_audio against vocana-track: the same table once
formatted as the program formats it, and the reader's channels."""
import importlib.util
import math
import os
import subprocess
import wave
from pathlib import Path

import numpy as np
import pytest

import vocana
from test_vocana import EXAMPLE, speech_like, write_wav

TRACKER = os.environ.get("VOCANA_TRACK_BIN",
                         str(Path(os.environ.get("VOCANA_BIN", "build/vocana")).parent /
                             "vocana-track"))


def number(x, decimals):
    if math.isnan(x):
        return "NaN"
    if math.isinf(x):
        return "-Inf" if x < 0 else "Inf"
    return "%.*f" % (decimals, x)


def table_text(tracks):
    lines = ["\t".join(tracks.columns) + "\n"]
    for row in range(len(tracks)):
        cells = []
        for name in tracks.columns:
            decimals = 6 if name == "time" else 0 if name == "ceiling" else 2
            cells.append(number(getattr(tracks, name)[row], decimals))
        lines.append("\t".join(cells) + "\n")
    return "".join(lines)


@pytest.fixture(scope="module")
def sounds(tmp_path_factory):
    folder = tmp_path_factory.mktemp("tracks")
    speech = folder / "speech.wav"
    write_wav(speech, speech_like(), 16000)
    (folder / "times.txt").write_text("0.1\n0.25\n0.6\n0.95\n")
    return folder, speech


@pytest.mark.parametrize("options,keywords", [
    ([], {}),
    (["--ceiling", "auto", "--formants", "4"], dict(ceiling="auto", formants=4)),
    (["--window", "0.03", "--step", "0.01", "--pre-emphasis", "0", "--method", "burg",
      "--window-shape", "gaussian", "--start", "0.1", "--end", "0.8"],
     dict(window=0.03, step=0.01, pre_emphasis=0, method="burg", window_shape="gaussian",
          start=0.1, end=0.8)),
    (["--times", "times.txt"], dict(times=[0.1, 0.25, 0.6, 0.95])),
])
def test_tracks_match_the_program_table(options, keywords, sounds):
    folder, speech = sounds
    for path in (EXAMPLE, speech):
        done = subprocess.run([TRACKER] + options + [str(path)], cwd=folder,
                              capture_output=True, text=True)
        assert done.returncode == 0, done.stderr
        tracks = vocana.track_file(path, **keywords)
        assert table_text(tracks) == done.stdout
        samples, rate = vocana.read_audio(path)
        again = vocana.track(samples, rate, **keywords)
        assert table_text(again) == done.stdout
    frame = tracks.to_pandas()
    assert list(frame.columns) == list(tracks.columns) and len(frame) == len(tracks)


def test_read_audio_mixes_or_picks_a_channel(tmp_path):
    left = np.arange(-2000, 2000, dtype=np.int16)
    right = (left // 2).astype(np.int16)
    path = tmp_path / "stereo.wav"
    with wave.open(str(path), "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(22050)
        out.writeframes(np.column_stack([left, right]).astype("<i2").tobytes())
    mix, rate = vocana.read_audio(path)
    assert rate == 22050 and np.allclose(mix, (left + right.astype(float)) / 2 / 32768)
    second, _ = vocana.read_audio(path, channel=2)
    assert np.array_equal(second, right / 32768)
    with pytest.raises(ValueError, match="2"):
        vocana.read_audio(path, channel=3)
    with pytest.raises(OSError):
        vocana.read_audio(tmp_path / "missing.flac")
    stereo = np.column_stack([left, right]) / 32768
    assert np.array_equal(vocana.track(stereo, rate, channel=2).F1,
                          vocana.track_file(path, channel=2).F1, equal_nan=True)


def test_readme_python_examples_run(tmp_path, monkeypatch):
    readme = (EXAMPLE.parent.parent / "README.md").read_text()
    section = readme[readme.index("\n## Python\n"):]
    section = section[:section.index("\n## ", 1)]
    blocks = section.split("```python\n")[1:]
    assert len(blocks) == 3
    (tmp_path / "examples").mkdir()
    (tmp_path / "examples" / "vowels.wav").symlink_to(EXAMPLE)
    (tmp_path / "corpus").mkdir()
    for name in ("a.wav", "b.wav"):
        (tmp_path / "corpus" / name).symlink_to(EXAMPLE)
    monkeypatch.chdir(tmp_path)
    scope = {}
    plots = importlib.util.find_spec("matplotlib") is not None
    for block in blocks:
        code = block[:block.index("```")]
        if plots or "matplotlib" not in code:
            exec(code, scope)
    assert len(scope["a"]) == 111 and sorted(scope["corpus"].file.unique()) == ["a.wav", "b.wav"]
