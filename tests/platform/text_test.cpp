#include <gtest/gtest.h>

#include "platform/text.h"

namespace tovik {
namespace {

TEST(Text, CopyCutsToTheBufferAndAlwaysTerminates) {
    char small[4];
    EXPECT_FALSE(copyText(small, "abcdef"));
    EXPECT_STREQ(small, "abc");
    EXPECT_TRUE(copyText(small, "abc"));
    EXPECT_STREQ(small, "abc");
    EXPECT_FALSE(appendText(small, "d"));
    EXPECT_STREQ(small, "abc");
    char room[8] = "ab";
    EXPECT_TRUE(appendText(room, "cd"));
    EXPECT_FALSE(appendText(room, "efghij"));
    EXPECT_STREQ(room, "abcdefg");
}

TEST(Text, CaseIsIgnoredForTheLettersAToZOnly) {
    struct Case {
        const char* left;
        const char* right;
        bool equal;
    };
    constexpr Case kCases[] = {
        {"SETUP.DAT", "Setup.dat", true},
        {"setup.dat", "setup.dat", true},
        {"setup.da", "setup.dat", false},
        {"", "", true},
        // Bytes outside A-Z must match exactly: 0xC9 and 0xE9 are not folded.
        {"\xC9", "\xE9", false},
        // '[' and '{' are 32 apart like letters, but are not letters.
        {"[", "{", false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.left) + " / " + c.right);
        EXPECT_EQ(equalsIgnoringCase(c.left, c.right), c.equal);
        EXPECT_EQ(equalsIgnoringCase(c.right, c.left), c.equal);
    }
}

TEST(Text, LittleEndianIntegers) {
    std::uint8_t bytes[4];
    writeLittleEndian32(bytes, 0x0EFFF343);
    EXPECT_EQ(bytes[0], 0x43);
    EXPECT_EQ(bytes[3], 0x0E);
    EXPECT_EQ(readLittleEndian32(bytes), 0x0EFFF343u);
}

}  // namespace
}  // namespace tovik
