#include <gtest/gtest.h>

#include "KLV.h"
#include "ZELUnicodeString.h"

TEST(ZELUnicodeStringTest, Utf8RoundTripAndLengthInUtf16Units) {
  ZELUnicodeString s("a\xC3\xA9\xF0\x9F\x98\x80");  // a, e-acute, one emoji (two units)
  EXPECT_EQ(4, s.GetLengthInChar());
  EXPECT_STREQ("a\xC3\xA9\xF0\x9F\x98\x80", s.ConvertToChar());
  ZELUnicodeString bad("x\xFFy\xE2\x82");  // a stray byte and a cut sequence
  EXPECT_STREQ("x\xEF\xBF\xBDy\xEF\xBF\xBD\xEF\xBF\xBD", bad.ConvertToChar());
}

TEST(ZELUnicodeStringTest, CompareGivesTwoForEqual) {
  EXPECT_EQ(2, ZELUnicodeString("abc").Compare(ZELUnicodeString("abc")));
  EXPECT_NE(2, ZELUnicodeString("abc").Compare(ZELUnicodeString("abd")));
  EXPECT_NE(2, ZELUnicodeString("").Compare(ZELUnicodeString("a")));
  EXPECT_EQ(2, ZELUnicodeString("").Compare(ZELUnicodeString()));
}

TEST(ZELUnicodeStringTest, NumbersSubStringsSearchAndReplace) {
  EXPECT_STREQ("-42", ZELUnicodeString::FromNum("%d", -42).ConvertToChar());
  EXPECT_STREQ("4294967295", ZELUnicodeString::FromNum("%u", 4294967295u).ConvertToChar());
  EXPECT_STREQ("2.5", ZELUnicodeString::FromNum("%g", 2.5).ConvertToChar());
  EXPECT_STREQ("", ZELUnicodeString::FromNum("%s", 1).ConvertToChar());  // a format that does not fit
  ZELUnicodeString s("Hello World");
  EXPECT_STREQ("Hello", s.SubString(0, 5).ConvertToChar());
  EXPECT_STREQ("World", s.SubString(6, 100).ConvertToChar());
  EXPECT_STREQ("", s.SubString(50, 3).ConvertToChar());
  EXPECT_EQ(6, s.SearchSubString(ZELUnicodeString("World"), 0, 1));
  EXPECT_EQ(-1, s.SearchSubString(ZELUnicodeString("world"), 0, 1));
  EXPECT_EQ(-1, s.SearchSubString(ZELUnicodeString("Hello"), 1, 1));
  EXPECT_EQ(1, s.ReplaceAll(ZELUnicodeString(" "), ZELUnicodeString("")));
  EXPECT_STREQ("HelloWorld", s.ConvertToChar());
  EXPECT_STREQ("helloworld", s.ToLower().ConvertToChar());
  EXPECT_STREQ("ab", ("a" + ZELUnicodeString("b")).ConvertToChar());
  EXPECT_STREQ("xxx", ZELUnicodeString(ZELUnicodeChar('x'), 3).ConvertToChar());
}

TEST(ZELUnicodeStringTest, KLVCopyKeepsEveryUnit) {
  ZELUnicodeString s("\xC3\xA9t\xC3\xA9");
  ZELSysTSUnicodeString t;
  KLV::Copy(s, t);
  EXPECT_EQ(3, t.GetLength());
  ZELUnicodeString back;
  KLV::Copy(t, back);
  EXPECT_EQ(2, back.Compare(s));
}
