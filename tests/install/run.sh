#!/usr/bin/env bash
# The package's install test, as root on a Debian 12 machine: installs
# vocalith_*.deb with apt-get, starts the installed program on a virtual
# display with the accessibility bus, writes an MP3 file through its window,
# checks that it finds its pages, then removes the package and checks that
# nothing of it is left behind.
# Usage: tests/install/run.sh path/to/vocalith_<version>_<arch>.deb
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
deb=$(realpath "$1")
work=$(mktemp -d)
xvfb=
cleanup() {
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
  # A failed run must not leave the package on the machine either.
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq vocalith >/dev/null 2>&1 || true
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
dpkg -L vocalith >"$work/files"
[ "$(command -v vocalith)" = /usr/bin/vocalith ]
[ "$(grep '^/usr/bin/.' "$work/files" | sort | tr '\n' ' ')" = "/usr/bin/vocalith /usr/bin/vocalith-cli " ] # nothing else in bin/
# The command line writes an MP3 file through the installed encoder library.
echo "Installed from the package." | vocalith-cli --quiet --mp3 128 -o "$work/cli.mp3" -
[ -s "$work/cli.mp3" ]
# And a WMA file through the media format runtime's module, loaded on demand.
echo "Installed from the package." | vocalith-cli --quiet -o "$work/cli.wma" -
[ -s "$work/cli.wma" ]
# A book to a chaptered M4B through the audiobook module, loaded on demand.
printf '# One\n\nThe first chapter.\n\n# Two\n\nThe second chapter.\n' >"$work/book.md"
vocalith-cli --quiet -o "$work/book.m4b" "$work/book.md"
[ "$(ffprobe -v error -show_chapters -of csv=p=0 "$work/book.m4b" | wc -l)" -eq 2 ]
# A long text to WAV with an espeak-ng voice: synthesised by the installed
# helper processes, all of them gone when the program has ended.
helper=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/vocalith/vocalith-espeak-helper
helpers() { # how many processes run the helper
  local n=0 p
  for p in /proc/[0-9]*; do [ "$(readlink "$p/exe" 2>/dev/null)" != "$helper" ] || n=$((n + 1)); done
  echo $n
}
for i in $(seq 300); do echo "Sentence $i of the long text is spoken by a helper process."; done >"$work/long.txt"
VOCALITH_SYNTHESIS_PROCESSES=2 vocalith-cli --quiet -v "English (America)" --wav -o "$work/cli.wav" "$work/long.txt" &
cli=$!
seen=0
while kill -0 $cli 2>/dev/null; do [ "$(helpers)" -eq 0 ] || seen=1; sleep 0.05; done
wait $cli
[ $seen -eq 1 ] && [ "$(helpers)" -eq 0 ]
[ "$(head -c 4 "$work/cli.wav")" = RIFF ] && [ "$(stat -c %s "$work/cli.wav")" -gt 1000000 ]

cat >"$work/asound.conf" <<CONF
pcm.!default { type null }
CONF
display=:$((150 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 & xvfb=$!
sleep 1
# No PATH: no program can open a page, so the program says where its page is.
DISPLAY=$display WORK=$work HERE=$here dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  sleep 1
  PATH=/nonexistent QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ALSA_CONFIG_PATH=$WORK/asound.conf \
    /usr/bin/vocalith >"$WORK/program.log" 2>&1 &
  program=$!
  /usr/bin/python3 "$HERE/write_mp3.py" "$WORK/out.mp3"
  status=$?
  kill $program 2>/dev/null
  [ $status -eq 0 ] || cat "$WORK/program.log"
  exit $status
'

DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq vocalith >/dev/null
left=0
while read -r path; do
  if [ -e "$path" ] && [ ! -d "$path" ]; then echo "left behind: $path"; left=1; fi
done <"$work/files"
for dir in /usr/share/vocalith "/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/vocalith"; do
  if [ -e "$dir" ]; then echo "left behind: $dir"; left=1; fi
done
[ "$(dpkg-query -W -f='${db:Status-Status}' vocalith 2>/dev/null || echo not-installed)" = not-installed ] || left=1
[ $left -eq 0 ]
echo "install test: passed"
