#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

#include "app/install_state.h"
#include "app/setup_package.h"
#include "engine/macros.h"
#include "engine/registry.h"
#include "platform/windows_api.h"
#include "tests/support/message_recorder.h"

namespace tovik {
namespace {

std::string expanded(const std::string& text) {
    PathText buffer;
    copyText(buffer, text.c_str());
    expandMacros(buffer);
    return buffer;
}

std::string withBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\') {
        folder += '\\';
    }
    return folder;
}

// The folders as other calls of the system report them, to check the expansion against.
std::string folderFromShell(int folder) {
    char path[MAX_PATH] = {};
    EXPECT_EQ(SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
    return withBackslash(path);
}

std::string folderFromEnvironment(const char* name) {
    char value[MAX_PATH] = {};
    GetEnvironmentVariableA(name, value, sizeof value);
    return withBackslash(value);
}

class MacrosWin32Test : public ::testing::Test {
protected:
    void SetUp() override { copyText(installState.installDirectory, "C:\\Program Files\\Sample"); }
    void TearDown() override { installState.installDirectory[0] = '\0'; }
};

TEST_F(MacrosWin32Test, ExpandsToTheFoldersWineReports) {
    std::string system = folderFromShell(CSIDL_SYSTEM);
    std::string windows = folderFromEnvironment("SystemRoot");
    EXPECT_EQ(expanded("<System>kernel32.dll"), system + "kernel32.dll");
    EXPECT_EQ(expanded("<System>\\kernel32.dll"), system + "kernel32.dll");
    EXPECT_EQ(expanded("<Windows>WININIT.INI"), windows + "WININIT.INI");
    EXPECT_EQ(expanded("<Program Files>\\Sample"), folderFromShell(CSIDL_PROGRAM_FILES) + "Sample");
    EXPECT_EQ(expanded("<Startup>\\Player.lnk"), folderFromShell(CSIDL_STARTUP) + "Player.lnk");
    std::string programs = folderFromShell(CSIDL_PROGRAMS);
    EXPECT_NE(programs.find("Start Menu\\Programs"), std::string::npos) << programs;
    EXPECT_EQ(expanded("<Start Programs>\\Sample\\Player.lnk"), programs + "Sample\\Player.lnk");
    EXPECT_EQ(expanded("<Destination>\\Compression\\Codec.dll"),
              "C:\\Program Files\\Sample\\Compression\\Codec.dll");
}

TEST_F(MacrosWin32Test, TheSameMacroTwiceAndLowerCaseNames) {
    std::string system = folderFromShell(CSIDL_SYSTEM);
    EXPECT_EQ(expanded("<System>a;<System>b"), system + "a;" + system + "b");
    EXPECT_EQ(expanded("<system>a"), "<system>a");
}

TEST_F(MacrosWin32Test, NetworkPathsKeepTheirLeadingBackslashes) {
    EXPECT_EQ(expanded("\\\\server\\share\\\\dir"), "\\\\server\\share\\dir");
    EXPECT_EQ(expanded("ab"), "ab");
}

// An install folder holding later macros has them expanded with it; one holding itself is
// inserted once, not forever.
TEST_F(MacrosWin32Test, AValueBringsItsOwnMacrosIn) {
    copyText(installState.installDirectory, "<Program Files>\\Sample");
    EXPECT_EQ(expanded("<Destination>x"), folderFromShell(CSIDL_PROGRAM_FILES) + "Sample\\x");
    copyText(installState.installDirectory, "C:\\loop\\<Destination>");
    EXPECT_EQ(expanded("<Destination>x"), "C:\\loop\\<Destination>\\x");
    installState.installDirectory[0] = '\0';
    EXPECT_EQ(expanded("<Destination>\\readme.txt"), "\\readme.txt");
}

TEST_F(MacrosWin32Test, SourceIsTheWorkFolderOfTheCurrentPackage) {
    EXPECT_EQ(expanded("<Source>setup.bmp"), "setup.bmp") << "no package: no folder";
    // The test program carries no package: the package is corrupted, but has its work folder.
    testing::MessageRecorder messages;
    bool corrupted = false;
    SetupPackage package(corrupted);
    EXPECT_TRUE(corrupted);
    installState.currentPackage = &package;
    PathText folder;
    package.workDirectoryPath(folder);
    EXPECT_EQ(expanded("<Source>\\setup.bmp"), std::string(folder) + "setup.bmp");
    installState.currentPackage = nullptr;
}

TEST_F(MacrosWin32Test, AnExpansionBeyond259CharactersIsCut) {
    copyText(installState.installDirectory, ("C:\\" + std::string(240, 'd')).c_str());
    std::string result = expanded("<Destination>sub\\folder\\file.txt");
    EXPECT_EQ(result.size(), 259u);
    EXPECT_EQ(result, ("C:\\" + std::string(240, 'd') + "\\sub\\folder\\file.txt").substr(0, 259));
}

class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }
    static constexpr const char* kKey = "Software\\TovikTests\\Registry";
};

TEST_F(RegistryTest, WritesAndReadsStringValues) {
    writeRegistryString("C:\\Program Files\\Sample", "InstallTo", RegistryHive::CurrentUser, kKey);
    char buffer[260];
    readRegistryString(buffer, sizeof buffer, "InstallTo", RegistryHive::CurrentUser, kKey);
    EXPECT_STREQ(buffer, "C:\\Program Files\\Sample");
    readRegistryString(buffer, sizeof buffer, "Missing", RegistryHive::CurrentUser, kKey);
    EXPECT_STREQ(buffer, "");
    readRegistryString(buffer, sizeof buffer, "X", RegistryHive::CurrentUser,
                       "Software\\TovikTests\\Registry\\Created");
    EXPECT_STREQ(buffer, "");
}

TEST_F(RegistryTest, ValuesAreCutAndTerminatedWhateverTheyHold) {
    HKEY key;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    std::string longValue(600, 'L');
    RegSetValueExA(key, "Long", 0, REG_SZ, reinterpret_cast<const BYTE*>(longValue.c_str()),
                   static_cast<DWORD>(longValue.size() + 1));
    // Stored without its terminator.
    RegSetValueExA(key, "Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcdef"), 6);
    DWORD number = 0x00434241;  // "ABC" in its raw bytes
    RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    RegSetValueExA(key, "Expandable", 0, REG_EXPAND_SZ,
                   reinterpret_cast<const BYTE*>("%SystemRoot%\\x"), 15);
    RegCloseKey(key);

    struct Case {
        const char* name;
        std::uint32_t size;
        std::string expected;
    };
    const Case kCases[] = {
        {"Long", 260, std::string(259, 'L')},
        {"Long", 8, std::string(7, 'L')},
        {"Unterminated", 260, "abcdef"},
        {"Unterminated", 4, "abc"},
        {"Number", 260, "ABC"},
        {"Expandable", 260, "%SystemRoot%\\x"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.name) + " in " + std::to_string(c.size));
        std::string buffer(c.size + 16, '#');
        readRegistryString(buffer.data(), c.size, c.name, RegistryHive::CurrentUser, kKey);
        EXPECT_EQ(std::string(buffer.c_str()), c.expected);
        EXPECT_EQ(buffer.substr(c.size), std::string(16, '#')) << "nothing beyond the buffer";
    }
}

}  // namespace
}  // namespace tovik
