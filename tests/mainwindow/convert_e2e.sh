#!/usr/bin/env bash
# Presentations become MP4 files through the program's window, as a person does it. First a batch of
# a good deck and a corrupt file stops with the error at row 2; Clear. Then two other presentations:
# Add Files twice (typing each path into the open dialog), Convert, and the success message; nothing
# is skipped. Each output must have the profile's frame size, a video and an audio stream, and the
# length of its intermediate AVI.
#   convert_e2e.sh <program folder> <screen_grab> <decks folder> <folder for screenshots>
# E2E_DECKS names other decks. E2E_SOUND_SLIDES lists the slides of a deck with sounds whose first
# picture in the video must come with the start of a tone (within 150 ms), with silence elsewhere.
set -euo pipefail
if [ "${1:-}" != --inside ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$@"
fi
bin=$2 grab=$3 decks=$4 shots=$5
mkdir -p "$shots"
places=$(mktemp -d)
trap 'rm -rf "$places"' EXIT
export VANTREL_WINDIR=$places/windows VANTREL_WORKDIR=$places/work
export QT_QPA_PLATFORM=xcb
mkdir -p "$VANTREL_WINDIR" "$VANTREL_WORKDIR" "$places/in" "$places/out" "$places/avi"
decklist=${E2E_DECKS:-timed.ppt one.ppt}
stoplist="three.ppt truncated.ppt"
for deck in $decklist $stoplist; do cp "$decks/$deck" "$places/in/"; done

# Profile 4 (MP4), the temporary output folder, and only the message at the end.
cat > "$VANTREL_WINDIR/Vantrel.ini" <<EOF
[output]
path=$places/out/
[profiles]
selcetsubindex=4
FinishSelcet=0
EOF
# The profile's frame sizes: the size line of its block in profiles.qev (line 4 * 4 - 2).
sizes=$(sed -n 14p "$bin/profiles.qev" | tr -d '\r' | sed 's/([^)]*)//g')
echo "profile 4 frame sizes: $sizes"

fail() { echo "FAIL: $*"; "$grab" "$shots/failure.png" || true; kill "$pid" 2>/dev/null || true; exit 1; }

visible_windows() { xdotool search --onlyvisible --name '.*' 2>/dev/null | sort -u || true; }
# Waits up to $1 half-seconds for a visible window that was not in $2 and is wider than 200 pixels.
new_window() {
  local tries=$1 before=$2 w
  for _ in $(seq "$tries"); do
    for w in $(visible_windows); do
      grep -qx "$w" <<<"$before" && continue
      eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || continue
      if [ "${WIDTH:-0}" -gt 200 ]; then echo "$w"; return 0; fi
    done
    sleep 0.5
  done
  return 1
}
click() { xdotool mousemove $((X0 + $1)) $((Y0 + $2)); sleep 0.2; xdotool click 1; }

"$bin/Vantrel" > "$shots/vantrel.log" 2>&1 &
pid=$!
main=""
for _ in $(seq 60); do
  for w in $(xdotool search --onlyvisible --name '^Vantrel$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    if [ "$WIDTH" -eq 781 ] && [ "$HEIGHT" -eq 558 ]; then main=$w; X0=$X; Y0=$Y; break 2; fi
  done
  sleep 0.5
done
[ -n "$main" ] || fail "no 781 x 558 window appeared"
sleep 1

# "openfiles" lies at 10,437 (63 x 26); the open dialog takes a typed full path.
add_decks() {
  local deck
  for deck in "$@"; do
    before=$(visible_windows)
    click 41 450
    dialog=$(new_window 40 "$before") || fail "no open dialog after a click on openfiles"
    xdotool windowfocus "$dialog" 2>/dev/null || true
    sleep 0.5
    xdotool type --delay 15 "$places/in/$deck"
    sleep 0.3
    "$grab" "$shots/open_dialog_$deck.png"
    xdotool key Return
    for _ in $(seq 40); do xdotool getwindowname "$dialog" >/dev/null 2>&1 && \
      visible_windows | grep -qx "$dialog" || break; sleep 0.25; done
    visible_windows | grep -qx "$dialog" && fail "the open dialog stayed open for $deck"
    sleep 0.5
  done
}
# Answers the message box $1 with its default button.
answer() {
  xdotool windowfocus "$1" 2>/dev/null || true
  sleep 0.3
  xdotool key Return
  for _ in $(seq 40); do visible_windows | grep -qx "$1" || return 0; sleep 0.25; done
  fail "the message box stayed open"
}
# The success message is one short line; every error message of a batch is wider (the library's
# texts) or taller (the list of files that failed).
is_short_message() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "message box $WIDTH x $HEIGHT"
  [ "$WIDTH" -le 320 ] && [ "$HEIGHT" -le 120 ]
}

# A batch that stops: the good deck is made, the corrupt file at row 2 stops it with the error.
add_decks $stoplist
"$grab" "$shots/stop_list_ready.png"
before=$(visible_windows)
click 588 534
dialog=$(new_window 1200 "$before") || fail "no message after ten minutes of converting"
sleep 1
"$grab" "$shots/stopped_message.png"
is_short_message "$dialog" && fail "a batch with a corrupt file ended with the success message"
answer "$dialog"
sleep 1
"$grab" "$shots/stopped_rows.png"
[ -s "$places/out/three.mp4" ] || fail "the good deck before the corrupt file was not made"
[ -e "$places/out/truncated.mp4" ] && fail "the corrupt file gave an output"

# "clear" lies at 214,437 (63 x 26); its question is answered Yes.
before=$(visible_windows)
click 245 450
dialog=$(new_window 40 "$before") || fail "no question after a click on clear"
answer "$dialog"
sleep 0.5

# A new list: converted from its first row.
add_decks $decklist
"$grab" "$shots/list_ready.png"

# Keep each intermediate AVI (a hard link outlives the library's clean-up) to compare lengths.
keep_avis() {
  local seen="" n=0 ino
  while kill -0 "$pid" 2>/dev/null; do
    if ino=$(stat -c %i "$VANTREL_WORKDIR/QueltFiles/FinalVideo.AVI" 2>/dev/null) && ! grep -qw "$ino" <<<"$seen"; then
      n=$((n + 1)); seen="$seen $ino"
      ln "$VANTREL_WORKDIR/QueltFiles/FinalVideo.AVI" "$places/avi/$n.avi" 2>/dev/null || true
    fi
    sleep 0.1
  done
}
keep_avis &
keeper=$!

# "converter" lies at 540,517 (96 x 34).
before=$(visible_windows)
start=$(date +%s.%N)
click 588 534
sleep 3
"$grab" "$shots/converting.png"
dialog=$(new_window 1200 "$before") || fail "no message after ten minutes of converting"
end=$(date +%s.%N)
sleep 1
"$grab" "$shots/finished_message.png"
is_short_message "$dialog" || fail "the message is not the short success message"
answer "$dialog"
sleep 1
"$grab" "$shots/rows_finished.png"
kill "$keeper" 2>/dev/null || true

awk -v s="$start" -v e="$end" 'BEGIN { printf "conversion wall time %.1f s (shows: timed.ppt 4.5 s, one.ppt 2 s)\n", e - s }'

duration() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }

# The time each slide first shows in a video, by its background colour (slide 1 red, 2 blue, 3 green;
# see tests/fixtures/decks/README.md), as "<slide> <seconds>" lines.
first_frames() {
  ffmpeg -hide_banner -nostdin -i "$1" -an -vf "scale=16:12,format=gbrp,showinfo" -f null - 2>&1 |
    awk 'match($0, /pts_time:[0-9.]+/) && match($0, /mean:\[[0-9]+ [0-9]+ [0-9]+\]/) {
      split(substr($0, RSTART + 6, RLENGTH - 7), m, " ")
      t = $0; sub(/.*pts_time:/, "", t); sub(/ .*/, "", t)
      g = m[1]; b = m[2]; r = m[3]
      split("192 0 0|0 80 192|0 160 64", colours, "|")
      best = 0; bestd = 1e9
      for (i = 1; i <= 3; i++) {
        split(colours[i], c, " "); d = (r - c[1])^2 + (g - c[2])^2 + (b - c[3])^2
        if (d < bestd) { bestd = d; best = i }
      }
      if (bestd < 3000 && !(best in seen)) { seen[best] = 1; print best, t }
    }'
}

# Where sound starts, in seconds, one line each (a tone already sounding at 0 counts as 0; the end
# of the sound track, which ends a silence too, does not count).
sound_starts() {
  local end
  end=$(ffprobe -v error -select_streams a:0 -show_entries stream=duration -of csv=p=0 "$1")
  ffmpeg -hide_banner -nostdin -i "$1" -vn -af silencedetect=noise=-35dB:d=0.1 -f null - 2>&1 |
    awk -v end="$end" '
      /silence_start: / { s = $0; sub(/.*silence_start: /, "", s); if (!started && s + 0 > 0.02) print 0; started = 1 }
      /silence_end: / { e = $0; sub(/.*silence_end: /, "", e); sub(/ .*/, "", e); if (e + 0 < end - 0.05) print e }'
}

check_sound_alignment() {
  local video=$1 frames starts slide at nearest
  frames=$(first_frames "$video")
  starts=$(sound_starts "$video")
  echo "first pictures (slide seconds): $(tr '\n' ',' <<<"$frames")"
  echo "sound starts (seconds): $(tr '\n' ',' <<<"$starts")"
  [ "$(grep -c . <<<"$starts")" -eq "$(wc -w <<<"$E2E_SOUND_SLIDES")" ] || \
    fail "$(grep -c . <<<"$starts") sounds start in $video, not one for each of the slides $E2E_SOUND_SLIDES"
  for slide in $E2E_SOUND_SLIDES; do
    at=$(awk -v s="$slide" '$1 == s { print $2 }' <<<"$frames")
    [ -n "$at" ] || fail "slide $slide never shows in $video"
    nearest=$(awk -v a="$at" 'BEGIN { best = 1e9 } { d = $1 - a; if (d < 0) d = -d; if (d < best) best = d } END { print best }' <<<"$starts")
    echo "slide $slide shows at $at s; the nearest sound starts $nearest s away"
    awk -v d="$nearest" 'BEGIN { exit !(d <= 0.15) }' || fail "no sound starts within 150 ms of slide $slide ($at s)"
  done
}
n=0
for deck in $decklist; do
  deck=${deck%.ppt}
  n=$((n + 1))
  out="$places/out/$deck.mp4"
  [ -s "$out" ] || fail "$out was not made"
  streams=$(ffprobe -v error -show_entries stream=codec_type,width,height -of csv=p=0 "$out")
  echo "$deck.mp4 streams: $(tr '\n' ' ' <<<"$streams")"
  got_size=$(grep '^video' <<<"$streams" | head -1 | awk -F, '{print $2 "x" $3}')
  grep -qw -- "$got_size" <<<"$sizes" || fail "$deck.mp4 is $got_size, not one of profile 4's sizes ($sizes)"
  grep -q "^audio" <<<"$streams" || fail "$deck.mp4 has no audio"
  got=$(duration "$out")
  avi="$places/avi/$n.avi"
  [ -s "$avi" ] || fail "the intermediate AVI of $deck was not seen"
  want=$(duration "$avi")
  echo "$deck.mp4 lasts $got s, its FinalVideo.AVI $want s"
  awk -v a="$got" -v b="$want" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= 0.05 * b) }' || \
    fail "$deck.mp4 lasts $got s, not within 5% of $want s"
  # The frames hold the whole slide: the left columns of the slide's rows are slide, not black.
  left=$(ffmpeg -v error -ss 0.5 -i "$out" -frames:v 1 -vf "crop=2:ih/2:0:ih/4,format=gray" -f rawvideo - |
         od -An -tu1 -v | awk '{ for (i = 1; i <= NF; i++) { s += $i; n++ } } END { print (n ? int(s / n) : 0) }')
  echo "$deck.mp4 left edge brightness $left (0 is black)"
  [ "$left" -ge 20 ] || fail "$deck.mp4 has a dark strip at its left edge"
  if [ -n "${E2E_SOUND_SLIDES:-}" ]; then
    cp "$out" "$avi" "$shots/"  # kept to look at when the check fails
    check_sound_alignment "$out"
  fi
done

# "close" lies at 751,5 (22 x 20).
click 762 15
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$pid" 2>/dev/null && fail "the close object did not end the program"
wait "$pid" && status=0 || status=$?
[ "$status" -eq 0 ] || fail "exit code $status"
echo "PASS"
