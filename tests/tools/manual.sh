#!/bin/bash
# The manual page renders without a warning, and each option of the usage
# text has its own item in it that repeats the default the usage text names.
#   manual.sh <vocana> <source folder>
set -u
vocana=$1
page=$2/doc/vocana.1
for tool in groff man; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

warnings=$(groff -ww -z -man "$page" 2>&1) || { echo "groff failed: $warnings"; exit 1; }
[ -z "$warnings" ] || { printf 'groff warns:\n%s\n' "$warnings"; exit 1; }
rendered=$(MANWIDTH=80 man -l "$page" 2>&1 >/dev/null)
[ -z "$rendered" ] || { printf 'man -l warns:\n%s\n' "$rendered"; exit 1; }
rendered=$(MANWIDTH=80 man -l "$page")

failed=0
usage=$("$vocana" -h 2>&1 >/dev/null)
while IFS= read -r line; do
  option=$(printf '%s\n' "$line" | sed -n 's/^\t\(-[a-zA-Z0-9]\).*/\1/p')
  [ -n "$option" ] || continue
  # The item: its first line at the indent of the option list, then the
  # deeper-indented lines of its paragraph.
  item=$(printf '%s\n' "$rendered" | awk -v o="$option" '
    found && substr($0, 1, 8) == "        " { print; next }
    found { exit }
    index($0, "       " o) == 1 && substr($0, 10, 1) ~ /^( |)$/ { found = 1; print }
  ' | tr -s ' \n' '  ')
  if [ -z "$item" ]; then
    echo "no item for $option"; failed=1; continue
  fi
  default=$(printf '%s\n' "$line" | sed -n 's/.*(default[^:]*: \([0-9]*\)).*/\1/p')
  if [ -n "$default" ] && ! printf '%s\n' "$item" | grep -q "Default:.*\b$default\b"; then
    echo "the item for $option does not give the default $default: $item"; failed=1
  fi
done <<<"$usage"
exit $failed
