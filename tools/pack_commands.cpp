#include <cstdio>
#include <memory>
#include <string>

#include "archive/pack_mode.h"
#include "platform/file.h"
#include "tools/commands.h"
#include "tools/tool_support.h"

namespace tovik {

namespace {

// Starts the pending package as a copy of the target, or as nothing when there is no target
// yet (packing then creates it, as it would the target).
bool copyTargetTo(const char* target, const char* copy) {
    FileHandle source(target, FileAccess::Read, FileDisposition::OpenExisting, false, true);
    if (!source.isOpen()) {
        return true;
    }
    FileHandle destination(copy, FileAccess::Write, FileDisposition::CreateAlways, false, true);
    if (!destination.isOpen()) {
        return false;
    }
    constexpr std::uint32_t kBlockSize = 1 << 20;
    auto block = std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize);
    for (;;) {
        bool failed = false;
        std::uint32_t got = source.read(block.get(), kBlockSize, FilePosition::Current, &failed);
        if (failed) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (!destination.write(block.get(), got, FilePosition::Current)) {
            return false;
        }
    }
}

}  // namespace

int runAddCommand(int argumentCount, char** arguments) {
    if (argumentCount < 2) {
        return usageError("usage: tovik-pack add PACKAGE FILE...");
    }
    PathText package;
    if (!toSystemPath(arguments[0], package)) {
        return 2;
    }
    // The new package is built beside the target and replaces it only when every file is in:
    // an interrupted or failed run leaves the vendor's package as it was.
    PendingOutput pending(package);
    if (!copyTargetTo(package, pending.path())) {
        std::fprintf(stderr, "tovik-pack: cannot copy %s to start the new package\n", arguments[0]);
        return 1;
    }
    for (int i = 1; i < argumentCount; ++i) {
        PackArguments pack;
        if (!toSystemPath(arguments[i], pack.source) || !copyText(pack.target, pending.path())) {
            return 2;
        }
        if (!packFile(pack)) {
            std::fprintf(stderr, "tovik-pack: %s was not added; %s is unchanged\n", arguments[i],
                         arguments[0]);
            return 1;
        }
    }
    if (!pending.commit()) {
        std::fprintf(stderr, "tovik-pack: cannot replace %s\n", arguments[0]);
        return 1;
    }
    return 0;
}

int runPackCommandLine(int argumentCount, char** arguments) {
    // Linux paths come in with slashes; the system's form, in which the entry name is what
    // follows the last backslash, has backslashes.
    std::string commandLine;
    for (int i = 0; i < argumentCount; ++i) {
        if (i > 0) {
            commandLine += ' ';
        }
        commandLine += arguments[i];
    }
    for (char& c : commandLine) {
        if (c == '/') {
            c = '\\';
        }
    }
    PackArguments pack;
    char problem[200];
    if (!parsePackCommandLine(commandLine.c_str(), pack, problem, sizeof problem)) {
        std::fprintf(stderr, "tovik-pack: nothing was packed: %s\n", problem);
        return 2;
    }
    return packFile(pack) ? 0 : 1;
}

}  // namespace tovik
