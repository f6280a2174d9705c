// tovik-pack: the Linux tool with which a vendor builds and inspects installer packages.
#include <cstdio>
#include <cstring>

#include "tools/commands.h"
#include "tools/tool_support.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int argumentCount, char** arguments);
    const char* usage;
};

constexpr Command kCommands[] = {
    {"list", tovik::runListCommand, "list PACKAGE"},
    {"extract", tovik::runExtractCommand, "extract PACKAGE NAME OUT"},
    {"explode", tovik::runExplodeCommand, "explode IN OUT"},
    {"add", tovik::runAddCommand, "add PACKAGE FILE..."},
    {"jpeg2bmp", tovik::runJpegToBmpCommand, "jpeg2bmp IN.jpg OUT.bmp"},
    {"implode", tovik::runImplodeCommand, "implode IN OUT [--ascii] [--dictionary 1024|2048|4096]"},
};

int printUsage() {
    std::fprintf(stderr, "usage:\n");
    for (const Command& command : kCommands) {
        std::fprintf(stderr, "  tovik-pack %s\n", command.usage);
    }
    std::fprintf(stderr, "  tovik-pack '<packthis>\"FILE\"' '<packto>\"PACKAGE\"'\n");
    return 2;
}

}  // namespace

int main(int argumentCount, char** arguments) {
    for (int i = 0; i < argumentCount; ++i) {
        if (std::strstr(arguments[i], "<packthis>") != nullptr) {
            return tovik::runPackCommandLine(argumentCount, arguments);
        }
    }
    if (argumentCount < 2) {
        return printUsage();
    }
    for (const Command& command : kCommands) {
        if (std::strcmp(arguments[1], command.name) == 0) {
            return command.run(argumentCount - 2, arguments + 2);
        }
    }
    std::fprintf(stderr, "tovik-pack: unknown command %s\n", arguments[1]);
    return printUsage();
}
