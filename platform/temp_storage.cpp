#include "platform/temp_storage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/native_file.h"
#include "platform/paths.h"

namespace tovik {

std::int32_t randomBelow(std::int32_t n) {
    // Unguarded: a second seeding from another thread would be harmless.
    static bool seeded = false;
    if (!seeded) {
        seeded = true;
        std::srand(millisecondTicks());
    }
    return std::rand() % n;
}

static bool createEmptyFile(const char* path) {
    NativeFile file;
    return file.open(path, FileAccess::Write, FileDisposition::CreateAlways, true);
}

TempFile::TempFile(const char* prefix) {
    PathText folder;
    if (!temporaryFolder(folder)) {
        copyText(folder, "C:\\Temp\\");
    }
    addTrailingBackslash(folder);
    if (!createUniqueTempFile(folder, prefix, path_)) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%d.tmp", prefix, static_cast<int>(randomBelow(9999)));
        copyText(path_, folder);
        appendText(path_, name);
    }
    if (!createEmptyFile(path_)) {
        createDirectoryChain(folder);
        createEmptyFile(path_);
    }
}

TempFile::~TempFile() {
    if (path_[0] != '\0') {
        deleteFile(path_);
    }
}

TempFile::TempFile(TempFile&& other) noexcept {
    std::memcpy(path_, other.path_, sizeof path_);
    other.release();
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
    if (this != &other) {
        if (path_[0] != '\0') {
            deleteFile(path_);
        }
        std::memcpy(path_, other.path_, sizeof path_);
        other.release();
    }
    return *this;
}

WorkDirectory::WorkDirectory(const char* prefix) : name_(prefix) {
    deleteFile(name_.path());
    copyText(folder_, name_.path());
    appendText(folder_, "\\");
    createDirectoryChain(folder_);
}

WorkDirectory::~WorkDirectory() {
    deleteTree(folder_);
    removeDirectory(folder_);
}

}  // namespace tovik
