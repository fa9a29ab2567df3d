#!/usr/bin/env bash
# plot-cp: the failure paths (no gnuplot needed), or one picture from two files.
# Usage: plot_cp_test.sh PLOT-CP REFERENCE-DIR failures|picture
set -euo pipefail
plot_cp=$1
reference=$2
mode=$3

work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT
cd "$work"

failed=0
problem() {
  echo "FAIL: $*" >&2
  failed=1
}

# expect_failure PART [PATH] -- ARGS: exit status 1, one line on the standard
# error that holds PART, and no picture nor partial picture left.
expect_failure() {
  local part=$1 path=$2 status=0
  shift 3
  PATH=$path "$plot_cp" -o out.png "$@" >stdout 2>stderr || status=$?
  [ "$status" -eq 1 ] || problem "$* exit status $status, expected 1"
  [ "$(wc -l <stderr)" -eq 1 ] || problem "$* printed more than one line: $(cat stderr)"
  grep -qF -- "$part" stderr || problem "$* message lacks '$part': $(cat stderr)"
  [ ! -e out.png ] || problem "$* left a picture"
  rm -f out.png
  ! compgen -G '.plot-cp*' >/dev/null || problem "$* left a partial picture"
}

# A run at velocity 0 writes NaN for every coefficient, one from about 1e20
# Infinity.
printf '  0.50000 NaN     \r\n  1.00000 NaN     \r\n' >v0.txt
printf '  0.50000 Infinity\r\n  1.00000 Infinity\r\n' >huge.txt
: >empty.txt

if [ "$mode" = failures ]; then
  cp "$reference/n10-v20/rezult.txt" n10.txt
  # Files with nothing to draw fail only when no other file is left, each named
  # with what it holds.
  expect_failure 'v0.txt: no finite pressure coefficient (2 NaN, as velocity 0 gives); nothing to draw' \
    "$PATH" -- v0.txt
  expect_failure 'huge.txt: no finite pressure coefficient (2 infinite, as velocities from about 1e20 give)' \
    "$PATH" -- huge.txt empty.txt
  expect_failure 'empty.txt: no results records; nothing to draw' "$PATH" -- huge.txt empty.txt
  expect_failure 'cannot read missing.txt' "$PATH" -- n10.txt missing.txt

  # The same PATH with gnuplot taken out of every folder that has it.
  hidden=""
  IFS=: read -ra dirs <<<"$PATH"
  for dir in "${dirs[@]}"; do
    if [ -e "$dir/gnuplot" ]; then
      farm=$(mktemp -d "$work/path.XXXXXX")
      ln -s "$dir"/* "$farm"/
      rm "$farm/gnuplot"
      dir=$farm
    fi
    hidden=${hidden:+$hidden:}$dir
  done
  expect_failure 'gnuplot-nox' "$hidden" -- n10.txt
  exit "$failed"
fi

command -v gnuplot >/dev/null 2>&1 || exit 77
status=0
"$plot_cp" -o both.png -t 'two runs' "$reference/n93-v20/rezult.txt" "$reference/n10-v20/rezult.txt" \
  >stdout 2>stderr || status=$?
[ "$status" -eq 0 ] || problem "two files: exit status $status: $(cat stderr)"
[ "$(head -c 8 both.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  problem "two files: both.png is not a PNG picture"
[ "$(ls -A)" = "$(printf 'both.png\nempty.txt\nhuge.txt\nstderr\nstdout\nv0.txt')" ] ||
  problem "two files: left $(ls -A)"

# A valid file beside a velocity-0 one: the valid one is drawn, the other named
# as skipped.
status=0
"$plot_cp" -o valid.png "$reference/n10-v20/rezult.txt" v0.txt >stdout 2>stderr || status=$?
[ "$status" -eq 0 ] || problem "valid and velocity 0: exit status $status: $(cat stderr)"
[ -s valid.png ] || problem "valid and velocity 0: no picture"
[ "$(cat stderr)" = "plot-cp: v0.txt: no finite pressure coefficient (2 NaN, as velocity 0 gives); skipped" ] ||
  problem "valid and velocity 0: standard error: $(cat stderr)"
[ "$(ls -A)" = "$(printf 'both.png\nempty.txt\nhuge.txt\nstderr\nstdout\nv0.txt\nvalid.png')" ] ||
  problem "valid and velocity 0: left $(ls -A)"
exit "$failed"
