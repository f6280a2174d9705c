// Drives the real program from a test, as a user would: starts it with an exact Windows command
// line, finds its top-level windows by caption, reads the texts of their controls and presses
// their buttons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace tovik::testing {

// A started program, ended (if still running) and closed on destruction.
class ChildProcess {
public:
    // Starts `commandLine` as given (CreateProcessA, no re-quoting), with `temporaryFolder` as
    // its TMP and TEMP when not empty.
    ChildProcess(const std::string& commandLine, const std::string& temporaryFolder = "");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD id() const { return id_; }
    // Waits for the program to end; false on time-out.
    bool waitForExit(DWORD milliseconds);
    // The exit code once it has ended.
    DWORD exitCode() const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

struct ControlInfo {
    std::string className;
    int id;
    std::string text;
};

// Waits for a visible top-level window of the process with exactly this caption; nullptr on
// time-out.
HWND waitForWindow(DWORD processId, const std::string& caption, DWORD milliseconds);
// Every top-level window of the process, by caption (for failure messages).
std::vector<std::string> windowCaptions(DWORD processId);
std::vector<ControlInfo> controlsOf(HWND window);
// The text of the first static control that is not an icon.
std::string staticText(HWND window);
// Clicks the button with this id, as a user would.
void pressButton(HWND window, int buttonId);

// The Windows form of a Linux path under wine (Z: is the root), and back.
std::string windowsPath(const std::string& linuxPath);

}  // namespace tovik::testing
