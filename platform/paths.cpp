#include "platform/paths.h"

#include <cstring>

#include "platform/file_finder.h"
#include "platform/native_file.h"

namespace tovik {

void addTrailingBackslash(PathText& path) {
    std::size_t length = std::strlen(path);
    if (length > 0 && path[length - 1] != '\\') {
        appendText(path, "\\");
    }
}

void baseName(const char* path, PathText& out) {
    const char* lastBackslash = std::strrchr(path, '\\');
    copyText(out, lastBackslash == nullptr ? path : lastBackslash + 1);
}

void directoryOf(const char* path, PathText& out) {
    const char* lastBackslash = std::strrchr(path, '\\');
    if (lastBackslash == nullptr) {
        copyText(out, path);
        return;
    }
    std::size_t length = static_cast<std::size_t>(lastBackslash - path) + 1;
    if (length >= kPathSize) {
        length = kPathSize - 1;
    }
    std::memmove(out, path, length);
    out[length] = '\0';
}

void extensionOf(const char* path, PathText& out) {
    const char* lastDot = std::strrchr(path, '.');
    const char* lastBackslash = std::strrchr(path, '\\');
    if (lastDot == nullptr || (lastBackslash != nullptr && lastDot < lastBackslash)) {
        copyText(out, ".");
        return;
    }
    copyText(out, lastDot);
}

bool pathExists(const char* path) {
    PathText name;
    PathText folder;
    baseName(path, name);
    directoryOf(path, folder);
    FileFinder finder(name, folder);
    return finder.next();
}

void createDirectoryChain(const char* path) {
    PathText chain;
    copyText(chain, path);
    std::size_t length = std::strlen(chain);
    if (length > 0 && chain[length - 1] == '\\') {
        chain[--length] = '\0';
    }
    // The root is never created: the server and share of a network path, else the first
    // component (a drive such as C:).
    char* cursor = chain;
    if (chain[0] == '\\' && chain[1] == '\\') {
        cursor = std::strchr(chain + 2, '\\');  // end of the server name
        if (cursor != nullptr) {
            cursor = std::strchr(cursor + 1, '\\');  // end of the share name
        }
    } else {
        cursor = std::strchr(chain, '\\');
    }
    if (cursor == nullptr) {
        return;
    }
    for (cursor = std::strchr(cursor + 1, '\\'); cursor != nullptr;
         cursor = std::strchr(cursor + 1, '\\')) {
        *cursor = '\0';
        createDirectory(chain);
        *cursor = '\\';
    }
    createDirectory(chain);
}

void deleteTree(const char* folder) {
    if (std::strlen(folder) <= 3) {
        return;
    }
    FileFinder finder("*.*", folder);
    while (finder.next()) {
        if (finder.isDirectory()) {
            deleteTree(finder.fullPath());
            removeDirectory(finder.fullPath());
        } else {
            deleteFile(finder.fullPath());
        }
    }
}

}  // namespace tovik
