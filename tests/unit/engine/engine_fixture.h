#pragma once
// Shared set-up of the contest engine tests: a fresh current folder, QSO
// and reset argument builders, and readers for the files the engine writes.
#include <gtest/gtest.h>

#include <string>

#include "engine/contest_state.h"
#include "engine/host_calls.h"
#include "plugin/plugin_wiring.h"
#include "windows/window_thread.h"
#include "platform/profile.h"
#include "scratch_folder.h"

using namespace korvan;

inline const std::string kBadQsoFile = "BadQSO_StatsKORVAN_18_03_2017.txt";
inline const std::string kResetHeader = "KORVAN CONTEST UBN file \r\n";
inline const std::string kRewriteHeader = "KORVAN CONTEST UBN file  \r\n";

inline COleDateTime at(int hour, int minute, int day = 18) { return COleDateTime::fromParts(2017, 3, day, hour, minute); }

inline COleDateTime withStatus(DateTimeStatus status) {
    COleDateTime value = at(9, 42);
    value.m_status = status;
    return value;
}

// A CW QSO on 20 m with a serial-number exchange, logged by UN0OWN.
inline QsoArguments qso(const std::string& call, COleDateTime time = at(9, 42)) {
    QsoArguments args;
    args.ownCall = "UN0OWN";
    args.call = call;
    args.time = time;
    args.frequencyHz = 14025000;
    args.mode = "CW";
    args.rstSent = "599";
    args.rstReceived = "599";
    args.exchangeSent = "001";
    args.exchangeReceived = "015";
    args.prefix = "DL";
    args.continent = "EU";
    args.band = "20m";
    return args;
}

// The same QSO from a "UN" station giving a KDA code.
inline QsoArguments unQso(const std::string& call, const std::string& code, COleDateTime time = at(9, 42)) {
    QsoArguments args = qso(call, time);
    args.prefix = "UN";
    args.continent = "AS";
    args.exchangeReceived = code;
    return args;
}

inline ResetArguments resetArguments() {
    ResetArguments args;
    args.hostFolder = "";
    args.ownCall = "UN0OWN";
    args.firstDate = COleDateTime::fromParts(2017, 3, 18, 6, 0);
    args.secondDate = COleDateTime::fromParts(2017, 3, 18, 12, 0);
    args.ownPrefix = "UN";
    args.ownContinent = "AS";
    return args;
}

inline std::string setting(const std::string& key) {
    return platform::readProfileString(settingsFile, settingsSection, key, "<absent>");
}

// "Start" = "1" before a reset makes it start no window thread.
inline void resetWithoutPanel(const ResetArguments& args = resetArguments()) {
    platform::writeProfileString(settingsFile, settingsSection, "Start", "1");
    resetStats(args);
}

class EngineTest : public ::testing::Test {
protected:
    EngineTest() { wirePlugin(); }
    ~EngineTest() override { stopWindows(); }
    std::string badQsoFile() const { return ScratchFolder::read(folder.path() / kBadQsoFile); }
    ContestState& state() { return contestState(); }

    ScratchFolder folder;
};
