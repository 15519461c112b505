#!/usr/bin/python3
"""Two Python threads analysing two long files with vocana.analyze, against the
same two analyses one after the other: the module releases the GIL while the
library works, so the threads run side by side on two cores.

    /usr/bin/python3 bench/python_threads.py [--build build] [--seconds 300] [-r 3]

Needs the module built in <build>/python (cmake --build build) and g++ with
libsndfile for the input generator bench/gen_speech.cpp. Prints the median wall
times and their ratios, with two processes side by side as the machine's
ceiling; not part of the test suite."""
import argparse
import multiprocessing
import os
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

BENCH = Path(__file__).resolve().parent
SOUNDS = []  # the two sounds, inherited by forked processes


def analyse(index):
    import vocana
    vocana.analyze(SOUNDS[index][0], SOUNDS[index][1], threads=1)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=str(BENCH.parent / "build"), help="build folder")
    parser.add_argument("--seconds", type=int, default=300, help="length of each file")
    parser.add_argument("-r", "--repeat", type=int, default=3, help="repetitions")
    args = parser.parse_args()
    sys.path.insert(0, str(Path(args.build) / "python"))
    import vocana

    with tempfile.TemporaryDirectory() as work:
        generator = Path(work) / "gen_speech"
        flags = subprocess.run(["pkg-config", "--cflags", "--libs", "sndfile"],
                               capture_output=True, text=True, check=True).stdout.split()
        subprocess.run(["g++", "-O2", "-std=c++20", str(BENCH / "gen_speech.cpp"), "-o",
                        str(generator)] + flags, check=True)
        sounds = SOUNDS
        for seed in (1, 2):
            wav = Path(work) / f"speech{seed}.wav"
            subprocess.run([str(generator), str(wav), os.devnull, str(args.seconds), str(seed)],
                           check=True, capture_output=True)
            sounds.append(vocana.read(wav))

        # While a worker analyses, the main thread goes on running Python code
        # only if the GIL is released.
        worker = threading.Thread(target=analyse, args=(0,))
        spins = 0
        worker.start()
        while worker.is_alive():
            spins += 1
        worker.join()

        # Two processes: what the machine gives two analyses side by side.
        pool = multiprocessing.get_context("fork").Pool(2)
        pool.map(len, [[], []])
        serial, threaded, processes = [], [], []
        for _ in range(args.repeat):
            began = time.perf_counter()
            for index in range(len(sounds)):
                analyse(index)
            serial.append(time.perf_counter() - began)
            began = time.perf_counter()
            pool.map(analyse, range(len(sounds)), chunksize=1)
            processes.append(time.perf_counter() - began)
            workers = [threading.Thread(target=analyse, args=(i,)) for i in range(len(sounds))]
            began = time.perf_counter()
            for w in workers:
                w.start()
            for w in workers:
                w.join()
            threaded.append(time.perf_counter() - began)
        pool.close()
    one, two = statistics.median(serial), statistics.median(threaded)
    apart = statistics.median(processes)
    print(f"vocana {vocana.__version__}, 2 files x {args.seconds} s of 16 kHz speech, "
          f"median of {args.repeat}, {os.cpu_count()} cores")
    print(f"the main thread ran {spins} loop iterations while a worker analysed one file")
    print(f"one after the other: {one:.2f} s wall, load average {os.getloadavg()[0]:.1f}")
    print(f"two Python threads:  {two:.2f} s wall ({one / two:.2f}x)")
    print(f"two processes:       {apart:.2f} s wall ({one / apart:.2f}x)")


if __name__ == "__main__":
    main()
