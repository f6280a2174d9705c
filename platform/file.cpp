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

namespace {
constexpr std::uint32_t kLineBufferSize = 4096;
}  // namespace

void FileHandle::dropLineBuffer() {
    if (lineBufferPosition_ < lineBufferCount_) {
        file_.seek(-static_cast<std::int64_t>(lineBufferCount_ - lineBufferPosition_),
                   SeekOrigin::Current);
    }
    lineBufferPosition_ = 0;
    lineBufferCount_ = 0;
}

bool FileHandle::nextLineByte(std::uint8_t& byte) {
    if (lineBufferPosition_ == lineBufferCount_) {
        if (!lineBuffer_) {
            lineBuffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(kLineBufferSize);
        }
        lineBufferPosition_ = 0;
        lineBufferCount_ = 0;
        std::uint32_t got = 0;
        if (!file_.read(lineBuffer_.get(), kLineBufferSize, got)) {
            if (reportErrors_) {
                report("Unable to read from '", "Disk Read Error");
            }
            return false;
        }
        lineBufferCount_ = got;
        if (got == 0) {
            return false;
        }
    }
    byte = lineBuffer_[lineBufferPosition_++];
    return true;
}

bool FileHandle::readLine(char* buffer, std::uint32_t size) {
    if (size == 0) {
        return false;
    }
    std::uint32_t length = 0;
    buffer[0] = '\0';
    if (!isOpen()) {
        return false;
    }
    constexpr std::uint8_t kCarriageReturn = 13;
    while (length < size - 1) {
        std::uint8_t byte;
        if (!nextLineByte(byte)) {
            buffer[length] = '\0';
            return length > 0;
        }
        if (byte == kCarriageReturn) {
            // The byte after the carriage return (the line feed of a CR LF) is skipped unseen.
            std::uint8_t skipped;
            nextLineByte(skipped);
            buffer[length] = '\0';
            return true;
        }
        buffer[length++] = static_cast<char>(byte);
    }
    buffer[length] = '\0';
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
    dropLineBuffer();
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
    dropLineBuffer();
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
        dropLineBuffer();
        file_.seek(distance, origin);
    }
}

void FileHandle::truncate() {
    if (isOpen()) {
        dropLineBuffer();
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
    lineBufferPosition_ = 0;
    lineBufferCount_ = 0;
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
