#include "tools/tool_support.h"

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

PendingOutput::PendingOutput(const char* finalPath) {
    copyText(finalPath_, finalPath);
    copyText(pendingPath_, finalPath);
    if (!appendText(pendingPath_, ".partial")) {
        pendingPath_[0] = '\0';
    }
}

PendingOutput::~PendingOutput() {
    if (!committed_ && pendingPath_[0] != '\0') {
        deleteFile(pendingPath_);
    }
}

bool PendingOutput::commit() {
    committed_ = pendingPath_[0] != '\0' && replaceFile(pendingPath_, finalPath_);
    return committed_;
}

int usageError(const char* message) {
    std::fprintf(stderr, "tovik-pack: %s\n", message);
    return 2;
}

}  // namespace tovik
