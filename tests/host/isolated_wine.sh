#!/usr/bin/env bash
# Runs one Windows test program of the saver checks on a virtual display of its
# own, so that a full-screen saver, its input and its screenshots meet no other
# program. The Wine prefix comes from WINEPREFIX (one for all saver checks,
# which CTest runs one at a time); its server is stopped at the end. Pictures
# the program leaves as .bmp in KVS_OUT_DIR are converted to .png.
#   isolated_wine.sh <program.exe> [arguments...]
set -uo pipefail
exe=$1
shift
root=$(cd "$(dirname "$0")/../.." && pwd)
screen=${KVS_TEST_SCREEN:-1024x768x24}

xvfb_pid=""
cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then
    server=$(command -v wineserver || echo /usr/lib/wine/wineserver)
    WINEPREFIX=$WINEPREFIX "$server" -k >/dev/null 2>&1 || true
  fi
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  [ -n "$xorg_dir" ] && rm -rf "$xorg_dir"
}
trap cleanup EXIT

# Several displays (KVS_TEST_DISPLAYS=1024x768,800x600: side by side from the
# left, the first primary): Xvfb cannot place them so that Wine sees them, so the
# X server with the dummy video driver (xserver-xorg-video-dummy; run as root)
# starts with one output, and RandR switches on one more output per display.
displays=${KVS_TEST_DISPLAYS:-}
xorg_dir=""
start_server() {
  if [ -z "$displays" ]; then
    Xvfb ":$1" -screen 0 "$screen" -nolisten tcp +extension GLX >/dev/null 2>&1 &
    return
  fi
  [ -n "$xorg_dir" ] && rm -rf "$xorg_dir"
  xorg_dir=$(mktemp -d "${TMPDIR:-/tmp}/kvs-xorg.XXXXXX")
  local width=0 height=0 size
  for size in ${displays//,/ }; do
    width=$((width + ${size%x*}))
    [ "${size#*x}" -gt "$height" ] && height=${size#*x}
  done
  mkdir -p "$xorg_dir/conf.d"
  cat >"$xorg_dir/xorg.conf" <<CONF
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 262144
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual $width $height
  EndSubSection
EndSection
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
EndSection
CONF
  Xorg ":$1" -config "$xorg_dir/xorg.conf" -configdir "$xorg_dir/conf.d" -logfile "$xorg_dir/Xorg.log" \
    -noreset -nolisten tcp >/dev/null 2>&1 &
}

# Lays the outputs out as KVS_TEST_DISPLAYS asks (a mode missing from an
# output's list is added, and made with cvt when the server has none).
arrange_displays() {
  local i=0 x=0 size w h name
  for size in ${displays//,/ }; do
    w=${size%x*} h=${size#*x} name=DUMMY$i
    if ! xrandr --addmode "$name" "${w}x$h" 2>/dev/null; then
      # shellcheck disable=SC2046
      xrandr --newmode $(cvt "$w" "$h" 60 | sed -n 's/^Modeline "[^"]*"/'"${w}x${h}"'/p') 2>/dev/null || true
      xrandr --addmode "$name" "${w}x$h" 2>/dev/null || true
    fi
    # shellcheck disable=SC2046
    xrandr --output "$name" --mode "${w}x$h" --pos "${x}x0" $([ $i -eq 0 ] && echo --primary) || return 1
    x=$((x + w))
    i=$((i + 1))
  done
  [ "$(xrandr --listmonitors | sed -n 's/^Monitors: //p')" = "$i" ]
}

# A Wine server left running keeps the displays it saw at its start.
if [ -n "$displays" ] && [ -n "${WINEPREFIX:-}" ]; then
  WINEPREFIX=$WINEPREFIX "$(command -v wineserver || echo /usr/lib/wine/wineserver)" -k >/dev/null 2>&1 || true
fi

# A free display number; a server that loses the race for it is replaced.
n=${KVS_TEST_DISPLAY_BASE:-140}
for attempt in $(seq 20); do
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  start_server "$n"
  xvfb_pid=$!
  for _ in $(seq 150); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then break; fi
  xvfb_pid=""
  n=$((n + 1))
done
if [ -z "$xvfb_pid" ]; then
  echo "no virtual display could be started" >&2
  [ -n "$xorg_dir" ] && cat "$xorg_dir/Xorg.log" >&2
  exit 1
fi
export DISPLAY=":$n"
if [ -n "$displays" ] && ! arrange_displays; then
  echo "the displays $displays could not be arranged:" >&2
  xrandr >&2
  exit 1
fi

if [ -n "${KVS_OUT_DIR:-}" ]; then mkdir -p "$KVS_OUT_DIR"; fi

"$root/cmake/wine-run.sh" "$exe" "$@"
status=$?

if [ -n "${KVS_OUT_DIR:-}" ] && command -v convert >/dev/null; then
  for bmp in "$KVS_OUT_DIR"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
fi
exit $status
