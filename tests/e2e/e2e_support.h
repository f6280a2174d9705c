// What the end-to-end tests share: the installer under test, packages built with its own pack
// mode, and a private temporary folder for each run.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/window_driver.h"
#include "tests/support/scratch.h"

namespace tovik::testing {

// How long a test waits for a window or an exit before it fails.
inline constexpr DWORD kPatience = 20000;

inline std::string installerPath() {
    return windowsPath(TOVIK_EXE);
}
inline std::filesystem::path fixturePath(const std::string& name) {
    return std::filesystem::path(windowsPath(TOVIK_E2E_FIXTURES)) / name;
}
inline std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Runs the installer's pack mode once; its exit code.
inline DWORD packWithInstaller(const std::string& source, const std::string& package) {
    ChildProcess pack(quoted(installerPath()) + " <packthis>" + quoted(source) + " <packto>" +
                      quoted(package));
    if (!pack.waitForExit(kPatience)) {
        return 0xFFFFFFFF;
    }
    return pack.exitCode();
}

// A package: a copy of the installer with the files packed into it, in order.
inline std::filesystem::path buildPackage(const ScratchFolder& scratch,
                                          const std::vector<std::filesystem::path>& files,
                                          const std::string& name = "package.exe") {
    auto package = scratch.path() / name;
    std::filesystem::copy_file(installerPath(), package,
                               std::filesystem::copy_options::overwrite_existing);
    for (const auto& file : files) {
        if (packWithInstaller(file.string(), package.string()) != 0) {
            return {};
        }
    }
    return package;
}

}  // namespace tovik::testing
