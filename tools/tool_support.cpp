#include "tools/tool_support.h"

#include <sys/stat.h>

#include <cstdio>

#include "platform/native_file.h"

namespace tovik {

bool toSystemPath(const char* linuxPath, PathText& systemPath) {
    if (!copyText(systemPath, linuxPath)) {
        std::fprintf(stderr, "tovik-pack: path too long (259 characters at most): %s\n", linuxPath);
        return false;
    }
    for (char* c = systemPath; *c != '\0'; ++c) {
        if (*c == '/') {
            *c = '\\';
        }
    }
    return true;
}

// Whether the path names something that exists and is not a plain file: a device such as
// /dev/null, a pipe, a folder.
static bool isSpecialFile(const char* systemPath) {
    PathText posixPath;
    copyText(posixPath, systemPath);
    for (char* c = posixPath; *c != '\0'; ++c) {
        if (*c == '\\') {
            *c = '/';
        }
    }
    struct stat status;
    return stat(posixPath, &status) == 0 && !S_ISREG(status.st_mode);
}

PendingOutput::PendingOutput(const char* finalPath) {
    copyText(finalPath_, finalPath);
    copyText(pendingPath_, finalPath);
    // A device or pipe is written to directly: renaming a file over it would replace it.
    direct_ = isSpecialFile(finalPath);
    if (!direct_ && !appendText(pendingPath_, ".partial")) {
        pendingPath_[0] = '\0';
    }
}

PendingOutput::~PendingOutput() {
    if (!committed_ && !direct_ && pendingPath_[0] != '\0') {
        deleteFile(pendingPath_);
    }
}

bool PendingOutput::commit() {
    committed_ = direct_ || (pendingPath_[0] != '\0' && replaceFile(pendingPath_, finalPath_));
    return committed_;
}

int usageError(const char* message) {
    std::fprintf(stderr, "tovik-pack: %s\n", message);
    return 2;
}

}  // namespace tovik
