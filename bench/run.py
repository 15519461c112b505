#!/usr/bin/env python3
"""Benchmark of vocana against SPTK and Praat, side by side in one run.

    bench/run.py [-r REPS] [-d SECONDS] [--callgrind-seconds S] [--no-callgrind]
                 [--no-install] [--build-dir DIR] [--tmp-dir DIR] [--seed N]

Builds vocana (Release, in build-bench unless --build-dir says otherwise) and
the input generator, and makes two inputs of SECONDS at 16 kHz:

  generated  speech-like signal from a fixed seed, a fifth digital silence
             (whose frames vocana skips)
  espeak     a fixed paragraph read by espeak-ng in several voices, rates and
             pitches, resampled with sox; exact zeros replaced by +-1, so
             every frame is analysed (bench/espeak_input.py)

then runs, REPS times each, interleaved, and reports the median:

  generated: vocana (formants), vocana -a, vocana -b -F -S -a, the SPTK LP
             pipeline, Praat To Formant (burg) 0.008 5 5500 0.025 50
  espeak:    vocana with VOCANA_THREADS=1 and =2 (and =all cores when more),
             Praat To Formant (burg) 0.008 5 5000 0.016 50 (time step and
             window equal to vocana's 128 and 256 points), the SPTK LP
             pipeline, and, when a build folder holds vocana-track,
             vocana-track --ceiling 5500 against Praat at its defaults
             0 5 5500 0.025 50

Each run writes its text into a fresh folder under a temporary directory that
is deleted after the run. CPU time (user + system, children included), wall
time and peak resident memory come from /usr/bin/time. A callgrind run of each
vocana mode on a short file of each input gives instructions per frame, which
stay stable on a noisy machine, with the functions of highest self cost.

Missing tools (time, sptk, praat, valgrind, espeak-ng, sox) are installed with
apt-get when possible; a peer or input that cannot be had is skipped with a
line saying so. Python standard library only. Not part of the test suite.
"""

import argparse
import hashlib
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
from espeak_input import make_espeak_input  # noqa: E402

REPO = Path(__file__).resolve().parent.parent
BENCH = Path(__file__).resolve().parent

RATE = 16000          # [Hz]
FRAME_LENGTH = 256    # [points]
FRAME_RATE = 128      # [points]
LPC_ORDER = 14
DEFAULT_SEED = 20240807

# Memory goal: peak RSS at most the sample array (2 bytes a sample) plus this
# much, and the excess over the sample array the same for a short and a long
# file within MEMORY_CONSTANT_SLACK.
MEMORY_FEW_MB = 8_000_000
MEMORY_CONSTANT_SLACK = 1_000_000
PRAAT_GOAL = 5.0      # generated: vocana (formants) at least this many times less CPU than Praat
ESPEAK_PRAAT_GOAL = 8.0   # espeak: vocana, one thread, at least this many times less CPU than Praat
THREADS_GOAL = 1.7    # espeak: vocana with 2 threads at least this many times less wall time than 1

# Praat's To Formant (burg) arguments: time step [s], formants, ceiling [Hz],
# window [s], pre-emphasis from [Hz].
PRAAT_GENERATED = ("0.008", "5", "5500", "0.025", "50")
PRAAT_VOCANA_FRAMES = ("0.008", "5", "5000", "0.016", "50")
PRAAT_DEFAULTS = ("0", "5", "5500", "0.025", "50")

TIME = "/usr/bin/time"


def log(text=""):
    print(text, flush=True)


def fail(text):
    print(f"bench: {text}", file=sys.stderr, flush=True)
    sys.exit(1)


# ---------------------------------------------------------------- set-up ----

def have_package_tools():
    return {
        "time": Path(TIME).exists(),
        "sptk": shutil.which("sptk") is not None,
        "praat": shutil.which("praat") is not None,
        "valgrind": shutil.which("valgrind") is not None
        and shutil.which("callgrind_annotate") is not None,
        "espeak-ng": shutil.which("espeak-ng") is not None,
        "sox": shutil.which("sox") is not None,
    }


def have_build_tools():
    ok = {name: shutil.which(cmd) is not None
          for name, cmd in (("g++", "g++"), ("cmake", "cmake"), ("make", "make"),
                            ("pkg-config", "pkg-config"))}
    ok["libsndfile1-dev"] = ok["pkg-config"] and subprocess.run(
        ["pkg-config", "--exists", "sndfile"]).returncode == 0
    ok["libsoxr-dev"] = ok["pkg-config"] and subprocess.run(
        ["pkg-config", "--exists", "soxr"]).returncode == 0
    return ok


def apt_install(packages, logfile):
    """Installs Debian packages; returns the set that failed."""
    if not packages:
        return set()
    prefix = []
    if os.geteuid() != 0:
        if shutil.which("sudo") is None:
            return set(packages)
        prefix = ["sudo", "-n"]
    if shutil.which("apt-get") is None:
        return set(packages)
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    log(f"installing with apt-get: {' '.join(packages)} (log: {logfile})")
    with open(logfile, "a") as out:
        subprocess.run(prefix + ["apt-get", "update"], stdout=out, stderr=out, env=env)
        cmd = prefix + ["apt-get", "install", "-y", "--no-install-recommends"]
        if subprocess.run(cmd + packages, stdout=out, stderr=out, env=env).returncode == 0:
            return set()
        failed = set()
        for pkg in packages:  # one by one, so one failure does not sink the others
            if subprocess.run(cmd + [pkg], stdout=out, stderr=out, env=env).returncode != 0:
                failed.add(pkg)
        return failed


def run_logged(cmd, logfile, what):
    with open(logfile, "a") as out:
        out.write(f"\n$ {' '.join(map(str, cmd))}\n")
        out.flush()
        rc = subprocess.run(cmd, stdout=out, stderr=out).returncode
    if rc != 0:
        tail = Path(logfile).read_text(errors="replace").splitlines()[-25:]
        fail(f"{what} failed (exit {rc}); end of {logfile}:\n" + "\n".join(tail))


def build_vocana(build_dir, logfile):
    if not (build_dir / "CMakeCache.txt").exists():
        log(f"configuring {build_dir} (Release)")
        run_logged(["cmake", "-S", REPO, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
                    "-DVOCANA_TESTS=OFF", "-DVOCANA_PYTHON=OFF"],
                   logfile, "cmake configure")
    log(f"building vocana in {build_dir}")
    run_logged(["cmake", "--build", build_dir, "-j2", "--target", "vocana"], logfile,
               "cmake build")
    vocana = build_dir / "vocana"
    if not vocana.exists():
        fail(f"no {vocana} after the build")
    cache = (build_dir / "CMakeCache.txt").read_text(errors="replace")
    m = re.search(r"^CMAKE_BUILD_TYPE:\w+=(.*)$", cache, re.M)
    if not m or m.group(1) != "Release":
        log(f"WARNING: {build_dir} is configured as '{m.group(1) if m else '?'}', not Release")
    return vocana


def find_track(build_dir, logfile):
    """vocana-track, built in build_dir when the project has the target, or
    found in any build*/ folder of the checkout; None when there is none."""
    with open(logfile, "a") as out:
        subprocess.run(["cmake", "--build", build_dir, "-j2", "--target", "vocana-track"],
                       stdout=out, stderr=out)
    for candidate in [build_dir / "vocana-track"] + sorted(REPO.glob("build*/vocana-track")):
        if candidate.is_file() and os.access(candidate, os.X_OK):
            return candidate
    return None


def build_generator(work, logfile):
    source = BENCH / "gen_speech.cpp"
    binary = work / "gen_speech"
    if binary.exists() and binary.stat().st_mtime >= source.stat().st_mtime:
        return binary
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "sndfile"],
                           capture_output=True, text=True).stdout.split()
    log("building the input generator (g++ -O2)")
    run_logged(["g++", "-O2", "-std=c++20", "-Wall", "-Wextra", source, "-o", binary] + flags,
               logfile, "generator build")
    return binary


def make_input(generator, work, seconds, seed, logfile):
    stem = work / f"speech-{seconds:g}s-seed{seed}"
    # Not with_suffix: the dot of a duration like 0.016 would start the suffix,
    # and every duration below a second would get the same file.
    wav, raw = stem.parent / (stem.name + ".wav"), stem.parent / (stem.name + ".raw")
    fresh = (wav.exists() and raw.exists()
             and wav.stat().st_mtime >= generator.stat().st_mtime
             and raw.stat().st_mtime >= generator.stat().st_mtime)
    if not fresh:
        run_logged([generator, wav, raw, f"{seconds:g}", str(seed)], logfile, "input generation")
    samples = raw.stat().st_size // 2
    return wav, raw, samples


def md5(path):
    h = hashlib.md5()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def frame_count(samples):
    return 0 if samples < FRAME_LENGTH else 1 + (samples - FRAME_LENGTH) // FRAME_RATE


# ------------------------------------------------------------ measuring ----

def sptk_pipeline(raw, out, lp_stage):
    return ("set -o pipefail; "
            f"sptk x2x +sf < '{raw}' | sptk frame -l {FRAME_LENGTH} -p {FRAME_RATE} -n"
            f" | sptk window -l {FRAME_LENGTH} -w 1 -n 0 | {lp_stage}"
            f" | sptk x2x +fa > '{out}'")


SPTK_LPC = f"sptk lpc -l {FRAME_LENGTH} -m {LPC_ORDER}"
SPTK_ACORR_LEVDUR = f"sptk acorr -l {FRAME_LENGTH} -m {LPC_ORDER} | sptk levdur -m {LPC_ORDER}"


def choose_sptk_stage(raw, tmp):
    """SPTK 3.9's lpc exits at the first frame of digital silence (singular
    normal matrix); then its two steps, acorr and levdur, run as two
    commands instead, which carry on over silent frames."""
    probe = Path(tempfile.mkdtemp(dir=tmp))
    try:
        r = subprocess.run(["bash", "-c", sptk_pipeline(raw, probe / "lpc.txt", SPTK_LPC)],
                           capture_output=True, text=True)
    finally:
        shutil.rmtree(probe, ignore_errors=True)
    if r.returncode == 0:
        return SPTK_LPC, None
    first = (r.stderr.strip().splitlines() or ["(no message)"])[0]
    return SPTK_ACORR_LEVDUR, first


def praat_command(praat_script, wav, settings):
    return lambda d: (["praat", "--run", praat_script, wav, d / "formant.txt", *settings],
                      None, None)


def tool_commands(tools, vocana, praat_script, wav, raw, sptk_stage):
    """The generated case: name -> function(run folder) -> (argv, stdout
    file or None, extra environment or None)."""
    cmds = {}
    cmds["vocana"] = lambda d: ([vocana, wav], d / "formants.txt", None)
    cmds["vocana -a"] = lambda d: ([vocana, "-a", d / "lpc.txt", wav], d / "formants.txt", None)
    cmds["vocana -b -F -S -a"] = lambda d: (
        [vocana, "-b", d / "bandwidths.txt", "-F", d / "fft.txt", "-S", d / "lpcspec.txt",
         "-a", d / "lpc.txt", wav], d / "formants.txt", None)
    if tools["sptk"]:
        cmds["SPTK LP pipeline"] = lambda d: (
            ["bash", "-c", sptk_pipeline(raw, d / "lpc.txt", sptk_stage)], None, None)
    if tools["praat"]:
        cmds["Praat To Formant (burg)"] = praat_command(praat_script, wav, PRAAT_GENERATED)
    return cmds


def thread_counts():
    return sorted({1, 2, os.cpu_count() or 1})


def vocana_threads_name(n):
    return f"vocana, VOCANA_THREADS={n}"


def espeak_commands(tools, vocana, track, praat_script, wav, raw, sptk_stage):
    """The espeak case, as tool_commands."""
    cmds = {}
    for n in thread_counts():
        cmds[vocana_threads_name(n)] = (
            lambda d, n=n: ([vocana, wav], d / "formants.txt", {"VOCANA_THREADS": str(n)}))
    if tools["praat"]:
        cmds["Praat To Formant (burg) " + " ".join(PRAAT_VOCANA_FRAMES)] = praat_command(
            praat_script, wav, PRAAT_VOCANA_FRAMES)
    if tools["sptk"]:
        cmds["SPTK LP pipeline"] = lambda d: (
            ["bash", "-c", sptk_pipeline(raw, d / "lpc.txt", sptk_stage)], None, None)
    if track:
        cmds["vocana-track --ceiling 5500"] = lambda d: (
            [track, "--ceiling", "5500", wav], d / "out.tsv", None)
        if tools["praat"]:
            cmds["Praat To Formant (burg) " + " ".join(PRAAT_DEFAULTS)] = praat_command(
                praat_script, wav, PRAAT_DEFAULTS)
    return cmds


def timed_run(argv, stdout_file, folder, env_extra=None):
    """Runs argv under /usr/bin/time; returns a dict or raises RuntimeError."""
    tfile = folder.parent / (folder.name + ".time")
    cmd = [TIME, "-f", "%e %U %S %M", "-o", tfile] + [str(a) for a in argv]
    env = dict(os.environ, **env_extra) if env_extra else None
    with open(stdout_file if stdout_file else os.devnull, "w") as out, \
            open(folder / "stderr.txt", "w") as err:
        rc = subprocess.run(cmd, stdout=out, stderr=err, stdin=subprocess.DEVNULL,
                            env=env).returncode
    fields = tfile.read_text().split()
    tfile.unlink()
    if rc != 0:
        msg = (folder / "stderr.txt").read_text(errors="replace").strip().splitlines()[-3:]
        raise RuntimeError(f"exit {rc}: " + " / ".join(msg))
    wall, user, system, rss_kb = (float(fields[-4]), float(fields[-3]), float(fields[-2]),
                                  int(fields[-1]))
    out_bytes = sum(p.stat().st_size for p in folder.iterdir()
                    if p.is_file() and p.name != "stderr.txt")
    return {"wall": wall, "cpu": user + system, "rss": rss_kb * 1024, "out": out_bytes}


def measure_all(cmds, reps, tmp):
    results = {name: [] for name in cmds}
    broken = {}
    names = list(cmds)
    for rep in range(reps):
        order = names[rep % len(names):] + names[:rep % len(names)]
        for name in order:
            if name in broken:
                continue
            folder = Path(tempfile.mkdtemp(dir=tmp))
            try:
                argv, stdout_file, env_extra = cmds[name](folder)
                r = timed_run(argv, stdout_file, folder, env_extra)
                results[name].append(r)
                log(f"  rep {rep + 1}/{reps}  {name:<44} CPU {r['cpu']:6.2f} s  "
                    f"wall {r['wall']:6.2f} s  peak {r['rss'] / 1e6:7.1f} MB  "
                    f"out {r['out'] / 1e6:7.1f} MB")
            except RuntimeError as e:
                broken[name] = str(e)
                log(f"  rep {rep + 1}/{reps}  {name:<44} FAILED ({e}); dropped")
            finally:
                shutil.rmtree(folder, ignore_errors=True)
    return results, broken


def median_of(runs, key):
    return statistics.median(r[key] for r in runs)


# ------------------------------------------------------------- callgrind ----

ANNOTATE_LINE = re.compile(r"^\s*([\d,]+)\s+\(\s*([\d.]+)%\)\s+(.*\S)\s*$")


def short_function_name(text):
    obj = ""
    m = re.match(r"^(.*?)\s+\[([^\]]+)\]$", text)
    if m:
        text, obj = m.group(1), os.path.basename(m.group(2))
    m = re.match(r"^([^:\s]+):(?!:)(.*)$", text)  # drop "file:" before the name
    if m:
        text = m.group(2)
    masked = text.replace("(anonymous namespace)", "{anon}")
    cut = masked.find("(", 1)  # the argument list; "(below main)" stays whole
    if cut > 0:
        text = masked[:cut].replace("{anon}", "(anonymous namespace)")
    return f"{text} [{obj}]" if obj and not obj.startswith("vocana") else text


def callgrind(argv, folder, top, env_extra=None):
    """Runs argv under callgrind; returns (total Ir, [(Ir, percent, name)])."""
    out = folder / "callgrind.out"
    cmd = ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}"] + [str(a) for a in argv]
    env = dict(os.environ, **env_extra) if env_extra else None
    with open(folder / "stdout.txt", "w") as so, open(folder / "stderr.txt", "w") as se:
        rc = subprocess.run(cmd, stdout=so, stderr=se, stdin=subprocess.DEVNULL,
                            env=env).returncode
    if rc != 0:
        raise RuntimeError(f"callgrind run exited {rc}")
    total = None
    for line in out.read_text(errors="replace").splitlines():
        if line.startswith(("summary:", "totals:")):
            total = int(line.split()[1])
    if total is None:
        raise RuntimeError(f"no instruction total in {out.name}")
    rows, in_table = [], False
    if top <= 0:
        return total, rows
    ann = subprocess.run(["callgrind_annotate", "--threshold=100", str(out)],
                         capture_output=True, text=True).stdout
    for line in ann.splitlines():
        if line.startswith("Ir") and "file:function" in line:
            in_table = True
            continue
        if not in_table:
            continue
        m = ANNOTATE_LINE.match(line)
        if not m:
            continue
        if "PROGRAM TOTALS" in m.group(3):
            continue
        rows.append((int(m.group(1).replace(",", "")), float(m.group(2)),
                     short_function_name(m.group(3))))
        if len(rows) >= top:
            break
    return total, rows


# ---------------------------------------------------------------- report ----

def machine_description():
    cpu = "?"
    try:
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    mem = "?"
    try:
        kb = int(re.search(r"MemTotal:\s+(\d+)", Path("/proc/meminfo").read_text()).group(1))
        mem = f"{kb / 1024 / 1024:.0f} GiB"
    except (OSError, AttributeError):
        pass
    distro = platform.system()
    try:
        m = re.search(r'^PRETTY_NAME="?([^"\n]*)', Path("/etc/os-release").read_text(), re.M)
        distro = m.group(1) if m else distro
    except OSError:
        pass
    gxx = subprocess.run(["g++", "--version"], capture_output=True, text=True).stdout
    gxx = gxx.splitlines()[0] if gxx else "?"
    rev = subprocess.run(["git", "-C", str(REPO), "rev-parse", "--short", "HEAD"],
                         capture_output=True, text=True).stdout.strip() or "?"
    dirty = subprocess.run(["git", "-C", str(REPO), "status", "--porcelain", "--", "src"],
                           capture_output=True, text=True).stdout.strip()
    return (f"{cpu}, {os.cpu_count()} cores, {mem}; {distro}, kernel {platform.release()}; "
            f"{gxx}; vocana {rev}{' + uncommitted changes in src/' if dirty else ''}")


def peer_versions(tools):
    parts = []
    if tools["sptk"]:
        t = subprocess.run(["sptk", "x2x", "-h"], capture_output=True, text=True)
        m = re.search(r"SPTK: version (\S+)", t.stdout + t.stderr)
        parts.append(f"SPTK {m.group(1) if m else '?'}")
    if tools["praat"]:
        t = subprocess.run(["praat", "--version"], capture_output=True, text=True)
        parts.append((t.stdout.strip() or "Praat ?").split(" (")[0])
    return ", ".join(parts)


def ratio(a, b):
    return f"{a / b:.2f}x" if a and b else "-"


def main():
    ap = argparse.ArgumentParser(description="Benchmark vocana against SPTK and Praat.")
    ap.add_argument("-r", "--reps", type=int, default=5, help="repetitions per tool (median reported)")
    ap.add_argument("-d", "--duration", type=float, default=600.0, help="seconds of audio (600)")
    ap.add_argument("--callgrind-seconds", type=float, default=10.0,
                    help="seconds of audio for the callgrind runs (10)")
    ap.add_argument("--no-callgrind", action="store_true", help="skip the callgrind runs")
    ap.add_argument("--no-install", action="store_true", help="never call apt-get")
    ap.add_argument("--top", type=int, default=10, help="functions listed per callgrind run")
    ap.add_argument("--build-dir", default=str(REPO / "build-bench"))
    ap.add_argument("--tmp-dir", default=None, help="where the temporary output folder goes")
    ap.add_argument("--seed", type=int, default=DEFAULT_SEED)
    args = ap.parse_args()
    if args.reps < 1:
        fail("--reps must be at least 1")
    min_seconds = FRAME_LENGTH / RATE
    if not (min_seconds <= args.duration <= 36000 and min_seconds <= args.callgrind_seconds <= 36000):
        fail(f"durations must be between {min_seconds} and 36000 seconds")

    build_dir = Path(args.build_dir).resolve()
    work = build_dir / "bench"
    work.mkdir(parents=True, exist_ok=True)
    logfile = work / "setup.log"

    # Tools: the build needs all of its own; a peer may be skipped.
    build_ok = have_build_tools()
    tools = have_package_tools()
    wanted = [p for p, ok in build_ok.items() if not ok] + [p for p, ok in tools.items() if not ok]
    if wanted and not args.no_install:
        apt_install(wanted, logfile)
        build_ok, tools = have_build_tools(), have_package_tools()
    missing_build = [p for p, ok in build_ok.items() if not ok]
    if missing_build:
        fail(f"cannot build without: {' '.join(missing_build)}")
    if not tools["time"]:
        fail(f"{TIME} is needed for CPU time and peak memory (Debian package 'time')")
    if args.no_callgrind:
        tools["valgrind"] = False
    skipped = []
    for name, pkg, what in (("sptk", "sptk", "SPTK LP pipeline"),
                            ("praat", "praat", "Praat To Formant (burg)"),
                            ("valgrind", "valgrind", "callgrind instruction counts"),
                            ("espeak-ng", "espeak-ng", "the espeak input"),
                            ("sox", "sox", "the espeak input")):
        if not tools[name]:
            reason = "--no-callgrind" if name == "valgrind" and args.no_callgrind else \
                f"'{pkg}' is not installed" + (" (--no-install)" if args.no_install else
                                                " and apt-get could not install it")
            skipped.append(f"SKIPPED: {what}: {reason}")

    vocana = build_vocana(build_dir, logfile)
    track = find_track(build_dir, logfile)
    if track is None:
        skipped.append("SKIPPED: vocana-track: no build*/vocana-track in the checkout")
    for line in skipped:
        log(line)
    generator = build_generator(work, logfile)
    praat_script = BENCH / "formants.praat"

    # Inputs: name -> (wav, raw, samples, short wav, short samples, one-frame wav).
    inputs = {}
    wav, raw, samples = make_input(generator, work, args.duration, args.seed, logfile)
    short_wav, _, short_samples = make_input(generator, work, args.callgrind_seconds,
                                             args.seed, logfile)
    one_wav, _, _ = make_input(generator, work, FRAME_LENGTH / RATE, args.seed, logfile)
    inputs["generated"] = (wav, raw, samples, short_wav, short_samples, one_wav)
    if tools["espeak-ng"] and tools["sox"]:
        try:
            e_wav, e_raw, e_samples = make_espeak_input(work, args.duration, logfile)
            e_short, _, e_short_samples = make_espeak_input(work, args.callgrind_seconds, logfile)
            e_one, _, _ = make_espeak_input(work, FRAME_LENGTH / RATE, logfile)
            inputs["espeak"] = (e_wav, e_raw, e_samples, e_short, e_short_samples, e_one)
        except RuntimeError as e:
            skipped.append(f"SKIPPED: the espeak input: {e}")
            log(skipped[-1])

    load_start = os.getloadavg()[0]
    tmp = Path(tempfile.mkdtemp(prefix="vocana-bench-", dir=args.tmp_dir))
    results, broken, short_results, cg, notes = {}, {}, {}, {}, []
    try:
        sptk_stage, sptk_note = SPTK_LPC, None
        if tools["sptk"]:
            sptk_stage, sptk_note = choose_sptk_stage(raw, tmp)
            if sptk_note:
                notes.append("SPTK: 'sptk lpc' stops at the first frame of digital silence, so "
                             "the pipeline is 'x2x +sf | frame | window -w 1 -n 0 | acorr | "
                             "levdur | x2x +fa' (the same two steps), on both inputs.")
        cases = {}
        for case, (c_wav, c_raw, c_samples, c_short, _, c_one) in inputs.items():
            if case == "generated":
                make = lambda w, r: tool_commands(tools, vocana, praat_script, w, r, sptk_stage)
            else:
                make = lambda w, r: espeak_commands(tools, vocana, track, praat_script, w, r,
                                                    sptk_stage)
            cases[case] = (make(c_wav, c_raw), make(c_short, c_raw), make(c_one, c_raw))

        log("")
        for case, (c_wav, c_raw, c_samples, _, _, _) in inputs.items():
            log(f"input {case}: {c_wav.name}: {c_samples / RATE:g} s, {c_samples:,} samples at "
                f"{RATE} Hz, {frame_count(c_samples):,} frames, md5 {md5(c_wav)}")
            for name, make in cases[case][0].items():
                argv, so, env = make(Path("$TMP"))
                shown = " ".join(str(a) for a in argv)
                prefix = " ".join(f"{k}={v}" for k, v in (env or {}).items())
                log(f"  {name:<44} {prefix + ' ' if prefix else ''}{shown}"
                    f"{' > ' + str(so) if so else ''}")
        if sptk_note:
            log(f"note: 'sptk lpc' stops at the first frame of digital silence ({sptk_note});"
                f" the SPTK pipeline runs its two steps as 'acorr | levdur' instead")

        # Warm-up on the short files (binaries and libraries into the page
        # cache), which also gives vocana's peak memory for few frames.
        log("\nwarm-up on the short files")
        for case in cases:
            short = {n: c for n, c in cases[case][1].items() if not n.startswith("SPTK")}
            short_results[case], _ = measure_all(short, 1, tmp)

        # All runs of both inputs interleaved, so that a change of load on a
        # shared machine falls on every row alike.
        log(f"\nmeasuring: {args.reps} repetitions, tools interleaved")
        every = {(case, name): make for case in cases for name, make in cases[case][0].items()}
        flat = {f"{case}: {name}": make for (case, name), make in every.items()}
        measured, failed = measure_all(flat, args.reps, tmp)
        for case in cases:
            results[case] = {n: measured[f"{case}: {n}"] for n in cases[case][0]}
            broken.update({k: v for k, v in failed.items() if k.startswith(case + ":")})

        if tools["valgrind"]:
            for case, (_, _, _, _, c_short_samples, _) in inputs.items():
                log(f"\ncallgrind, {case}: {args.callgrind_seconds:g} s "
                    f"({frame_count(c_short_samples):,} frames)")
                # A one-frame file gives the start-up cost (loader, libraries,
                # reading, report), taken off before dividing by the frames.
                # vocana-track's frames are its own (and a one-frame file is
                # shorter than its window): it is timed, not counted here.
                for name in cases[case][0]:
                    if not name.startswith("vocana") or name.startswith("vocana-track") or (
                            "VOCANA_THREADS" in name and name != vocana_threads_name(1)):
                        continue
                    try:
                        runs = []
                        for table, top in ((cases[case][1], args.top), (cases[case][2], 0)):
                            folder = Path(tempfile.mkdtemp(dir=tmp))
                            try:
                                argv, so, env = table[name](folder)
                                runs.append(callgrind(argv, folder, top, env))
                            finally:
                                shutil.rmtree(folder, ignore_errors=True)
                        (total, rows), (base, _) = runs
                        cg[(case, name)] = (total, base, rows, c_short_samples)
                        log(f"  {name}: {total:,} instructions; one frame: {base:,}")
                    except RuntimeError as e:
                        log(f"  {name}: FAILED ({e})")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)

    # ------------------------------------------------------------ report
    lines = []
    out = lines.append
    out(f"Machine: {machine_description()}")
    versions = peer_versions(tools)
    out(f"Peers: {versions}" if versions else "Peers: none")
    out(f"Median of {args.reps} runs, all rows of both inputs interleaved; CPU = user + system "
        f"of the whole process tree; 16 kHz 16-bit, frames of {FRAME_LENGTH} points every "
        f"{FRAME_RATE}, LPC order {LPC_ORDER}")
    out(f"Load average (1 min) at start {load_start:.2f}, at end {os.getloadavg()[0]:.2f} "
        f"(above 0.1 other work shared the cores)")
    med = {}
    for case, (c_wav, _, c_samples, _, _, _) in inputs.items():
        m = {name: {k: median_of(runs, k) for k in ("cpu", "wall", "rss", "out")}
             for name, runs in results.get(case, {}).items() if runs}
        med[case] = m
        frames, seconds = frame_count(c_samples), c_samples / RATE
        sptk_cpu = m.get("SPTK LP pipeline", {}).get("cpu")
        praat_name = ("Praat To Formant (burg)" if case == "generated" else
                      "Praat To Formant (burg) " + " ".join(PRAAT_VOCANA_FRAMES))
        praat_cpu = m.get(praat_name, {}).get("cpu")
        out("")
        if case == "generated":
            out(f"Input generated: {seconds:g} s of generated speech (seed {args.seed}), "
                f"about a fifth digital silence (vocana skips those frames); {frames:,} frames; "
                f"md5 {md5(c_wav)}")
        else:
            out(f"Input espeak: {seconds:g} s of espeak-ng speech (8 voice settings, "
                f"resampled with sox, zeros replaced by +-1: no digital silence); "
                f"{frames:,} frames; md5 {md5(c_wav)}")
        out("")
        out("| run | CPU s | wall s | frames per CPU s | CPU s per hour of audio "
            "| speed vs SPTK | speed vs Praat | peak memory | text written |")
        out("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
        for name, r in m.items():
            cpu = r["cpu"]
            fps = f"{frames / cpu:,.0f}" if cpu > 0 else "-"
            out(f"| `{name}` | {cpu:.2f} | {r['wall']:.2f} | {fps} | {cpu * 3600 / seconds:.1f} "
                f"| {ratio(sptk_cpu, cpu)} | {ratio(praat_cpu, cpu)} | {r['rss'] / 1e6:.1f} MB "
                f"| {r['out'] / 1e6:.1f} MB |")
    out("")
    out("speed vs X = X's CPU seconds / this run's CPU seconds (above 1: faster than X); "
        "Praat is the row of the same input ('generated': 0.008 5 5500 0.025 50; 'espeak': "
        "0.008 5 5000 0.016 50).")
    for name, why in broken.items():
        out(f"FAILED: {name}: {why}")
    for line in skipped:
        out(line)
    for line in notes:
        out(line)

    # Goals
    out("")
    out("Goals:")
    gen = med.get("generated", {})
    v = gen.get("vocana")
    praat_cpu = gen.get("Praat To Formant (burg)", {}).get("cpu")
    if v and praat_cpu and v["cpu"] > 0:
        r = praat_cpu / v["cpu"]
        out(f"  generated, formants vs Praat: {r:.2f}x less CPU (goal >= {PRAAT_GOAL:g}x; "
            f"vocana {v['cpu']:.2f} s, Praat {praat_cpu:.2f} s): "
            f"{'MET' if r >= PRAAT_GOAL else 'NOT MET'}")
    else:
        out("  generated, formants vs Praat: not measured (or too short to time)")
    va, sptk_cpu = gen.get("vocana -a"), gen.get("SPTK LP pipeline", {}).get("cpu")
    if va and sptk_cpu and va["cpu"] > 0:
        out(f"  generated, vocana -a vs SPTK: {va['cpu']:.2f} s vs {sptk_cpu:.2f} s "
            f"({sptk_cpu / va['cpu']:.2f}x): {'MET' if va['cpu'] <= sptk_cpu else 'NOT MET'}")
    else:
        out("  generated, vocana -a vs SPTK: not measured")
    esp = med.get("espeak", {})
    one, two = esp.get(vocana_threads_name(1)), esp.get(vocana_threads_name(2))
    e_praat = esp.get("Praat To Formant (burg) " + " ".join(PRAAT_VOCANA_FRAMES), {}).get("cpu")
    if one and e_praat and one["cpu"] > 0:
        r = e_praat / one["cpu"]
        out(f"  espeak, formants with one thread vs Praat {' '.join(PRAAT_VOCANA_FRAMES)}: "
            f"{r:.2f}x less CPU (goal >= {ESPEAK_PRAAT_GOAL:g}x; vocana {one['cpu']:.2f} s, "
            f"Praat {e_praat:.2f} s): {'MET' if r >= ESPEAK_PRAAT_GOAL else 'NOT MET'}")
    else:
        out("  espeak, formants vs Praat: not measured (or too short to time)")
    if one and two and two["wall"] > 0:
        r = one["wall"] / two["wall"]
        out(f"  espeak, 2 threads vs 1: {r:.2f}x less wall time (goal >= {THREADS_GOAL:g}x; "
            f"{two['wall']:.2f} s vs {one['wall']:.2f} s): "
            f"{'MET' if r >= THREADS_GOAL else 'NOT MET'}")
    else:
        out("  espeak, 2 threads vs 1: not measured")
    if v:
        wav_g, _, samples_g, _, short_samples_g, _ = inputs["generated"]
        sample_bytes = 2 * samples_g
        vocana_rows = [name for name in gen if name.startswith("vocana")]
        excess = max(gen[n]["rss"] for n in vocana_rows) - sample_bytes
        short_v = short_results.get("generated", {}).get("vocana")
        # Constant in frames: the same run (plain vocana) on the long and the
        # short file; the other modes add their result buffers on both.
        long_excess = gen["vocana"]["rss"] - sample_bytes if "vocana" in gen else excess
        short_excess = short_v[0]["rss"] - 2 * short_samples_g if short_v else long_excess
        constant = long_excess - short_excess <= MEMORY_CONSTANT_SLACK
        few = excess <= MEMORY_FEW_MB
        out(f"  memory (generated): sample array {sample_bytes / 1e6:.1f} MB; vocana peak "
            f"{(sample_bytes + excess) / 1e6:.1f} MB (highest of its runs) = samples + "
            f"{excess / 1e6:.1f} MB; plain vocana: samples + {long_excess / 1e6:.1f} MB, on the "
            f"{short_samples_g / RATE:g} s file samples + {short_excess / 1e6:.1f} MB")
        out(f"          excess <= {MEMORY_FEW_MB / 1e6:.1f} MB: {'yes' if few else 'no'}; "
            f"constant in frames (within {MEMORY_CONSTANT_SLACK / 1e6:.1f} MB): "
            f"{'yes' if constant else 'no'}: {'MET' if few and constant else 'NOT MET'}")

    if cg:
        out("")
        out(f"Callgrind on {args.callgrind_seconds:g} s of each input. Instructions per frame = "
            f"(Ir of the file - Ir of a one-frame file) / (frames - 1); all-in = Ir of the "
            f"file / frames, start-up included. Functions by self (exclusive) cost over the "
            f"whole run:")
        for (case, name), (total, base, rows, c_short_samples) in cg.items():
            cg_frames = frame_count(c_short_samples)
            per_frame = (total - base) / (cg_frames - 1) if cg_frames > 1 else float(total)
            out("")
            out(f"{case}, `{name}`: {per_frame:,.0f} Ir per frame ({total / cg_frames:,.0f} "
                f"all-in; {total:,} Ir in all over {cg_frames:,} frames, start-up {base:,})")
            out("")
            out("| self Ir | share | function |")
            out("|---:|---:|---|")
            for ir, pct, fn in rows:
                out(f"| {ir:,} | {pct:.1f}% | `{fn}` |")

    report = "\n".join(lines) + "\n"
    log("\n" + "=" * 72)
    log(report)
    (work / "last-report.md").write_text(report)
    log(f"(report also in {work / 'last-report.md'})")


if __name__ == "__main__":
    main()
