// Path operations over the system's backslash-separated path form. Outputs are 260-byte
// buffers, and every result is cut to fit one.
#pragma once

#include "platform/text.h"

namespace tovik {

// Appends a backslash, in place, to a non-empty path whose last character is not one.
void addTrailingBackslash(PathText& path);
// The text after the last backslash, or the whole path when it has none.
void baseName(const char* path, PathText& out);
// The path up to and including its last backslash, or the whole path when it has none.
void directoryOf(const char* path, PathText& out);
// From the last dot on, when that dot follows the last backslash; otherwise ".".
void extensionOf(const char* path, PathText& out);
// Whether a file or folder of that path exists; the base name is a listing pattern, so
// wildcards in it match other names.
bool pathExists(const char* path);
// Creates every missing folder along the path, below its root; failures are ignored.
void createDirectoryChain(const char* path);
// Deletes everything inside the folder, recursively; the folder itself remains. Paths of three
// characters or fewer (a drive root) are refused.
void deleteTree(const char* folder);

}  // namespace tovik
