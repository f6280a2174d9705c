#include "platform/file_finder.h"

#include <cstring>

#include "platform/paths.h"

namespace tovik {

FileFinder::FileFinder(const char* pattern, const char* folder) {
    copyText(folder_, folder);
    addTrailingBackslash(folder_);
    copyText(searchPath_, folder_);
    appendText(searchPath_, pattern);
}

static bool isDotEntry(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

bool FileFinder::next() {
    for (;;) {
        current_ = {};
        bool found;
        if (!started_) {
            started_ = true;
            found = listing_.start(searchPath_, current_);
        } else {
            found = listing_.next(current_);
        }
        if (!found || current_.name[0] == '\0') {
            return false;
        }
        if (!isDotEntry(current_.name)) {
            return true;
        }
    }
}

const char* FileFinder::fullPath() {
    copyText(fullPath_, folder_);
    appendText(fullPath_, current_.name);
    return fullPath_;
}

}  // namespace tovik
