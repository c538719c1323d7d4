// Profile strings must behave as the Windows functions do for the settings
// file that the host's other tools and older versions also write.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/profile.h"
#include "scratch_folder.h"
#include "unprivileged.h"

using namespace korvan;

using platform::readProfileString;
using platform::writeProfileString;

namespace {

const char kFile[] = "Plugins\\Korvan.ini";
const char kNative[] = "Plugins/Korvan.ini";

class ProfileTest : public ::testing::Test {
protected:
    ScratchFolder folder;
};

TEST_F(ProfileTest, ReadsIgnoringCaseAndBlanksAndUnquotes) {
    ScratchFolder::write(kNative,
                         "[Other]\r\nName=wrong\r\n"
                         "  [ settings ]  \r\n"
                         "  name   =   Ivan Petrov   \r\n"
                         "Quoted=\"  spaced  \"\r\n"
                         "Single='x'\r\n"
                         "Mismatched=\"x'\r\n"
                         "Empty=\r\n"
                         "Blank=    \r\n");
    EXPECT_EQ(readProfileString(kFile, "Settings", "NAME", "fb"), "Ivan Petrov");
    EXPECT_EQ(readProfileString(kFile, "SETTINGS", "quoted", "fb"), "  spaced  ");
    EXPECT_EQ(readProfileString(kFile, "Settings", "Single", "fb"), "x");
    EXPECT_EQ(readProfileString(kFile, "Settings", "Mismatched", "fb"), "\"x'");
    // Present but empty is not absent.
    EXPECT_EQ(readProfileString(kFile, "Settings", "Empty", "fb"), "");
    EXPECT_EQ(readProfileString(kFile, "Settings", "Blank", "fb"), "");
    EXPECT_EQ(readProfileString(kFile, "Settings", "Missing", "fb"), "fb");
    EXPECT_EQ(readProfileString(kFile, "Nowhere", "Name", "fb"), "fb");
    EXPECT_EQ(readProfileString("Plugins\\absent.ini", "Settings", "Name", "fb"), "fb");
}

TEST_F(ProfileTest, KeysOnlyCountInsideTheirSectionAndTheFirstWins) {
    ScratchFolder::write(kNative,
                         "Start=0\n"
                         "[Settings]\n"
                         "; Start=comment\n"
                         "Start=1\n"
                         "start=2\n"
                         "[Next]\n"
                         "Master=9\n");
    EXPECT_EQ(readProfileString(kFile, "Settings", "Start", "fb"), "1");
    EXPECT_EQ(readProfileString(kFile, "Settings", "Master", "fb"), "fb");
    EXPECT_EQ(readProfileString(kFile, "Next", "Master", "fb"), "9");
}

TEST_F(ProfileTest, ReadsLongValuesWhole) {
    const std::string soapbox(5000, 'x');
    ScratchFolder::write(kNative, "[Settings]\nSoapBox=" + soapbox + "<CR><LF>end\n");
    EXPECT_EQ(readProfileString(kFile, "Settings", "SoapBox", ""), soapbox + "<CR><LF>end");
    const std::string written(150, 'y');
    ASSERT_TRUE(writeProfileString(kFile, "Settings", "Name", written));
    EXPECT_EQ(readProfileString(kFile, "Settings", "Name", ""), written);
}

TEST_F(ProfileTest, FirstWriteCreatesFileAndSectionWithCrLf) {
    ASSERT_TRUE(writeProfileString(kFile, "Settings", "Master", "1"));
    ASSERT_TRUE(writeProfileString(kFile, "Settings", "Start", ""));
    EXPECT_EQ(ScratchFolder::read(kNative), "[Settings]\r\nMaster=1\r\nStart=\r\n");
    EXPECT_EQ(readProfileString(kFile, "Settings", "Start", "fb"), "");
}

TEST_F(ProfileTest, WritePreservesEveryOtherByte) {
    // LF and CR LF lines, comments, blank lines, a key before any section
    // and a last line without a line end.
    const std::string before =
        "; written by hand\n"
        "Loose=1\r\n"
        "[Settings]\n"
        "Name = Old Name \r\n"
        "  Other=keep  \n"
        "\n"
        "[Window]\r\n"
        "Setup_x=10\r\n"
        "\r\n"
        "Setup_y=20";
    ScratchFolder::write(kNative, before);

    // Replacing a value keeps the key's own spelling.
    ASSERT_TRUE(writeProfileString(kFile, "SETTINGS", "name", "New"));
    std::string expected = before;
    expected.replace(expected.find("Name = Old Name \r\n"), 18, "Name=New\r\n");
    EXPECT_EQ(ScratchFolder::read(kNative), expected);

    // A new key goes after the last entry of its section, before blank lines.
    ASSERT_TRUE(writeProfileString(kFile, "Settings", "Claimed", "1234"));
    expected.replace(expected.find("  Other=keep  \n") + 15, 0, "Claimed=1234\r\n");
    EXPECT_EQ(ScratchFolder::read(kNative), expected);

    // A key added to the last section after a line without line end.
    ASSERT_TRUE(writeProfileString(kFile, "window", "Setup_z", "3"));
    expected += "\r\nSetup_z=3\r\n";
    EXPECT_EQ(ScratchFolder::read(kNative), expected);

    // A new section goes at the end.
    ASSERT_TRUE(writeProfileString(kFile, "Cabrillo", "Band", "ALL"));
    expected += "[Cabrillo]\r\nBand=ALL\r\n";
    EXPECT_EQ(ScratchFolder::read(kNative), expected);

    EXPECT_EQ(readProfileString(kFile, "Settings", "Other", ""), "keep");
    EXPECT_EQ(readProfileString(kFile, "Window", "Setup_y", ""), "20");
}

TEST_F(ProfileTest, ControlCharactersCannotForgeKeysOrSections) {
    ScratchFolder::write(kNative, "[Settings]\r\nSETUP_MODE=CW\r\n");
    const std::string forged = "UN0KVN\r\nSETUP_MODE=SSB\r\n[HIJACK]\r\nNAME=MALLORY";
    ASSERT_TRUE(writeProfileString(kFile, "Settings", "Operators", forged));
    ASSERT_TRUE(writeProfileString(kFile, "Settings\n[X]", "Key\r\nY", "1"));
    EXPECT_EQ(ScratchFolder::read(kNative),
              "[Settings]\r\nSETUP_MODE=CW\r\n"
              "Operators=UN0KVN  SETUP_MODE=SSB  [HIJACK]  NAME=MALLORY\r\n"
              "[Settings [X]]\r\nKey  Y=1\r\n");
    EXPECT_EQ(readProfileString(kFile, "Settings", "SETUP_MODE", ""), "CW");
    EXPECT_EQ(readProfileString(kFile, "HIJACK", "NAME", "absent"), "absent");
}

// Writing a file that cannot be read would keep only the one key written.
TEST_F(ProfileTest, AFileThatCannotBeReadOrWrittenIsNotReplaced) {
    namespace fs = std::filesystem;
    unprivileged::openFolderToCheckUser("Plugins");
    const std::string before = "[Settings]\r\nName=Aigerim\r\nSETUP_MODE=CW\r\n[Window]\r\nSetup_x=10\r\n";
    ScratchFolder::write(kNative, before);
    unprivileged::giveToCheckUser(kNative);
    fs::permissions(kNative, fs::perms::owner_write);  // 0200
    EXPECT_TRUE(unprivileged::check([] {
        return !writeProfileString(kFile, "Settings", "Claimed", "1") &&
               readProfileString(kFile, "Settings", "Name", "unread") == "unread";
    }));
    fs::permissions(kNative, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);  // 0444
    EXPECT_TRUE(unprivileged::check([] {
        return !writeProfileString(kFile, "Settings", "Claimed", "1") &&
               readProfileString(kFile, "Settings", "Name", "") == "Aigerim";
    }));
    EXPECT_EQ(ScratchFolder::read(kNative), before);
}

TEST_F(ProfileTest, ARewriteKeepsBitsLinksAndAByteOrderMark) {
    namespace fs = std::filesystem;
    const std::string mark = "\xEF\xBB\xBF";
    ScratchFolder::write("shared/Korvan.ini", mark + "[Settings]\r\nName=Aigerim\r\n");
    fs::permissions("shared/Korvan.ini", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("../shared/Korvan.ini", kNative);

    EXPECT_EQ(readProfileString(kFile, "Settings", "Name", ""), "Aigerim");
    ASSERT_TRUE(writeProfileString(kFile, "Settings", "Name", "Dana"));
    EXPECT_TRUE(fs::is_symlink(kNative));
    EXPECT_EQ(ScratchFolder::read("shared/Korvan.ini"), mark + "[Settings]\r\nName=Dana\r\n");
    EXPECT_EQ(fs::status("shared/Korvan.ini").permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ProfileTest, EmptyValueStaysPresent) {
    ASSERT_TRUE(writeProfileString(kFile, "Settings", "Operators", "OWN"));
    ASSERT_TRUE(writeProfileString(kFile, "Settings", "Operators", ""));
    EXPECT_EQ(readProfileString(kFile, "Settings", "Operators", "fallback"), "");
}

TEST_F(ProfileTest, FailedWriteLeavesFileAndReportsFalse) {
    ScratchFolder::write(kNative, "[Settings]\r\nName=Kept\r\n");
    platform::setWriteFailureForTesting([](const std::string& path) { return path.ends_with("Korvan.ini"); });
    EXPECT_FALSE(writeProfileString(kFile, "Settings", "Name", "Lost"));
    platform::setWriteFailureForTesting(nullptr);
    EXPECT_EQ(ScratchFolder::read(kNative), "[Settings]\r\nName=Kept\r\n");
    // No temporary file is left beside it.
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator("Plugins")) entries += entry.is_regular_file();
    EXPECT_EQ(entries, 1);
}

TEST_F(ProfileTest, WritesFromBothThreadsAreNotLost) {
    // The window thread saves window positions while the host's thread
    // stores the claimed score: each write rewrites the whole file.
    auto writer = [](const std::string& prefix) {
        for (int i = 0; i < 40; ++i) writeProfileString(kFile, "Settings", prefix + std::to_string(i), "v");
    };
    std::thread window(writer, "window_");
    writer("host_");
    window.join();
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(readProfileString(kFile, "Settings", "window_" + std::to_string(i), "lost"), "v");
        EXPECT_EQ(readProfileString(kFile, "Settings", "host_" + std::to_string(i), "lost"), "v");
    }
}

TEST_F(ProfileTest, MissingFolderMakesWriteFail) {
    EXPECT_FALSE(writeProfileString("NoSuchFolder\\x.ini", "Settings", "Name", "v"));
}

}  // namespace
