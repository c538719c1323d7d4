// ResetStats0: date texts, the bad-QSO file, the state it empties, the host
// version, the KDA directory, and the "Start" key with the window start.
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "engine_fixture.h"
#include "resources/resource.h"

using namespace korvan;

namespace {

using std::filesystem::path;

const std::string kSettingsPath = "Plugins/Korvan.ini";

std::string settingsBytes(const ScratchFolder& folder) { return ScratchFolder::read(folder.path() / kSettingsPath); }

bool waitForPanel(bool running) {
    for (int i = 0; i < 250; ++i) {
        if ((setupPanel.load() != nullptr) == running) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

class ResetTest : public EngineTest {};

TEST_F(ResetTest, DateTextsNameTheBadQsoFileAndItsHeader) {
    ScratchFolder::write(folder.path() / kBadQsoFile, "old content\r\n");
    EXPECT_EQ(1, (resetWithoutPanel(), 1));
    EXPECT_EQ("2017", state().contestYear);
    EXPECT_EQ("18.03.2017", state().contestDate);
    EXPECT_EQ(kBadQsoFile, state().badQsoFileName);
    EXPECT_EQ(kResetHeader, badQsoFile());
}

TEST_F(ResetTest, RecordsTheOwnStationAndEmptiesTheQsos) {
    resetWithoutPanel();
    addQso(qso("DL1ABC"));
    {
        std::lock_guard<std::mutex> guard(stateLock());
        state().bandKdaLists[3] = {"A01"};
        state().bandDxccLists[3] = {"DL"};
    }
    ResetArguments args = resetArguments();
    args.hostFolder = "host\\";
    args.exportRun = 0;
    args.ownCall = "UN9NEW";
    args.ownPrefix = "DL";
    args.ownContinent = "EU";
    resetWithoutPanel(args);

    EXPECT_TRUE(state().qsoList.empty());
    EXPECT_TRUE(state().workedBands.empty());
    EXPECT_EQ("host\\", state().hostFolder);
    EXPECT_EQ("UN9NEW", state().ownCall);
    EXPECT_EQ("DL", state().ownPrefix);
    EXPECT_EQ("EU", state().ownContinent);
    // The per-band lists wait for the next statistics run to rebuild them.
    EXPECT_EQ(std::vector<std::string>{"A01"}, state().bandKdaLists[3]);
    EXPECT_EQ(std::vector<std::string>{"DL"}, state().bandDxccLists[3]);
}

TEST_F(ResetTest, RussianLabelsAreNeverSwitchedOffAgain) {
    ResetArguments args = resetArguments();
    args.ownPrefix = "DL";
    resetWithoutPanel(args);
    EXPECT_EQ(0, state().russianLabels);
    args.ownPrefix = "UA2/f";
    resetWithoutPanel(args);
    EXPECT_EQ(1, state().russianLabels);
    args.ownPrefix = "DL";
    resetWithoutPanel(args);
    EXPECT_EQ(1, state().russianLabels);
}

// --- host version ---

class HostVersionTest : public ResetTest {
protected:
    // The host folder holds the INI that is detected; the version is read
    // from the file of the same name in the current folder.
    std::string resetWithHostIni(const std::string& iniName, const std::string& currentIni) {
        ScratchFolder::write(folder.path() / "host" / iniName, "[x]\r\n");
        if (!currentIni.empty()) ScratchFolder::write(folder.path() / "Vexa2.ini", currentIni);
        ResetArguments args = resetArguments();
        args.hostFolder = "host\\";
        resetWithoutPanel(args);
        return state().hostVersion;
    }
};

TEST_F(HostVersionTest, NoHostIniGivesVexa) {
    ScratchFolder::write(folder.path() / "Vexa2.ini", "Vexa=3.0\r\n");  // not in the host folder
    ScratchFolder::write(folder.path() / "host" / "other.ini", "");
    ResetArguments args = resetArguments();
    args.hostFolder = "host\\";
    resetWithoutPanel(args);
    EXPECT_EQ("Vexa", state().hostVersion);
}

TEST_F(HostVersionTest, FirstVersionLineGivesTheTextAfterItsFifthCharacter) {
    EXPECT_EQ("2.18", resetWithHostIni("Vexa2.ini", "[Main]\r\nName=x\r\nVexa=2.18\r\nVexa=9.9\r\n"));
}

TEST_F(HostVersionTest, LeadingBlanksShiftTheSkippedCharacters) {
    EXPECT_EQ("a=2.18", resetWithHostIni("Vexa2.ini", "  Vexa=2.18\r\n"));
}

TEST_F(HostVersionTest, HostIniNameMatchesAsCaseSensitiveSubstring) {
    EXPECT_EQ("3.0", resetWithHostIni("OldVexa2.ini.bak.ini", "Vexa=3.0\r\n"));
    std::filesystem::remove_all(folder.path() / "host");
    EXPECT_EQ("Vexa", resetWithHostIni("vexa2.ini", ""));
}

TEST_F(HostVersionTest, UnreadableOrKeylessIniKeepsThePreviousVersion) {
    EXPECT_EQ("3.0", resetWithHostIni("Vexa2.ini", "Vexa=3.0\r\n"));
    ScratchFolder::write(folder.path() / "Vexa2.ini", "[Main]\r\nvexa=4.0\r\n");
    EXPECT_EQ("3.0", resetWithHostIni("Vexa2.ini", ""));
    std::filesystem::remove(folder.path() / "Vexa2.ini");
    EXPECT_EQ("3.0", resetWithHostIni("Vexa2.ini", ""));
}

// --- KDA directory ---

class KdaReloadTest : public ResetTest {
protected:
    void writeKdaDom(const std::string& bytes) { ScratchFolder::write(folder.path() / "Plugins" / "kda.dom", bytes); }
    std::string lookup(const std::string& call) { return state().kdaDirectory.lookupKdaCode(call); }
};

TEST_F(KdaReloadTest, LoadsNonEmptyLinesAndWritesMaster) {
    writeKdaDom("UN7AB A01\r\n\r\n   \r\nUN7CD B02\n");
    resetWithoutPanel();
    EXPECT_EQ((std::vector<std::string>{"UN7AB A01", "   ", "UN7CD B02"}), state().kdaDirectory.lines());
    EXPECT_EQ(1, state().kdaDirectoryLoaded);
    EXPECT_EQ("[Settings]\r\nStart=0\r\nMaster=1\r\n", settingsBytes(folder));
}

TEST_F(KdaReloadTest, SameFileTwiceGivesTheSameDirectory) {
    writeKdaDom("UNTESTA01\r\nUNTESTKK02\r\n");
    resetWithoutPanel();
    resetWithoutPanel();
    EXPECT_EQ(2u, state().kdaDirectory.size());
    EXPECT_EQ("A01", lookup("UNTEST"));
    EXPECT_EQ("K02", lookup("UNTESTK"));
}

TEST_F(KdaReloadTest, ChangedFileReplacesTheOldLines) {
    writeKdaDom("UN7AB A01\r\n");
    resetWithoutPanel();
    writeKdaDom("UN7AB C05\r\nUN7CD B02\r\n");
    resetWithoutPanel();
    EXPECT_EQ("C05", lookup("UN7AB"));
    EXPECT_EQ("B02", lookup("UN7CD"));
    EXPECT_EQ(2u, state().kdaDirectory.size());
}

TEST_F(KdaReloadTest, MissingFileKeepsTheDirectoryButClearsLoaded) {
    writeKdaDom("UN7AB A01\r\n");
    resetWithoutPanel();
    std::filesystem::remove(folder.path() / "Plugins" / "kda.dom");
    platform::writeProfileString(settingsFile, settingsSection, "Master", "0");
    resetWithoutPanel();
    EXPECT_EQ(0, state().kdaDirectoryLoaded);
    EXPECT_EQ("A01", lookup("UN7AB"));
    EXPECT_EQ("0", setting("Master"));  // not written without the file
    EXPECT_EQ("[Settings]\r\nStart=0\r\nMaster=0\r\n", settingsBytes(folder));
}

// --- "Start" key and window start ---

TEST_F(ResetTest, StartAlternatesAndARunningPanelIsKept) {
    ASSERT_EQ("<absent>", setting("Start"));
    resetStats(resetArguments());  // no host INI: version "Vexa" allows the panel
    EXPECT_EQ("1", setting("Start"));
    ASSERT_TRUE(waitForPanel(true));
    platform::Dialog* panel = setupPanel.load();

    resetStats(resetArguments());
    EXPECT_EQ("0", setting("Start"));
    resetStats(resetArguments());  // "0" while a panel runs: nothing written or started
    EXPECT_EQ("0", setting("Start"));
    EXPECT_EQ(panel, setupPanel.load());
    EXPECT_EQ("[Settings]\r\nStart=0\r\n", settingsBytes(folder));

    EXPECT_TRUE(stopWindows());
    resetStats(resetArguments());  // "0" and no panel: starts again
    EXPECT_EQ("1", setting("Start"));
    EXPECT_TRUE(waitForPanel(true));
}

// A panel whose thread has started but has not built its panel yet.
std::mutex panelGate;
std::atomic<int> panelsBuilt{0};
std::unique_ptr<platform::Dialog> gatedPanel(OperatorWindows&) {
    std::lock_guard<std::mutex> wait(panelGate);
    ++panelsBuilt;
    return std::make_unique<platform::Dialog>(IDD_SETUP);
}

TEST_F(ResetTest, AStartedWindowThreadCountsAsARunningPanel) {
    setPanelFactory(&gatedPanel);
    panelsBuilt = 0;
    {
        std::unique_lock<std::mutex> holdThreadBeforeItsPanel(panelGate);
        resetStats(resetArguments());  // starts the thread, which waits
        resetStats(resetArguments());  // "1" -> "0"
        resetStats(resetArguments());  // "0" with a thread about to show its panel
        EXPECT_EQ("0", setting("Start"));
    }
    ASSERT_TRUE(waitForPanel(true));
    EXPECT_TRUE(stopWindows());
    setPanelFactory(nullptr);
    EXPECT_EQ(1, panelsBuilt.load());
}

TEST_F(ResetTest, OldHostVersionsStartNoPanelButStillToggle) {
    for (const char* version : {"2.18", "2.17", "2.16", "2.15", "2.14", "2.14R"}) {
        ScratchFolder::write(folder.path() / "Vexa2.ini", std::string("Vexa=") + version + "\r\n");
        platform::writeProfileString(settingsFile, settingsSection, "Start", "0");
        resetStats(resetArguments());
        EXPECT_EQ(version, state().hostVersion);
        EXPECT_EQ("1", setting("Start")) << version;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(nullptr, setupPanel.load());
}

TEST_F(ResetTest, NonNumericStartReadsAsZero) {
    ScratchFolder::write(folder.path() / "Vexa2.ini", "Vexa=2.18\r\n");
    platform::writeProfileString(settingsFile, settingsSection, "Start", "yes");
    resetStats(resetArguments());
    EXPECT_EQ("1", setting("Start"));
    platform::writeProfileString(settingsFile, settingsSection, "Start", "7abc");
    resetStats(resetArguments());
    EXPECT_EQ("0", setting("Start"));
}

// --- export run ---

struct EditorCall {
    int calls = 0;
    bool lockWasFree = false;
    std::string ownCall;
    std::string first, second;
};
EditorCall editorCall;

void recordingEditor(const std::string& ownCall, const COleDateTime& first, const COleDateTime& second) {
    ++editorCall.calls;
    editorCall.lockWasFree = stateLock().try_lock();
    if (editorCall.lockWasFree) stateLock().unlock();
    editorCall.ownCall = ownCall;
    editorCall.first = first.Format("%Y-%m-%d %H%M");
    editorCall.second = second.Format("%Y-%m-%d %H%M");
}

TEST_F(ResetTest, ExportRunCallsTheHeaderEditorUnlockedAndLeavesStartZero) {
    editorCall = {};
    setExportHeaderEditor(&recordingEditor);
    ResetArguments args = resetArguments();
    args.exportRun = 1;
    resetStats(args);
    resetStats(args);
    setExportHeaderEditor(nullptr);

    EXPECT_EQ(2, editorCall.calls);
    EXPECT_TRUE(editorCall.lockWasFree);
    EXPECT_EQ("UN0OWN", editorCall.ownCall);
    EXPECT_EQ("2017-03-18 0600", editorCall.first);
    EXPECT_EQ("2017-03-18 1200", editorCall.second);
    EXPECT_EQ(1, state().exportRun);
    EXPECT_EQ("[Settings]\r\nStart=0\r\n", settingsBytes(folder));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(nullptr, setupPanel.load());
}

}  // namespace
