// Uniquely named temporary files and folders in the user's temporary folder, deleted when their
// owner is destroyed.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace tovik {

// A pseudo-random whole number from 0 to n - 1, from the C library's generator, seeded with the
// millisecond tick count on the first call.
std::int32_t randomBelow(std::int32_t n);

// A fresh, empty file whose name begins with a three-letter prefix ("Ext", "Ins", "TVI").
class TempFile {
public:
    explicit TempFile(const char* prefix);
    ~TempFile();
    TempFile(TempFile&& other) noexcept;
    TempFile& operator=(TempFile&& other) noexcept;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const char* path() const { return path_; }
    // Keeps the file: the object forgets it and no longer deletes it.
    void release() { path_[0] = '\0'; }

private:
    PathText path_ = {};
};

// A fresh folder named after a unique temporary file; removed with everything in it when the
// object is destroyed.
class WorkDirectory {
public:
    explicit WorkDirectory(const char* prefix);
    ~WorkDirectory();
    WorkDirectory(const WorkDirectory&) = delete;
    WorkDirectory& operator=(const WorkDirectory&) = delete;

    // The folder, with its trailing backslash.
    const char* path() const { return folder_; }

private:
    TempFile name_;
    PathText folder_ = {};
};

}  // namespace tovik
