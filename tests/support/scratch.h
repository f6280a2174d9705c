// Test fixtures on disk: a fresh folder per test, and whole-file reads and writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tovik::testing {

using Bytes = std::vector<std::uint8_t>;

// A new empty folder in the temporary folder, removed with its contents on destruction.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A path inside the folder, in the product's own backslash form.
    std::string systemPath(const std::string& name) const;
    // The folder itself in the product's form, with a trailing backslash.
    std::string systemFolder() const;

private:
    std::filesystem::path path_;
};

// The product's backslash path form of a host path.
std::string toSystemForm(const std::filesystem::path& path);
// The host path of a path in the product's form.
std::filesystem::path fromSystemForm(const std::string& path);

// Points the user's temporary folder (given in the product's form) elsewhere while in scope.
class TemporaryFolderOverride {
public:
    explicit TemporaryFolderOverride(const std::string& folder);
    ~TemporaryFolderOverride();
    TemporaryFolderOverride(const TemporaryFolderOverride&) = delete;
    TemporaryFolderOverride& operator=(const TemporaryFolderOverride&) = delete;

private:
    std::string previous_;
    bool hadPrevious_ = false;
};

Bytes readFileBytes(const std::filesystem::path& path);
void writeFileBytes(const std::filesystem::path& path, const Bytes& bytes);
Bytes bytesOf(const std::string& text);

}  // namespace tovik::testing
