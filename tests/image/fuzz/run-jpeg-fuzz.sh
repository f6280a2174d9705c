#!/usr/bin/env bash
# Fuzzes the JPEG decoder with libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer
# (clang 14 with libclang-rt-14-dev). Not part of the normal build or of scripts/test.
# Usage: tests/image/fuzz/run-jpeg-fuzz.sh [SECONDS] (default 120). Crashes land in
# build/fuzz/artifacts; turn each into a named test in tests/image/jpeg_segments_test.cpp.
set -euo pipefail
cd "$(dirname "$0")/../../.."
seconds=${1:-120}
out=build/fuzz
mkdir -p "$out/corpus" "$out/artifacts"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -ffp-contract=off -I. image/huffman_table.cpp image/inverse_dct.cpp image/jpeg_decoder.cpp \
    image/jpeg_scan.cpp tests/image/fuzz/jpeg_decoder_fuzz.cpp -o "$out/jpeg_decoder_fuzz"
cp tests/image/fixtures/*.jpg "$out/corpus/"
"$out/jpeg_decoder_fuzz" -max_total_time="$seconds" -rss_limit_mb=4096 -max_len=65536 \
    -dict=tests/image/fuzz/jpeg.dict -artifact_prefix="$out/artifacts/" "$out/corpus"
