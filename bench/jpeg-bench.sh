#!/usr/bin/env bash
# Decoding time of a 1920 x 1080 4:2:0 photo-like picture: the decoder in process, tovik-pack
# jpeg2bmp as a whole process, and djpeg as a whole process on the same file.
# Usage: bench/jpeg-bench.sh [BUILD_DIR] (default build/native, built first).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native}
cmake --build "$build" --target jpeg_bench tovik-pack >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/jpeg_bench" photo "$work/photo.ppm" 1920 1080
cjpeg -quality 85 -sample 2x2 -outfile "$work/photo.jpg" "$work/photo.ppm"
ls -l "$work/photo.jpg" | awk '{print "photo.jpg: " $5 " bytes"}'

"$build/bench/jpeg_bench" decode "$work/photo.jpg" 10

best() {  # the best of 10 whole-process runs, in milliseconds
    local best_ms=""
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        local start end ms
        start=$(date +%s%N)
        "$@" >/dev/null
        end=$(date +%s%N)
        ms=$(( (end - start) / 1000000 ))
        if [ -z "$best_ms" ] || [ "$ms" -lt "$best_ms" ]; then best_ms=$ms; fi
    done
    echo "$best_ms"
}
echo "djpeg (PPM, whole process):              $(best djpeg -outfile "$work/djpeg.ppm" "$work/photo.jpg") ms"
echo "djpeg -bmp (whole process):              $(best djpeg -bmp -outfile "$work/djpeg.bmp" "$work/photo.jpg") ms"
echo "tovik-pack jpeg2bmp (whole process):     $(best "$build/tovik-pack" jpeg2bmp "$work/photo.jpg" "$work/tovik.bmp") ms"
