// Pack mode: one run adds one file to a package, from a command line holding
// <packthis>"source" and, after it, <packto>"target".
#pragma once

#include <cstddef>

#include "platform/text.h"

namespace tovik {

// Whether a command line (the program's own path included) asks for pack mode.
bool isPackCommandLine(const char* commandLine);

struct PackArguments {
    PathText source;
    PathText target;
};

// Takes the two quoted paths from a pack command line. A line that does not follow the form
// (a keyword without its opening or closing quote, no <packto> after the source, an empty or
// too long path, a source name too long for an entry) gives false and a description of what
// is wrong in `problem`.
bool parsePackCommandLine(const char* commandLine, PackArguments& arguments, char* problem,
                          std::size_t problemSize);

// Adds the source to the target's archive and rewrites its directory; the target is created
// when missing. True when the entry was added; failures are shown in message boxes.
bool packFile(const PackArguments& arguments);

// The whole of pack mode: parse, pack, and the process exit code (0 when the file was added).
int runPackMode(const char* commandLine);

}  // namespace tovik
