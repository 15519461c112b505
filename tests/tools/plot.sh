#!/bin/bash
# vocana-plot draws a PNG of the size asked for, from a sound file and from
# result files, and passes a refusal of vocana through with its status.
#   plot.sh <vocana> <source folder>
set -u
vocana=$1
plot=$2/tools/vocana-plot
example=$2/examples/vowels.wav
command -v gnuplot >/dev/null || { echo "SKIP: gnuplot is not installed"; exit 77; }
tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT && cd "$tmp" || exit 1

fail() { echo "FAIL: $*"; exit 1; }

# A PNG file: its signature, then the IHDR chunk with width and height.
check_png() {  # file width height
  [ "$(od -An -tx1 -N16 "$1" | tr -d ' \n')" = 89504e470d0a1a0a0000000d49484452 ] ||
    fail "$1 is not a PNG file"
  local size
  size=$(od -An -tu1 -j16 -N8 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 "x" $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
  [ "$size" = "$2x$3" ] || fail "$1 is $size pixels, not $2x$3"
  [ "$(wc -c <"$1")" -gt $(($2 * $3 / 20)) ] || fail "$1 is too small to hold the plot"
}

"$plot" -x "$vocana" -g 640x400 -o out.png "$example" 2>log || fail "plot of the example: $(cat log)"
check_png out.png 640 400

"$vocana" -n 512 -F spectra.txt -w wave.txt "$example" >formants.txt 2>/dev/null || fail "vocana"
"$plot" -F spectra.txt -f formants.txt -w wave.txt 2>log || fail "plot of result files: $(cat log)"
check_png spectra.png 960 640

VOCANA=$vocana "$plot" -m 21 -o refused.png "$example" 2>log
status=$?
[ $status -eq 1 ] || fail "a refusal of vocana ends vocana-plot with $status"
grep -q '^Error: maximum value of LPC order: 20$' log || fail "vocana's message is lost: $(cat log)"
[ ! -e refused.png ] || fail "a picture was written after a refusal"

"$plot" -g 640 "$example" 2>log
[ $? -eq 2 ] || fail "a bad size is not a usage error of vocana-plot"

# Formant and bandwidth files of their own are paired line by line.
"$vocana" -F spectra.txt -b bandwidths.txt "$example" >formants.txt 2>/dev/null || fail "vocana"
"$plot" -F spectra.txt -f formants.txt -b bandwidths.txt -o paired.png 2>log || fail "plot of paired files: $(cat log)"
check_png paired.png 960 640

# A recording long enough to be drawn from spaced-out frames at this width:
# 40 times the example, 36 s, as a raw file. One report of vocana only.
tail -c +45 "$example" >once.raw
for ((i = 0; i < 40; i++)); do cat once.raw; done >long.raw
"$plot" -x "$vocana" -g 200x150 -s 16000 -o long.png long.raw 2>log || fail "plot of 36 s: $(tail -n 3 log)"
check_png long.png 200 150
[ "$(grep -c '^command line:' log)" -eq 1 ] || fail "the report of vocana is not shown once: $(cat log)"

# -T needs vocana-track next to vocana or on the PATH.
mkdir alone && cp "$vocana" alone/vocana
PATH=/usr/bin:/bin "$plot" -x alone/vocana -T -o track.png "$example" 2>log
[ $? -eq 2 ] && grep -q 'vocana-track' log || fail "-T without vocana-track: $(cat log)"

# A failure of gnuplot is reported with gnuplot's own message.
mkdir fakebin && printf '#!/bin/sh\necho "line 9: out of memory for the image" >&2\nexit 1\n' >fakebin/gnuplot &&
  chmod +x fakebin/gnuplot
PATH=$PWD/fakebin:$PATH "$plot" -x "$vocana" -o failed.png "$example" 2>log
[ $? -eq 2 ] && grep -q 'gnuplot failed.*out of memory for the image' log && [ ! -e failed.png ] ||
  fail "a failure of gnuplot is not reported with its cause: $(tail -n 2 log)"
