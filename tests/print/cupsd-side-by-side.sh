#!/usr/bin/env bash
# Two test runs' fixtures on one CUPS server at once: each adds its own
# queues, a job goes to each queue at the same time, and each PDF lands in
# its own run's folder and never in the other's. Then both fixtures stop
# and their queues are gone.
#   cupsd-side-by-side.sh <folder>
# Skips (exit 0 with a message) without a running server or root, as the
# suite's fixture leaves the printing tests to do; with CI=true it fails.
set -u
folder="$1"
here="$(cd "$(dirname "$0")" && pwd)"
fixture="$here/cupsd-fixture.sh"
unavailable() {
  echo "cupsd-side-by-side: $1; not tested" >&2
  if [ "${CI:-}" = "true" ]; then exit 1; fi
  exit 0
}
lpstat -r 2>/dev/null | grep -q "is running" || unavailable "no CUPS server (the kvn_cupsd_start fixture)"
[ "$(id -u)" -eq 0 ] || unavailable "adding queues needs root"

tag="$$"
runs=(a b)
declare -A a4 letter
for r in "${runs[@]}"; do
  a4[$r]="KVN_SIDE_${r}_${tag}"
  letter[$r]="KVN_SIDE_${r}L_${tag}"
done
status=0
fail() { echo "cupsd-side-by-side: $*" >&2; status=1; }
cleanup() {
  for r in "${runs[@]}"; do bash "$fixture" stop "$folder/$r" "${a4[$r]}" "${letter[$r]}" >/dev/null; done
}
trap cleanup EXIT

rm -rf "$folder"
for r in "${runs[@]}"; do
  bash "$fixture" start "$folder/$r" "${a4[$r]}" "${letter[$r]}" || { fail "fixture $r did not start"; exit 1; }
done
# Both runs' fixtures are up before either prints, as when two suites start together.
printf 'side by side\n' > "$folder/page.txt"
for r in "${runs[@]}"; do
  lp -d "${a4[$r]}" -t "kvnside${r}${tag}" "$folder/page.txt" >/dev/null &
done
wait

# Each PDF is waited for while its queue still holds the job (queued, or
# printing through a slow filter on a busy machine), at most 240 s; once
# the queue is empty, cups-pdf has written it, and the file gets 20 s more.
for r in "${runs[@]}"; do
  found=""
  start=$(date +%s)
  emptied=""
  while true; do
    found="$(ls "$folder/$r/out" 2>/dev/null | grep "^kvnside${r}${tag}.*\.pdf$" || true)"
    [ -n "$found" ] && break
    now=$(date +%s)
    if lpstat -o "${a4[$r]}" 2>/dev/null | grep -q "^${a4[$r]}-"; then
      emptied=""
    elif [ -z "$emptied" ]; then
      emptied=$now
    fi
    [ $(( now - start )) -ge 240 ] && break
    [ -n "$emptied" ] && [ $(( now - emptied )) -ge 20 ] && break
    sleep 0.2
  done
  [ -n "$found" ] || fail "no PDF of run $r's job in $folder/$r/out ($(lpstat -o "${a4[$r]}" 2>&1 | head -3))"
done
for r in "${runs[@]}"; do
  for other in "${runs[@]}"; do
    [ "$r" = "$other" ] && continue
    if ls "$folder/$other/out" 2>/dev/null | grep -q "^kvnside${r}${tag}"; then
      fail "run $r's PDF landed in run $other's folder"
    fi
  done
done

cleanup
trap - EXIT
for r in "${runs[@]}"; do
  for q in "${a4[$r]}" "${letter[$r]}"; do
    lpstat -e 2>/dev/null | grep -qx "$q" && fail "queue $q stayed after its fixture stopped"
    [ -e "/etc/cups/cups-pdf-$q.conf" ] && fail "the cups-pdf configuration of $q stayed"
  done
done
[ "$status" -eq 0 ] && echo "cupsd-side-by-side: both runs' PDFs in their own folders"
exit "$status"
