#include <cstring>

#include "platform/native_file.h"
#include "platform/windows_api.h"

namespace tovik {

namespace {

HANDLE asHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

DWORD accessFlags(FileAccess access) {
    switch (access) {
        case FileAccess::Read:
            return GENERIC_READ;
        case FileAccess::Write:
            return GENERIC_WRITE;
        case FileAccess::ReadWrite:
            return GENERIC_READ | GENERIC_WRITE;
    }
    return 0;
}

DWORD dispositionFlags(FileDisposition disposition) {
    switch (disposition) {
        case FileDisposition::OpenExisting:
            return OPEN_EXISTING;
        case FileDisposition::CreateAlways:
            return CREATE_ALWAYS;
        case FileDisposition::OpenAlways:
            return OPEN_ALWAYS;
    }
    return OPEN_EXISTING;
}

}  // namespace

bool NativeFile::open(const char* path, FileAccess access, FileDisposition disposition,
                      bool shareReadWrite) {
    close();
    DWORD share = shareReadWrite ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0;
    HANDLE handle = CreateFileA(path, accessFlags(access), share, nullptr,
                                dispositionFlags(disposition), FILE_ATTRIBUTE_NORMAL, nullptr);
    handle_ = reinterpret_cast<std::intptr_t>(handle);  // INVALID_HANDLE_VALUE is kNone
    return handle != INVALID_HANDLE_VALUE;
}

bool NativeFile::openForQuery(const char* path) {
    close();
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    return handle != INVALID_HANDLE_VALUE;
}

bool NativeFile::read(void* buffer, std::uint32_t count, std::uint32_t& bytesRead) {
    DWORD got = 0;
    BOOL ok = ReadFile(asHandle(handle_), buffer, count, &got, nullptr);
    bytesRead = got;
    // A synchronous read at the end of a file succeeds with fewer bytes; some devices report
    // the end as ERROR_HANDLE_EOF instead, which is no failure either.
    return ok || GetLastError() == ERROR_HANDLE_EOF;
}

bool NativeFile::write(const void* buffer, std::uint32_t count) {
    DWORD written = 0;
    BOOL ok = WriteFile(asHandle(handle_), buffer, count, &written, nullptr);
    return ok && written == count;
}

bool NativeFile::seek(std::int64_t distance, SeekOrigin origin) {
    DWORD method = origin == SeekOrigin::Start     ? FILE_BEGIN
                   : origin == SeekOrigin::Current ? FILE_CURRENT
                                                   : FILE_END;
    LARGE_INTEGER move;
    move.QuadPart = distance;
    return SetFilePointerEx(asHandle(handle_), move, nullptr, method) != 0;
}

bool NativeFile::truncate() {
    return SetEndOfFile(asHandle(handle_)) != 0;
}

bool NativeFile::size(std::uint64_t& size) const {
    LARGE_INTEGER result;
    if (!GetFileSizeEx(asHandle(handle_), &result)) {
        return false;
    }
    size = static_cast<std::uint64_t>(result.QuadPart);
    return true;
}

void NativeFile::close() {
    if (handle_ != kNone) {
        CloseHandle(asHandle(handle_));
        handle_ = kNone;
    }
}

struct NativeListing::State {
    HANDLE search;
};

static void fillEntry(const WIN32_FIND_DATAA& found, ListingEntry& entry) {
    copyText(entry.name, found.cFileName);
    entry.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool NativeListing::start(const char* searchPath, ListingEntry& first) {
    close();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(searchPath, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    state_ = new State{search};
    fillEntry(found, first);
    return true;
}

bool NativeListing::next(ListingEntry& entry) {
    WIN32_FIND_DATAA found;
    if (state_ == nullptr || !FindNextFileA(state_->search, &found)) {
        return false;
    }
    fillEntry(found, entry);
    return true;
}

void NativeListing::close() {
    if (state_ != nullptr) {
        FindClose(state_->search);
        delete state_;
        state_ = nullptr;
    }
}

bool createDirectory(const char* path) {
    return CreateDirectoryA(path, nullptr) != 0;
}
bool removeDirectory(const char* path) {
    return RemoveDirectoryA(path) != 0;
}
bool deleteFile(const char* path) {
    return DeleteFileA(path) != 0;
}

bool replaceFile(const char* source, const char* destination) {
    return MoveFileExA(source, destination, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool temporaryFolder(PathText& folder) {
    // The result is the length without the terminator; 0 is failure, and a length that does
    // not fit means the buffer holds nothing usable.
    DWORD length = GetTempPathA(kPathSize, folder);
    if (length == 0 || length >= kPathSize) {
        folder[0] = '\0';
        return false;
    }
    return true;
}

bool createUniqueTempFile(const char* folder, const char* prefix, PathText& path) {
    // uUnique 0 makes the system pick the number and create the file empty.
    if (GetTempFileNameA(folder, prefix, 0, path) == 0) {
        path[0] = '\0';
        return false;
    }
    return path[0] != '\0';
}

bool runningExecutablePath(PathText& path) {
    // The result is the length copied; a length equal to the buffer size means the path was
    // cut (and, on older systems, left unterminated).
    DWORD length = GetModuleFileNameA(nullptr, path, kPathSize);
    if (length == 0 || length >= kPathSize) {
        path[0] = '\0';
        return false;
    }
    return true;
}

std::uint32_t millisecondTicks() {
    return GetTickCount();
}

}  // namespace tovik
