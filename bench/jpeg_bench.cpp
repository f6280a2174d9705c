// jpeg_bench: the decoder's speed on a large picture.
//
//   jpeg_bench photo OUT.ppm [WIDTH HEIGHT]   writes a photo-like picture (default 1920 x 1080)
//   jpeg_bench decode IN.jpg [RUNS]           decodes a JPEG file RUNS times (default 10)
//
// bench/jpeg-bench.sh runs both and compares with djpeg.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "image/jpeg_decoder.h"

namespace {

// Smooth colour gradients and large soft shapes, with texture and noise on top: enough detail
// that the blocks carry AC coefficients as a photograph's do. Deterministic.
int writePhoto(const char* path, int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
    std::uint32_t noiseState = 12345;
    auto noise = [&noiseState]() {
        noiseState = noiseState * 1664525u + 1013904223u;
        return static_cast<double>(noiseState >> 24) / 255.0 - 0.5;
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double u = static_cast<double>(x) / width;
            double v = static_cast<double>(y) / height;
            double sky = 1.0 - v;
            double hill = 0.5 + 0.5 * std::sin(u * 9.0 + std::cos(v * 5.0) * 2.0);
            double texture =
                std::sin(x * 0.35) * std::cos(y * 0.27) * 18.0 + std::sin((x + y) * 0.05) * 25.0;
            double spot = std::exp(-((u - 0.3) * (u - 0.3) + (v - 0.4) * (v - 0.4)) * 30.0);
            double channel[3] = {
                60.0 + 150.0 * sky * (1.0 - hill) + 120.0 * spot + texture,
                40.0 + 120.0 * hill + 60.0 * v + texture * 0.8,
                90.0 + 140.0 * sky + 40.0 * hill - 60.0 * spot + texture * 0.6,
            };
            std::uint8_t* out = &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c) {
                double value = channel[c] + noise() * 24.0;
                out[c] = static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
            }
        }
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "jpeg_bench: cannot create %s\n", path);
        return 1;
    }
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    bool written = std::fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "jpeg_bench: cannot write %s\n", path);
        return 1;
    }
    return 0;
}

int timeDecoding(const char* path, int runs) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
        std::fprintf(stderr, "jpeg_bench: cannot read %s\n", path);
        return 1;
    }
    double best = 1e30;
    double total = 0.0;
    std::uint32_t checksum = 0;
    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        tovik::JpegDecoder decoder;
        if (decoder.parseHeaders(data.data(), static_cast<std::int32_t>(data.size())) == 0) {
            std::fprintf(stderr, "jpeg_bench: %s holds no picture\n", path);
            return 1;
        }
        decoder.decode(nullptr);
        auto end = std::chrono::steady_clock::now();
        double milliseconds = std::chrono::duration<double, std::milli>(end - start).count();
        best = std::min(best, milliseconds);
        total += milliseconds;
        // Keeps the decoding from being optimised away and shows that runs agree.
        checksum = 0;
        std::size_t size = static_cast<std::size_t>(decoder.width()) * decoder.height() * 3;
        for (std::size_t i = 0; i < size; ++i) {
            checksum = checksum * 31 + decoder.pixels()[i];
        }
    }
    std::printf("%s: %d runs, best %.2f ms, mean %.2f ms (pixel checksum %08x)\n", path, runs, best,
                total / runs, checksum);
    return 0;
}

}  // namespace

int main(int argumentCount, char** arguments) {
    if (argumentCount >= 3 && std::strcmp(arguments[1], "photo") == 0) {
        int width = argumentCount >= 5 ? std::atoi(arguments[3]) : 1920;
        int height = argumentCount >= 5 ? std::atoi(arguments[4]) : 1080;
        return writePhoto(arguments[2], width, height);
    }
    if (argumentCount >= 3 && std::strcmp(arguments[1], "decode") == 0) {
        int runs = argumentCount >= 4 ? std::atoi(arguments[3]) : 10;
        return timeDecoding(arguments[2], runs > 0 ? runs : 1);
    }
    std::fprintf(stderr,
                 "usage:\n  jpeg_bench photo OUT.ppm [WIDTH HEIGHT]\n"
                 "  jpeg_bench decode IN.jpg [RUNS]\n");
    return 2;
}
