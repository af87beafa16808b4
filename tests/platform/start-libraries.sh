#!/usr/bin/env bash
# The programs start without libcups and libgsf and the libraries these pull
# in (they are opened on first use), and a drawing without printing or
# compound files never opens them.
#   start-libraries.sh KVN_GEN_DXF PROGRAM...
# Every PROGRAM: the loader's list (ldd: what its start loads, directly or
# not) holds neither; each is run on a generated DXF, and the libraries
# it opened while running (LD_DEBUG=files) hold neither either.
set -euo pipefail
gen="$1"
shift
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
"$gen" 200 "$scratch/plain.dxf" >/dev/null

status=0
for program in "$@"; do
  name="$(basename "$program")"
  libraries="$(ldd "$program")"
  if ! grep -q 'libc\.so' <<<"$libraries"; then
    echo "$name: ldd gave no list of libraries: $libraries" >&2
    status=1
    continue
  fi
  for library in libcups libgsf; do
    if grep -q "$library" <<<"$libraries"; then
      echo "$name loads $library at start-up:" >&2
      grep "$library" <<<"$libraries" >&2
      status=1
    fi
  done
done

# The tools that open a drawing without a display.
for program in "$@"; do
  name="$(basename "$program")"
  case "$name" in
    kvn-dump) args=("$scratch/plain.dxf") ;;
    kvn-render) args=("$scratch/plain.dxf" "$scratch/plain.png") ;;
    *) continue ;;
  esac
  LD_DEBUG=files LD_DEBUG_OUTPUT="$scratch/$name" "$program" "${args[@]}" >/dev/null
  opened="$(cat "$scratch/$name".* 2>/dev/null)"
  if ! grep -q 'file=' <<<"$opened"; then
    echo "$name: the loader reported nothing under LD_DEBUG=files" >&2
    status=1
  elif grep -E 'file=lib(cups|gsf)' <<<"$opened" >&2; then
    echo "$name opened the above while reading a drawing without printing or compound files" >&2
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "start-libraries: $# programs start without libcups and libgsf"
exit "$status"
