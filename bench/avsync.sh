#!/usr/bin/env bash
# Sound and picture during real-time playback with sound, at 50 %, 100 % and
# 200 % (or the speeds given), on the real window and the real sound output:
# a private PulseAudio server with a null sink plays the sound, its monitor is
# recorded, and the window's paints are stamped on the same clock (see
# bench/avsync/avsync.cpp for what each column means). The movie: 20 s at
# 30 frames/s, a white flash and a 1 kHz beep (exact to the sample) at the start
# of every second; SECONDS long (60 unless AVSYNC_SECONDS says otherwise).
# usage: bench/avsync.sh [BUILD_DIR] [SPEED_PERCENT...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
shift || true
speeds=("$@")
[ ${#speeds[@]} -gt 0 ] || speeds=(50 100 200)
[ -x "$build/bench/avsync" ] || ninja -C "$build" avsync >/dev/null
for tool in pulseaudio parec ffmpeg; do
  command -v $tool >/dev/null || {
    echo "needs $tool (Debian: pulseaudio pulseaudio-utils ffmpeg)" >&2
    exit 1
  }
done
seconds=${AVSYNC_SECONDS:-60}
work=$(mktemp -d)
trap 'pulseaudio --kill >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
export PULSE_RUNTIME_PATH=$work/pulse XDG_RUNTIME_DIR=$work
mkdir -p "$PULSE_RUNTIME_PATH"
pulseaudio -n --daemonize=yes --exit-idle-time=-1 --log-target=file:$work/pulse.log \
  -L "module-null-sink sink_name=avsync rate=48000" -L module-native-protocol-unix \
  2>/dev/null
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink avsync

ffmpeg -v error -y \
  -f lavfi -i "color=black:s=320x240:r=30:d=$seconds,format=yuv420p,drawbox=x=0:y=0:w=iw:h=ih:color=white:t=fill:enable='lt(mod(n\,30)\,3)'" \
  -f lavfi -i "aevalsrc='0.125*sin(2*PI*1000*t)*lt(mod(t\,1)\,0.1)':s=48000:d=$seconds" \
  -c:v mpeg4 -q:v 4 -c:a pcm_s16le "$work/flash.avi"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/avsync" "$work/flash.avi" 30 "${speeds[@]}"
