#!/usr/bin/python3
"""Accuracy and speed of vocana-track against Praat's To Formant (burg).

    bench/track_accuracy.py [--build-dir DIR] [--tmp-dir DIR] [-r REPS]
                            [--speed-seconds S] [--no-speed] [--no-variants]

Builds vocana-track (Release, in build-bench unless --build-dir says
otherwise) and the generator bench/gen_vowels.cpp, writes the synthetic
vowels (three voices, five steady vowels and three glides, at 10, 16 and
44.1 kHz, 72 files with their true formants), then analyses them all in this
run with:

  vocana-track at its defaults, and with --ceiling auto;
  vocana-track with the other LP method and window shape (the choice);
  Praat, To Formant (burg) at its defaults (ceiling 5500 Hz);
  Praat with the ceiling an expert would set per speaker (5000 Hz for men,
  5500 for women, 8000 for children).

Scoring: at every point of the truth (every 5 ms, 50 ms skipped at each end)
the table row nearest in time within 10 ms; mean absolute error of F1, F2 and
F3 in Hz and in % of the true value, over the points where the formant has a
value, and the share of points where it is missing.

Speed: a 10-minute speech file of espeak-ng in four voices, resampled to
16 kHz by sox (deterministic), analysed -r times each, interleaved, by
vocana-track (ceiling 5500) and by Praat's defaults; CPU seconds (user +
system) of each child process, median.

Needs g++, cmake, libsndfile, libsoxr, praat, espeak-ng and sox; the report
is printed and written to <build-dir>/bench/track-report.md.
"""

import argparse
import math
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
BENCH = Path(__file__).resolve().parent

VOICES = ("men", "women", "children")
RATES = ("10000", "16000", "44100")
EXPERT_CEILING = {"men": 5000, "women": 5500, "children": 8000}
NEAREST_S = 0.010
MISSING_SLACK = 2.0   # points of missing share allowed above Praat's
SPEED_GOAL = 5.0
ESPEAK_VOICES = ("en-us", "en-gb", "en-us+f3", "en-gb-scotland+f2")
ESPEAK_TEXT = (
    "The north wind and the sun were disputing which was the stronger, when a "
    "traveller came along wrapped in a warm cloak. They agreed that the one who "
    "first succeeded in making the traveller take his cloak off should be "
    "considered stronger than the other. Then the north wind blew as hard as he "
    "could, but the more he blew the more closely did the traveller fold his "
    "cloak around him; and at last the north wind gave up the attempt. Then the "
    "sun shone out warmly, and immediately the traveller took off his cloak. And "
    "so the north wind was obliged to confess that the sun was the stronger of "
    "the two.")


def log(text=""):
    print(text, flush=True)


def fail(text):
    print(f"track_accuracy: {text}", file=sys.stderr, flush=True)
    sys.exit(1)


def run(cmd, **kw):
    result = subprocess.run([str(c) for c in cmd], capture_output=True, text=True, **kw)
    if result.returncode != 0:
        fail(f"{' '.join(map(str, cmd))[:200]} failed ({result.returncode}):\n{result.stderr[-2000:]}")
    return result


def build(build_dir):
    if not (build_dir / "CMakeCache.txt").exists():
        run(["cmake", "-S", REPO, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release"])
    log("building vocana-track (Release)")
    run(["cmake", "--build", build_dir, "-j2", "--target", "vocana-track"])
    gen = build_dir / "bench" / "gen_vowels"
    gen.parent.mkdir(parents=True, exist_ok=True)
    flags = run(["pkg-config", "--cflags", "--libs", "sndfile"]).stdout.split()
    run(["g++", "-O2", "-std=c++20", "-Wall", "-Wextra", BENCH / "gen_vowels.cpp", "-o", gen] + flags)
    return build_dir / "vocana-track", gen


# ------------------------------------------------------------- tables ----

def number(text):
    try:
        return float(text)
    except ValueError:   # NaN is parsed; Praat's --undefined-- is not
        return math.nan


def read_truth(path):
    rows = []
    for line in path.read_text().split("\n"):
        if line.strip():
            rows.append([float(x) for x in line.split()])
    return rows


def read_track_table(text):
    """vocana-track's TSV with a file column: {file: [(time, F1, F2, F3)]}."""
    lines = text.rstrip("\n").split("\n")
    head = lines[0].split("\t")
    col = {name: i for i, name in enumerate(head)}
    out = {}
    for line in lines[1:]:
        f = line.split("\t")
        out.setdefault(f[col["file"]], []).append(
            (number(f[col["time"]]), number(f[col["F1"]]), number(f[col["F2"]]), number(f[col["F3"]])))
    return out


def read_praat_table(path):
    lines = path.read_text().rstrip("\n").split("\n")
    return [tuple(number(x) for x in line.split("\t")[:4]) for line in lines[1:]]


def score_file(truth, rows, acc):
    """Adds to acc[k] = [sum |err| Hz, sum |err| %, points with value, points] for F1..F3."""
    times = [r[0] for r in rows]
    j = 0
    for t, *true in truth:
        while j + 1 < len(times) and abs(times[j + 1] - t) <= abs(times[j] - t):
            j += 1
        near = rows[j] if times and abs(times[j] - t) <= NEAREST_S + 1e-9 else None
        for k in range(3):
            acc[k][3] += 1
            value = near[k + 1] if near else math.nan
            if not math.isnan(value):
                acc[k][0] += abs(value - true[k])
                acc[k][1] += 100.0 * abs(value - true[k]) / true[k]
                acc[k][2] += 1


def summarise(acc):
    return [(a[0] / a[2] if a[2] else math.nan, a[1] / a[2] if a[2] else math.nan,
             100.0 * (a[3] - a[2]) / a[3] if a[3] else math.nan) for a in acc]


# ------------------------------------------------------------ analyses ----

def vocana_runs(binary, files, work, options, label):
    out = run([binary] + options + [str(f) for f in files]).stdout
    (work / f"{label}.tsv").write_text(out)
    return read_track_table(out)


def praat_runs(files, work, ceiling_of, label):
    listing = work / f"{label}.list"
    outs = {}
    with open(listing, "w") as fh:
        for f in files:
            out = work / f"{label}-{f.stem}.tsv"
            outs[str(f)] = out
            fh.write(f"{f}\t{out}\t{ceiling_of(f)}\n")
    run(["praat", "--run", BENCH / "track_formants.praat", listing])
    return {name: read_praat_table(path) for name, path in outs.items()}


def voice_of(path):
    return Path(path).stem.split("_")[0]


def rate_of(path):
    return Path(path).stem.split("_")[2]


def accuracy(binary, gen, work, variants):
    folder = work / "vowels"
    folder.mkdir(parents=True, exist_ok=True)
    run([gen, folder])
    files = sorted(folder.glob("*.wav"))
    truth = {str(f): read_truth(f.with_suffix(".truth")) for f in files}
    log(f"{len(files)} synthetic sounds in {folder}")

    analyses = {}
    analyses["vocana-track (defaults)"] = vocana_runs(binary, files, work, [], "default")
    analyses["vocana-track --ceiling auto"] = vocana_runs(binary, files, work, ["--ceiling", "auto"], "auto")
    if variants:
        for method in ("burg", "autocorrelation"):
            for shape in ("gaussian", "hamming"):
                if (method, shape) == ("autocorrelation", "hamming"):
                    continue  # the defaults
                analyses[f"vocana-track --method {method} --window-shape {shape}"] = vocana_runs(
                    binary, files, work, ["--method", method, "--window-shape", shape], f"{method}-{shape}")
    analyses["Praat (defaults, 5500 Hz)"] = praat_runs(files, work, lambda f: 5500, "praat")
    analyses["Praat (expert ceiling per speaker)"] = praat_runs(
        files, work, lambda f: EXPERT_CEILING[voice_of(f)], "praat-expert")

    results = {}
    for name, tables in analyses.items():
        per = {}
        for group in ("all",) + VOICES + RATES:
            acc = [[0.0, 0.0, 0, 0] for _ in range(3)]
            for f in files:
                if group == "all" or group in (voice_of(f), rate_of(f)):
                    score_file(truth[str(f)], tables.get(str(f), []), acc)
            per[group] = summarise(acc)
        results[name] = per
    return results


# --------------------------------------------------------------- speed ----

def make_speech(work, seconds):
    parts = []
    for i, voice in enumerate(ESPEAK_VOICES):
        part = work / f"speech-{i}.wav"
        run(["espeak-ng", "-v", voice, "-s", "160", "-w", part, ESPEAK_TEXT])
        parts.append(part)
    joined = work / "speech-joined.wav"
    run(["sox"] + parts + [joined])
    one = work / "speech-16k.wav"
    run(["sox", joined, "-r", "16000", "-b", "16", one])
    length = float(run(["soxi", "-D", one]).stdout)
    copies = math.ceil(seconds / length)
    long = work / "speech-long.wav"
    run(["sox"] + [one] * copies + [long, "trim", "0", str(seconds)])
    return long


def cpu_of(cmd, stdout_path):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    with open(stdout_path, "w") as out:
        result = subprocess.run([str(c) for c in cmd], stdout=out, stderr=subprocess.PIPE, text=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if result.returncode != 0:
        fail(f"{cmd[0]} failed: {result.stderr[-1000:]}")
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def speed(binary, work, seconds, reps):
    speech = make_speech(work, seconds)
    log(f"speech file: {speech} ({seconds} s)")
    praat_script = work / "praat-defaults.praat"
    praat_script.write_text(
        "form F\n  sentence soundPath\n  sentence outPath\nendform\n"
        "Read from file: soundPath$\nTo Formant (burg): 0, 5, 5500, 0.025, 50\n"
        "Save as short text file: outPath$\n")
    times = {"vocana-track": [], "Praat": []}
    for r in range(reps):
        times["vocana-track"].append(cpu_of([binary, "--ceiling", "5500", speech], work / "speed.tsv"))
        times["Praat"].append(cpu_of(["praat", "--run", praat_script, speech, work / "speed.Formant"],
                                     work / "praat.out"))
        log(f"  repetition {r + 1}: vocana-track {times['vocana-track'][-1]:.2f} s, "
            f"Praat {times['Praat'][-1]:.2f} s")
    return {k: statistics.median(v) for k, v in times.items()}


# -------------------------------------------------------------- report ----

def report(results, speeds, seconds):
    lines = ["## vocana-track accuracy", "",
             "Mean absolute error in Hz and in %, and missing share, over all 72 sounds:", "",
             "| analysis | F1 Hz | F1 % | F1 miss | F2 Hz | F2 % | F2 miss | F3 Hz | F3 % | F3 miss |",
             "|---|---|---|---|---|---|---|---|---|---|"]
    for name, per in results.items():
        cells = []
        for hz, pc, miss in per["all"]:
            cells += [f"{hz:.1f}", f"{pc:.2f}", f"{miss:.1f}"]
        lines.append(f"| {name} | " + " | ".join(cells) + " |")
    lines += ["", "Per voice, mean absolute error in Hz (missing share in %) of F1 / F2 / F3:", "",
              "| analysis | " + " | ".join(VOICES) + " |", "|---|---|---|---|"]
    for name, per in results.items():
        cells = [" / ".join(f"{hz:.0f} ({miss:.1f})" for hz, _, miss in per[v]) for v in VOICES]
        lines.append(f"| {name} | " + " | ".join(cells) + " |")

    lines += ["", "Per sampling rate, mean absolute error in Hz of F1 / F2 / F3:", "",
              "| analysis | 10 kHz | 16 kHz | 44.1 kHz |", "|---|---|---|---|"]
    for name, per in results.items():
        cells = [" / ".join(f"{hz:.0f}" for hz, _, _ in per[r]) for r in RATES]
        lines.append(f"| {name} | " + " | ".join(cells) + " |")

    ours, auto = results["vocana-track (defaults)"], results["vocana-track --ceiling auto"]
    praat = results["Praat (defaults, 5500 Hz)"]
    checks = []
    for k in range(3):
        ok = ours["all"][k][0] <= praat["all"][k][0] and ours["all"][k][2] <= praat["all"][k][2] + MISSING_SLACK
        checks.append((f"defaults F{k + 1}: {ours['all'][k][0]:.1f} Hz vs Praat {praat['all'][k][0]:.1f} Hz, "
                       f"missing {ours['all'][k][2]:.1f} % vs {praat['all'][k][2]:.1f} %", ok))
    for v in ("women", "children"):
        for k in range(3):
            ok = auto[v][k][0] < praat[v][k][0]
            checks.append((f"--ceiling auto, {v}, F{k + 1}: {auto[v][k][0]:.1f} Hz vs Praat "
                           f"{praat[v][k][0]:.1f} Hz", ok))
    if speeds:
        ratio = speeds["Praat"] / speeds["vocana-track"]
        lines += ["", f"## vocana-track speed ({seconds / 60:.0f} minutes of espeak-ng speech, 16 kHz)", "",
                  "| program | CPU s (median) |", "|---|---|",
                  f"| vocana-track --ceiling 5500 | {speeds['vocana-track']:.2f} |",
                  f"| Praat To Formant (burg) defaults | {speeds['Praat']:.2f} |",
                  "", f"vocana-track is {ratio:.1f} times faster."]
        checks.append((f"speed: {ratio:.1f} x Praat (goal {SPEED_GOAL:.0f} x)", ratio >= SPEED_GOAL))
    lines += ["", "Goals:", ""] + [f"- [{'x' if ok else ' '}] {text}" for text, ok in checks]
    return "\n".join(lines) + "\n", all(ok for _, ok in checks)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build-dir", type=Path, default=REPO / "build-bench")
    ap.add_argument("--tmp-dir", type=Path, default=None)
    ap.add_argument("-r", "--reps", type=int, default=3)
    ap.add_argument("--speed-seconds", type=float, default=600.0)
    ap.add_argument("--no-speed", action="store_true")
    ap.add_argument("--no-variants", action="store_true", help="skip the other LP methods and windows")
    args = ap.parse_args()
    for tool in ("g++", "cmake", "praat") + (() if args.no_speed else ("espeak-ng", "sox", "soxi")):
        if shutil.which(tool) is None:
            fail(f"{tool} is needed")
    binary, gen = build(args.build_dir.resolve())
    with tempfile.TemporaryDirectory(dir=args.tmp_dir, prefix="vocana-track-bench-") as tmp:
        work = Path(tmp)
        started = time.time()
        results = accuracy(binary, gen, work, not args.no_variants)
        speeds = None if args.no_speed else speed(binary, work, args.speed_seconds, args.reps)
        text, ok = report(results, speeds, args.speed_seconds)
        log("")
        log(text)
        log(f"({time.time() - started:.0f} s)")
    out = args.build_dir / "bench" / "track-report.md"
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text(text)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
