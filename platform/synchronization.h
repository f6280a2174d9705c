// Owners of the operating system's synchronisation objects (Windows only): the status mutex
// shared by the install worker and the progress dialog, and events.
#pragma once

#include <cstdint>

namespace tovik {

// An unnamed mutex, created not owned. lock() waits without a time-out; both operations do
// nothing when the mutex could not be created.
class Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock();
    void unlock();
    explicit operator bool() const { return handle_ != nullptr; }

private:
    void* handle_;
};

// Holds a Mutex for one scope.
class MutexLock {
public:
    explicit MutexLock(Mutex& mutex) : mutex_(mutex) { mutex_.lock(); }
    ~MutexLock() { mutex_.unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex& mutex_;
};

// An unnamed manual-reset event, created unset.
class Event {
public:
    Event();
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    // Waits up to `milliseconds`; true when the event is set.
    bool wait(std::uint32_t milliseconds);
    explicit operator bool() const { return handle_ != nullptr; }

private:
    void* handle_;
};

}  // namespace tovik
