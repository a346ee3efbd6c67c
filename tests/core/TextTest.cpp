#include "core/Text.h"

#include <gtest/gtest.h>

using pictor::AppendUtf8;
using pictor::DecodeUtf8Char;
using pictor::SameText;

TEST(SameText, FoldsLetterCaseOfCommonScripts)
{
    EXPECT_TRUE(SameText("Left", "LEFT"));
    EXPECT_TRUE(SameText("hwindowstate", "HWindowState"));
    EXPECT_TRUE(SameText("ÉTÉ", "été"));
    EXPECT_TRUE(SameText("ＡＢＣ", "ａｂｃ"));
    EXPECT_TRUE(SameText("Привет", "пРИВЕТ"));
    EXPECT_TRUE(SameText("", ""));
}

TEST(SameText, DistinguishesDifferentTexts)
{
    EXPECT_FALSE(SameText("Left", "Lef"));
    EXPECT_FALSE(SameText("Left", "Left "));
    EXPECT_FALSE(SameText("明るさ", "明るい"));
    EXPECT_FALSE(SameText("\xff", "\xfe"));
    EXPECT_FALSE(SameText("[", "{")); // not letters: no folding
}

TEST(Utf8, AppendedCharactersDecodeBack)
{
    for (char32_t c : {U'A', U'\u00E9', U'\u3042', U'\U0001F600', U'\U0010FFFF'}) {
        std::string s;
        AppendUtf8(s, c);
        std::size_t i = 0;
        EXPECT_EQ(DecodeUtf8Char(s, i), c);
        EXPECT_EQ(i, s.size());
    }
    std::string s;
    AppendUtf8(s, U'\u3042');
    EXPECT_EQ(s, "\xE3\x81\x82");
}
