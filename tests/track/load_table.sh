#!/usr/bin/env bash
# The tables of vocana-track read as numbers without options: TSV by
# numpy.loadtxt(skiprows=1) and pandas.read_csv(sep='\t'), CSV by
# pandas.read_csv, JSON by Python's json and by jq (when installed).
#   load_table.sh <vocana-track> <source folder>
# Exit 77 (skipped) when numpy or pandas is missing.
set -euo pipefail
track=$1
source=$2
python=/usr/bin/python3
"$python" -c 'import numpy, pandas' 2>/dev/null || { echo "numpy or pandas missing"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sound=$source/examples/vowels.wav

"$track" "$sound" > "$work/t.tsv"
"$track" --format csv --ceiling auto "$sound" "$sound" > "$work/t.csv" 2> "$work/err"
"$track" --format json "$sound" > "$work/t.json"

"$python" - "$work" <<'PY'
import json, sys
import numpy, pandas
work = sys.argv[1]
a = numpy.loadtxt(f"{work}/t.tsv", skiprows=1)
assert a.shape == (171, 12), a.shape
assert a.dtype == numpy.float64
assert numpy.all(numpy.diff(a[:, 0]) > 0)
assert numpy.isnan(a[:, 5]).any() and numpy.isnan(a[:, 1]).mean() < 0.05
t = pandas.read_csv(f"{work}/t.tsv", sep="\t")
assert list(t.columns) == ["time"] + [f"F{i}" for i in range(1, 6)] + [f"B{i}" for i in range(1, 6)] + ["intensity"]
assert all(t[c].dtype == numpy.float64 for c in t.columns), t.dtypes
assert abs(t.F1[t.time.between(0.1, 0.2)].median() - 730) < 30
c = pandas.read_csv(f"{work}/t.csv")
assert list(c.columns)[0] == "file" and list(c.columns)[-1] == "ceiling"
assert len(c) == 342 and c.F2.dtype == numpy.float64
j = json.load(open(f"{work}/t.json"))
assert len(j) == 1 and j[0]["settings"]["ceiling"] == 5500 and len(j[0]["rows"]) == 171
assert j[0]["version"] and j[0]["rows"][0]["F5"] is None
PY
if command -v jq > /dev/null; then
  [ "$(jq '.[0].rows | length' "$work/t.json")" = 171 ]
  [ "$(jq -r '.[0].settings.method' "$work/t.json")" = autocorrelation ]
fi
[ "$(wc -l < "$work/err")" = 2 ]
echo ok
