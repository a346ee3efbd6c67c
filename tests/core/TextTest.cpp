#include "core/Text.h"

#include <gtest/gtest.h>

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
