#include "platform/text.h"

#include <cstring>

namespace tovik {

bool copyText(char* destination, std::size_t size, const char* source) {
    if (size == 0) {
        return false;
    }
    std::size_t length = std::strlen(source);
    bool fits = length < size;
    if (!fits) {
        length = size - 1;
    }
    std::memmove(destination, source, length);
    destination[length] = '\0';
    return fits;
}

bool appendText(char* destination, std::size_t size, const char* source) {
    std::size_t used = strnlen(destination, size);
    if (used >= size) {
        return false;
    }
    return copyText(destination + used, size - used, source);
}

static char lowerAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(const char* left, const char* right) {
    for (;; ++left, ++right) {
        if (lowerAsciiLetter(*left) != lowerAsciiLetter(*right)) {
            return false;
        }
        if (*left == '\0') {
            return true;
        }
    }
}

}  // namespace tovik
