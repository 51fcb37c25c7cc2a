#include <gtest/gtest.h>

#include "ZELBinary.h"
#include "ZELListValZELUnicodeString.h"
#include "ZELRawCollint.h"
#include "ZELSysTSVectorOfUnicodeString.h"

TEST(ZELCollectionsTest, PositionsFromOneAndNothingOutOfBounds) {
  ZELRawCollint ints(4);
  EXPECT_EQ(0, ints.Size());
  EXPECT_EQ(1, ints.Append(10));
  EXPECT_EQ(2, ints.Append(20));
  EXPECT_EQ(10, ints[1]);
  EXPECT_EQ(0, ints[3]);
  ints[0] = 99;  // a scratch slot
  EXPECT_EQ(2, ints.Size());
  EXPECT_EQ(0, ints.RemovePosition(5));
  EXPECT_EQ(1, ints.RemovePosition(1, 1u));
  EXPECT_EQ(20, ints[1]);
  ZELRawCollint copy(ints);
  EXPECT_EQ(0, copy != ints);
  copy.RemoveAll(ZELCollec::FreeMemory);
  EXPECT_EQ(0, copy.Size());
  EXPECT_EQ(1, copy != ints);

  ZELListValZELUnicodeString strings;
  strings.Append("a");
  strings.Append("b");
  ZELUnicodeString out[3] = {"x", "x", "x"};
  EXPECT_EQ(2, strings.Array(out, 3));
  EXPECT_STREQ("b", out[1].ConvertToChar());
  EXPECT_STREQ("x", out[2].ConvertToChar());
  EXPECT_EQ(1, strings.Array(out, 1));
  EXPECT_EQ(0, strings.Array(nullptr, 3));
}

TEST(ZELCollectionsTest, BinaryAndVector) {
  ZELBinary empty;
  EXPECT_EQ(0u, empty.getLength());
  EXPECT_EQ(nullptr, empty.getArray());
  ZELBinary bytes(3, "a\0b");
  ZELBinary copy = bytes;
  EXPECT_EQ(3u, copy.getLength());
  EXPECT_EQ('b', copy.getArray()[2]);
  EXPECT_EQ(0u, ZELBinary(5, nullptr).getLength());

  ZELSysTSVectorOfUnicodeString v;
  v.PutBack(ZELSysTSUnicodeString("one"));
  ZELSysTSUnicodeString out("kept");
  EXPECT_EQ(E_INVALIDARG, v.Get(1, out));
  EXPECT_EQ(E_INVALIDARG, v.Get(-1, out));
  EXPECT_EQ(ZELSysTSUnicodeString("kept"), out);
  EXPECT_EQ(S_OK, v.Get(0, out));
  EXPECT_EQ(ZELSysTSUnicodeString("one"), out);
}
