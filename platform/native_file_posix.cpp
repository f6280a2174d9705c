#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/native_file.h"

namespace tovik {

namespace {

// The system's path form uses backslashes; the POSIX calls want slashes.
struct PosixPath {
    explicit PosixPath(const char* systemPath) {
        copyText(text, systemPath);
        for (char* c = text; *c != '\0'; ++c) {
            if (*c == '\\') {
                *c = '/';
            }
        }
    }
    PathText text;
};

int asDescriptor(std::intptr_t handle) {
    return static_cast<int>(handle);
}

int openFlags(FileAccess access, FileDisposition disposition) {
    int flags = O_CLOEXEC;
    switch (access) {
        case FileAccess::Read:
            flags |= O_RDONLY;
            break;
        case FileAccess::Write:
            flags |= O_WRONLY;
            break;
        case FileAccess::ReadWrite:
            flags |= O_RDWR;
            break;
    }
    switch (disposition) {
        case FileDisposition::OpenExisting:
            break;
        case FileDisposition::CreateAlways:
            flags |= O_CREAT | O_TRUNC;
            break;
        case FileDisposition::OpenAlways:
            flags |= O_CREAT;
            break;
    }
    return flags;
}

// Windows opens no folder as a file; neither does this backend.
bool isDirectoryDescriptor(int descriptor) {
    struct stat status;
    return fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

bool NativeFile::open(const char* path, FileAccess access, FileDisposition disposition,
                      bool /*shareReadWrite: POSIX files are always shared*/) {
    close();
    PosixPath posixPath(path);
    int descriptor = ::open(posixPath.text, openFlags(access, disposition), 0666);
    if (descriptor >= 0 && isDirectoryDescriptor(descriptor)) {
        ::close(descriptor);
        descriptor = -1;
    }
    handle_ = descriptor;
    return descriptor >= 0;
}

bool NativeFile::openForQuery(const char* path) {
    close();
    PosixPath posixPath(path);
    int descriptor = ::open(posixPath.text, O_PATH | O_CLOEXEC);
    if (descriptor >= 0 && isDirectoryDescriptor(descriptor)) {
        ::close(descriptor);
        descriptor = -1;
    }
    handle_ = descriptor;
    return descriptor >= 0;
}

bool NativeFile::read(void* buffer, std::uint32_t count, std::uint32_t& bytesRead) {
    ssize_t got;
    do {
        got = ::read(asDescriptor(handle_), buffer, count);
    } while (got < 0 && errno == EINTR);
    bytesRead = got < 0 ? 0 : static_cast<std::uint32_t>(got);
    return got >= 0;
}

bool NativeFile::write(const void* buffer, std::uint32_t count) {
    ssize_t written;
    do {
        written = ::write(asDescriptor(handle_), buffer, count);
    } while (written < 0 && errno == EINTR);
    return written >= 0 && static_cast<std::uint32_t>(written) == count;
}

bool NativeFile::seek(std::int64_t distance, SeekOrigin origin) {
    int whence = origin == SeekOrigin::Start     ? SEEK_SET
                 : origin == SeekOrigin::Current ? SEEK_CUR
                                                 : SEEK_END;
    return lseek(asDescriptor(handle_), static_cast<off_t>(distance), whence) >= 0;
}

bool NativeFile::truncate() {
    off_t position = lseek(asDescriptor(handle_), 0, SEEK_CUR);
    return position >= 0 && ftruncate(asDescriptor(handle_), position) == 0;
}

bool NativeFile::size(std::uint64_t& size) const {
    struct stat status;
    if (handle_ == kNone || fstat(asDescriptor(handle_), &status) != 0) {
        return false;
    }
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

void NativeFile::close() {
    if (handle_ != kNone) {
        ::close(asDescriptor(handle_));
        handle_ = kNone;
    }
}

namespace {

// Listing patterns as Windows reads them: * for any run of characters, ? for one, and "*.*"
// for every name, with or without a dot.
bool matchesPattern(const char* pattern, const char* name) {
    if (std::strcmp(pattern, "*.*") == 0) {
        return true;
    }
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (starPattern != nullptr) {
            pattern = starPattern;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*pattern == '*') {
        ++pattern;
    }
    return *pattern == '\0';
}

}  // namespace

struct NativeListing::State {
    DIR* directory;
    PathText folder;   // POSIX form, ending in a slash
    PathText pattern;  // the base name part of the search path
};

bool NativeListing::start(const char* searchPath, ListingEntry& first) {
    close();
    PosixPath posixPath(searchPath);
    char* lastSlash = std::strrchr(posixPath.text, '/');
    State state;
    if (lastSlash == nullptr) {
        copyText(state.folder, "./");
        copyText(state.pattern, posixPath.text);
    } else {
        copyText(state.pattern, lastSlash + 1);
        lastSlash[1] = '\0';
        copyText(state.folder, posixPath.text);
    }
    state.directory = opendir(state.folder);
    if (state.directory == nullptr) {
        return false;
    }
    state_ = new State(state);
    if (!next(first)) {
        close();
        return false;
    }
    return true;
}

bool NativeListing::next(ListingEntry& entry) {
    if (state_ == nullptr) {
        return false;
    }
    while (dirent* found = readdir(state_->directory)) {
        if (!matchesPattern(state_->pattern, found->d_name)) {
            continue;
        }
        copyText(entry.name, found->d_name);
        PathText fullPath;
        copyText(fullPath, state_->folder);
        appendText(fullPath, found->d_name);
        struct stat status;
        entry.isDirectory = stat(fullPath, &status) == 0 && S_ISDIR(status.st_mode);
        return true;
    }
    return false;
}

void NativeListing::close() {
    if (state_ != nullptr) {
        closedir(state_->directory);
        delete state_;
        state_ = nullptr;
    }
}

bool createDirectory(const char* path) {
    return mkdir(PosixPath(path).text, 0777) == 0;
}
bool removeDirectory(const char* path) {
    return rmdir(PosixPath(path).text) == 0;
}
bool deleteFile(const char* path) {
    return unlink(PosixPath(path).text) == 0;
}

bool replaceFile(const char* source, const char* destination) {
    return rename(PosixPath(source).text, PosixPath(destination).text) == 0;
}

bool temporaryFolder(PathText& folder) {
    const char* directory = std::getenv("TMPDIR");
    if (directory == nullptr || directory[0] == '\0') {
        directory = "/tmp";
    }
    if (!copyText(folder, directory)) {
        folder[0] = '\0';
        return false;
    }
    for (char* c = folder; *c != '\0'; ++c) {
        if (*c == '/') {
            *c = '\\';
        }
    }
    std::size_t length = std::strlen(folder);
    if (length > 0 && folder[length - 1] != '\\') {
        return appendText(folder, "\\");
    }
    return true;
}

bool createUniqueTempFile(const char* folder, const char* prefix, PathText& path) {
    // The names GetTempFileNameA makes: up to three prefix characters, a hexadecimal number of
    // up to four digits, ".tmp".
    char shortPrefix[4] = {};
    copyText(shortPrefix, prefix);
    unsigned start = (static_cast<unsigned>(getpid()) * 7919u + millisecondTicks()) & 0xFFFFu;
    for (unsigned attempt = 0; attempt < 0x10000u; ++attempt) {
        unsigned number = (start + attempt) & 0xFFFFu;
        if (number == 0) {
            continue;  // the system never uses 0, which asks it to choose
        }
        char name[16];
        std::snprintf(name, sizeof name, "%s%X.tmp", shortPrefix, number);
        copyText(path, folder);
        if (!appendText(path, name)) {
            break;
        }
        int descriptor =
            ::open(PosixPath(path).text, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            ::close(descriptor);
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    path[0] = '\0';
    return false;
}

std::uint32_t millisecondTicks() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

}  // namespace tovik
