#include "engine/macros.h"

#include <cstring>

#include "platform/paths.h"

namespace tovik {

bool replaceMacro(PathText& text, const char* macro, PathText& value, std::size_t& from) {
    addTrailingBackslash(value);
    std::size_t length = std::strlen(text);
    if (from > length) {
        return false;
    }
    const char* found = std::strstr(text + from, macro);
    if (found == nullptr) {
        return false;
    }
    auto position = static_cast<std::size_t>(found - text);
    PathText expanded;
    std::memcpy(expanded, text, position);
    expanded[position] = '\0';
    appendText(expanded, value);
    std::size_t afterValue = std::strlen(expanded);
    appendText(expanded, text + position + std::strlen(macro));
    copyText(text, expanded);
    from = afterValue;
    return true;
}

void collapseDoubledBackslashes(PathText& text) {
    std::size_t length = std::strlen(text);
    if (length <= 2) {
        return;
    }
    for (std::size_t i = 2; i + 1 < length; ++i) {
        if (text[i] == '\\' && text[i + 1] == '\\') {
            std::memmove(text + i + 1, text + i + 2, length - i - 1);
            --length;
        }
    }
}

}  // namespace tovik
