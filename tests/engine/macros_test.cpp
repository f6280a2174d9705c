#include <gtest/gtest.h>

#include <string>

#include "engine/macros.h"

namespace tovik {
namespace {

std::string replaced(const char* text, const char* macro, const char* value) {
    PathText buffer;
    PathText valueBuffer;
    copyText(buffer, text);
    copyText(valueBuffer, value);
    std::size_t from = 0;
    while (replaceMacro(buffer, macro, valueBuffer, from)) {
    }
    return buffer;
}

TEST(ReplaceMacro, ReplacesEveryOccurrenceWithABackslashAfterTheValue) {
    struct Case {
        const char* text;
        const char* value;
        const char* expected;
    };
    constexpr Case kCases[] = {
        {"<System>kernel.dll", "C:\\windows\\system32", "C:\\windows\\system32\\kernel.dll"},
        {"<System>\\kernel.dll", "C:\\windows\\system32", "C:\\windows\\system32\\\\kernel.dll"},
        {"<System>a;<System>b", "C:\\s\\", "C:\\s\\a;C:\\s\\b"},
        {"<system>kernel.dll", "C:\\s", "<system>kernel.dll"},
        {"<System>\\x", "", "\\x"},
        {"no macro", "C:\\s", "no macro"},
        // A value that holds its own macro is inserted once, not expanded again.
        {"<System>a", "C:\\<System>", "C:\\<System>\\a"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(replaced(c.text, "<System>", c.value), c.expected);
    }
}

TEST(ReplaceMacro, ALongExpansionIsCutAt259Characters) {
    std::string value(250, 'v');
    std::string result = replaced("<System>name.txt<System>more", "<System>", value.c_str());
    EXPECT_EQ(result.size(), 259u);
    EXPECT_EQ(result, (value + "\\name.txt").substr(0, 259));
}

TEST(ReplaceMacro, FalseWhenNothingIsLeft) {
    PathText text;
    PathText value;
    copyText(text, "plain");
    copyText(value, "C:\\x");
    std::size_t from = 0;
    EXPECT_FALSE(replaceMacro(text, "<Source>", value, from));
    EXPECT_STREQ(value, "C:\\x\\") << "the value gets its backslash even so";
}

TEST(CollapseDoubledBackslashes, KeepsTheFirstTwoCharacters) {
    struct Case {
        const char* text;
        const char* expected;
    };
    constexpr Case kCases[] = {
        {"C:\\a\\\\b", "C:\\a\\b"},
        {"\\\\server\\share\\\\x", "\\\\server\\share\\x"},
        {"C:\\\\\\a", "C:\\\\a"},    // three become two
        {"C:\\\\\\\\a", "C:\\\\a"},  // four become two
        {"\\\\", "\\\\"},
        {"a\\", "a\\"},
        // The backslash at index 1 is one of the first two: the pair after it is collapsed.
        {"x\\\\\\\\", "x\\\\\\"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        PathText text;
        copyText(text, c.text);
        collapseDoubledBackslashes(text);
        EXPECT_STREQ(text, c.expected);
    }
}

}  // namespace
}  // namespace tovik
