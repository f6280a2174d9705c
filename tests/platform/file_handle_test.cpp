#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

using testing::bytesOf;
using testing::MessageRecorder;
using testing::readFileBytes;
using testing::ScratchFolder;
using testing::writeFileBytes;

class FileHandleTest : public ::testing::Test {
protected:
    std::string makeFile(const std::string& name, const std::string& content) {
        writeFileBytes(scratch_.path() / name, bytesOf(content));
        return scratch_.systemPath(name);
    }

    ScratchFolder scratch_;
    MessageRecorder messages_;
};

TEST_F(FileHandleTest, ReadFromTheStartWhateverTheCurrentPosition) {
    std::string path = makeFile("ten.bin", "0123456789");
    FileHandle file(path.c_str(), FileAccess::Read, FileDisposition::OpenExisting, true, true);
    ASSERT_TRUE(file.isOpen());
    char buffer[32] = {};
    EXPECT_EQ(file.read(buffer, 4, FilePosition::Current), 4u);
    bool failed = true;
    // Twenty bytes asked of a ten-byte file: a short read at the end is silent.
    EXPECT_EQ(file.read(buffer, 20, FilePosition::Start, &failed), 10u);
    EXPECT_FALSE(failed);
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    EXPECT_EQ(file.read(buffer, 5, FilePosition::End, &failed), 0u);
    EXPECT_FALSE(failed);
    EXPECT_EQ(messages_.count(), 0u);
}

TEST_F(FileHandleTest, SeekAndSizeFollowTheFile) {
    std::string path = makeFile("seek.bin", "abcdefgh");
    FileHandle file(path.c_str(), FileAccess::Read, FileDisposition::OpenExisting, true, true);
    EXPECT_EQ(file.size(), 8u);
    file.seek(5, SeekOrigin::Start);
    char buffer[4] = {};
    EXPECT_EQ(file.read(buffer, 1, FilePosition::Current), 1u);
    file.seek(-3, SeekOrigin::Current);
    EXPECT_EQ(file.read(buffer + 1, 1, FilePosition::Current), 1u);
    EXPECT_EQ(std::string(buffer, 2), "fd");
}

TEST_F(FileHandleTest, WriteAtTheEndAppends) {
    std::string path = makeFile("append.txt", "one");
    {
        FileHandle file(path.c_str(), FileAccess::Write, FileDisposition::OpenAlways, true, true);
        EXPECT_TRUE(file.write("-two", 4, FilePosition::End));
        EXPECT_TRUE(file.write("X", 1, FilePosition::Start));
    }
    EXPECT_EQ(readFileBytes(scratch_.path() / "append.txt"), bytesOf("Xne-two"));
}

TEST_F(FileHandleTest, DispositionsCreateTruncateOrRequireTheFile) {
    std::string path = makeFile("existing.txt", "content");
    {
        FileHandle keep(path.c_str(), FileAccess::ReadWrite, FileDisposition::OpenAlways, false,
                        true);
        EXPECT_EQ(keep.size(), 7u);
    }
    {
        FileHandle truncate(path.c_str(), FileAccess::Write, FileDisposition::CreateAlways, false,
                            true);
        EXPECT_EQ(truncate.size(), 0u);
    }
    std::string missing = scratch_.systemPath("missing.txt");
    FileHandle existingOnly(missing.c_str(), FileAccess::Read, FileDisposition::OpenExisting, false,
                            true);
    EXPECT_FALSE(existingOnly.isOpen());
    EXPECT_FALSE(std::filesystem::exists(scratch_.path() / "missing.txt"));
    FileHandle created(missing.c_str(), FileAccess::Read, FileDisposition::OpenAlways, false, true);
    EXPECT_TRUE(created.isOpen());
    EXPECT_TRUE(std::filesystem::exists(scratch_.path() / "missing.txt"));
}

TEST_F(FileHandleTest, OpenFailuresAreReportedWithTheCaptionOfTheAccess) {
    struct Case {
        FileAccess access;
        const char* caption;
    };
    std::string missing = scratch_.systemPath("no-such-folder\\file.txt");
    for (Case c :
         {Case{FileAccess::Read, "Disk Read Error"}, Case{FileAccess::Write, "Disk Write Error"},
          Case{FileAccess::ReadWrite, "Disk Write Error"}}) {
        SCOPED_TRACE(c.caption);
        MessageRecorder messages;
        FileHandle file(missing.c_str(), c.access, FileDisposition::OpenExisting, true, true);
        EXPECT_FALSE(file.isOpen());
        auto shown = messages.messages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "Unable to open '" + missing + "'");
        EXPECT_EQ(shown[0].caption, c.caption);
        EXPECT_EQ(shown[0].icon, MessageIcon::Information);
    }
    MessageRecorder quiet;
    FileHandle unreported(missing.c_str(), FileAccess::Read, FileDisposition::OpenExisting, false,
                          true);
    EXPECT_EQ(quiet.count(), 0u);
}

TEST_F(FileHandleTest, ReadAndWriteFailuresAreReportedOncePerCall) {
    std::string path = makeFile("one-way.txt", "data");
    {
        // Reading a file opened for writing only fails in the system call.
        FileHandle writeOnly(path.c_str(), FileAccess::Write, FileDisposition::OpenExisting, true,
                             true);
        char buffer[4];
        bool failed = false;
        EXPECT_EQ(writeOnly.read(buffer, 4, FilePosition::Start, &failed), 0u);
        EXPECT_TRUE(failed);
    }
    {
        FileHandle readOnly(path.c_str(), FileAccess::Read, FileDisposition::OpenExisting, true,
                            true);
        EXPECT_FALSE(readOnly.write("x", 1, FilePosition::Start));
    }
    auto shown = messages_.messages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Unable to read from '" + path + "'");
    EXPECT_EQ(shown[0].caption, "Disk Read Error");
    EXPECT_EQ(shown[1].text, "Unable to write to '" + path + "'");
    EXPECT_EQ(shown[1].caption, "Disk Write Error");
    EXPECT_EQ(shown[1].icon, MessageIcon::Information);
}

TEST_F(FileHandleTest, AFileThatIsNotOpenFailsSilently) {
    FileHandle file;
    bool failed = false;
    char buffer[4];
    EXPECT_EQ(file.read(buffer, 4, FilePosition::Start, &failed), 0u);
    EXPECT_TRUE(failed);
    EXPECT_FALSE(file.write("x", 1, FilePosition::Current));
    EXPECT_EQ(file.size(), 0u);
    file.seek(3, SeekOrigin::Start);
    EXPECT_EQ(messages_.count(), 0u);
}

TEST_F(FileHandleTest, FileSizeByPath) {
    std::string path = makeFile("sized.bin", std::string(1234, 'z'));
    EXPECT_EQ(fileSize(path.c_str()), 1234u);
    EXPECT_EQ(fileSize(scratch_.systemPath("absent.bin").c_str()), 0u);
    EXPECT_EQ(fileSize(scratch_.systemFolder().c_str()), 0u);
}

}  // namespace
}  // namespace tovik
