#!/bin/bash
# The corpus recipes of the README, run as written on a copy of the example
# folder with a second good file and a broken one added: each good file gets
# its result file, equal to a direct run of vocana; the broken one is named on
# standard error, gets none, and the run ends with a failure status.
#   corpus.sh <vocana> <source folder>
set -u
vocana=$1
src=$2
tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT || exit 1
fail() { echo "FAIL: $*"; exit 1; }
expected=$("$vocana" "$src/examples/vowels.wav" 2>/dev/null) || fail "vocana on the example"

# vocana under its own name, and a stand-in for Slurm's sbatch that runs the
# tasks of "--array=first-last script" one after the other.
mkdir "$tmp/bin" && ln -s "$(readlink -f "$vocana")" "$tmp/bin/vocana" || exit 1
cat >"$tmp/bin/sbatch" <<'SBATCH'
#!/bin/bash
range=${1#--array=} status=0
for ((task = ${range%-*}; task <= ${range#*-}; task++)); do
  SLURM_ARRAY_TASK_ID=$task bash "$2" || status=1
done
exit $status
SBATCH
chmod +x "$tmp/bin/sbatch"

recipe() {  # the code block after the README line "<!-- corpus: NAME -->"
  awk -v mark="<!-- corpus: $1 -->" '
    $0 == mark { found = 1; next }
    found && /^```/ { if (inside) exit; inside = 1; next }
    inside' "$src/README.md"
}

check() {  # NAME: runs the recipe NAME in a fresh folder
  local dir=$tmp/$1
  mkdir -p "$dir/examples" || exit 1
  cp "$src/examples/vowels.wav" "$dir/examples/vowels.wav"
  cp "$src/examples/vowels.wav" "$dir/examples/second.wav"
  printf 'x' >"$dir/examples/broken.wav"
  [ -n "$(recipe "$1")" ] || fail "no recipe $1 in README.md"
  [ "$1" != slurm-submit ] || recipe slurm-job >"$dir/vocana-array.sh"
  (cd "$dir" && PATH=$tmp/bin:$PATH bash -c "$(recipe "$1")") >"$dir.out" 2>"$dir.err" </dev/null
  [ $? -ne 0 ] || fail "$1: a failed file leaves status 0"
  grep -q 'broken\.wav' "$dir.err" || fail "$1: the failed file is not named: $(cat "$dir.err")"
  [ ! -e "$dir/examples/broken.F.txt" ] || fail "$1: the failed file has a result file"
  grep -q 'Error: fail to read' "$dir/examples/broken.log" || fail "$1: the failed file's log lacks the reason"
  for name in vowels second; do
    [ "$(cat "$dir/examples/$name.F.txt" 2>/dev/null)" = "$expected" ] ||
      fail "$1: $name.F.txt differs from a direct run"
  done
}

check xargs
check slurm-submit
if command -v parallel >/dev/null; then
  check parallel
else
  echo "note: GNU parallel is not installed; its recipe was not run"
fi
