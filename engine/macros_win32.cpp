#include <shlobj.h>

#include "app/install_state.h"
#include "app/setup_package.h"
#include "engine/macros.h"
#include "engine/registry.h"
#include "platform/windows_api.h"

namespace tovik {

namespace {

// The system and Windows folders: the result is the length without the terminator, 0 on
// failure, and the size needed when the buffer is too small.
template <UINT (*Query)(LPSTR, UINT)>
void systemFolder(PathText& value) {
    UINT length = Query(value, kPathSize);
    if (length == 0 || length >= kPathSize) {
        value[0] = '\0';
    }
}

UINT queryWindowsDirectory(LPSTR buffer, UINT size) {
    return GetWindowsDirectoryA(buffer, size);
}
UINT querySystemDirectory(LPSTR buffer, UINT size) {
    return GetSystemDirectoryA(buffer, size);
}

// The shell's allocator, released on destruction.
class ShellAllocator {
public:
    ShellAllocator() {
        if (FAILED(SHGetMalloc(&allocator_))) {
            allocator_ = nullptr;
        }
    }
    ~ShellAllocator() {
        if (allocator_ != nullptr) {
            allocator_->Release();
        }
    }
    ShellAllocator(const ShellAllocator&) = delete;
    ShellAllocator& operator=(const ShellAllocator&) = delete;

    IMalloc* get() const { return allocator_; }

private:
    IMalloc* allocator_ = nullptr;
};

// A shell special folder of the current user; empty when the shell cannot report it.
void specialFolder(int folder, PathText& value) {
    value[0] = '\0';
    ShellAllocator allocator;
    if (allocator.get() == nullptr) {
        return;
    }
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, &items)) || items == nullptr) {
        return;
    }
    // The buffer holds MAX_PATH (260) characters, as the call requires.
    if (!SHGetPathFromIDListA(items, value)) {
        value[0] = '\0';
    }
    allocator.get()->Free(items);
}

void systemValue(PathText& value) {
    systemFolder<querySystemDirectory>(value);
}
void windowsValue(PathText& value) {
    systemFolder<queryWindowsDirectory>(value);
}
void destinationValue(PathText& value) {
    copyText(value, installState.installDirectory);
}
void programFilesValue(PathText& value) {
    readRegistryString(value, kPathSize, "ProgramFilesDir", RegistryHive::LocalMachine,
                       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
}
void startupValue(PathText& value) {
    specialFolder(CSIDL_STARTUP, value);
}
void startProgramsValue(PathText& value) {
    specialFolder(CSIDL_PROGRAMS, value);
}
void sourceValue(PathText& value) {
    value[0] = '\0';
    if (installState.currentPackage != nullptr) {
        installState.currentPackage->workDirectoryPath(value);
    }
}

struct Macro {
    const char* name;
    void (*obtain)(PathText& value);
};

constexpr Macro kMacros[] = {
    {kSystemMacro, systemValue},           {kWindowsMacro, windowsValue},
    {kDestinationMacro, destinationValue}, {kProgramFilesMacro, programFilesValue},
    {kStartupMacro, startupValue},         {kStartProgramsMacro, startProgramsValue},
    {kSourceMacro, sourceValue},
};

}  // namespace

void expandMacros(PathText& text) {
    // Nothing is cached: a folder the user has just chosen takes effect at once.
    for (const Macro& macro : kMacros) {
        PathText value;
        macro.obtain(value);
        std::size_t from = 0;
        while (replaceMacro(text, macro.name, value, from)) {
        }
    }
    collapseDoubledBackslashes(text);
}

}  // namespace tovik
