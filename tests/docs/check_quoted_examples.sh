#!/usr/bin/env bash
# Checks that a document quotes its example files as they stand: every fenced code block
# that follows a line "<!-- example: <path> -->" must equal that file (path relative to the
# source tree), and every file of docs/examples must be quoted somewhere.
# usage: check_quoted_examples.sh document.md source_dir
set -u
doc=$1 root=$2
work=$(mktemp -d /tmp/tkwd-quotes.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail=0

# Writes each quoted block to $work/<n> and its path to $work/<n>.path.
awk -v out="$work" '
  /^<!-- example: .* -->$/ { path = $3; want = 1; next }
  want == 1 && /^```/       { n++; print path > (out "/" n ".path"); printf "" > (out "/" n); inside = 1; want = 0; next }
  want == 1                 { print "line " NR ": the example marker is not followed by a code block" > "/dev/stderr"; want = 0; bad = 1 }
  inside && /^```$/         { inside = 0; next }
  inside                    { print > (out "/" n) }
  END { exit bad }
' "$doc" || fail=1

quoted=()
for path_file in "$work"/*.path; do
  [ -e "$path_file" ] || continue
  block=${path_file%.path}
  path=$(cat "$path_file")
  quoted+=("$path")
  if [ ! -f "$root/$path" ]; then
    echo "$doc quotes $path, which does not exist"; fail=1; continue
  fi
  if ! diff -u --label "$path" --label "quoted in $(basename "$doc")" <(tr -d '\r' < "$root/$path") "$block"; then
    fail=1
  fi
done

for file in "$root"/docs/examples/*; do
  rel=docs/examples/$(basename "$file")
  printf '%s\n' "${quoted[@]}" | grep -qx "$rel" || { echo "$rel is not quoted in $doc"; fail=1; }
done

[ $fail -eq 0 ] && echo "$doc quotes ${#quoted[@]} examples as they stand"
exit $fail
