// FileHandle: a file that can report its own open, read and write failures to the user.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/native_file.h"
#include "platform/text.h"

namespace tovik {

// Where a read or write happens: moves there first for Start and End.
enum class FilePosition { Start = 0, End = 1, Current = 2 };

class FileHandle {
public:
    FileHandle() = default;
    FileHandle(const char* path, FileAccess access, FileDisposition disposition, bool reportErrors,
               bool shareReadWrite) {
        open(path, access, disposition, reportErrors, shareReadWrite);
    }
    FileHandle(FileHandle&&) = default;
    FileHandle& operator=(FileHandle&&) = default;

    // Opens the file; on failure, with reportErrors, shows "Unable to open '<path>'". The
    // result is also visible through isOpen.
    bool open(const char* path, FileAccess access, FileDisposition disposition, bool reportErrors,
              bool shareReadWrite);
    bool isOpen() const { return static_cast<bool>(file_); }

    // Reads up to `count` bytes in one call and returns how many came. A short read at the end
    // of the file is silent; any other failure raises `errorFlag` and, with reportErrors,
    // shows "Unable to read from '<path>'".
    std::uint32_t read(void* buffer, std::uint32_t count, FilePosition position,
                       bool* errorFlag = nullptr);
    // Writes `count` bytes in one call; false, with "Unable to write to '<path>'" when errors
    // are reported, unless all were written. Does nothing on a file that is not open.
    bool write(const void* buffer, std::uint32_t count, FilePosition position);
    void seek(std::int32_t distance, SeekOrigin origin);
    // Ends the file at the current position.
    void truncate();
    // 0 when the file is not open or its size cannot be had.
    std::uint64_t size() const;
    void close();

    // Reads the next line into `buffer` (`size` bytes), zero-terminated, at most size - 1
    // characters. A carriage return ends a line and the byte after it is skipped unseen; a
    // line longer than size - 1 comes back in pieces. False at the end of the file, or on a
    // file that is not open (with an empty text).
    bool readLine(char* buffer, std::uint32_t size);

    const char* path() const { return path_; }

private:
    void report(const char* what, const char* caption) const;
    // The next byte of a line; false at the end of the file or on a failed read.
    bool nextLineByte(std::uint8_t& byte);
    // Every other operation sees the file where the consumed line bytes end.
    void dropLineBuffer();

    NativeFile file_;
    // Bytes read ahead for readLine and not yet consumed. Lines are read a byte at a time,
    // but not with a system call per byte.
    std::unique_ptr<std::uint8_t[]> lineBuffer_;
    std::uint32_t lineBufferPosition_ = 0;
    std::uint32_t lineBufferCount_ = 0;
    PathText path_ = {};
    bool reportErrors_ = false;
};

// The size of a file by its path; 0 when it cannot be opened.
std::uint64_t fileSize(const char* path);

}  // namespace tovik
