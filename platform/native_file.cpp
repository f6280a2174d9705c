#include "platform/native_file.h"

namespace tovik {

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = kNone;
    }
    return *this;
}

NativeListing::NativeListing(NativeListing&& other) noexcept : state_(other.state_) {
    other.state_ = nullptr;
}

NativeListing& NativeListing::operator=(NativeListing&& other) noexcept {
    if (this != &other) {
        close();
        state_ = other.state_;
        other.state_ = nullptr;
    }
    return *this;
}

NativeListing::operator bool() const {
    return state_ != nullptr;
}

}  // namespace tovik
