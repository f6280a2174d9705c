// The operating system's files, folders and listings, behind one small interface; the Win32 and
// POSIX implementations are chosen at build time. Paths are always in the system's own form,
// backslash-separated; the POSIX side maps backslashes to slashes at the system call.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace tovik {

enum class FileAccess { Read, Write, ReadWrite };
enum class FileDisposition {
    OpenExisting,  // existing files only
    CreateAlways,  // create, or truncate an existing file
    OpenAlways,    // open, creating the file when it does not exist
};
enum class SeekOrigin { Start, Current, End };

// One open operating-system file. Move-only; closed in its destructor.
class NativeFile {
public:
    NativeFile() = default;
    ~NativeFile() { close(); }
    NativeFile(NativeFile&& other) noexcept : handle_(other.handle_) { other.handle_ = kNone; }
    NativeFile& operator=(NativeFile&& other) noexcept;
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;

    [[nodiscard]] bool open(const char* path, FileAccess access, FileDisposition disposition,
                            bool shareReadWrite);
    // Opens an existing file for no access but querying its size.
    [[nodiscard]] bool openForQuery(const char* path);
    explicit operator bool() const { return handle_ != kNone; }

    // One read call of up to `count` bytes; `bytesRead` receives what came. False only for a
    // failure other than the end of the file.
    [[nodiscard]] bool read(void* buffer, std::uint32_t count, std::uint32_t& bytesRead);
    // One write call; false unless all `count` bytes were written.
    [[nodiscard]] bool write(const void* buffer, std::uint32_t count);
    bool seek(std::int64_t distance, SeekOrigin origin);
    // Ends the file at the current position.
    bool truncate();
    // False when the size cannot be had.
    [[nodiscard]] bool size(std::uint64_t& size) const;
    void close();

private:
    // A Win32 HANDLE or a POSIX descriptor; -1 is INVALID_HANDLE_VALUE and the closed descriptor.
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t handle_ = kNone;
};

// One entry of a folder listing.
struct ListingEntry {
    PathText name;
    bool isDirectory;
};

// A folder listing in progress (FindFirstFile and its kin). Move-only; ended in its destructor.
class NativeListing {
public:
    NativeListing() = default;
    ~NativeListing() { close(); }
    NativeListing(NativeListing&& other) noexcept;
    NativeListing& operator=(NativeListing&& other) noexcept;
    NativeListing(const NativeListing&) = delete;
    NativeListing& operator=(const NativeListing&) = delete;

    // Starts listing `searchPath`, a folder followed by a name pattern with * and ?.
    [[nodiscard]] bool start(const char* searchPath, ListingEntry& first);
    [[nodiscard]] bool next(ListingEntry& entry);
    explicit operator bool() const;
    void close();

private:
    struct State;
    State* state_ = nullptr;
};

// Folder and file operations; each returns false on failure and changes nothing else.
bool createDirectory(const char* path);
bool removeDirectory(const char* path);
bool deleteFile(const char* path);
// Renames, replacing an existing destination.
bool replaceFile(const char* source, const char* destination);

// The user's temporary folder; false when the system cannot report one.
bool temporaryFolder(PathText& folder);
// Creates an empty file with a new unique name beginning with `prefix` inside `folder`, the way
// GetTempFileNameA does; false when none could be created.
bool createUniqueTempFile(const char* folder, const char* prefix, PathText& path);

#ifdef _WIN32
// The full path of the running program (the installer's own package); false when it does
// not fit.
bool runningExecutablePath(PathText& path);
#endif

// Milliseconds since the system started, wrapping around.
std::uint32_t millisecondTicks();

}  // namespace tovik
