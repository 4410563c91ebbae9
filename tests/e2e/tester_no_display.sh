#!/usr/bin/env bash
# Without a display the tester cannot make its window: it reports so in its
# error box (which also goes to stderr) and exits with code 0.
set -euo pipefail
tester="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 TAVORIN_NO_MESSAGE_BOXES=1 \
  timeout 30 "$tester" >"$work/out.txt" 2>&1 || status=$?
[[ $status -eq 0 ]] || { echo "exit code $status"; cat "$work/out.txt"; exit 1; }
grep -qF "Error!!: ウィンドウの初期化に失敗しました" "$work/out.txt" ||
  { echo "no window error reported:"; cat "$work/out.txt"; exit 1; }
echo "window failure reported, exit 0: ok"
