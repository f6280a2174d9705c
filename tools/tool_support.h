// What the commands of tovik-pack share: Linux paths in the system's path form, and output
// files that appear only when they are complete.
#pragma once

#include "platform/text.h"

namespace tovik {

// A Linux path in the system's backslash form; false (with a message) when it is too long.
bool toSystemPath(const char* linuxPath, PathText& systemPath);

// An output file built under a temporary name beside its final path and renamed over it only
// by commit(); otherwise removed on destruction. A device or pipe is written directly.
class PendingOutput {
public:
    explicit PendingOutput(const char* finalPath);
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    const char* path() const { return pendingPath_; }
    bool commit();

private:
    PathText finalPath_ = {};
    PathText pendingPath_ = {};
    bool committed_ = false;
    bool direct_ = false;
};

int usageError(const char* message);

}  // namespace tovik
