#include <gtest/gtest.h>

#include "country_file.h"
#include "log_error.h"

using namespace korvan::host;

namespace {

// A few entries in the layout of cty.dat, with the kinds of alias it uses.
const char* const kCty =
    "Kazakhstan:               17:  30:  AS:   48.17:   -65.18:    -5.0:  UN:\n"
    "    UN,UO,UP,UQ,=UN7ECA/FF,\n"
    "    UN0F[31],UP0F[31];\n"
    "European Russia:          16:  29:  EU:   53.65:   -41.37:    -4.0:  UA:\n"
    "    R,U,=R7AB/P,=RA9JX/3,=R25EMW(17)[19];\n"
    "Asiatic Russia:           17:  30:  AS:   55.88:   -84.08:    -7.0:  UA9:\n"
    "    R9,RA9,UA0(19)[33],UA9;\n"
    "Sicily:                   15:  28:  EU:   37.50:   -14.00:    -1.0:  *IT9:\n"
    "    IT9,IB9,=II9P;\n"
    "Italy:                    15:  28:  EU:   42.82:   -12.58:    -1.0:  I:\n"
    "    I;\n"
    "Turkey:                   20:  39:  AS:   39.18:   -35.65:    -2.0:  TA:\n"
    "    TA,TB,TC,YM,TA1{EU}<41.0/-29.0>~-3.0~;\n"
    "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n"
    "    DA,DB,DC,DD,DF,DG,DH,DJ,DK,DL,DM,DN,DO,DP,DQ,DR;\n"
    "Hawaii:                   31:  61:  OC:   21.12:   157.48:    10.0:  KH6:\n"
    "    AH6,KH6,=KH6/W1AW;\n"
    "United States:            05:  08:  NA:   37.53:    91.67:     5.0:  K:\n"
    "    AA,K,N,W;\n"
    "Japan:                    25:  45:  AS:   36.40:  -138.38:    -9.0:  JA:\n"
    "    7J,7K,7L,7M,7N,JA;\n"
    "Israel:                   20:  39:  AS:   31.32:   -34.82:    -2.0:  4X:\n"
    "    4X,4Z;\n";

CountryFile cty() { return CountryFile::parse(kCty, "cty.dat"); }

std::string prefixOf(const std::string& call) {
    auto country = cty().resolve(call);
    return country ? country->prefix : "none";
}

std::string errorOf(const std::string& text) {
    try {
        CountryFile::parse(text, "cty.dat");
    } catch (const InputError& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace

TEST(CountryFile, KazakhCallsGiveUnInAsia) {
    for (const char* call : {"UN7ABC", "un7abc", "UO5XX", "UP2L", "UQ8A", "UN0FA"}) {
        auto country = cty().resolve(call);
        ASSERT_TRUE(country) << call;
        EXPECT_EQ(country->prefix, "UN") << call;
        EXPECT_EQ(country->continent, "AS") << call;
    }
}

TEST(CountryFile, LongestPrefixWins) {
    EXPECT_EQ(prefixOf("RA3ABC"), "UA");  // R
    EXPECT_EQ(prefixOf("RA9ABC"), "UA9");  // RA9 beats R
    EXPECT_EQ(prefixOf("UA0ABC"), "UA9");
    EXPECT_EQ(prefixOf("UB1A"), "UA");     // U
    EXPECT_EQ(prefixOf("IT9ABC"), "IT9");  // '*' of the primary prefix dropped
    EXPECT_EQ(prefixOf("I2ABC"), "I");
    EXPECT_EQ(prefixOf("XX1XX"), "none");
    EXPECT_EQ(prefixOf(""), "none");
}

TEST(CountryFile, ZoneAndContinentOverridesOfAnAlias) {
    auto asiatic = cty().resolve("UA0AA");
    ASSERT_TRUE(asiatic);
    EXPECT_EQ(asiatic->cqZone, 19);
    EXPECT_EQ(asiatic->ituZone, 33);
    EXPECT_EQ(asiatic->continent, "AS");

    auto unOverride = cty().resolve("UN0FA");  // only the ITU zone changes
    EXPECT_EQ(unOverride->cqZone, 17);
    EXPECT_EQ(unOverride->ituZone, 31);

    auto europeanTurkey = cty().resolve("TA1ABC");  // {EU} with <lat/long> and ~offset~ beside it
    ASSERT_TRUE(europeanTurkey);
    EXPECT_EQ(europeanTurkey->prefix, "TA");
    EXPECT_EQ(europeanTurkey->continent, "EU");
    EXPECT_EQ(cty().resolve("TA2ABC")->continent, "AS");
}

TEST(CountryFile, ExactCallsBeatPrefixes) {
    auto special = cty().resolve("R25EMW");
    ASSERT_TRUE(special);
    EXPECT_EQ(special->prefix, "UA");
    EXPECT_EQ(special->cqZone, 17);
    EXPECT_EQ(prefixOf("II9P"), "IT9");        // would be Italy by prefix
    EXPECT_EQ(prefixOf("RA9JX/3"), "UA");      // the exact entry, suffix and all
    EXPECT_EQ(prefixOf("UN7ECA/FF"), "UN");
    EXPECT_EQ(prefixOf("KH6/W1AW"), "KH6");
    EXPECT_EQ(prefixOf("II9PA"), "I");         // an exact call is no prefix
}

TEST(CountryFile, PortableSuffixesAreIgnored) {
    for (const char* call : {"UN7ABC/P", "UN7ABC/M", "UN7ABC/MM", "UN7ABC/AM", "UN7ABC/QRP", "UN7ABC/P/QRP"})
        EXPECT_EQ(prefixOf(call), "UN") << call;
    EXPECT_EQ(prefixOf("R7AB/P"), "UA");
}

TEST(CountryFile, PrefixBeforeOrAfterTheCallDecides) {
    EXPECT_EQ(prefixOf("DL/UN7ABC"), "DL");
    EXPECT_EQ(prefixOf("UN7ABC/DL"), "DL");
    EXPECT_EQ(prefixOf("KH6/K1ABC"), "KH6");
    EXPECT_EQ(prefixOf("UN/DL1ABC/P"), "UN");
    EXPECT_EQ(prefixOf("UA3ABC/9"), "UA9");   // a call-area digit moves the call
    EXPECT_EQ(prefixOf("UA9ABC/3"), "UA");
    // Prefixes that begin with a digit keep it; the call area is the digits
    // before the suffix letters, and an area the file has no prefix for
    // leaves the home country.
    EXPECT_EQ(prefixOf("7L1ETP/1"), "JA");
    EXPECT_EQ(prefixOf("4X75KE/2"), "4X");
    EXPECT_EQ(prefixOf("DL1ABC/3"), "DL");
}

TEST(CountryFile, MalformedEntriesNameTheLine) {
    EXPECT_EQ(errorOf("Kazakhstan: 17: 30: AS: 48.17: -65.18: -5.0\n  UN;\n"),
              "cty.dat:1: expected an entry header of eight fields, each ended by ':'");
    EXPECT_EQ(errorOf("A: 1: 1: EU: 0: 0: 0: A:\n  A;\nB: x: 1: EU: 0: 0: 0: B:\n  B;\n"),
              "cty.dat:3: expected CQ and ITU zones as numbers");
    EXPECT_EQ(errorOf("A: 1: 1: EU: 0: 0: 0: A:\n  A,AB\n"), "cty.dat:1: expected ';' to end the alias list of A");
    EXPECT_EQ(errorOf("A: 1: 1: EU: 0: 0: 0: A:\n  A,AB(x);\n"),
              "cty.dat:1: expected a CQ zone number in (...) in alias \"AB\" of A");
    EXPECT_EQ(cty().entryCount(), 11u);
    // An empty file would make every call of the log unknown.
    EXPECT_EQ(errorOf(""), "cty.dat: no entries in the country file");
    EXPECT_EQ(errorOf(" \r\n\n"), "cty.dat: no entries in the country file");
}
