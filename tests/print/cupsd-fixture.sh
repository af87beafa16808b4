#!/usr/bin/env bash
# Test fixture: a CUPS server on loopback with two cups-pdf queues of one
# test run.
#   cupsd-fixture.sh start <folder> [<a4-queue> <letter-queue>]
#       start cupsd unless one runs; add the A4 queue (TEST unless named) and
#       the US Letter queue (LETTER unless named), their PDFs into <folder>/out
#   cupsd-fixture.sh stop <folder> [<a4-queue> <letter-queue>]
#       remove the queues; stop the cupsd that `start` started, unless queues
#       of other runs are still on it
# The server is shared: each run (CTest names the queues after its build
# folder) has queues of its own, and each queue a cups-pdf configuration of
# its own (cups-pdf reads /etc/cups/cups-pdf-<name>.conf for the device URI
# cups-pdf:/<name>), so that runs side by side never take each other's PDFs.
# Needs root (cupsd and lpadmin) and the packages cups and
# printer-driver-cups-pdf; without them it says so and leaves the tests to skip
# (or to fail when CI=true).
set -u
action="${1:-}"
folder="${2:-}"
a4="${3:-TEST}"
letter="${4:-LETTER}"
[ -n "$action" ] && [ -n "$folder" ] || { echo "usage: $0 start|stop <folder> [<a4-queue> <letter-queue>]" >&2; exit 2; }
pidfile="$folder/cupsd.pid"
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

running() { lpstat -r 2>/dev/null | grep -q "is running"; }

unavailable() {
  echo "cupsd-fixture: $1; printing tests will skip" >&2
  if [ "${CI:-}" = "true" ]; then exit 1; fi
  exit 0
}

case "$action" in
  start)
    mkdir -p "$folder/out"
    [ -x /usr/sbin/cupsd ] && command -v lpadmin >/dev/null || unavailable "CUPS is not installed (apt-get install cups printer-driver-cups-pdf)"
    [ -f "$ppd" ] || unavailable "cups-pdf is not installed (apt-get install printer-driver-cups-pdf)"
    [ "$(id -u)" -eq 0 ] || running || unavailable "starting cupsd needs root"
    if ! running; then
      # Loopback only: the stock cupsd.conf listens on localhost and the socket.
      setsid /usr/sbin/cupsd -f >"$folder/cupsd.log" 2>&1 < /dev/null &
      echo $! > "$pidfile"
      for _ in $(seq 1 100); do running && break; sleep 0.1; done
      running || { kill "$(cat "$pidfile")" 2>/dev/null; rm -f "$pidfile"; unavailable "cupsd did not start (see $folder/cupsd.log)"; }
    fi
    chmod 0777 "$folder/out"
    for q in "$a4" "$letter"; do
      printf 'Out %s\nAnonDirName %s\nLabel 0\n' "$folder/out" "$folder/out" > "/etc/cups/cups-pdf-$q.conf" 2>/dev/null || true
    done
    # lpadmin warns that PPD drivers are deprecated; the queues work.
    lpadmin -p "$a4" -E -v "cups-pdf:/$a4" -P "$ppd" -o media-default=iso_a4_210x297mm 2>/dev/null || exit 1
    lpadmin -p "$letter" -E -v "cups-pdf:/$letter" -P "$ppd" -o media-default=na_letter_8.5x11in \
      -o PageSize=Letter 2>/dev/null || exit 1
    echo "cupsd-fixture: queues $a4 and $letter ready, PDFs into $folder/out"
    ;;
  stop)
    for q in "$a4" "$letter"; do
      lpadmin -x "$q" 2>/dev/null
      rm -f "/etc/cups/cups-pdf-$q.conf"
    done
    if [ -f "$pidfile" ]; then
      pid="$(cat "$pidfile")"
      if [ -n "$(lpstat -e 2>/dev/null)" ]; then
        echo "cupsd-fixture: cupsd $pid left running for the queues of other runs"
      else
        kill "$pid" 2>/dev/null
        for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        echo "cupsd-fixture: stopped cupsd $pid"
      fi
      rm -f "$pidfile"
    fi
    ;;
  *) echo "usage: $0 start|stop <folder> [<a4-queue> <letter-queue>]" >&2; exit 2 ;;
esac
