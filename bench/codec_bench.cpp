// The codec's speed in memory: encoder MB/s of input and the compressed size as a fraction of
// it, decoder MB/s of output, on executable code, text and source code, random bytes and one
// long run. Then whole-file encoding through `tovik-pack implode` and `tovik-pack add` against
// the in-memory time of the same data. Everything uses the system's settings: literal mode 0,
// 4096-byte dictionary.
//
//   codec_bench [--code PATH]... [--text PATH]... [--large PATH]... [--repeats N] [--tool PATH]
//
// --code, --text and --large name files or folders (searched recursively) to take the data
// from instead of the usual places of a Debian system; --tool names tovik-pack.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "codec/explode.h"
#include "codec/implode.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

constexpr std::size_t kMegabyte = 1024 * 1024;

// ---- Data ----

bool isElf(const fs::path& path) {
    static constexpr char kElfMagic[4] = {0x7F, 'E', 'L', 'F'};
    std::ifstream file(path, std::ios::binary);
    char magic[4] = {};
    return file.read(magic, 4) && std::memcmp(magic, kElfMagic, 4) == 0;
}

// Regular files under `root` (or `root` itself), in name order so that runs are repeatable.
// Symbolic links are left out, so that no file is taken twice.
std::vector<fs::path> filesUnder(const fs::path& root, const std::string& nameFilter = "") {
    std::vector<fs::path> files;
    std::error_code error;
    if (fs::is_regular_file(fs::symlink_status(root, error))) {
        files.push_back(root);
        return files;
    }
    for (fs::recursive_directory_iterator
             it(root, fs::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error)) {
        if (!fs::is_regular_file(it->symlink_status(error))) {
            continue;
        }
        if (!nameFilter.empty() &&
            it->path().filename().string().find(nameFilter) == std::string::npos) {
            continue;
        }
        files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Appends whole files (the last one cut) until `size` bytes are gathered.
void gather(Bytes& data, const std::vector<fs::path>& files, std::size_t size, bool elfOnly,
            std::size_t& fileCount) {
    for (const fs::path& path : files) {
        if (data.size() >= size) {
            return;
        }
        if (elfOnly && !isElf(path)) {
            continue;
        }
        std::ifstream file(path, std::ios::binary);
        Bytes content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (content.empty()) {
            continue;
        }
        std::size_t take = std::min(content.size(), size - data.size());
        data.insert(data.end(), content.begin(), content.begin() + static_cast<long>(take));
        ++fileCount;
    }
}

struct Sources {
    std::vector<std::string> code;
    std::vector<std::string> text;
    std::vector<std::string> large;
};

Bytes executableCode(const Sources& sources, std::size_t size, std::size_t& fileCount) {
    Bytes data;
    if (!sources.code.empty()) {
        for (const std::string& root : sources.code) {
            gather(data, filesUnder(root), size, false, fileCount);
        }
        return data;
    }
    gather(data, filesUnder("/usr/bin"), size, true, fileCount);
    gather(data, filesUnder("/usr/lib/x86_64-linux-gnu", ".so"), size, true, fileCount);
    return data;
}

Bytes textAndSource(const Sources& sources, std::size_t size, std::size_t& fileCount) {
    Bytes data;
    if (!sources.text.empty()) {
        for (const std::string& root : sources.text) {
            gather(data, filesUnder(root), size, false, fileCount);
        }
        return data;
    }
    gather(data, filesUnder("/usr/share/common-licenses"), size, false, fileCount);
    std::vector<fs::path> copyrights;
    for (const fs::path& path : filesUnder("/usr/share/doc")) {
        if (path.filename() == "copyright") {
            copyrights.push_back(path);
        }
    }
    gather(data, copyrights, size, false, fileCount);
    gather(data, filesUnder("/usr/include/c++/12"), size, false, fileCount);
    return data;
}

Bytes randomBytes(std::size_t size) {
    std::mt19937_64 generator(20240601);
    Bytes data(size);
    for (std::size_t i = 0; i < size; i += 8) {
        std::uint64_t value = generator();
        std::memcpy(data.data() + i, &value, std::min<std::size_t>(8, size - i));
    }
    return data;
}

// ---- In-memory codec runs ----

struct MemoryStreams {
    const std::uint8_t* input;
    std::size_t inputSize;
    std::size_t inputPosition;
    std::uint8_t* output;
    std::size_t outputCapacity;
    std::size_t outputSize;
};

std::uint32_t readMemory(std::uint8_t* buffer, std::uint32_t& size, void* context) {
    auto& streams = *static_cast<MemoryStreams*>(context);
    std::size_t count = std::min<std::size_t>(size, streams.inputSize - streams.inputPosition);
    std::memcpy(buffer, streams.input + streams.inputPosition, count);
    streams.inputPosition += count;
    return static_cast<std::uint32_t>(count);
}

void writeMemory(const std::uint8_t* buffer, std::uint32_t& size, void* context) {
    auto& streams = *static_cast<MemoryStreams*>(context);
    if (streams.outputSize + size > streams.outputCapacity) {
        std::fprintf(stderr, "codec_bench: output buffer too small\n");
        std::exit(1);
    }
    std::memcpy(streams.output + streams.outputSize, buffer, size);
    streams.outputSize += size;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best of `repeats` encodings; the stream in `stream`.
double timeEncoding(const Bytes& input, Bytes& stream, int repeats) {
    // A literal takes 9 bits; the end code and the last partial block add a little.
    stream.assign(input.size() * 9 / 8 + 4096, 0);
    auto work = std::make_unique<tovik::ImplodeWork>();
    double best = 1e30;
    std::size_t streamSize = 0;
    for (int run = 0; run < repeats; ++run) {
        MemoryStreams streams{input.data(), input.size(), 0, stream.data(), stream.size(), 0};
        auto start = std::chrono::steady_clock::now();
        tovik::CodecStatus status =
            tovik::implode(readMemory, writeMemory, *work, &streams, 0, 4096);
        best = std::min(best, secondsSince(start));
        if (status != tovik::CodecStatus::Ok) {
            std::fprintf(stderr, "codec_bench: implode failed\n");
            std::exit(1);
        }
        streamSize = streams.outputSize;
    }
    stream.resize(streamSize);
    return best;
}

// The best of `repeats` decodings, checked against the original.
double timeDecoding(const Bytes& stream, const Bytes& original, int repeats) {
    Bytes output(original.size() + 8192);
    auto work = std::make_unique<tovik::ExplodeWork>();
    double best = 1e30;
    for (int run = 0; run < repeats; ++run) {
        MemoryStreams streams{stream.data(), stream.size(), 0, output.data(), output.size(), 0};
        auto start = std::chrono::steady_clock::now();
        tovik::CodecStatus status = tovik::explode(readMemory, writeMemory, *work, &streams);
        best = std::min(best, secondsSince(start));
        if (status != tovik::CodecStatus::Ok || streams.outputSize != original.size() ||
            std::memcmp(output.data(), original.data(), original.size()) != 0) {
            std::fprintf(stderr, "codec_bench: the stream does not decode to its input\n");
            std::exit(1);
        }
    }
    return best;
}

double megabytesPerSecond(std::size_t bytes, double seconds) {
    return static_cast<double>(bytes) / kMegabyte / seconds;
}

void measure(const char* name, const Bytes& data, int repeats) {
    Bytes stream;
    double encoding = timeEncoding(data, stream, repeats);
    double decoding = timeDecoding(stream, data, repeats);
    std::printf("%-24s %8.2f MB %10.1f %10.3f %10.1f\n", name,
                static_cast<double>(data.size()) / kMegabyte,
                megabytesPerSecond(data.size(), encoding),
                static_cast<double>(stream.size()) / static_cast<double>(data.size()),
                megabytesPerSecond(data.size(), decoding));
}

// ---- Whole files through tovik-pack ----

Bytes readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const Bytes& data) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data.data()), static_cast<long>(data.size()));
}

// The best wall-clock time of `repeats` runs of `command`.
double timeCommand(const std::string& command, int repeats) {
    double best = 1e30;
    for (int run = 0; run < repeats; ++run) {
        auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "codec_bench: failed: %s\n", command.c_str());
            std::exit(1);
        }
        best = std::min(best, secondsSince(start));
    }
    return best;
}

void compareWholeFile(const Sources& sources, const std::string& tool, int repeats) {
    constexpr std::size_t kLargeSize = 50 * kMegabyte;
    Bytes data;
    std::size_t fileCount = 0;
    if (!sources.large.empty()) {
        for (const std::string& root : sources.large) {
            gather(data, filesUnder(root), kLargeSize, false, fileCount);
        }
    } else {
        gather(data, filesUnder("/usr/lib/x86_64-linux-gnu"), kLargeSize, false, fileCount);
    }
    if (data.size() < kLargeSize) {
        std::printf("\nwhole file: only %zu bytes of data found, skipped\n", data.size());
        return;
    }
    fs::path folder = fs::temp_directory_path() / ("codec_bench." + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::path input = folder / "large.bin";
    fs::path output = folder / "large.imp";
    writeFile(input, data);

    Bytes stream;
    double inMemory = timeEncoding(data, stream, repeats);
    std::string quotedTool = "'" + tool + "'";
    std::string quotedInput = "'" + input.string() + "'";
    double implodeProcess =
        timeCommand(quotedTool + " implode " + quotedInput + " '" + output.string() + "'", repeats);
    bool implodeIdentical = readFile(output) == stream;
    // Packing into a new package each time: the entry's stored bytes begin it.
    std::string package = "'" + (folder / "package.bin").string() + "'";
    double addProcess = timeCommand(
        "rm -f " + package + " && " + quotedTool + " add " + package + " " + quotedInput, repeats);
    Bytes packed = readFile(folder / "package.bin");
    bool addIdentical =
        packed.size() > stream.size() && std::equal(stream.begin(), stream.end(), packed.begin());
    std::error_code error;
    fs::remove_all(folder, error);

    std::printf("\nwhole file: %.0f MB from %zu files, best of %d\n",
                static_cast<double>(data.size()) / kMegabyte, fileCount, repeats);
    std::printf("  in memory                   %7.3f s %8.1f MB/s\n", inMemory,
                megabytesPerSecond(data.size(), inMemory));
    std::printf("  tovik-pack implode process  %7.3f s %8.1f MB/s  (%.3f x in memory)%s\n",
                implodeProcess, megabytesPerSecond(data.size(), implodeProcess),
                implodeProcess / inMemory, implodeIdentical ? "" : "  STREAM DIFFERS");
    std::printf("  tovik-pack add process      %7.3f s %8.1f MB/s  (%.3f x in memory)%s\n",
                addProcess, megabytesPerSecond(data.size(), addProcess), addProcess / inMemory,
                addIdentical ? "" : "  STREAM DIFFERS");
}

}  // namespace

int main(int argumentCount, char** arguments) {
    Sources sources;
    int repeats = 5;
    std::string tool = TOVIK_PACK_PATH;
    for (int i = 1; i < argumentCount; ++i) {
        std::string argument = arguments[i];
        bool hasValue = i + 1 < argumentCount;
        if (argument == "--code" && hasValue) {
            sources.code.push_back(arguments[++i]);
        } else if (argument == "--text" && hasValue) {
            sources.text.push_back(arguments[++i]);
        } else if (argument == "--large" && hasValue) {
            sources.large.push_back(arguments[++i]);
        } else if (argument == "--repeats" && hasValue) {
            repeats = std::max(1, std::atoi(arguments[++i]));
        } else if (argument == "--tool" && hasValue) {
            tool = arguments[++i];
        } else {
            std::fprintf(stderr,
                         "usage: codec_bench [--code PATH]... [--text PATH]... [--large PATH]... "
                         "[--repeats N] [--tool PATH]\n");
            return 2;
        }
    }

    std::size_t codeFiles = 0;
    std::size_t textFiles = 0;
    Bytes code = executableCode(sources, 8 * kMegabyte, codeFiles);
    Bytes text = textAndSource(sources, 8 * kMegabyte, textFiles);
    Bytes random = randomBytes(4 * kMegabyte);
    Bytes run(kMegabyte, 'x');

    std::printf("in memory, literal mode 0, 4096-byte dictionary, best of %d\n", repeats);
    std::printf("executable code from %zu files, text and source code from %zu files\n\n",
                codeFiles, textFiles);
    std::printf("%-24s %11s %10s %10s %10s\n", "data", "size", "enc MB/s", "ratio", "dec MB/s");
    measure("executable code", code, repeats);
    measure("text and source code", text, repeats);
    measure("random bytes", random, repeats);
    measure("one repeated byte", run, repeats);

    compareWholeFile(sources, tool, std::min(repeats, 3));
    return 0;
}
