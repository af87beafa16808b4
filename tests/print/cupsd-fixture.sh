#!/usr/bin/env bash
# Test fixture: a CUPS server on loopback with two PDF queues.
#   cupsd-fixture.sh start <folder>   start cupsd unless one runs, add TEST (A4)
#                                     and LETTER (US Letter), PDFs into <folder>/out
#   cupsd-fixture.sh stop <folder>    stop the cupsd that `start` started, if any
# Needs root (cupsd and lpadmin) and the packages cups and
# printer-driver-cups-pdf; without them it says so and leaves the tests to skip
# (or to fail when CI=true).
set -u
action="${1:-}"
folder="${2:-}"
[ -n "$action" ] && [ -n "$folder" ] || { echo "usage: $0 start|stop <folder>" >&2; exit 2; }
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
    for q in TEST LETTER; do
      printf 'Out %s\nAnonDirName %s\nLabel 0\n' "$folder/out" "$folder/out" > "/etc/cups/cups-pdf-$q.conf" 2>/dev/null || true
    done
    # lpadmin warns that PPD drivers are deprecated; the queues work.
    lpadmin -p TEST -E -v cups-pdf:/TEST -P "$ppd" -o media-default=iso_a4_210x297mm 2>/dev/null || exit 1
    lpadmin -p LETTER -E -v cups-pdf:/LETTER -P "$ppd" -o media-default=na_letter_8.5x11in -o PageSize=Letter 2>/dev/null || exit 1
    lpstat -d 2>/dev/null | grep -q "system default destination:" || lpadmin -d TEST
    echo "cupsd-fixture: queues $(lpstat -e | tr '\n' ' ')ready"
    ;;
  stop)
    if [ -f "$pidfile" ]; then
      pid="$(cat "$pidfile")"
      kill "$pid" 2>/dev/null
      for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      rm -f "$pidfile"
      echo "cupsd-fixture: stopped cupsd $pid"
    fi
    ;;
  *) echo "usage: $0 start|stop <folder>" >&2; exit 2 ;;
esac
