#!/usr/bin/env bash
# Makes the README's screenshots, doc/screenshots/list.png, calendar.png and editor.png:
# runs Zolt on a copy of doc/demo.dat under a virtual X server, waits for its window,
# captures it and closes Zolt again.
#
#   tools/screenshots.sh [BUILD_DIR]    BUILD_DIR holds the built zolt; default build/
#
# The demo file's header already asks for a 7-day calendar beginning 2026-12-07, so no menu
# has to be driven; the calendar shot only adds "-c 2026-12-07".
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
script="$repo/tools/screenshots.sh"
if [ $# -gt 0 ]; then
  build=$(cd "$1" && pwd)
else
  build="$repo/build"
fi
zolt="$build/zolt"
shots="$repo/doc/screenshots"
kWindowTimeout=20  # seconds for the window to appear, and again for Zolt to end

die() {
  echo "screenshots: $*" >&2
  exit 1
}

# Always a fresh virtual screen of a known size and depth, with no window manager, so the
# pictures do not depend on the desktop the script happens to be run from.
if [ -z "${ZOLT_SCREENSHOTS_INNER:-}" ]; then
  [ -x "$zolt" ] || die "$zolt not found; build it first (cmake --build $build --target zolt)"
  "$repo/tools/install_deps.sh" xdotool imagemagick
  exec env ZOLT_SCREENSHOTS_INNER=1 xvfb-run -a -s "-screen 0 1024x768x24" "$script" "$build"
fi

tmp=$(mktemp -d)
pid=""  # the running zolt
win=""  # its window
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Starts Zolt on a fresh copy of the demo file, with a home directory and temporary
# directory of its own so that no configuration or exchange file of the user is touched.
start_zolt() {
  rm -rf "$tmp/run"
  mkdir "$tmp/run"
  cp "$repo/doc/demo.dat" "$tmp/run/demo.dat"
  (cd "$tmp/run" && exec env -u USERPROFILE -u XDG_RUNTIME_DIR HOME="$tmp/run" \
    TMPDIR="$tmp/run" "$zolt" -f "$tmp/run/demo.dat" "$@" >"$tmp/zolt.log" 2>&1) &
  pid=$!
}

# Sets `win` to the id of Zolt's window once it is mapped; fails when Zolt ends first.
wait_for_window() {
  local deadline=$((SECONDS + kWindowTimeout)) rc=0
  win=""
  while [ -z "$win" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid" || rc=$?
      pid=""
      cat "$tmp/zolt.log" >&2
      die "zolt ended (status $rc) without opening a window"
    fi
    [ "$SECONDS" -lt "$deadline" ] || die "no Zolt window after $kWindowTimeout s"
    sleep 0.1
    win=$(xdotool search --onlyvisible --name '^Zolt: ' 2>/dev/null | head -n 1) || true
  done
}

# Captures the window into $1 once it is drawn: mapping comes before the first expose, so
# capture until two pictures in a row agree and show more than one colour.
capture() {
  local out=$1 previous="" current colours
  for _ in $(seq 1 100); do
    import -window "$win" "$tmp/shot.png"
    current=$(identify -format '%#' "$tmp/shot.png")
    colours=$(identify -format '%k' "$tmp/shot.png")
    if [ "$current" = "$previous" ] && [ "$colours" -gt 1 ]; then
      convert "$tmp/shot.png" -strip -define png:exclude-chunks=date,time "$out"
      echo "wrote $out ($(identify -format '%wx%h' "$out"))"
      return
    fi
    previous=$current
    sleep 0.1
  done
  die "the window of $out never settled"
}

# Leaves Zolt as a user would (Ctrl+q in the list) and checks that it ended cleanly.
close_zolt() {
  local deadline=$((SECONDS + kWindowTimeout)) rc=0
  timeout 5 xdotool windowfocus --sync "$win" || die "could not focus the Zolt window"
  xdotool key --clearmodifiers ctrl+q
  while kill -0 "$pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || die "zolt did not end after Ctrl+q"
    sleep 0.1
  done
  wait "$pid" || rc=$?
  pid=""
  if [ "$rc" -ne 0 ]; then
    cat "$tmp/zolt.log" >&2
    die "zolt ended with status $rc"
  fi
}

shoot() {
  local out=$1
  shift
  start_zolt "$@"
  wait_for_window
  capture "$out"
  close_zolt
}

# The item editor on the first to-do of the list: Down selects it, Right opens it; Alt+c
# leaves the editor again before Zolt is closed.
shoot_editor() {
  local out=$1
  start_zolt
  wait_for_window
  timeout 5 xdotool windowfocus --sync "$win" || die "could not focus the Zolt window"
  xdotool key --clearmodifiers Down Right
  capture "$out"
  xdotool key --clearmodifiers alt+c
  close_zolt
}

mkdir -p "$shots"
shoot "$shots/list.png"
shoot "$shots/calendar.png" -c 2026-12-07
shoot_editor "$shots/editor.png"
