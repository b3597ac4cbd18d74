#!/usr/bin/env bash
# Following, finding and checking as a user runs them (movalux-cli, decoding
# included) on four seconds of a real photograph panned at 640x480 and at
# 1080p, beside FFmpeg's own decoding of the same movie in the same run.
# Three runs each; prints every time and the median.
# usage: bench/vision.sh PATH/TO/movalux-cli [WORK_FOLDER]
set -euo pipefail
cli=$(realpath "$1")
photo=$(realpath "$(dirname "$0")/../tests/data/samples/messi5.jpg")
work=${2:-$(mktemp -d)}
mkdir -p "$work"
cd "$work"
[ -s "$photo" ] || { echo "run scripts/fetch-samples first" >&2; exit 1; }

# name  scale  pad  crop  face-record-at-frame-0
movies=(
  "m480 1096:684 1400:900 640:480:'200+t*20':'100+t*8' 405,195,76,76"
  "m1080 3288:2052 4000:2600 1920:1080:'700+t*60':'400+t*24' 1012,434,232,232"
)
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
timed() {  # prints the seconds a command took
  local s e
  s=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  e=$(date +%s.%N)
  echo "$e - $s" | bc
}
for m in "${movies[@]}"; do
  read -r name scale pad crop face <<<"$m"
  ffmpeg -v error -loop 1 -i "$photo" \
    -vf "scale=$scale,pad=$pad:(ow-iw)/2:(oh-ih)/2,crop=$crop,format=yuv420p" \
    -t 4 -r 25 -c:v mpeg4 -q:v 3 -bf 2 -y "$name.avi"
  printf '"MovaluxMovieFile96320"\r\n"%s"\r\n0,99,0,99\r\n60\r\n' "$PWD/$name.avi" >"$name.txt"
  printf '"MovaluxMovieFile96320"\r\n"%s"\r\n0,99,0,99\r\n60\r\n0,6,%s,16,"0"\r\n' \
    "$PWD/$name.avi" "$face" >"$name-face.txt"
  for job in decode track track-accurate detect check; do
    times=()
    for run in 1 2 3; do
      case $job in
        decode) t=$(timed ffmpeg -v error -i "$name.avi" -f null -) ;;
        track) t=$(timed "$cli" track "$name-face.txt" out.txt --layer 0 --from 0 --force) ;;
        track-accurate) t=$(timed "$cli" track "$name-face.txt" out.txt --layer 0 --from 0 --accurate --force) ;;
        detect) t=$(timed "$cli" detect "$name.txt" out.txt --faces --force) ;;
        check) t=$(timed "$cli" check "$name.txt" --faces) ;;
      esac
      times+=("$t")
    done
    med=$(printf '%s\n' "${times[@]}" | median)
    printf '%-6s %-15s %s s (median %s s, %s frames/s)\n' "$name" "$job" "${times[*]}" "$med" \
      "$(echo "scale=1; 100 / $med" | bc)"
  done
done
