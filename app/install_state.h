// The process-wide state through which the main thread (entry, dialogs, install flow) and the
// install worker cooperate. They never call each other: the main thread publishes the user's
// choices before the worker starts and a cancellation while it runs; the worker publishes its
// progress under the status mutex and its completion through the finished flag.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/synchronization.h"
#include "platform/text.h"

namespace tovik {

class SetupPackage;

struct InstallState {
    // Written by the entry point before any second thread exists.
    void* moduleInstance = nullptr;
    SetupPackage* currentPackage = nullptr;

    // Written by the ready dialog on the main thread before the worker starts; read without
    // a lock by both threads.
    PathText projectName = {};
    PathText installDirectory = {};

    // Guarded by statusMutex: the worker writes them, the progress dialog reads them.
    PathText statusText = {};
    std::int32_t currentFileNumber = 0;
    std::int32_t fileCount = 0;
    std::atomic<bool> statusChanged{false};

    // Single-writer flags. The finished flag also hands over everything the worker did, so it
    // is raised with release and read with acquire ordering.
    std::atomic<bool> cancelRequested{false};
    std::atomic<bool> restartNeeded{false};
    bool finishShown = false;  // main thread only

    void raiseFinished() { finished_.store(true, std::memory_order_release); }
    bool isFinished() const { return finished_.load(std::memory_order_acquire); }

    // Created by static initialisation, before the entry point runs.
    Mutex statusMutex;

private:
    std::atomic<bool> finished_{false};
};

// The one install state of the process.
extern InstallState installState;

}  // namespace tovik
