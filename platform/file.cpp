#include "platform/file.h"

#include <cstdio>

#include "platform/message_box.h"

namespace tovik {

bool FileHandle::open(const char* path, FileAccess access, FileDisposition disposition,
                      bool reportErrors, bool shareReadWrite) {
    copyText(path_, path);
    reportErrors_ = reportErrors;
    if (!file_.open(path, access, disposition, shareReadWrite)) {
        if (reportErrors_) {
            report("Unable to open '",
                   access == FileAccess::Read ? "Disk Read Error" : "Disk Write Error");
        }
        return false;
    }
    return true;
}

void FileHandle::report(const char* what, const char* caption) const {
    char text[400];
    std::snprintf(text, sizeof text, "%s%s'", what, path_);
    showMessageBox({text, caption, MessageIcon::Information});
}

static bool moveTo(NativeFile& file, FilePosition position) {
    switch (position) {
        case FilePosition::Start:
            return file.seek(0, SeekOrigin::Start);
        case FilePosition::End:
            return file.seek(0, SeekOrigin::End);
        case FilePosition::Current:
            return true;
    }
    return true;
}

std::uint32_t FileHandle::read(void* buffer, std::uint32_t count, FilePosition position,
                               bool* errorFlag) {
    if (!isOpen()) {
        if (errorFlag != nullptr) {
            *errorFlag = true;
        }
        return 0;
    }
    if (errorFlag != nullptr) {
        *errorFlag = false;
    }
    moveTo(file_, position);
    std::uint32_t bytesRead = 0;
    if (file_.read(buffer, count, bytesRead)) {
        return bytesRead;
    }
    if (errorFlag != nullptr) {
        *errorFlag = true;
    }
    if (reportErrors_) {
        report("Unable to read from '", "Disk Read Error");
    }
    return bytesRead;
}

bool FileHandle::write(const void* buffer, std::uint32_t count, FilePosition position) {
    if (!isOpen()) {
        return false;
    }
    moveTo(file_, position);
    if (file_.write(buffer, count)) {
        return true;
    }
    if (reportErrors_) {
        report("Unable to write to '", "Disk Write Error");
    }
    return false;
}

void FileHandle::seek(std::int32_t distance, SeekOrigin origin) {
    if (isOpen()) {
            file_.seek(distance, origin);
    }
}

void FileHandle::truncate() {
    if (isOpen()) {
            file_.truncate();
    }
}

std::uint64_t FileHandle::size() const {
    std::uint64_t result = 0;
    if (!isOpen() || !file_.size(result)) {
        return 0;
    }
    return result;
}

void FileHandle::close() {
    file_.close();
}

std::uint64_t fileSize(const char* path) {
    NativeFile file;
    std::uint64_t result = 0;
    if (!file.openForQuery(path) || !file.size(result)) {
        return 0;
    }
    return result;
}

}  // namespace tovik
