#include <gtest/gtest.h>

#include "cabrillo_reader.h"
#include "log_error.h"

using namespace korvan::host;

namespace {

// The first malformed line the reader lists, as korvan-host prints it.
std::string errorOf(const std::string& text) {
    ContactLog log = readCabrillo(text, "log.cbr");
    return log.errors.empty() ? "no error" : locate("log.cbr", log.errors[0].line, log.errors[0].message);
}

const char* const kLog =
    "START-OF-LOG: 3.0\n"
    "CONTEST: KORVAN\n"
    "callsign: ru9kvn\n"
    "SOAPBOX: QSO: lines in the soapbox: are not contacts\n"
    "QSO: 14025 CW 2026-03-21 1203 RU9KVN        599 001    UN7ABC        599 A01\n"
    "QSO:  3799 PH 2026-03-21 1204 RU9KVN        59  002    dl1ab         59  017\n"
    "QSO: 1830 RY 2026-03-21 1205 RU9KVN 599 003 K1AA 599 004\n"
    "X-QSO: 7010 CW 2026-03-21 1206 RU9KVN 599 004 K1AA 599 005 1\n"
    "QSO: 7010 CW 2026-03-21 1207 RU9KVN 599 005 K2BB 599 006\n"
    "END-OF-LOG:\n"
    "QSO: 7010 CW 2026-03-21 1208 RU9KVN 599 006 K3CC 599 007\n";

}  // namespace

TEST(CabrilloReader, ReadsQsoColumnsAndHeader) {
    ContactLog log = readCabrillo(kLog, "log.cbr");
    EXPECT_EQ(log.ownCall, "RU9KVN");
    ASSERT_EQ(log.qsos.size(), 4u);  // X-QSO and lines after END-OF-LOG do not count

    const Qso& cw = log.qsos[0];
    EXPECT_EQ(cw.line, 5u);
    EXPECT_EQ(cw.frequencyHz, 14025000u);
    EXPECT_EQ(cw.band, "20m");
    EXPECT_EQ(cw.mode, "CW");
    EXPECT_EQ(cw.ownCall, "RU9KVN");
    EXPECT_EQ(cw.rstSent, "599");
    EXPECT_EQ(cw.exchangeSent, "001");
    EXPECT_EQ(cw.call, "UN7ABC");
    EXPECT_EQ(cw.rstReceived, "599");
    EXPECT_EQ(cw.exchangeReceived, "A01");
    auto t = *toCivilTime(cw.time);
    EXPECT_EQ(t.hour * 100 + t.minute, 1203);

    const Qso& ph = log.qsos[1];
    EXPECT_EQ(ph.mode, "SSB");
    EXPECT_EQ(ph.band, "80m");
    EXPECT_EQ(ph.call, "DL1AB");
    EXPECT_EQ(ph.exchangeReceived, "017");

    EXPECT_EQ(log.qsos[2].band, "160m");
    EXPECT_EQ(log.qsos[2].mode, "RY");  // handed on as logged, for the plug-in to reject
    EXPECT_TRUE(log.warnings.empty());
    EXPECT_TRUE(log.errors.empty());
}

TEST(CabrilloReader, EveryQsoLineMustHaveTheLogsFieldCount) {
    // Without reports (one field a side) and with a transmitter number.
    ContactLog bare = readCabrillo("START-OF-LOG: 3.0\nQSO: 7010 CW 2026-03-21 1207 RU9KVN 005 K2BB 006\n", "l.cbr");
    ASSERT_EQ(bare.qsos.size(), 1u);
    EXPECT_EQ(bare.qsos[0].rstSent, "");
    EXPECT_EQ(bare.qsos[0].call, "K2BB");
    EXPECT_EQ(bare.qsos[0].exchangeReceived, "006");
    ContactLog multi = readCabrillo("START-OF-LOG: 3.0\nQSO: 7010 CW 2026-03-21 1207 RU9KVN 599 5 K2BB 599 6 1\n", "l.cbr");
    ASSERT_EQ(multi.qsos.size(), 1u);
    EXPECT_EQ(multi.qsos[0].call, "K2BB");
    EXPECT_EQ(multi.qsos[0].exchangeReceived, "6");

    // A line missing the received exchange, or with a field too many, would
    // shift the columns (the worked call would be "003"): it is malformed.
    ContactLog log = readCabrillo(
        "START-OF-LOG: 3.0\n"
        "QSO: 7010 CW 2026-03-21 1207 UN0KVN 599 001 K2BB 599 A01\n"
        "QSO: 7010 CW 2026-03-21 1208 UN0KVN 599 003 DL1ABC 599\n"
        "QSO: 7010 CW 2026-03-21 1209 UN0KVN 599 004 K3CC 599 A02\n"
        "QSO: 7010 CW 2026-03-21 1210 UN0KVN 599 005 K4DD 599 A03 X Y\n",
        "log.cbr");
    ASSERT_EQ(log.qsos.size(), 2u);
    EXPECT_EQ(log.qsos[1].call, "K3CC");
    ASSERT_EQ(log.errors.size(), 2u);
    EXPECT_EQ(locate("log.cbr", log.errors[0].line, log.errors[0].message),
              "log.cbr:3: expected 10 fields as the other QSO lines of the log have (freq mode date time own-call "
              "rst exch call rst exch), found 9");
    EXPECT_EQ(log.errors[1].line, 5u);
}

TEST(CabrilloReader, ControlCharactersMakeALineMalformed) {
    // A lone CR would let a field start a forged line in the files the
    // plug-in writes; tabs are separators.
    ContactLog log = readCabrillo(
        "START-OF-LOG: 3.0\n"
        "QSO: 7010 CW 2026-03-21 1207 UN0KVN 599 001 DL1AA\rQSO: 599 A01\n"
        "QSO:\t7010 CW 2026-03-21 1208 UN0KVN 599 002 K3CC 599\tA02\n"
        "NAME: A\x01B\n",
        "log.cbr");
    ASSERT_EQ(log.qsos.size(), 1u);
    EXPECT_EQ(log.qsos[0].call, "K3CC");
    ASSERT_EQ(log.errors.size(), 2u);
    EXPECT_EQ(locate("log.cbr", log.errors[0].line, log.errors[0].message),
              "log.cbr:2: the line holds the control character \\x0D; a line of a Cabrillo log may hold none but tabs");
    EXPECT_EQ(log.errors[1].line, 4u);
}

TEST(CabrilloReader, OverlongFieldsMakeALineMalformed) {
    const std::string call(300, 'K');
    ContactLog log = readCabrillo("START-OF-LOG: 3.0\n"
                                  "CALLSIGN: " + call + "\n"
                                  "QSO: 7010 CW 2026-03-21 1207 UN0KVN 599 001 " + call + " 599 A01\n"
                                  "QSO: 7010 CW 2026-03-21 1208 UN0KVN 599 002 K3CC 599 A02\n",
                                  "log.cbr");
    ASSERT_EQ(log.qsos.size(), 1u);
    EXPECT_EQ(log.qsos[0].call, "K3CC");
    ASSERT_EQ(log.errors.size(), 2u);
    EXPECT_EQ(locate("log.cbr", log.errors[0].line, log.errors[0].message),
              "log.cbr:2: CALLSIGN holds 300 characters; a call holds at most 256");
    EXPECT_EQ(locate("log.cbr", log.errors[1].line, log.errors[1].message),
              "log.cbr:3: a field holds 300 characters; a field holds at most 256 (\"" + call.substr(0, 80) + "...\")");
}

TEST(CabrilloReader, CrLfLinesReadLikeLfLines) {
    std::string lf = kLog, crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ContactLog a = readCabrillo(lf, "a.cbr"), b = readCabrillo(crlf, "b.cbr");
    ASSERT_EQ(b.qsos.size(), a.qsos.size());
    EXPECT_EQ(b.ownCall, "RU9KVN");
    EXPECT_EQ(b.qsos[1].exchangeReceived, "017");
    EXPECT_EQ(b.qsos[3].exchangeReceived, "006");  // no CR left on the last field
    EXPECT_TRUE(b.errors.empty());
    EXPECT_EQ(b.qsos[3].line, a.qsos[3].line);
}

TEST(CabrilloReader, OwnCallFromQsoLinesWhenHeaderLacksIt) {
    ContactLog log = readCabrillo("START-OF-LOG: 3.0\nQSO: 7010 CW 2026-03-21 1207 UN0KVN 599 005 K2BB 599 006\n",
                                  "log.cbr");
    EXPECT_EQ(log.ownCall, "UN0KVN");
}

TEST(CabrilloReader, OutOfBandFrequencyAndUnknownModeAreReported) {
    ContactLog log = readCabrillo(
        "START-OF-LOG: 3.0\n"
        "QSO: 7350 CW 2026-03-21 1207 UN0KVN 599 005 K2BB 599 006\n"
        "QSO: 14025 XX 2026-03-21 1208 UN0KVN 599 006 K3CC 599 007\n"
        "QSO: 144 FM 2026-03-21 1209 UN0KVN 59 007 K4DD 59 008\n"
        "QSO: 7100 SSB 2026-03-21 1210 UN0KVN 59 008 K5EE 59 009\n",
        "log.cbr");
    ASSERT_EQ(log.qsos.size(), 4u);
    EXPECT_EQ(log.qsos[3].mode, "SSB");  // as loggers write it instead of PH: no warning
    EXPECT_EQ(log.qsos[0].band, "");
    EXPECT_EQ(log.qsos[0].frequencyHz, 7350000u);
    EXPECT_EQ(log.qsos[1].mode, "XX");
    EXPECT_EQ(log.qsos[2].band, "2m");  // band designator instead of kHz
    ASSERT_EQ(log.warnings.size(), 2u);
    EXPECT_EQ(log.warnings[0].line, 2u);
    EXPECT_EQ(log.warnings[0].message, "unknown band: 7350 kHz lies in no amateur band");
    EXPECT_EQ(log.warnings[1].line, 3u);
}

TEST(CabrilloReader, MalformedLinesNameFileLineAndExpectation) {
    const std::string start = "START-OF-LOG: 3.0\n";
    EXPECT_EQ(errorOf("CALLSIGN: K1AA\n"), "log.cbr:1: expected START-OF-LOG: as the first line of a Cabrillo log");
    EXPECT_EQ(errorOf(""), "log.cbr: expected START-OF-LOG: as the first line of a Cabrillo log");
    EXPECT_EQ(errorOf(start + "just words\n"), "log.cbr:2: expected a line of the form TAG: value");
    EXPECT_EQ(errorOf(start + "QSO: 14025 CW 2026-03-21 1203 UN0KVN 599\n"),
              "log.cbr:2: expected QSO: freq mode date time own-call sent-exchange call received-exchange, found 6 "
              "fields");
    EXPECT_EQ(errorOf(start + "QSO: 14.025 MHz CW 2026-03-21 1203 UN0KVN 599 001 K1AA 599 002\n"),
              "log.cbr:2: expected the date as YYYY-MM-DD, found \"CW\"");
    EXPECT_EQ(errorOf(start + "QSO: 14O25 CW 2026-03-21 1203 UN0KVN 599 001 K1AA 599 002\n"),
              "log.cbr:2: expected the frequency in kHz such as 14025, found \"14O25\"");
    EXPECT_EQ(errorOf(start + "QSO: 14025 CW 21.03.2026 1203 UN0KVN 599 001 K1AA 599 002\n"),
              "log.cbr:2: expected the date as YYYY-MM-DD, found \"21.03.2026\"");
    EXPECT_EQ(errorOf(start + "QSO: 14025 CW 2026-03-21 12:03 UN0KVN 599 001 K1AA 599 002\n"),
              "log.cbr:2: expected the time as HHMM, found \"12:03\"");
    EXPECT_EQ(errorOf(start + "QSO: 14025 CW 2026-13-21 1203 UN0KVN 599 001 K1AA 599 002\n"),
              "log.cbr:2: expected a real date and time, found 2026-13-21 1203");
}
