// UTF-16 helpers: termination, truncation, sign extension, number texts, UTF-8.
#include "vst3sdk/helpers/ustring.h"

#include <gtest/gtest.h>

#include <string>

using namespace Steinberg;

TEST(UString, AssignAlwaysTerminatesInsideTheBuffer) {
    char16 buffer[4] = {u'x', u'x', u'x', u'x'};
    UString(buffer, 4).assign(u"abcdef");
    EXPECT_EQ(std::u16string(buffer), u"abc");

    char16 big[8];
    UString(big, 8).assign(u"ab");
    EXPECT_EQ(std::u16string(big), u"ab");

    // A unit limit below the size stops the copy and still terminates there.
    UString(big, 8).assign(u"abcdef", 3);
    EXPECT_EQ(std::u16string(big), u"abc");

    UString(big, 8).assign(nullptr);
    EXPECT_EQ(std::u16string(big), u"");
}

TEST(UString, FromAsciiSignExtendsHighBytesLikeThePlatformChar) {
    char16 buffer[8];
    const char text[] = {'A', static_cast<char>(0xE9), 0};
    UString(buffer, 8).fromAscii(text);
    EXPECT_EQ(buffer[0], u'A');
    EXPECT_EQ(static_cast<uint16>(buffer[1]), 0xFFE9);
    EXPECT_EQ(buffer[2], 0);
    // Back to 8 bits keeps the low byte.
    char narrow[8];
    UString(buffer, 8).toAscii(narrow, 8);
    EXPECT_EQ(static_cast<uint8>(narrow[1]), 0xE9);
    EXPECT_EQ(narrow[2], 0);
}

TEST(UString, NumbersPrintAndScan) {
    UString128 text;
    ASSERT_TRUE(text.printFloat(0.5, 4));
    EXPECT_EQ(toUtf8(text.data()), "0.5000");
    ASSERT_TRUE(text.printFloat(-12.345, 1));
    EXPECT_EQ(toUtf8(text.data()), "-12.3");

    double value = 7;
    text.assign(u"  3.25 dB");
    EXPECT_TRUE(text.scanFloat(value));
    EXPECT_DOUBLE_EQ(value, 3.25);
    value = 7;
    text.assign(u"loud");
    EXPECT_FALSE(text.scanFloat(value));
    EXPECT_DOUBLE_EQ(value, 7);

    int64 n = 0;
    ASSERT_TRUE(text.printInt(-42));
    EXPECT_TRUE(text.scanInt(n));
    EXPECT_EQ(n, -42);

    // A tiny buffer cannot hold the text: printing fails and leaves it empty.
    char16 tiny[2];
    EXPECT_FALSE(UString(tiny, 2).printInt(12345));
    EXPECT_EQ(tiny[0], 0);
}

TEST(FixedStrings, CopyZeroFillAndTerminatorRules) {
    char narrow[6];
    strncpy8(narrow, "abc", 6);
    EXPECT_STREQ(narrow, "abc");
    EXPECT_EQ(narrow[5], 0);
    // A source as long as the field leaves no terminator, by design.
    strncpy8(narrow, "abcdefgh", 6);
    EXPECT_EQ(std::string(narrow, 6), "abcdef");

    char16 wide[4];
    str8ToStr16(wide, "abcdef", 4);
    EXPECT_EQ(std::u16string(wide), u"abc");
    str8ToStr16(wide, "", 4);
    EXPECT_EQ(wide[0], 0);

    EXPECT_TRUE(FIDStringsEqual("editor", "editor"));
    EXPECT_FALSE(FIDStringsEqual("editor", nullptr));
    EXPECT_FALSE(FIDStringsEqual(nullptr, nullptr));
}

TEST(Utf8, RoundTripsIncludingSurrogatePairsAndRepairsBadInput) {
    const std::u16string wide = u"Gain \u00E9 \U0001F3B5";
    EXPECT_EQ(fromUtf8(toUtf8(wide.c_str())), wide);
    const char16 lone[] = {u'a', static_cast<char16>(0xD800), u'b', 0};
    EXPECT_EQ(toUtf8(lone), "a\xEF\xBF\xBD"
                            "b");
    EXPECT_EQ(fromUtf8("\xC3"), u"\uFFFD");
    EXPECT_EQ(fromUtf8("\xC0\x80"), u"\uFFFD"); // overlong NUL
}
