#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

using testing::Bytes;
using testing::bytesOf;
using testing::readFileBytes;
using testing::ScratchFolder;
using testing::writeFileBytes;

struct ToolRun {
    int exitCode;
    std::string output;  // standard output
    std::string errors;  // standard error
};

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string contentOf(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs tovik-pack as a vendor would from a shell.
class TovikPackTest : public ::testing::Test {
protected:
    ToolRun run(const std::vector<std::string>& arguments) {
        std::string command = shellQuoted(TOVIK_PACK_TOOL);
        for (const std::string& argument : arguments) {
            command += " " + shellQuoted(argument);
        }
        auto out = scratch_.path() / "stdout.txt";
        auto err = scratch_.path() / "stderr.txt";
        command += " >" + shellQuoted(out.string()) + " 2>" + shellQuoted(err.string());
        int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contentOf(out), contentOf(err)};
    }
    std::string file(const std::string& name, const Bytes& content) {
        writeFileBytes(scratch_.path() / name, content);
        return (scratch_.path() / name).string();
    }
    std::string path(const std::string& name) { return (scratch_.path() / name).string(); }
    bool exists(const std::string& name) { return std::filesystem::exists(scratch_.path() / name); }
    ScratchFolder scratch_;
};

Bytes randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(generator() >> 7);
    }
    return bytes;
}

TEST_F(TovikPackTest, AddListAndExtractAPackage) {
    Bytes image = randomBytes(5000, 1);
    std::string package = file("setup.exe", image);
    Bytes script = bytesOf("[Project Name]\r\nSample\r\n");
    Bytes product = randomBytes(300000, 2);
    ToolRun add = run({"add", package, file("setup.dat", script), file("Player.exe", product),
                       file("empty.txt", {})});
    ASSERT_EQ(add.exitCode, 0) << add.errors;

    ToolRun list = run({"list", package});
    ASSERT_EQ(list.exitCode, 0) << list.errors;
    // The first entry follows the executable image; the names keep their case.
    EXPECT_NE(list.output.find("setup.dat"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find(" 5000 "), std::string::npos) << list.output;
    EXPECT_LT(list.output.find("setup.dat"), list.output.find("Player.exe"));
    EXPECT_LT(list.output.find("Player.exe"), list.output.find("empty.txt"));

    ASSERT_EQ(run({"extract", package, "PLAYER.EXE", path("player.out")}).exitCode, 0);
    EXPECT_EQ(readFileBytes(path("player.out")), product);
    ASSERT_EQ(run({"extract", package, "setup.dat", path("setup.out")}).exitCode, 0);
    EXPECT_EQ(readFileBytes(path("setup.out")), script);
    ASSERT_EQ(run({"extract", package, "empty.txt", path("empty.out")}).exitCode, 0);
    EXPECT_TRUE(readFileBytes(path("empty.out")).empty());
    EXPECT_FALSE(exists("setup.exe.partial"));
}

TEST_F(TovikPackTest, AFailedAddLeavesThePackageAsItWas) {
    std::string package = file("setup.exe", randomBytes(3000, 3));
    ASSERT_EQ(run({"add", package, file("setup.dat", bytesOf("script"))}).exitCode, 0);
    Bytes before = readFileBytes(package);
    ToolRun add = run({"add", package, file("more.txt", bytesOf("more")), path("absent.bin")});
    EXPECT_EQ(add.exitCode, 1);
    EXPECT_NE(add.errors.find("absent.bin was not added"), std::string::npos) << add.errors;
    EXPECT_EQ(readFileBytes(package), before);
    EXPECT_FALSE(exists("setup.exe.partial"));
}

TEST_F(TovikPackTest, ListAndExtractRefuseWhatIsNoPackage) {
    std::string plain = file("plain.exe", randomBytes(100, 4));
    ToolRun notPackage = run({"list", plain});
    EXPECT_EQ(notPackage.exitCode, 1);
    EXPECT_NE(notPackage.errors.find("carries no valid payload archive"), std::string::npos);
    ToolRun missing = run({"list", path("missing.exe")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.errors.find("cannot open"), std::string::npos);
    EXPECT_FALSE(exists("missing.exe")) << "inspecting a path must not create it";
    EXPECT_EQ(run({"extract", plain, "setup.dat", path("out")}).exitCode, 1);
    EXPECT_FALSE(exists("out"));
    EXPECT_EQ(run({"list"}).exitCode, 2);
    EXPECT_EQ(run({"frobnicate"}).exitCode, 2);
}

TEST_F(TovikPackTest, ADamagedEntryIsNotExtracted) {
    std::string package = file("setup.exe", randomBytes(200, 5));
    ASSERT_EQ(
        run({"add", package, file("readme.txt", bytesOf("read me, read me, read me"))}).exitCode,
        0);
    Bytes bytes = readFileBytes(package);
    bytes[202] ^= 0x10;  // a stored byte of the first entry, after its two header bytes
    writeFileBytes(package, bytes);
    std::string out = file("existing.txt", bytesOf("keep me"));
    ToolRun extract = run({"extract", package, "readme.txt", out});
    EXPECT_EQ(extract.exitCode, 1);
    EXPECT_NE(extract.errors.find("damaged"), std::string::npos) << extract.errors;
    EXPECT_EQ(readFileBytes(out), bytesOf("keep me"));
    EXPECT_EQ(run({"extract", package, "other.txt", path("other")}).exitCode, 1);
    EXPECT_FALSE(exists("other"));
}

TEST_F(TovikPackTest, ImplodeAndExplodeRoundTripInEverySetting) {
    Bytes text;
    for (int i = 0; i < 3000; ++i) {
        std::string line = "line " + std::to_string(i % 97) + " of the sample text\r\n";
        text.insert(text.end(), line.begin(), line.end());
    }
    std::string input = file("input.txt", text);
    struct Case {
        std::vector<std::string> options;
        std::uint8_t literalMode;     // header byte 0 of the stream
        std::uint8_t dictionaryBits;  // header byte 1
    };
    const Case kCases[] = {
        {{}, 0, 6},
        {{"--ascii"}, 1, 6},
        {{"--dictionary", "1024"}, 0, 4},
        {{"--ascii", "--dictionary", "2048"}, 1, 5},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        std::vector<std::string> arguments = {"implode", input, path("stream.imp")};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        ASSERT_EQ(run(arguments).exitCode, 0);
        Bytes stream = readFileBytes(path("stream.imp"));
        ASSERT_GE(stream.size(), 2u);
        EXPECT_EQ(stream[0], c.literalMode);
        EXPECT_EQ(stream[1], c.dictionaryBits);
        EXPECT_LT(stream.size(), text.size() / 4);
        ASSERT_EQ(run({"explode", path("stream.imp"), path("output.txt")}).exitCode, 0);
        EXPECT_EQ(readFileBytes(path("output.txt")), text);
    }
    EXPECT_EQ(run({"implode", input, path("x"), "--dictionary", "3000"}).exitCode, 2);
    EXPECT_FALSE(exists("x"));
}

TEST_F(TovikPackTest, ABrokenStreamLeavesNoOutput) {
    std::string stream = file("cut.imp", {0x00, 0x06, 0x82, 0x04, 0xE5, 0x83, 0x80});
    ToolRun explode = run({"explode", stream, path("out.bin")});
    EXPECT_EQ(explode.exitCode, 1);
    EXPECT_NE(explode.errors.find("broken"), std::string::npos) << explode.errors;
    EXPECT_FALSE(exists("out.bin"));
    EXPECT_FALSE(exists("out.bin.partial"));
}

// Output to a device goes to the device: it is never replaced by a file.
TEST_F(TovikPackTest, ADeviceAsOutputStaysADevice) {
    std::string stream = file("a.imp", {0x00, 0x06, 0x82, 0x02, 0xFE, 0x01});
    EXPECT_EQ(run({"explode", stream, "/dev/null"}).exitCode, 0);
    struct stat status;
    ASSERT_EQ(stat("/dev/null", &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
}

TEST_F(TovikPackTest, ThePackCommandLineOfTheInstaller) {
    std::string source = file("Setup.dat", bytesOf("[Project Name]\r\nSample\r\n"));
    std::string package = path("package.exe");
    ToolRun pack = run({"<packthis>\"" + source + "\"", "<packto>\"" + package + "\""});
    ASSERT_EQ(pack.exitCode, 0) << pack.errors;
    ToolRun list = run({"list", package});
    EXPECT_NE(list.output.find("Setup.dat"), std::string::npos) << list.output;

    ToolRun reversed =
        run({"<packto>\"" + path("other.exe") + "\"", "<packthis>\"" + source + "\""});
    EXPECT_EQ(reversed.exitCode, 2);
    EXPECT_NE(reversed.errors.find("<packto> comes before <packthis>"), std::string::npos);
    EXPECT_FALSE(exists("other.exe"));
}

TEST_F(TovikPackTest, Jpeg2BmpWritesABottomUpPicture) {
    std::string jpeg = std::string(TOVIK_SOURCE_DIR) + "/tests/image/fixtures/odd_420.jpg";
    ASSERT_EQ(run({"jpeg2bmp", jpeg, path("odd.bmp")}).exitCode, 0);
    Bytes bmp = readFileBytes(path("odd.bmp"));
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    // 33 x 17 pixels, rows of 99 bytes padded to 100.
    EXPECT_EQ(readLittleEndian32(bmp.data() + 18), 33u);
    EXPECT_EQ(readLittleEndian32(bmp.data() + 22), 17u);
    EXPECT_EQ(bmp.size(), 54u + 100u * 17u);
    EXPECT_EQ(readLittleEndian32(bmp.data() + 2), bmp.size());

    ToolRun notJpeg = run({"jpeg2bmp", file("text.jpg", bytesOf("not a picture")), path("x.bmp")});
    EXPECT_EQ(notJpeg.exitCode, 1);
    EXPECT_FALSE(exists("x.bmp"));
}

}  // namespace
}  // namespace tovik
