#include "archive/pack_mode.h"

#include <cstdio>
#include <cstring>

#include "archive/archive_format.h"
#include "archive/payload_archive.h"
#include "platform/message_box.h"
#include "platform/paths.h"

namespace tovik {

namespace {

constexpr const char* kSourceKeyword = "<packthis>";
constexpr const char* kTargetKeyword = "<packto>";
// The command line is parsed from a 1000-byte copy.
constexpr std::size_t kCommandLineLimit = 999;

// Takes the double-quoted path that follows a keyword at `keyword`; returns the position after
// its closing quote, or nullptr with the problem described.
const char* takeQuotedPath(const char* keyword, const char* keywordText, PathText& path,
                           char* problem, std::size_t problemSize) {
    const char* opening = keyword + std::strlen(keywordText);
    if (*opening != '"') {
        std::snprintf(problem, problemSize, "%s must be followed by a double-quoted path",
                      keywordText);
        return nullptr;
    }
    const char* closing = std::strchr(opening + 1, '"');
    if (closing == nullptr) {
        std::snprintf(problem, problemSize, "the path after %s has no closing double quote",
                      keywordText);
        return nullptr;
    }
    auto length = static_cast<std::size_t>(closing - opening - 1);
    if (length == 0) {
        std::snprintf(problem, problemSize, "the path after %s is empty", keywordText);
        return nullptr;
    }
    if (length >= kPathSize) {
        std::snprintf(problem, problemSize,
                      "the path after %s is %zu characters long; 259 is the most", keywordText,
                      length);
        return nullptr;
    }
    std::memcpy(path, opening + 1, length);
    path[length] = '\0';
    return closing + 1;
}

}  // namespace

bool isPackCommandLine(const char* commandLine) {
    return std::strstr(commandLine, kSourceKeyword) != nullptr;
}

bool parsePackCommandLine(const char* commandLine, PackArguments& arguments, char* problem,
                          std::size_t problemSize) {
    if (std::strlen(commandLine) > kCommandLineLimit) {
        std::snprintf(problem, problemSize, "the command line is longer than %zu characters",
                      kCommandLineLimit);
        return false;
    }
    const char* source = std::strstr(commandLine, kSourceKeyword);
    if (source == nullptr) {
        std::snprintf(problem, problemSize, "there is no %s", kSourceKeyword);
        return false;
    }
    const char* afterSource =
        takeQuotedPath(source, kSourceKeyword, arguments.source, problem, problemSize);
    if (afterSource == nullptr) {
        return false;
    }
    const char* target = std::strstr(afterSource, kTargetKeyword);
    if (target == nullptr) {
        const char* earlier = std::strstr(commandLine, kTargetKeyword);
        std::snprintf(problem, problemSize,
                      earlier != nullptr && earlier < source
                          ? "%s comes before %s; the source must come first"
                          : "there is no %s after the source path",
                      kTargetKeyword, kSourceKeyword);
        return false;
    }
    if (takeQuotedPath(target, kTargetKeyword, arguments.target, problem, problemSize) == nullptr) {
        return false;
    }
    PathText name;
    baseName(arguments.source, name);
    if (std::strlen(name) >= kEntryNameSize) {
        std::snprintf(problem, problemSize,
                      "the source's name is %zu characters long; an entry name holds 99 at most",
                      std::strlen(name));
        return false;
    }
    return true;
}

bool packFile(const PackArguments& arguments) {
    PayloadArchive archive(arguments.target, true);
    if (!archive.isOpen()) {
        return false;
    }
    return archive.add(arguments.source);
}

int runPackMode(const char* commandLine) {
    PackArguments arguments;
    char problem[200];
    if (!parsePackCommandLine(commandLine, arguments, problem, sizeof problem)) {
        char text[400];
        std::snprintf(text, sizeof text,
                      "Nothing was packed: %s.\n\nThe form is <packthis>\"file\" "
                      "<packto>\"package\".",
                      problem);
        showMessageBox({text, "Installer", MessageIcon::Error});
        return 2;
    }
    return packFile(arguments) ? 0 : 1;
}

}  // namespace tovik
