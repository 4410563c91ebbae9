#!/usr/bin/env bash
# Runs the tester on an X display over freshly made content and follows it
# through screenshots: Test0.avi with chip row 0, then Test1.avi with row 1,
# then Test0.avi with row 2. The movie shown in a screenshot is the one with
# the nearest frame (both compared at 16 × 12); the chip row is told by its
# background colour.
#   tester_movies.sh TESTER XWINDOW MAKE-CONTENT MODE   (run under xvfb-run;
#                     XWINDOW is the x-window tool that finds and closes)
# MODE: archive (only Data.pac), loose (no Data.pac), missing (no Test1.avi
# anywhere: start-up must fail with the movie message).
set -euo pipefail
tester="$(realpath "$1")"
xwindow="$(realpath "$2")"
make_content="$(realpath "$3")"
mode="$4"
title="Tavorin テスター"
work="$(mktemp -d)"
pid=""
trap '[[ -n "$pid" ]] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT

content="$work/content"
"$make_content" --seconds 3 "$content"
case "$mode" in
  archive) rm "$content/Chip.bmp" "$content/Test0.avi" "$content/Test1.avi" ;;
  loose) rm "$content/Data.pac" ;;
  missing) rm "$content/Data.pac" "$content/Test1.avi" ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac

if [[ "$mode" == missing ]]; then
  cd "$content"
  TAVORIN_NO_MESSAGE_BOXES=1 timeout 60 "$tester" >"$work/out.txt" 2>&1 || true
  grep -qF "Error!!: ムービーのロードに失敗しました" "$work/out.txt" ||
    { echo "no movie failure message"; cat "$work/out.txt"; exit 1; }
  echo "missing movie fails start-up: ok"
  exit 0
fi

# Reference frames of both movies, ten a second, from the loose files or, in
# archive mode, from a second copy made the same way.
refs="$work/refs"
mkdir -p "$refs"
source_dir="$content"
if [[ "$mode" == archive ]]; then
  "$make_content" --seconds 3 "$work/again" >/dev/null
  source_dir="$work/again"
fi
small="crop=800:560:0:0,scale=16:12:flags=area"
for movie in 0 1; do
  ffmpeg -nostdin -loglevel error -i "$source_dir/Test$movie.avi" -vf "fps=10,$small" \
    "$refs/m${movie}_%03d.png"
done

cd "$content"
TAVORIN_NO_MESSAGE_BOXES=1 "$tester" >"$work/out.txt" 2>&1 &
pid=$!

window=""
for _ in $(seq 100); do
  window=$("$xwindow" find "$title" 2>/dev/null || true)
  [[ -n "$window" ]] && break
  sleep 0.1
done
[[ -n "$window" ]] || { echo "no window titled $title"; cat "$work/out.txt"; exit 1; }

# The movie nearest to a screenshot: 0 or 1.
movie_of() {
  local shot="$1" best=0 best_error=999999 error ref
  ffmpeg -nostdin -loglevel error -y -i "$shot" -vf "$small" "$work/small.png"
  for ref in "$refs"/*.png; do
    error=$(compare -metric AE -fuzz 10% "$work/small.png" "$ref" null: 2>&1 || true)
    error=${error%% *}
    if (( error < best_error )); then
      best_error=$error
      best=$(basename "$ref" | cut -c2)
    fi
  done
  echo "$best"
}

# The chip row by the background left of its label.
row_of() {
  local colour
  colour=$(convert "$1" -format "%[pixel:p{533,575}]" info:)
  case "$colour" in
    *"(26,58,140)") echo 0 ;;
    *"(156,58,16)") echo 1 ;;
    *"(30,122,46)") echo 2 ;;
    *) echo "?" ;;
  esac
}

seen=""
last=""
for shot in $(seq 60); do
  import -window "$window" "$work/shot.png"
  state="$(movie_of "$work/shot.png")/$(row_of "$work/shot.png")"
  case "$state" in 0/0 | 1/1 | 0/2 | 1/2) ;; *) state="" ;; esac
  if [[ -n "$state" && "$state" != "$last" ]]; then
    seen="$seen $state"
    last="$state"
  fi
  [[ "$seen" == *" 0/0 1/1 0/2"* ]] && break
  sleep 0.2
done
echo "seen (movie/row):$seen"
[[ "$seen" == " 0/0 1/1 0/2"* ]] || { echo "not Test0/row 0, Test1/row 1, Test0/row 2"; exit 1; }

"$xwindow" close "$title"
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then echo "the tester did not end after its window closed"; exit 1; fi
wait "$pid" && status=0 || status=$?
pid=""
[[ $status -eq 0 ]] || { echo "the tester exited with $status"; cat "$work/out.txt"; exit 1; }
echo "movies alternate with their chip rows ($mode): ok"
