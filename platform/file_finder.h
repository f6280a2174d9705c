// FileFinder: a folder listing, one entry at a time, without "." and "..".
#pragma once

#include "platform/native_file.h"
#include "platform/text.h"

namespace tovik {

class FileFinder {
public:
    // Lists the entries of `folder` that match `pattern` ("*.*" for all, or a file name).
    FileFinder(const char* pattern, const char* folder);
    FileFinder(FileFinder&&) = default;
    FileFinder& operator=(FileFinder&&) = default;

    // Moves to the next entry; false when there are no more. The search starts on the first
    // call and runs once.
    bool next();
    // The folder followed by the current entry's name.
    const char* fullPath();
    bool isDirectory() const { return static_cast<bool>(listing_) && current_.isDirectory; }
    void close() { listing_.close(); }

private:
    NativeListing listing_;
    bool started_ = false;
    ListingEntry current_ = {};
    PathText fullPath_ = {};
    PathText searchPath_ = {};
    PathText folder_ = {};
};

}  // namespace tovik
