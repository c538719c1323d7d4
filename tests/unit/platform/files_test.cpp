// Text files as the library reads and writes them: the KDA directory, the
// host INI, the bad-QSO file and the Cabrillo log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/message_box.h"
#include "scratch_folder.h"
#include "unprivileged.h"

using namespace korvan;

using platform::LineReader;
using platform::TextWriter;
using platform::WriteMode;

namespace {

std::vector<std::string> linesOf(const std::string& path) {
    std::vector<std::string> lines;
    EXPECT_TRUE(platform::readAllLines(path, lines));
    return lines;
}

using Lines = std::vector<std::string>;

// A disk that takes only so many more bytes: writes past that stop short.
std::size_t diskRoom = 0;
std::size_t writeToFullDisk(std::FILE* file, const char* bytes, std::size_t size) {
    const std::size_t taken = std::fwrite(bytes, 1, std::min(size, diskRoom), file);
    diskRoom -= taken;
    return taken;
}

class FilesTest : public ::testing::Test {
protected:
    void TearDown() override {
        platform::setWriteFailureForTesting(nullptr);
        platform::setWriteFunctionForTesting(nullptr);
        platform::setRenameRefusalForTesting(nullptr);
    }
    ScratchFolder folder;
};

TEST_F(FilesTest, ReadsCrLfAndLfLinesAndALastLineWithoutEnd) {
    ScratchFolder::write("Plugins/kda.dom", "UN1ABCA01\r\nUN2XYZ B02\n\r\nUN3QQQC03");
    EXPECT_EQ(linesOf(".\\Plugins\\kda.dom"), (Lines{"UN1ABCA01", "UN2XYZ B02", "", "UN3QQQC03"}));
    ScratchFolder::write("ends.txt", "a\r\n\n");
    EXPECT_EQ(linesOf("ends.txt"), (Lines{"a", ""}));
    // A CR not followed by LF is part of the line.
    ScratchFolder::write("cr.txt", "a\rb\n");
    EXPECT_EQ(linesOf("cr.txt"), (Lines{"a\rb"}));
    ScratchFolder::write("empty.txt", "");
    EXPECT_EQ(linesOf("empty.txt"), Lines{});
}

TEST_F(FilesTest, ReadsLongLinesWhole) {
    const std::string longLine(100000, 'q');
    ScratchFolder::write("long.txt", longLine + "\r\nshort\r\n");
    EXPECT_EQ(linesOf("long.txt"), (Lines{longLine, "short"}));
    // Lines around the reader's block sizes, with 0 bytes, a CR LF split
    // across blocks, and a last line ending in a lone CR.
    std::string text;
    Lines expected;
    for (std::size_t length = 500; length < 1040; length += 3) {
        std::string line(length, 'x');
        line[length / 2] = '\0';
        line[length - 1] = '\0';
        text += line + (length % 2 ? "\r\n" : "\n");
        expected.push_back(line);
    }
    text += std::string(2, '\0') + "\r";
    expected.push_back(std::string(2, '\0') + "\r");
    ScratchFolder::write("blocks.txt", text);
    EXPECT_EQ(linesOf("blocks.txt"), expected);
}

TEST_F(FilesTest, MissingFileOrFolderDoesNotOpen) {
    LineReader reader("absent.txt");
    EXPECT_FALSE(reader.isOpen());
    std::string line = "untouched";
    EXPECT_FALSE(reader.next(line));
    std::vector<std::string> lines;
    EXPECT_FALSE(platform::readAllLines("Plugins", lines));
    EXPECT_FALSE(platform::readAllLines("absent.txt", lines));
}

TEST_F(FilesTest, WriterTruncatesOrAppendsRawBytes) {
    {
        TextWriter writer("Plugins\\bad.txt", WriteMode::append);  // created when missing
        ASSERT_TRUE(writer.isOpen());
        writer.writeLine("first");
        EXPECT_TRUE(writer.close());
    }
    {
        TextWriter writer("Plugins\\bad.txt", WriteMode::append);
        writer.writeLine("second");
        writer.write("no end\n");  // no translation of a lone LF
    }
    EXPECT_EQ(ScratchFolder::read("Plugins/bad.txt"), "first\r\nsecond\r\nno end\n");
    {
        TextWriter writer("Plugins\\bad.txt", WriteMode::truncate);
        writer.writeLine("fresh");
    }
    EXPECT_EQ(ScratchFolder::read("Plugins/bad.txt"), "fresh\r\n");
}

TEST_F(FilesTest, InjectedWriteFailure) {
    ScratchFolder::write("log.cbr", "old");
    platform::setWriteFailureForTesting([](const std::string& path) { return path == "log.cbr"; });
    TextWriter writer("log.cbr", WriteMode::truncate);
    EXPECT_FALSE(writer.isOpen());
    writer.writeLine("ignored");  // harmless on a writer that never opened
    EXPECT_FALSE(writer.close());
    EXPECT_EQ(ScratchFolder::read("log.cbr"), "old");
}

TEST_F(FilesTest, ReplaceFileContents) {
    ASSERT_TRUE(platform::replaceFileContents("Plugins\\state.txt", "one\r\n"));
    EXPECT_EQ(ScratchFolder::read("Plugins/state.txt"), "one\r\n");
    ASSERT_TRUE(platform::replaceFileContents("Plugins\\state.txt", "two\r\n"));
    EXPECT_EQ(ScratchFolder::read("Plugins/state.txt"), "two\r\n");
    ASSERT_TRUE(platform::replaceFileContents("Plugins\\state.txt", ""));
    EXPECT_TRUE(platform::fileExists("Plugins\\state.txt"));
    EXPECT_EQ(ScratchFolder::read("Plugins/state.txt"), "");

    // A failed write keeps the old content and leaves no temporary file,
    // whether the target or the temporary file cannot be written.
    ASSERT_TRUE(platform::replaceFileContents("Plugins\\state.txt", "kept"));
    platform::setWriteFailureForTesting([](const std::string& path) { return path == "Plugins/state.txt"; });
    EXPECT_FALSE(platform::replaceFileContents("Plugins\\state.txt", "lost"));
    platform::setWriteFailureForTesting([](const std::string& path) { return path.ends_with(".tmp"); });
    EXPECT_FALSE(platform::replaceFileContents("Plugins\\state.txt", "lost"));
    platform::setWriteFailureForTesting(nullptr);
    EXPECT_EQ(ScratchFolder::read("Plugins/state.txt"), "kept");
    EXPECT_EQ(platform::listDirectory("Plugins\\*"), Lines{"state.txt"});

    // The rename fails when the target is a folder: the temporary file goes.
    std::filesystem::create_directories("Plugins/folder/inner");
    EXPECT_FALSE(platform::replaceFileContents("Plugins\\folder", "x"));
    EXPECT_EQ(platform::listDirectory("Plugins\\*"), (Lines{"folder", "state.txt"}));
}

TEST_F(FilesTest, ARewriteKeepsThePermissionBitsAndGoesThroughLinks) {
    namespace fs = std::filesystem;
    ScratchFolder::write("private.txt", "old");
    fs::permissions("private.txt", fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(platform::replaceFileContents("private.txt", "new"));
    EXPECT_EQ(ScratchFolder::read("private.txt"), "new");
    EXPECT_EQ(fs::status("private.txt").permissions(), fs::perms::owner_read | fs::perms::owner_write);

    ScratchFolder::write("real/target.txt", "old");
    fs::create_symlink("real/target.txt", "link.txt");
    fs::create_symlink("made.txt", "dangling.txt");
    ASSERT_TRUE(platform::replaceFileContents("link.txt", "new"));
    ASSERT_TRUE(platform::replaceFileContents("dangling.txt", "made"));
    EXPECT_TRUE(fs::is_symlink("link.txt"));
    EXPECT_EQ(ScratchFolder::read("real/target.txt"), "new");
    EXPECT_TRUE(fs::is_symlink("dangling.txt"));
    EXPECT_EQ(ScratchFolder::read("made.txt"), "made");
}

// The folder lets anyone rename over its files; the files' own bits say
// who may change them.
TEST_F(FilesTest, AFileThisProcessMayNotWriteIsNotReplaced) {
    namespace fs = std::filesystem;
    unprivileged::openFolderToCheckUser(folder.path());
    ScratchFolder::write("protected.cbr", "old");
    fs::permissions("protected.cbr", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ScratchFolder::write("open.cbr", "old");
    unprivileged::giveToCheckUser("open.cbr");
    EXPECT_TRUE(unprivileged::check([] {
        return !platform::replaceFileContents("protected.cbr", "new") && platform::replaceFileContents("open.cbr", "new");
    }));
    EXPECT_EQ(ScratchFolder::read("protected.cbr"), "old");
    EXPECT_EQ(ScratchFolder::read("open.cbr"), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 3);  // no temporary file left
}

TEST_F(FilesTest, WholeWritesLeaveNoPartOfTheirBytesOnAFullDisk) {
    ASSERT_TRUE(platform::writeWhole("bad.txt", "header\r\n", WriteMode::truncate));
    platform::setWriteFunctionForTesting(writeToFullDisk);
    diskRoom = 5;
    EXPECT_FALSE(platform::writeWhole("bad.txt", "line one\r\n", WriteMode::append));
    EXPECT_EQ(ScratchFolder::read("bad.txt"), "header\r\n");
    diskRoom = 100;  // room again: the next line starts on a line of its own
    EXPECT_TRUE(platform::writeWhole("bad.txt", "line two\r\n", WriteMode::append));
    EXPECT_EQ(ScratchFolder::read("bad.txt"), "header\r\nline two\r\n");
    diskRoom = 3;
    EXPECT_FALSE(platform::writeWhole("bad.txt", "header\r\n", WriteMode::truncate));
    EXPECT_EQ(ScratchFolder::read("bad.txt"), "");
}

TEST_F(FilesTest, RefusedRenameWritesInPlaceOrKeepsTheOldContents) {
    ScratchFolder::write("log.cbr", "old contents\r\n");
    platform::setRenameRefusalForTesting([](const std::string& path) { return path == "log.cbr"; });
    EXPECT_TRUE(platform::replaceFileContents("log.cbr", "new\r\n"));
    EXPECT_EQ(ScratchFolder::read("log.cbr"), "new\r\n");
    EXPECT_EQ(platform::listDirectory("*.tmp"), Lines{});

    // The temporary file takes the bytes, the old file then only part of
    // them: the old contents are written back.
    platform::setWriteFunctionForTesting([](std::FILE* file, const char* bytes, std::size_t size) {
        static int call = 0;
        return ++call == 2 ? std::fwrite(bytes, 1, size / 2, file) : std::fwrite(bytes, 1, size, file);
    });
    EXPECT_FALSE(platform::replaceFileContents("log.cbr", "much longer contents\r\n"));
    EXPECT_EQ(ScratchFolder::read("log.cbr"), "new\r\n");
    EXPECT_EQ(platform::listDirectory("*.tmp"), Lines{});
}

TEST_F(FilesTest, ListDirectoryMatchesTheLastComponent) {
    ScratchFolder::write("host/Vexa2.ini", "");
    ScratchFolder::write("host/other.INI", "");
    ScratchFolder::write("host/notes.txt", "");
    ScratchFolder::write("host/ini", "");
    ScratchFolder::write("top.ini", "");
    const Lines inis{"Vexa2.ini", "other.INI"};
    EXPECT_EQ(platform::listDirectory("host/*.ini"), inis);
    EXPECT_EQ(platform::listDirectory("host\\*.ini"), inis);
    EXPECT_EQ(platform::listDirectory(".\\host\\*.ini"), inis);
    EXPECT_EQ(platform::listDirectory((folder.path() / "host").string() + "/*.ini"), inis);
    // The host folder is given with its trailing separator, or empty.
    EXPECT_EQ(platform::listDirectory("*.ini"), Lines{"top.ini"});
    EXPECT_EQ(platform::listDirectory("host\\Vexa?.ini"), Lines{"Vexa2.ini"});
    EXPECT_EQ(platform::listDirectory("host\\*s*"), Lines{"notes.txt"});
    EXPECT_EQ(platform::listDirectory("host\\*.dat"), Lines{});
    EXPECT_EQ(platform::listDirectory("missing\\*.ini"), Lines{});
    EXPECT_EQ(platform::listDirectory("host\\"), Lines{});
}

TEST(MessageBox, SinkReplacesTheDefaultAndIsRestored) {
    std::string seen;
    auto previous = platform::setMessageBoxSink([&](const std::string& text, const std::string& caption, unsigned) {
        seen = "[" + caption + "] " + text;
        return 7;
    });
    EXPECT_EQ(platform::messageBox("No additional setup for this contest", "", platform::kMessageBoxOk), 7);
    EXPECT_EQ(seen, "[] No additional setup for this contest");
    platform::setMessageBoxSink(previous);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(platform::messageBox("text", "Output", platform::kMessageBoxOk), platform::kIdOk);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[Output] text\n");
}

}  // namespace
