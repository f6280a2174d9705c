#include "tests/e2e/window_driver.h"

#include <cstring>

namespace tovik::testing {

namespace {

// The environment block of this process with TMP and TEMP replaced.
std::vector<char> environmentWithTemporaryFolder(const std::string& folder) {
    std::vector<char> block;
    char* strings = GetEnvironmentStringsA();
    for (const char* entry = strings; *entry != '\0'; entry += std::strlen(entry) + 1) {
        if (_strnicmp(entry, "TMP=", 4) == 0 || _strnicmp(entry, "TEMP=", 5) == 0) {
            continue;
        }
        block.insert(block.end(), entry, entry + std::strlen(entry) + 1);
    }
    FreeEnvironmentStringsA(strings);
    for (const char* name : {"TMP=", "TEMP="}) {
        std::string entry = name + folder;
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

struct WindowSearch {
    DWORD processId;
    const std::string* caption;
    HWND found;
    std::vector<std::string>* captions;
};

BOOL CALLBACK visitTopLevelWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    if (search.captions != nullptr) {
        search.captions->push_back(text);
    }
    if (search.caption != nullptr && *search.caption == text) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK visitControl(HWND control, LPARAM parameter) {
    auto& controls = *reinterpret_cast<std::vector<ControlInfo>*>(parameter);
    char className[128] = {};
    GetClassNameA(control, className, sizeof className);
    char text[2048] = {};
    GetWindowTextA(control, text, sizeof text);
    controls.push_back({className, GetDlgCtrlID(control), text});
    return TRUE;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& commandLine, const std::string& temporaryFolder) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::vector<char> command(commandLine.begin(), commandLine.end());
    command.push_back('\0');
    std::vector<char> environment;
    if (!temporaryFolder.empty()) {
        environment = environmentWithTemporaryFolder(temporaryFolder);
    }
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                       environment.empty() ? nullptr : environment.data(), nullptr, &startup,
                       &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

ChildProcess::~ChildProcess() {
    if (process_ != nullptr) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
}

bool ChildProcess::waitForExit(DWORD milliseconds) {
    return process_ != nullptr && WaitForSingleObject(process_, milliseconds) == WAIT_OBJECT_0;
}

DWORD ChildProcess::exitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_ != nullptr) {
        GetExitCodeProcess(process_, &code);
    }
    return code;
}

HWND waitForWindow(DWORD processId, const std::string& caption, DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        WindowSearch search{processId, &caption, nullptr, nullptr};
        EnumWindows(visitTopLevelWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        if (GetTickCount() - start > milliseconds) {
            return nullptr;
        }
        Sleep(25);
    }
}

std::vector<std::string> windowCaptions(DWORD processId) {
    std::vector<std::string> captions;
    WindowSearch search{processId, nullptr, nullptr, &captions};
    EnumWindows(visitTopLevelWindow, reinterpret_cast<LPARAM>(&search));
    return captions;
}

std::vector<ControlInfo> controlsOf(HWND window) {
    std::vector<ControlInfo> controls;
    EnumChildWindows(window, visitControl, reinterpret_cast<LPARAM>(&controls));
    return controls;
}

std::string staticText(HWND window) {
    for (const ControlInfo& control : controlsOf(window)) {
        if (_stricmp(control.className.c_str(), "Static") == 0 && !control.text.empty()) {
            return control.text;
        }
    }
    return "";
}

void pressButton(HWND window, int buttonId) {
    HWND button = GetDlgItem(window, buttonId);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

std::string windowsPath(const std::string& linuxPath) {
    std::string path = "Z:" + linuxPath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

}  // namespace tovik::testing
