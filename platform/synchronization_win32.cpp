#include "platform/synchronization.h"

#include "platform/windows_api.h"

namespace tovik {

Mutex::Mutex() : handle_(CreateMutexA(nullptr, FALSE, nullptr)) {}

Mutex::~Mutex() {
    if (handle_ != nullptr) {
        CloseHandle(handle_);
    }
}

void Mutex::lock() {
    if (handle_ != nullptr) {
        WaitForSingleObject(handle_, INFINITE);
    }
}

void Mutex::unlock() {
    if (handle_ != nullptr) {
        ReleaseMutex(handle_);
    }
}

Event::Event() : handle_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

Event::~Event() {
    if (handle_ != nullptr) {
        CloseHandle(handle_);
    }
}

void Event::set() {
    if (handle_ != nullptr) {
        SetEvent(handle_);
    }
}

bool Event::wait(std::uint32_t milliseconds) {
    return handle_ != nullptr && WaitForSingleObject(handle_, milliseconds) == WAIT_OBJECT_0;
}

}  // namespace tovik
