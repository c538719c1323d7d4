// The bad-QSO file's line count that the HTML statistics show is kept
// across requests and must still be exactly the count of the file as it is,
// whoever wrote it last: the plug-in's appends, someone else's edits
// (appending, cutting a line end so that the next append continues a line,
// a file renamed over it with the same size, deleting it) and the
// plug-in's rewrite on removal.
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "engine/bad_line_count.h"
#include "engine_fixture.h"
#include "export_calls.h"

namespace {

class BadLineCountTest : public EngineTest {
protected:
    void SetUp() override {
        extendedOutput = 1;
        resetWithoutPanel();
    }
    void TearDown() override { extendedOutput = 0; }

    // The count the statistics show, and the count of a fresh read.
    static std::string shown() {
        const std::string html = GetResult0(nullptr);
        const std::string label = "Bad QSO</center></th><td><center>";
        const std::size_t at = html.find(label);
        return at == std::string::npos ? "<none>" : html.substr(at + label.size(), html.find('<', at + label.size()) - at - label.size());
    }
    static std::string counted() { return std::to_string(badqso::countLines(kBadQsoFile)); }

    void appendOutside(const std::string& bytes) {
        std::ofstream(folder.path() / kBadQsoFile, std::ios::binary | std::ios::app) << bytes;
    }
};

TEST_F(BadLineCountTest, FollowsTheFileWhoeverChangedIt) {
    QsoArguments wrongBand = qso("G4A", at(9, 50));
    wrongBand.band = "160m";
    const std::vector<std::pair<std::string, std::function<void()>>> steps = {
        {"a bad code", [] { exports::addData(unQso("UN7AB", "A00")); }},
        {"a stored QSO and its dupe", [] { exports::addData(qso("DL1A")); exports::addData(qso("DL1A")); }},
        {"a wrong band", [&] { exports::addData(wrongBand); }},
        {"a line appended outside", [&] { appendOutside("added by hand\r\n"); }},
        {"a last line without its end, continued by the next append",
         [&] {
             appendOutside("no line end");
             shown();  // counted again, and known for this file
             exports::addData(wrongBand);
         }},
        {"a file of the same size renamed over it",
         [&] {
             const std::filesystem::path file = folder.path() / kBadQsoFile;
             std::string bytes = ScratchFolder::read(file);
             bytes.replace(bytes.find("DUPE"), 4, "dupe");  // now counted
             ScratchFolder::write(folder.path() / "other.txt", bytes);
             std::filesystem::rename(folder.path() / "other.txt", file);
         }},
        {"the file deleted", [&] { std::filesystem::remove(folder.path() / kBadQsoFile); }},
        {"an append recreating it", [&] { exports::addData(wrongBand); }},
        {"a removal rewriting it", [&] { exports::removeData(wrongBand); }},
        {"an append after the rewrite", [] { exports::addData(unQso("UN7CD", "A00", at(10, 0))); }},
        {"a removal that takes no line", [] { exports::removeData(qso("DL1A")); }},
        {"a removal of the appended line", [] { exports::removeData(unQso("UN7CD", "A00", at(10, 0))); }},
    };
    EXPECT_EQ("0", shown());
    for (const auto& [what, step] : steps) {
        SCOPED_TRACE(what);
        step();
        const std::string expected = counted();
        EXPECT_EQ(expected, shown());
        EXPECT_EQ(expected, shown());  // and again, from what is known
    }
}

}  // namespace
