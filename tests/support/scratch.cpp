#include "tests/support/scratch.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <random>

namespace tovik::testing {

ScratchFolder::ScratchFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device seed;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto name = "tovik-test-" + std::to_string(seed()) + "-" + std::to_string(counter++);
        path_ = base / name;
        if (std::filesystem::create_directory(path_)) {
            break;
        }
    }
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchFolder::systemPath(const std::string& name) const {
    return toSystemForm(path_ / name);
}

std::string ScratchFolder::systemFolder() const {
    return toSystemForm(path_) + "\\";
}

std::string toSystemForm(const std::filesystem::path& path) {
    std::string text = path.string();
    for (char& c : text) {
        if (c == '/') {
            c = '\\';
        }
    }
    return text;
}

std::filesystem::path fromSystemForm(const std::string& path) {
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    std::string text = path;
    for (char& c : text) {
        if (c == '\\') {
            c = '/';
        }
    }
    return std::filesystem::path(text);
#endif
}

#ifdef _WIN32
// GetTempPathA looks at TMP first.
constexpr const char* kTemporaryFolderVariable = "TMP";
#else
constexpr const char* kTemporaryFolderVariable = "TMPDIR";
#endif

TemporaryFolderOverride::TemporaryFolderOverride(const std::string& folder) {
    if (const char* old = std::getenv(kTemporaryFolderVariable)) {
        previous_ = old;
        hadPrevious_ = true;
    }
#ifdef _WIN32
    _putenv_s(kTemporaryFolderVariable, folder.c_str());
#else
    setenv(kTemporaryFolderVariable, fromSystemForm(folder).c_str(), 1);
#endif
}

TemporaryFolderOverride::~TemporaryFolderOverride() {
#ifdef _WIN32
    _putenv_s(kTemporaryFolderVariable, previous_.c_str());
#else
    if (hadPrevious_) {
        setenv(kTemporaryFolderVariable, previous_.c_str(), 1);
    } else {
        unsetenv(kTemporaryFolderVariable);
    }
#endif
}

Bytes readFileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

}  // namespace tovik::testing
