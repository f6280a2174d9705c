#include <gtest/gtest.h>

#include <filesystem>

#include "archive/pack_mode.h"
#include "archive/payload_archive.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

using testing::MessageRecorder;
using testing::ScratchFolder;

TEST(PackCommandLine, TheKeywordAnywhereSelectsPackMode) {
    EXPECT_TRUE(isPackCommandLine("C:\\tovik.exe <packthis>\"a\" <packto>\"b\""));
    EXPECT_TRUE(isPackCommandLine("C:\\odd<packthis>name\\tovik.exe"));
    EXPECT_FALSE(isPackCommandLine("C:\\tovik.exe"));
    EXPECT_FALSE(isPackCommandLine("C:\\tovik.exe <PACKTHIS>\"a\" <packto>\"b\""));
}

TEST(PackCommandLine, TakesTheTwoQuotedPaths) {
    struct Case {
        const char* commandLine;
        const char* source;
        const char* target;
    };
    constexpr Case kCases[] = {
        {"\"C:\\tools\\tovik.exe\" <packthis>\"C:\\build\\Setup.dat\" <packto>\"C:\\out\\pkg.exe\"",
         "C:\\build\\Setup.dat", "C:\\out\\pkg.exe"},
        // Text before, between and after the two parts is ignored.
        {"x <packthis>\"a b\\c.txt\"--anything--<packto>\"d.exe\" trailing", "a b\\c.txt", "d.exe"},
        // A <packto> before the source does not count when another follows it.
        {"<packto>\"early\" <packthis>\"src\" <packto>\"dst\"", "src", "dst"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.commandLine);
        PackArguments arguments;
        char problem[200] = {};
        ASSERT_TRUE(parsePackCommandLine(c.commandLine, arguments, problem, sizeof problem))
            << problem;
        EXPECT_STREQ(arguments.source, c.source);
        EXPECT_STREQ(arguments.target, c.target);
    }
}

TEST(PackCommandLine, MalformedLinesNameWhatIsWrong) {
    std::string longPath(260, 'p');
    std::string longName(100, 'n');
    struct Case {
        std::string commandLine;
        const char* problem;  // a phrase the description must contain
    };
    const Case kCases[] = {
        {"<packthis>a.txt\" <packto>\"b\"", "<packthis> must be followed by a double-quoted path"},
        {"<packthis>\"a.txt <packto>b", "no closing double quote"},
        {"<packthis>\"a.txt\" b.exe", "no <packto> after the source"},
        {"<packto>\"b.exe\" <packthis>\"a.txt\"", "comes before <packthis>"},
        {"<packthis>\"a.txt\" <packto>b.exe", "<packto> must be followed by a double-quoted path"},
        {"<packthis>\"a.txt\" <packto>\"b.exe", "the path after <packto> has no closing"},
        {"<packthis>\"\" <packto>\"b.exe\"", "the path after <packthis> is empty"},
        {"<packthis>\"" + longPath + "\" <packto>\"b\"", "260 characters long"},
        {"<packthis>\"a\" <packto>\"" + longPath + "\"", "260 characters long"},
        {"<packthis>\"C:\\" + longName + "\" <packto>\"b\"", "an entry name holds 99"},
        {"<packthis>\"a\" <packto>\"b\" " + std::string(990, ' '), "longer than 999"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.commandLine.substr(0, 60));
        PackArguments arguments;
        char problem[200] = {};
        EXPECT_FALSE(
            parsePackCommandLine(c.commandLine.c_str(), arguments, problem, sizeof problem));
        EXPECT_NE(std::string(problem).find(c.problem), std::string::npos) << problem;
    }
}

TEST(PackMode, AddsOneFileAndEndsWithZero) {
    ScratchFolder scratch;
    testing::writeFileBytes(scratch.path() / "Setup.dat", testing::bytesOf("[Project Name]"));
    std::string line = "tovik.exe <packthis>\"" + scratch.systemPath("Setup.dat") +
                       "\" <packto>\"" + scratch.systemPath("pkg.exe") + "\"";
    EXPECT_EQ(runPackMode(line.c_str()), 0);
    PayloadArchive archive(scratch.systemPath("pkg.exe").c_str(), false);
    ASSERT_EQ(archive.entryCount(), 1);
    EXPECT_STREQ(archive.entryAt(0).name, "Setup.dat");
}

TEST(PackMode, AMalformedLineIsShownAndCreatesNothing) {
    ScratchFolder scratch;
    MessageRecorder messages;
    std::string line = "tovik.exe <packto>\"" + scratch.systemPath("pkg.exe") + "\" <packthis>\"" +
                       scratch.systemPath("a.txt") + "\"";
    EXPECT_NE(runPackMode(line.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "pkg.exe"));
    auto shown = messages.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Installer");
    EXPECT_NE(shown[0].text.find("<packto> comes before <packthis>"), std::string::npos);
}

TEST(PackMode, AFailedAdditionEndsWithNonZero) {
    ScratchFolder scratch;
    MessageRecorder messages;
    std::string line = "<packthis>\"" + scratch.systemPath("absent.txt") + "\" <packto>\"" +
                       scratch.systemPath("pkg.exe") + "\"";
    EXPECT_EQ(runPackMode(line.c_str()), 1);
    EXPECT_EQ(messages.count(), 1u);
}

}  // namespace
}  // namespace tovik
