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

TEST(ZELUnicodeStringTest, CopiesShareUntilOneChanges) {
  ZELUnicodeString a("shared buffer text");
  ZELUnicodeString b(a);
  ZELUnicodeString c;
  c = a;
  EXPECT_EQ(a.ConvertToUCChar(), b.ConvertToUCChar());  // one buffer, no unit copied
  EXPECT_EQ(a.ConvertToUCChar(), c.ConvertToUCChar());
  b.Append("!");
  c.ToLower();
  c.ReplaceAll(ZELUnicodeString("text"), ZELUnicodeString("TEXT"));
  EXPECT_EQ("shared buffer text|shared buffer text!|shared buffer TEXT",
            std::string(a.ConvertToChar()) + "|" + b.ConvertToChar() + "|" + c.ConvertToChar());
  // Assigning what the string already shares, or itself, changes nothing.
  const char16_t* units = a.ConvertToUCChar();
  ZELUnicodeString& self = a;
  a = self;
  b = a;
  b = a;
  EXPECT_EQ(units, a.ConvertToUCChar());
  EXPECT_EQ(units, b.ConvertToUCChar());
  EXPECT_STREQ("shared buffer text", b.ConvertToChar());
}

TEST(ZELUnicodeStringTest, AppendsReuseTheBufferTheStringOwnsAlone) {
  ZELUnicodeString s;
  s.Reserve(64);
  const char16_t* units = s.ConvertToUCChar();
  for (int i = 0; i < 8; ++i) s.Append("abcdefgh");
  EXPECT_EQ(units, s.ConvertToUCChar());  // reserved room, no new buffer
  EXPECT_EQ(64, s.GetLengthInChar());
  // Appending the string to itself, in place and into a bigger buffer.
  ZELUnicodeString t("xy");
  t.Reserve(8);
  t.Append(t);
  t += t;
  t.Append(t);
  EXPECT_STREQ("xyxyxyxyxyxyxyxy", t.ConvertToChar());
  // An empty string holds nothing, yet reads as a zero-terminated empty text.
  ZELUnicodeString empty, assigned("gone");
  assigned = "";
  EXPECT_EQ(0, empty.ConvertToUCChar()[0]);
  EXPECT_EQ(0, assigned.ConvertToUCChar()[0]);
  EXPECT_TRUE(assigned.IsEmpty());
  EXPECT_EQ(2, empty.Compare(assigned));
}

TEST(ZELUnicodeStringTest, UnitsAreKeptWholeWithZerosAndOutsideAscii) {
  const char16_t withZeros[] = {u'a', 0, u'b', 0};
  ZELUnicodeString z(withZeros, 4);
  ZELUnicodeString copy;
  copy = z;
  copy.Append(ZELUnicodeChar('c'));
  EXPECT_EQ(4, z.GetLengthInChar());
  EXPECT_EQ(std::u16string(withZeros, 4) + u"c", std::u16string(copy.Units()));
  EXPECT_EQ(0, copy.ConvertToUCChar()[5]);
  // Non-ASCII text appended to an ASCII one, and a number built over it.
  ZELUnicodeString mixed("caf");
  mixed.Append("\xC3\xA9 \xC3\x80 la carte");
  EXPECT_STREQ("caf\xC3\xA9 \xC3\xA0 la carte", ZELUnicodeString(mixed).ToLower().ConvertToChar());
  EXPECT_STREQ("caf\xC3\xA9 \xC3\x80 la carte", mixed.ConvertToChar());
  EXPECT_STREQ("12", mixed.BuildFromNum("%d", 12).ConvertToChar());
  // A substring of a string read into the same string.
  ZELUnicodeString s("0123456789");
  s = s.SubString(2, 3);
  EXPECT_STREQ("234", s.ConvertToChar());
}
