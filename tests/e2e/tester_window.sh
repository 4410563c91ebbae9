#!/usr/bin/env bash
# Runs the tester on an X display over freshly made content, checks that its
# window is titled "Tavorin テスター" with an 800 × 600 client area showing
# the first chip row over the movie (no clear colour left in view), closes
# it as a user would, and expects a clean exit with code 0.
#   tester_window.sh TESTER XWINDOW MAKE-CONTENT   (run under xvfb-run;
#                     XWINDOW is the x-window tool that finds and closes)
set -euo pipefail
tester="$(realpath "$1")"
xwindow="$(realpath "$2")"
make_content="$(realpath "$3")"
title="Tavorin テスター"
work="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

"$make_content" --seconds 3 "$work"
cd "$work"
TAVORIN_NO_MESSAGE_BOXES=1 "$tester" >"$work/out.txt" 2>&1 &
pid=$!

window=""
for _ in $(seq 100); do
  window=$("$xwindow" find "$title" 2>/dev/null || true)
  [[ -n "$window" ]] && break
  sleep 0.1
done
[[ -n "$window" ]] || { echo "no window titled $title"; cat "$work/out.txt"; exit 1; }

size=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[[ "$size" == "800x600" ]] || { echo "client area is $size, not 800x600"; exit 1; }

sleep 0.5  # a few frames
import -window "$window" "$work/shot.png"
for point in 10,10 400,300 790,590; do
  colour=$(convert "$work/shot.png" -format "%[pixel:p{$point}]" info:)
  case "$colour" in
    *"(48,48,128)") echo "pixel $point is the clear colour, no movie drawn"; exit 1 ;;
  esac
done
colour=$(convert "$work/shot.png" -format "%[pixel:p{533,575}]" info:)
case "$colour" in
  *"(26,58,140)") ;;
  *) echo "the chip pixel is $colour, not row 0's (26,58,140)"; exit 1 ;;
esac

"$xwindow" close "$title"
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then echo "the tester did not end after its window closed"; exit 1; fi
wait "$pid" && status=0 || status=$?
[[ $status -eq 0 ]] || { echo "the tester exited with $status"; cat "$work/out.txt"; exit 1; }
echo "window, first frame, chip and clean close: ok"
