#include <gtest/gtest.h>

#include "adif_reader.h"
#include "log_error.h"

using namespace korvan::host;

namespace {

// The first malformed record the reader lists, as korvan-host prints it.
std::string errorOf(const std::string& text) {
    ContactLog log = readAdif(text, "log.adi");
    return log.errors.empty() ? "no error" : locate("log.adi", log.errors[0].line, log.errors[0].message);
}

CivilTime civil(const Qso& q) { return *toCivilTime(q.time); }

}  // namespace

TEST(AdifReader, ReadsFieldsByDeclaredLengthInAnyCase) {
    // Lengths decide where data ends: a '<' or blank inside data is data.
    const std::string text =
        "Exported by hand\n<ADIF_VER:5>3.1.4\n<eoh>\n"
        "<call:6>un7abc<Band:3>20M<FREQ:9:N>14.025123<mode:2>CW<QSO_DATE:8:D>20260321<TIME_ON:6>120359"
        "<RST_SENT:3>599<rst_rcvd:3>579<STX_STRING:3>001<SRX_STRING:5> a01 <STATION_CALLSIGN:6>un0kvn"
        "<COMMENT:7>x<y> z!<eor>\n";
    ContactLog log = readAdif(text, "log.adi");
    ASSERT_EQ(log.qsos.size(), 1u);
    const Qso& q = log.qsos[0];
    EXPECT_EQ(q.call, "UN7ABC");
    EXPECT_EQ(q.band, "20m");
    EXPECT_EQ(q.frequencyHz, 14025123u);
    EXPECT_EQ(q.mode, "CW");
    EXPECT_EQ(q.rstSent, "599");
    EXPECT_EQ(q.rstReceived, "579");
    EXPECT_EQ(q.exchangeSent, "001");
    EXPECT_EQ(q.exchangeReceived, "a01");  // trimmed, case left to the plug-in
    EXPECT_EQ(q.ownCall, "UN0KVN");
    EXPECT_EQ(log.ownCall, "UN0KVN");
    CivilTime t = civil(q);
    EXPECT_EQ(t.year, 2026);
    EXPECT_EQ(t.day, 21);
    EXPECT_EQ(t.hour, 12);
    EXPECT_EQ(t.minute, 3);
    EXPECT_EQ(t.second, 59);
    EXPECT_EQ(q.line, 4u);
    EXPECT_TRUE(log.warnings.empty());
}

TEST(AdifReader, FallsBackToStxSrxOperatorAndBandFromFrequency) {
    const std::string text =
        "<CALL:5>DL1AB<FREQ:5>7.012<MODE:3>SSB<SUBMODE:3>LSB<QSO_DATE:8>20260321<TIME_ON:4>0102"
        "<STX:2>17<SRX:3>123<OPERATOR:6>RU9KVN<EOR>"
        "<CALL:5>DL1AB<BAND:3>80m<MODE:3>SSB<QSO_DATE:8>20260321<TIME_ON:4>0103"
        "<STX:1>1<STX_STRING:3>018<SRX:1>9<SRX_STRING:3>124<EOR>";
    ContactLog log = readAdif(text, "log.adi");
    ASSERT_EQ(log.qsos.size(), 2u);
    EXPECT_EQ(log.qsos[0].band, "40m");
    EXPECT_EQ(log.qsos[0].mode, "SSB");
    EXPECT_EQ(log.qsos[0].exchangeSent, "17");
    EXPECT_EQ(log.qsos[0].exchangeReceived, "123");
    EXPECT_EQ(log.ownCall, "RU9KVN");
    EXPECT_EQ(log.qsos[1].exchangeSent, "018");  // the _STRING form wins
    EXPECT_EQ(log.qsos[1].exchangeReceived, "124");
    EXPECT_EQ(log.qsos[1].frequencyHz, 0u);
    EXPECT_EQ(log.qsos[1].ownCall, "");
}

TEST(AdifReader, SsbFromSubmodeOrOldModeNames) {
    const std::string base = "<CALL:4>K1AA<BAND:3>20m<QSO_DATE:8>20260321<TIME_ON:4>0000";
    ContactLog log = readAdif(base + "<MODE:3>USB<EOR>" + base + "<SUBMODE:3>LSB<EOR>" + base +
                                  "<MODE:4>RTTY<EOR>" + base + "<MODE:4>QQQQ<EOR>" + base + "<MODE:2>PH<EOR>",
                              "log.adi");
    ASSERT_EQ(log.qsos.size(), 5u);
    EXPECT_EQ(log.qsos[0].mode, "SSB");
    EXPECT_EQ(log.qsos[1].mode, "SSB");
    EXPECT_EQ(log.qsos[2].mode, "RTTY");  // known mode: handed on, no warning
    EXPECT_EQ(log.qsos[3].mode, "QQQQ");
    EXPECT_EQ(log.qsos[4].mode, "SSB");  // as in Cabrillo logs
    ASSERT_EQ(log.warnings.size(), 1u);
    EXPECT_NE(log.warnings[0].message.find("unknown mode"), std::string::npos);
}

TEST(AdifReader, UnknownBandsAreReportedAndKeptForThePlugin) {
    const std::string base = "<CALL:4>K1AA<MODE:2>CW<QSO_DATE:8>20260321<TIME_ON:4>0000";
    ContactLog log = readAdif("\n" + base + "<BAND:4>11m!<EOR>\n" + base + "<FREQ:4>27.1<EOR>\n" + base + "<EOR>\n" +
                                  base + "<BAND:4>160M<EOR>",
                              "log.adi");
    ASSERT_EQ(log.qsos.size(), 4u);
    EXPECT_EQ(log.qsos[0].band, "11m!");
    EXPECT_EQ(log.qsos[1].band, "");
    EXPECT_EQ(log.qsos[1].frequencyHz, 27100000u);
    EXPECT_EQ(log.qsos[2].band, "");
    EXPECT_EQ(log.qsos[3].band, "160m");  // a known band, only its case changed
    ASSERT_EQ(log.warnings.size(), 3u);
    EXPECT_EQ(log.warnings[0].line, 2u);
    EXPECT_EQ(log.warnings[1].line, 3u);
    EXPECT_EQ(log.warnings[2].line, 4u);
}

TEST(AdifReader, CrLfAndLfGiveTheSameRecordsAndLines) {
    const std::string lf =
        "header line\n<EOH>\n<CALL:4>K1AA<BAND:3>20m<MODE:2>CW\n<QSO_DATE:8>20260321<TIME_ON:4>0000<EOR>\n"
        "\n<CALL:4>K2BB<BAND:3>40m<MODE:2>CW\n<QSO_DATE:8>20260321<TIME_ON:4>0001<EOR>\n";
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ContactLog a = readAdif(lf, "a.adi"), b = readAdif(crlf, "b.adi");
    ASSERT_EQ(a.qsos.size(), 2u);
    ASSERT_EQ(b.qsos.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(a.qsos[i].call, b.qsos[i].call);
        EXPECT_EQ(a.qsos[i].line, b.qsos[i].line);
    }
    EXPECT_EQ(b.qsos[1].line, 6u);
}

TEST(AdifReader, HeaderMayHoldTagsAndRecordsMayBeEmpty) {
    // No header (starts with '<'), stray <EOR>s and text between records.
    ContactLog log = readAdif("<ADIF_VER:5>3.1.4<EOH><EOR>comment<CALL:4>K1AA<MODE:2>CW<BAND:3>20m"
                              "<QSO_DATE:8>20260321<TIME_ON:4>0000<EOR><EOR>",
                              "log.adi");
    EXPECT_EQ(log.qsos.size(), 1u);
    EXPECT_TRUE(readAdif("only a header <EOH>\n", "log.adi").qsos.empty());
}

TEST(AdifReader, MalformedInputNamesFileLineAndExpectation) {
    const std::string ok = "<MODE:2>CW<BAND:3>20m<QSO_DATE:8>20260321<TIME_ON:4>0000";
    EXPECT_EQ(errorOf("a header without end\n<CALL:4>K1AA"), "log.adi:2: expected <EOH> to end the header");
    EXPECT_EQ(errorOf("<EOH>\n\n<CALL:x>K1AA<EOR>"), "log.adi:3: expected a length in digits in <CALL:x>");
    EXPECT_EQ(errorOf("<EOH>\n<CALL:40>K1AA<EOR>"),
              "log.adi:2: field CALL declares 40 characters but the file ends after 9");
    EXPECT_EQ(errorOf("<EOH>\n<CALL:4>K1AA<MODE:2>CW\n"), "log.adi:2: expected <EOR> to end the record that starts here");
    EXPECT_EQ(errorOf("<EOH>\n<CALL:4K1AA<EOR>"), "log.adi:2: expected '>' to close the tag that starts with '<'");
    EXPECT_EQ(errorOf("<EOH>\n<CALL>K1AA<EOR>"), "log.adi:2: expected <CALL:LENGTH> with the data's length");
    EXPECT_EQ(errorOf("<EOH>\n" + ok + "<EOR>"), "log.adi:2: expected a CALL field in the record");
    EXPECT_EQ(errorOf("<EOH>\n<CALL:4>K1AA<MODE:2>CW<BAND:3>20m<QSO_DATE:7>2026032<TIME_ON:4>0000<EOR>"),
              "log.adi:2: expected QSO_DATE as YYYYMMDD, found \"2026032\"");
    EXPECT_EQ(errorOf("<EOH>\n<CALL:4>K1AA<MODE:2>CW<BAND:3>20m<QSO_DATE:8>20260321<EOR>"),
              "log.adi:2: expected TIME_ON as HHMM or HHMMSS, found \"\"");
    EXPECT_EQ(errorOf("<EOH>\n<CALL:4>K1AA<MODE:2>CW<BAND:3>20m<QSO_DATE:8>20260230<TIME_ON:4>2400<EOR>"),
              "log.adi:2: expected a real date and time, found 20260230 2400");
    EXPECT_EQ(errorOf("<EOH>\n<CALL:4>K1AA<FREQ:5>14,02" + ok + "<EOR>"),
              "log.adi:2: expected FREQ in MHz such as 14.025, found \"14,02\"");
}

TEST(AdifReader, MalformedRecordsAreListedAndTheRestRead) {
    const std::string ok = "<MODE:2>CW<BAND:3>20m<QSO_DATE:8>20260321<TIME_ON:4>0000";
    ContactLog log = readAdif("<EOH>\n<CALL:4>K1AA" + ok + "<EOR>\n" + ok + "<EOR>\n<CALL:4>K2BB" + ok +
                                  "<EOR>\n<CALL:4>K3CC<QSO_DATE:3>bad<EOR>\n",
                              "log.adi");
    ASSERT_EQ(log.qsos.size(), 2u);
    ASSERT_EQ(log.errors.size(), 2u);
    EXPECT_EQ(log.errors[0].line, 3u);
    EXPECT_EQ(log.errors[1].line, 5u);
}

TEST(AdifReader, ControlCharactersInAFieldMakeTheRecordMalformed) {
    // A counted length may hold CR LF: the call would forge lines in the
    // Cabrillo log and the bad-QSO file.
    const std::string rest = "<MODE:2>CW<BAND:3>20m<QSO_DATE:8>20260321<TIME_ON:4>0000";
    const std::string forged = "DL1AA\r\nQSO: x\r\nCLAIMED-SCORE: 999999";
    ContactLog log = readAdif("<EOH>\n<CALL:" + std::to_string(forged.size()) + ">" + forged + rest + "<EOR>\n" +
                                  "<CALL:4>K1AA<SRX_STRING:4>A\t01" + rest + "<EOR>\n" +
                                  "<CALL:8>\r\nK2BB\r\n" + rest + "<EOR>\n",
                              "log.adi");
    ASSERT_EQ(log.errors.size(), 2u);
    EXPECT_EQ(locate("log.adi", log.errors[0].line, log.errors[0].message),
              "log.adi:2: field CALL holds the control character \\x0D; a field of one line may hold none");
    EXPECT_EQ(log.errors[1].line, 5u);
    ASSERT_EQ(log.qsos.size(), 1u);  // blanks around the data are no part of it
    EXPECT_EQ(log.qsos[0].call, "K2BB");
}


TEST(AdifReader, AnOverlongFieldMakesTheRecordMalformedAndIsQuotedShort) {
    const std::string rest = "<MODE:2>CW<BAND:3>20m<QSO_DATE:8>20260321<TIME_ON:4>0000";
    std::string call;
    for (int i = 0; i < 5000; ++i) call += "A/";
    ContactLog log = readAdif("<EOH>\n<CALL:" + std::to_string(call.size()) + ">" + call + rest + "<EOR>\n" +
                                  "<CALL:4>K1AA<SRX_STRING:257>" + std::string(257, '1') + rest + "<EOR>\n" +
                                  "<CALL:4>K2BB<SRX_STRING:256>" + std::string(256, '2') + rest + "<EOR>\n",
                              "log.adi");
    ASSERT_EQ(log.errors.size(), 2u);
    EXPECT_EQ(locate("log.adi", log.errors[0].line, log.errors[0].message),
              "log.adi:2: field CALL holds 10000 characters; a field holds at most 256 (\"" + call.substr(0, 80) +
                  "...\")");
    EXPECT_EQ(log.errors[1].line, 3u);
    ASSERT_EQ(log.qsos.size(), 1u);
    EXPECT_EQ(log.qsos[0].call, "K2BB");
}
