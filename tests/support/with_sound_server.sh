#!/usr/bin/env bash
# Runs a command with a sound server of its own: a PulseAudio daemon with one null sink, run as the
# calling user, its socket and state in a fresh folder. PULSE_SERVER points the command at it, so
# that nothing reaches or records the machine's own sound.
#   with_sound_server.sh <command> [arguments...]
set -euo pipefail
command -v pulseaudio >/dev/null || { echo "with_sound_server.sh: pulseaudio is not installed" >&2; exit 1; }
dir=$(mktemp -d)
daemon=""
stop() {
  [ -n "$daemon" ] && kill "$daemon" 2>/dev/null && wait "$daemon" 2>/dev/null
  rm -rf "$dir"
}
trap stop EXIT
cat > "$dir/server.pa" <<PA
load-module module-null-sink sink_name=speakers
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
set-default-sink speakers
PA
HOME=$dir XDG_RUNTIME_DIR=$dir PULSE_RUNTIME_PATH=$dir PULSE_STATE_PATH=$dir \
  pulseaudio -n -F "$dir/server.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  --disallow-exit --log-target=file:"$dir/server.log" &
daemon=$!
export PULSE_SERVER=unix:$dir/native PULSE_COOKIE=$dir/cookie
for _ in $(seq 100); do
  [ -S "$dir/native" ] && break
  kill -0 "$daemon" 2>/dev/null || { cat "$dir/server.log" >&2; echo "with_sound_server.sh: the sound server did not start" >&2; exit 1; }
  sleep 0.1
done
[ -S "$dir/native" ] || { echo "with_sound_server.sh: the sound server did not start" >&2; exit 1; }
"$@"
