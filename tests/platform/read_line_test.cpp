#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

using testing::ScratchFolder;

// Every line readLine gives for the content with a buffer of `size` bytes, in order.
std::vector<std::string> linesOf(const std::string& content, std::uint32_t size) {
    ScratchFolder scratch;
    testing::writeFileBytes(scratch.path() / "setup.dat", testing::bytesOf(content));
    FileHandle file(scratch.systemPath("setup.dat").c_str(), FileAccess::Read,
                    FileDisposition::OpenExisting, false, true);
    std::vector<std::string> lines;
    std::vector<char> buffer(size, 'x');
    while (file.readLine(buffer.data(), size)) {
        lines.emplace_back(buffer.data());
        if (lines.size() > 10000) {
            break;
        }
    }
    EXPECT_STREQ(buffer.data(), "") << "the call at the end leaves an empty text";
    return lines;
}

TEST(ReadLine, LineEndsAndLengths) {
    struct Case {
        const char* name;
        std::string content;
        std::uint32_t size;              // the buffer given to readLine
        std::vector<std::string> lines;  // what comes back, in order
    };
    const Case kCases[] = {
        {"CR LF ends every line", "[Action]\r\nInstalling\r\n", 1000, {"[Action]", "Installing"}},
        {"a last line without CR", "one\r\ntwo", 1000, {"one", "two"}},
        {"an empty file", "", 1000, {}},
        {"blank lines come back empty", "a\r\n\r\nb\r\n", 1000, {"a", "", "b"}},
        {"the byte after CR is skipped whatever it is", "a\rXb\r\n", 1000, {"a", "b"}},
        {"a lone CR at the very end", "a\r", 1000, {"a"}},
        {"a lone LF is an ordinary character", "a\nb\r\n", 1000, {"a\nb"}},
        {"LF-only files read as one line", "[CopyFile]\nx\ny\n", 1000, {"[CopyFile]\nx\ny\n"}},
        {"a long line comes back in pieces", "abcdefgh\r\n", 4, {"abc", "def", "gh"}},
        // Exactly size - 1 characters: the line whole, then its CR LF as an empty line.
        {"a line that fills the buffer", "abc\r\nd\r\n", 4, {"abc", "", "d"}},
        {"a one-byte buffer gives empty lines", "ab", 1, {}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        if (c.size == 1) {
            // With no room for a character nothing can be read: every call ends at once.
            ScratchFolder scratch;
            testing::writeFileBytes(scratch.path() / "f", testing::bytesOf(c.content));
            FileHandle file(scratch.systemPath("f").c_str(), FileAccess::Read,
                            FileDisposition::OpenExisting, false, true);
            char one = 'x';
            EXPECT_TRUE(file.readLine(&one, 1));
            EXPECT_EQ(one, '\0');
            continue;
        }
        EXPECT_EQ(linesOf(c.content, c.size), c.lines);
    }
}

TEST(ReadLine, LinesOf999And259CharactersComeBackWhole) {
    for (std::uint32_t size : {1000u, 260u}) {
        SCOPED_TRACE(size);
        std::string longest(size - 1, 'p');
        EXPECT_EQ(linesOf(longest + "\r\n[Action]\r\n", size),
                  (std::vector<std::string>{longest, "", "[Action]"}));
        EXPECT_EQ(linesOf(longest + "q\r\n", size), (std::vector<std::string>{longest, "q"}));
    }
}

TEST(ReadLine, AFileThatIsNotOpenGivesAnEmptyText) {
    FileHandle file;
    char buffer[8] = "stale";
    EXPECT_FALSE(file.readLine(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
}

// Lines are read ahead in blocks, but every other operation sees the file where the lines
// read so far end: a seek back to the start reads the script again from its first line.
TEST(ReadLine, OtherOperationsSeeTheFileWhereTheLinesEnd) {
    ScratchFolder scratch;
    std::string content;
    for (int i = 0; i < 2000; ++i) {
        content += "line " + std::to_string(i) + "\r\n";
    }
    testing::writeFileBytes(scratch.path() / "setup.dat", testing::bytesOf(content));
    FileHandle file(scratch.systemPath("setup.dat").c_str(), FileAccess::Read,
                    FileDisposition::OpenExisting, false, true);
    char line[1000];
    ASSERT_TRUE(file.readLine(line, sizeof line));
    ASSERT_TRUE(file.readLine(line, sizeof line));
    EXPECT_STREQ(line, "line 1");
    char next[8] = {};
    EXPECT_EQ(file.read(next, 6, FilePosition::Current), 6u);
    EXPECT_EQ(std::string(next, 6), "line 2");
    ASSERT_TRUE(file.readLine(line, sizeof line));
    EXPECT_STREQ(line, "");
    file.seek(0, SeekOrigin::Start);
    ASSERT_TRUE(file.readLine(line, sizeof line));
    EXPECT_STREQ(line, "line 0");
    int count = 1;
    while (file.readLine(line, sizeof line)) {
        ++count;
    }
    EXPECT_EQ(count, 2000);
    EXPECT_STREQ(line, "");
}

}  // namespace
}  // namespace tovik
