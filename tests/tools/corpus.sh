#!/bin/bash
# The README and the manual page's corpus recipe as a new user meets them, in
# a fresh clone of the checkout (its tracked files as they are now): the
# set-up command (with stand-ins for apt-get and cmake that record what they
# are asked, and the vocana already built), the tutorial's commands and the
# corpus recipes, run as written from the clone's root folder. The tutorial's
# outputs hold the lines the README quotes and leave `git status` clean; the
# corpus runs on the example folder with an upper-case .WAV file, a symbolic
# link, a sub-folder, a broken file and one of digital silence added: each good file
# gets its result under the results folder, equal to a direct run of vocana,
# the other two are named on standard error, listed in failed.txt and get
# none, the corpus folder is left as it was and the run ends with a failure
# status.
#   corpus.sh <vocana> <source folder>
set -u
vocana=$(readlink -f "$1")
src=$2
for tool in git tar; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
git -C "$src" rev-parse --git-dir >/dev/null 2>&1 || { echo "SKIP: $src is not a git checkout"; exit 77; }
tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT || exit 1
fail() { echo "FAIL: $*"; exit 1; }
expected=$("$vocana" "$src/examples/vowels.wav" 2>/dev/null) || fail "vocana on the example"

# Stand-ins: apt-get, dpkg (nothing installed), sudo and cmake record their
# calls; sbatch runs the tasks of "--array=first-last script args..." one
# after the other.
mkdir "$tmp/bin" || exit 1
for tool in apt-get cmake; do
  printf '#!/bin/sh\necho "%s $*" >> "%s/calls"\n' "$tool" "$tmp" >"$tmp/bin/$tool"
done
printf '#!/bin/sh\nexit 1\n' >"$tmp/bin/dpkg"
printf '#!/bin/sh\nexec "$@"\n' >"$tmp/bin/sudo"
cat >"$tmp/bin/sbatch" <<'SBATCH'
#!/bin/bash
range=${1#--array=} script=$2 status=0
shift 2
for ((task = ${range%-*}; task <= ${range#*-}; task++)); do
  SLURM_ARRAY_TASK_ID=$task bash "$script" "$@" || status=1
done
exit $status
SBATCH
chmod +x "$tmp/bin/"* || exit 1
stand_ins=$tmp/bin

readme_block() {  # the code block after the README line "<!-- KIND: NAME -->"
  awk -v mark="<!-- $1 -->" '
    $0 == mark { found = 1; next }
    found && /^```/ { if (inside) exit; inside = 1; next }
    inside' "$clone/README.md"
}

# A fresh clone with the working tree's tracked files, and vocana where the
# set-up puts it.
clone=$tmp/clone
git clone -q "$src" "$clone" 2>/dev/null || fail "git clone of $src"
git -C "$src" ls-files -z | (cd "$src" && tar --null --ignore-failed-read -T - -cf - 2>/dev/null) |
  tar -C "$clone" -xf - || fail "copying the tracked files of $src"
mkdir -p "$clone/build" && ln -s "$vocana" "$clone/build/vocana" || exit 1

# Set-up: ./setup.sh run installs nothing for the tests and leaves them out.
(cd "$clone" && PATH=$stand_ins:$PATH ./setup.sh run) >"$tmp/setup.out" 2>&1 ||
  fail "./setup.sh run: $(tail -n 5 "$tmp/setup.out")"
grep -q '^apt-get install .* g++ .*libsndfile1-dev' "$tmp/calls" || fail "setup.sh run installs: $(cat "$tmp/calls")"
for pkg in libgtest-dev googletest python3-pytest python3-pandas jq gnuplot-nox parallel; do
  ! grep '^apt-get install' "$tmp/calls" | grep -qw -- "$pkg" || fail "setup.sh run installs $pkg"
done
grep -q '^cmake .*-DVOCANA_TESTS=OFF' "$tmp/calls" || fail "setup.sh run builds the tests: $(cat "$tmp/calls")"

# The tutorial.
names=analyse
command -v gnuplot >/dev/null && names="analyse plot" || echo "note: gnuplot is not installed; the tutorial's plot was not run"
for name in $names; do
  commands=$(readme_block "tutorial: $name")
  [ -n "$commands" ] || fail "no tutorial block $name in README.md"
  (cd "$clone" && bash -e -c "$commands") >"$tmp/$name.out" 2>"$tmp/$name.err" </dev/null ||
    fail "tutorial $name: $(tail -n 5 "$tmp/$name.err")"
done
[ "$(cat "$clone/vowels.F.txt")" = "$expected" ] || fail "the tutorial's vowels.F.txt differs from a direct run"
for stream in F B; do  # the lines the README quotes are the ones written
  line=$(grep "^     1280 pnt   80.00 ms $stream:" "$clone/README.md" | sed 's/^    //')
  [ -n "$line" ] && grep -qxF "$line" "$clone/vowels.$stream.txt" ||
    fail "the README's $stream line of frame 1280 is not in vowels.$stream.txt"
done
[ "$names" = analyse ] || [ "$(od -An -tx1 -N4 "$clone/vowels.png" | tr -d ' \n')" = 89504e47 ] || fail "vowels.png is not a PNG"
untracked=$(git -C "$clone" status --porcelain --untracked-files=all | grep '^??')
[ -z "$untracked" ] || fail "the tutorial leaves untracked files: $untracked"

# The corpus.
examples=$clone/examples
cp "$examples/vowels.wav" "$examples/second.WAV"
mkdir "$examples/speaker 2" && cp "$examples/vowels.wav" "$examples/speaker 2/vowels.wav"
ln -s vowels.wav "$examples/linked.wav"  # as in corpora kept by git-annex
printf 'x' >"$examples/broken.wav"
head -c 44 "$examples/vowels.wav" >"$examples/silence.wav"  # a header for 14400 zero samples
head -c 28800 /dev/zero >>"$examples/silence.wav"
before=$(cd "$examples" && find . | sort)

check() {  # NAME [TEXT]: runs the recipe TEXT, else the README's NAME, in the clone's root folder
  local recipe out=$clone/results
  rm -rf "$out" "$clone"/chunk.* "$clone/files.txt"
  recipe=${2:-$(readme_block "corpus: $1")}
  [ -n "$recipe" ] || fail "no recipe $1 in README.md"
  [ "$1" != slurm-submit ] || readme_block "corpus: slurm-job" >"$clone/vocana-array.sh"
  (cd "$clone" && PATH=$stand_ins:$PATH bash -c "$recipe") >"$tmp/$1.out" 2>"$tmp/$1.err" </dev/null
  [ $? -ne 0 ] || fail "$1: a failed file leaves status 0"
  for name in broken silence; do
    grep -q "$name\.wav" "$tmp/$1.err" || fail "$1: $name.wav is not named: $(cat "$tmp/$1.err")"
    [ ! -e "$out/$name.F.txt" ] || fail "$1: $name.wav has a result file"
  done
  [ "$(sed 's|.*/||' "$out/failed.txt" 2>/dev/null | sort | tr '\n' ' ')" = "broken.wav silence.wav " ] ||
    fail "$1: failed.txt lists: $(cat "$out/failed.txt" 2>&1)"
  grep -q 'Error: fail to read' "$out/broken.log" || fail "$1: broken.log lacks the reason"
  grep -q 'not analyzed' "$out/silence.log" || fail "$1: silence.log lacks the reason"
  for name in vowels second linked "speaker 2/vowels"; do
    [ "$(cat "$out/$name.F.txt" 2>/dev/null)" = "$expected" ] ||
      fail "$1: $name.F.txt differs from a direct run"
  done
  [ "$(cd "$examples" && find . | sort)" = "$before" ] || fail "$1: the corpus folder was written into"
  [ "$1" = slurm-submit ] || [ "$(cat "$tmp/$1.out")" = "" ] || fail "$1 writes on standard output"
}

check xargs
# The manual page's recipe, as man shows it.
if command -v man >/dev/null; then
  check manual "$(LANG=C.UTF-8 MANWIDTH=200 man -l "$clone/doc/vocana.1" 2>/dev/null | awk '
    /^ *export PATH=/ { inside = 1 }
    inside { sub(/^       /, ""); print }
    inside && /^fi$/ { exit }')"
else
  echo "note: man is not installed; the manual page's recipe was not run"
fi
check slurm-submit
if command -v parallel >/dev/null; then
  check parallel
else
  echo "note: GNU parallel is not installed; its recipe was not run"
fi
