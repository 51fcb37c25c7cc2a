#include <gtest/gtest.h>

#include "ZELCountingFakes.h"
#include "ZELRTCParam.h"
#include "ZELRTCUtilities.h"
#include "ZELTestParams.h"
#include "ZELTestSupport.h"

TEST(ZELRTCParamTest, ByteArrayOfLengthZeroIsAbsent) {
  const char bytes[] = "abc";
  ZELRTCParam p(bytes, 0);
  EXPECT_EQ(ZELRTCParam::ByteArrayKind, p.GetType());
  int length = 99;
  EXPECT_EQ(nullptr, p.GetByteArrayValue(length));
  ZELBinary out(3, "xyz");
  EXPECT_EQ(1, p.GetValue(out));
  EXPECT_EQ("0|3", ZELJoin(length, out.getLength()));  // the binary left as it was

  ZELRTCParam full(bytes, 3);
  const char* own = full.GetByteArrayValue(length);
  EXPECT_NE(bytes, own);  // a copy of its own
  EXPECT_EQ(1, full.GetValue(out));
  EXPECT_EQ("abc|abc", ZELJoin(std::string(own, length), std::string(out.getArray(), 3)));
}

TEST(ZELRTCParamTest, EmptyValuesOfOtherKindsReadAsNullUserAndEmptyString) {
  ZELRTCParam zero(0), five(5), no(static_cast<unsigned char>(0)), yes(static_cast<unsigned char>(1));
  ZELUnicodeString s("kept"), t("kept"), u("kept"), v("kept");
  EXPECT_EQ("1||0|kept|1||0|kept",
            ZELJoin(zero.GetValue(s), s, five.GetValue(t), t, no.GetValue(u), u, yes.GetValue(v), v));

  FakeUser user("u");
  ZELIRTCUser *out = &user, *out5 = &user;
  EXPECT_EQ("1|0", ZELJoin(zero.GetValue(out), five.GetValue(out5)));
  EXPECT_TRUE(out == nullptr && out5 == nullptr);
  ZELIRTCGroup* group = nullptr;
  EXPECT_EQ(0, ZELRTCParam(ZELUnicodeString("")).GetValue(group));  // present, though empty text
  EXPECT_EQ(1, ZELRTCParam(static_cast<ZELIRTCUser*>(nullptr)).GetValue(group));
  EXPECT_EQ(0, user.addRefs);
}

TEST(ZELRTCParamTest, ScalarReadersNeverConvertAndOnlyTheBooleanOneTraces) {
  ZELTraceCapture trace;
  ZELRTCParam b(static_cast<unsigned char>(2)), i(7), d(2.5);
  int n = -1;
  double x = -1, y = -1;
  EXPECT_EQ("0|-1|0|-1|1", ZELJoin(b.GetValue(n), n, i.GetValue(x), x, d.GetValue(y)));
  EXPECT_EQ(2.5, y);
  EXPECT_EQ("0|0|2", ZELJoin(i.GetDoubleValue(), d.GetIntValue(), b.GetBoolValue()));
  EXPECT_TRUE(trace.Lines().empty());

  unsigned char flag = 9, other = 9;
  EXPECT_EQ("0|9|1|2", ZELJoin(i.GetValue(flag), flag, b.GetValue(other), other));
  EXPECT_EQ(std::vector<std::string>{"[INF] [W] Wrong value type : not a boolean"}, trace.Lines());
}

TEST(ZELRTCParamTest, UserAndGroupReferencesFollowTheParameter) {
  FakeUser user("u");
  FakeGroup group("g");
  {
    ZELRTCParam pu(&user);
    ZELRTCParam pg(&group);
    EXPECT_EQ("2|2", ZELJoin(user.refs, group.refs));
    ZELIRTCUser* out = nullptr;
    EXPECT_EQ(1, pu.GetValue(out));
    EXPECT_TRUE(out == &user && pg.GetUserValue() == nullptr && pu.GetGroupValue() == nullptr);
    ZELIRTCUser* viaGetter = pu.GetUserValue();
    EXPECT_EQ("4", ZELJoin(user.refs));
    out->Release();
    viaGetter->Release();
    pg.GetGroupValue()->Release();
  }
  EXPECT_EQ("1|1", ZELJoin(user.refs, group.refs));

  ZELRTCParam none(static_cast<ZELIRTCUser*>(nullptr));
  EXPECT_EQ(ZELRTCParam::UserKind, none.GetType());
  ZELIRTCUser* out = &user;
  EXPECT_EQ(1, none.GetValue(out));
  EXPECT_TRUE(out == nullptr && none.GetUserValue() == nullptr);
}

TEST(ZELRTCParamTest, UserListKeepsNonNullUsersAndReplacesTheCallersList) {
  FakeUser a("a"), b("b"), c("c"), d("d"), e("e");
  ZELListPtrZELIRTCUser source;
  source.Append(&a);
  source.Append(nullptr);
  source.Append(&b);
  {
    ZELRTCParam p(source);
    EXPECT_EQ("2|2", ZELJoin(a.refs, b.refs));

    ZELListPtrZELIRTCUser held;  // three users the caller holds references on
    for (FakeUser* u : {&c, &d, &e}) {
      u->AddRef();
      held.Append(u);
    }
    EXPECT_EQ(1, p.GetValue(held));
    ASSERT_EQ(2, held.Size());
    EXPECT_TRUE(held[1] == &a && held[2] == &b);
    EXPECT_EQ("1|1|3", ZELJoin(c.refs, c.releases, a.refs));
    ZELRTCUtilities::Release(held);
    EXPECT_EQ(2, a.refs);

    ZELListPtrZELIRTCGroup groups;
    EXPECT_EQ(0, p.GetValue(groups));
  }
  EXPECT_EQ("1|1", ZELJoin(a.refs, b.refs));
}

TEST(ZELRTCParamTest, ListReadersEmptyTheirOutputFirst) {
  ZELListValZELUnicodeString three;
  for (const char* item : {"x", "\xC3\xA9", ""}) three.Append(item);
  ZELRTCParam vector(three);
  EXPECT_EQ(ZELRTCParam::StringVectorKind, vector.GetType());

  ZELSysTSVectorOfUnicodeString sys;
  EXPECT_EQ(1, vector.GetValue(sys));
  ASSERT_EQ(3, sys.GetLength());
  ZELSysTSUnicodeString second;
  sys.Get(1, second);
  EXPECT_EQ(ZELSysTSUnicodeString("\xC3\xA9"), second);

  ZELListValZELUnicodeString list;
  list.Append("old");
  EXPECT_EQ(1, ZELRTCParam(ZELUnicodeString("one")).GetValue(list));
  ASSERT_EQ(1, list.Size());
  EXPECT_EQ("one", ZELNarrow(list[1]));
  const int read = vector.GetValue(list), size = list.Size(), readInt = ZELRTCParam(4).GetValue(list);
  EXPECT_EQ("1|3|0|0", ZELJoin(read, size, readInt, list.Size()));

  ZELRawCollint ints, source;
  ints.Append(1);
  EXPECT_EQ(0, ZELRTCParam(static_cast<unsigned char>(1)).GetValue(ints));
  EXPECT_EQ(0, ints.Size());
  for (int i : {4, -2}) source.Append(i);
  EXPECT_EQ(1, ZELRTCParam(source).GetValue(ints));
  ASSERT_EQ(2, ints.Size());
  EXPECT_EQ(-2, ints[2]);

  EXPECT_EQ(0, ZELRTCParam(ZELUnicodeString("single")).GetValue(sys));  // a vector never reads one string
  EXPECT_EQ(0, sys.GetLength());
}

TEST(ZELRTCParamTest, StringConstructorsAndGetters) {
  ZELRTCParam fromSys(ZELSysTSUnicodeString("caf\xC3\xA9"));
  EXPECT_EQ(ZELRTCParam::UnicodeStringKind, fromSys.GetType());
  EXPECT_EQ("caf\xC3\xA9|", ZELJoin(fromSys.GetUnicodeStringValue(), ZELRTCParam(3).GetUnicodeStringValue()));
  EXPECT_EQ(ZELSysTSUnicodeString("caf\xC3\xA9"), fromSys.GetThrUnicodeStringValue());
  EXPECT_EQ(ZELSysTSUnicodeString(""), ZELRTCParam(3).GetThrUnicodeStringValue());
}
