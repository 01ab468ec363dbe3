# Shared by tools/test.sh and tools/run.sh (sourced, not run).
# Chooses the Windows tree that can run here and brings up a virtual display.

# The shipped screensaver is 32-bit. Where this machine cannot execute 32-bit
# user code, the same sources built for x86_64 run under 64-bit Wine instead.
kvs_runnable_tree() {
  if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo win32
  else
    echo win64
  fi
}

# The Wine architecture a Windows program needs (win32 or win64), read from its
# PE header's machine field; fails for anything else.
kvs_pe_arch() {
  local at machine
  at=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$at" ] || return 1
  machine=$(od -An -tx2 -j$((at + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
  case $machine in
    8664) echo win64 ;;
    014c) echo win32 ;;
    *) return 1 ;;
  esac
}

# Starts Xvfb on a free display unless one is already set; stops it on exit.
kvs_ensure_display() {
  local size=${1:-1280x1024x24}
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "$size" -nolisten tcp +extension GLX >/dev/null 2>&1 &
  KVS_XVFB_PID=$!
  trap 'kill $KVS_XVFB_PID 2>/dev/null || true' EXIT
  export DISPLAY=":$n"
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start" >&2
  return 1
}
