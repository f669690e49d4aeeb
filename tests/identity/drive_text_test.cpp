// The drive text conversions, the acceptance test, the fold and the vendor offsets.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_drive_devices.h"
#include "identity/drive_store.h"

namespace {

using namespace util::identity;
using identity_test::identifyWords;

std::string serialOf(const std::string& text) { return identifyWordsToText(identifyWords(text, "").data(), 10, 19); }

TEST(IdentifyWordsToText, TakesHighByteFirstAndCutsOnlyTrailingBlanks) {
    std::vector<std::uint32_t> words = identifyWords("WD-WCAV1234", "WDC WD800");
    EXPECT_EQ(words[10], 0x5744u);  // 'W' 'D': the bytes are read as little-endian words
    EXPECT_STREQ(identifyWordsToText(words.data(), 10, 19), "WD-WCAV1234");
    EXPECT_STREQ(identifyWordsToText(words.data(), 27, 46), "WDC WD800");
    EXPECT_EQ(serialOf("   XYZ 1"), "   XYZ 1");
    EXPECT_EQ(serialOf(""), " ");                            // the first character is never cut
    EXPECT_EQ(serialOf(std::string("AB\0D  EF", 8)), "AB");  // a NUL ends the text
    words[10] |= 0xFFFF0000u;                                // only the low 16 bits of a widened word count
    EXPECT_STREQ(identifyWordsToText(words.data(), 10, 10), "WD");
    EXPECT_STREQ(identifyWordsToText(words.data(), 11, 10), "");
    EXPECT_STREQ(identifyWordsToText(nullptr, 10, 19), "");
    // Indices outside the reply add nothing.
    const std::vector<std::uint32_t> full(256, 0x4142);  // "AB" in every word
    const std::string text = identifyWordsToText(full.data(), -1000, 1000);
    EXPECT_EQ(text.size(), 512u);
    EXPECT_EQ(text.substr(0, 4), "ABAB");
}

TEST(HexPairsToText, SwapsPairsPerWordAndDropsZeros) {
    // A missing position counts as '0', and so does a non-hex digit.
    const std::pair<const char*, const char*> cases[] = {{"3132", "21"}, {"0031", "1"}, {"313", "01"},
                                                         {"6a6B", "kj"}, {"zz41", "A"}, {"FEFF", "\xFF\xFE"},
                                                         {"6f66", "fo"}, {"", ""},      {nullptr, ""}};
    for (const auto& each : cases) EXPECT_STREQ(hexPairsToText(each.first), each.second) << each.first;
    EXPECT_EQ(std::string(hexPairsToText(std::string(4000, '4').c_str())), std::string(999, 'D'));
}

TEST(SerialAcceptance, FirstOrTwentiethCharacterMustBeAsciiLetterOrDigit) {
    const std::string blanks(19, ' ');
    for (const std::string& good : {std::string("A"), std::string("0 "), blanks + "Z"}) {
        EXPECT_TRUE(serialTextIsAcceptable(good.c_str())) << good;
    }
    // High bytes are neither letter nor digit.
    for (const std::string& bad :
         {std::string(), std::string(" "), std::string("\xC3\x89T"), blanks.substr(1) + "Z", blanks + "-Z"}) {
        EXPECT_FALSE(serialTextIsAcceptable(bad.c_str())) << bad;
    }
    EXPECT_FALSE(serialTextIsAcceptable(nullptr));
}

// HDIO_GET_IDENTITY hands back host-order words with the text fields already in
// character order: read that way, it gives the words the drive sent.
TEST(WidenKernelIdentifyReply, GivesTheWordsTheDriveSent) {
    identity_test::Bytes sent = identity_test::identifyBytes("WD-WCAV1234", "WDC WD800JD-75MS");
    sent[99] = 0x0F;  // word 49, a number field
    unsigned char kernel[kIdentifyByteCount];
    for (int index = 0; index < kIdentifyWordCount; ++index) {
        const auto word = static_cast<std::uint16_t>(sent[2 * index] | sent[2 * index + 1] << 8);
        std::memcpy(kernel + 2 * index, &word, sizeof word);
        if ((index >= 10 && index <= 19) || (index >= 23 && index <= 46)) {
            kernel[2 * index] = sent[2 * index + 1];
            kernel[2 * index + 1] = sent[2 * index];
        }
    }
    std::vector<std::uint32_t> fromKernel(kIdentifyWordCount), fromDrive(kIdentifyWordCount);
    widenKernelIdentifyReply(kernel, fromKernel.data());
    widenIdentifyBytes(sent.data(), fromDrive.data());
    EXPECT_EQ(fromKernel, fromDrive);
}

TEST(IdentifierFromTexts, GivesTheKnownIdentifiers) {
    const struct {
        const char *serial, *model;
        long identifier;
    } cases[] = {
        {"ABC", "", 600001122},       {"12-34", "IBM-DTLA-307030", 300001234},
        {"102", "MAXTOR", 400000102}, {"1 2", "Maxtor 6Y080M0", 400000102},    // a blank counts 0
        {"zZ-a", "", 600003860},      {"9999999999999999999", "", 590448383},  // wraps past 2^63
        {"WD-WCA", "", 600000010},     // "WD-W" and the character after it are skipped
        {"\x80XYZ", "", 600000000},    // a high first byte: no fold
        {"", "WDC IBM-X", 300000000},  // "IBM-" is tested first
        {"", "maxtor", 600000000},
    };
    for (const auto& each : cases) {
        EXPECT_EQ(identifierFromTexts(each.serial, each.model), each.identifier)
            << "serial '" << each.serial << "' model '" << each.model << "'";
    }
}

}  // namespace
