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
  EXPECT_EQ(0, length);
  ZELBinary out(3, "xyz");
  EXPECT_EQ(1, p.GetValue(out));
  EXPECT_EQ(3u, out.getLength());  // left as it was

  ZELRTCParam full(bytes, 3);
  const char* own = full.GetByteArrayValue(length);
  EXPECT_EQ(3, length);
  EXPECT_NE(bytes, own);  // a copy of its own
  EXPECT_EQ(0, std::memcmp(own, "abc", 3));
  EXPECT_EQ(1, full.GetValue(out));
  EXPECT_EQ(0, std::memcmp(out.getArray(), "abc", 3));
}

TEST(ZELRTCParamTest, EmptyValuesOfOtherKindsReadAsNullUserAndEmptyString) {
  ZELRTCParam zero(0), five(5), no(static_cast<unsigned char>(0)), yes(static_cast<unsigned char>(1));
  ZELUnicodeString s("kept");
  EXPECT_EQ(1, zero.GetValue(s));
  EXPECT_EQ("", ZELNarrow(s));
  s = "kept";
  EXPECT_EQ(0, five.GetValue(s));
  EXPECT_EQ("kept", ZELNarrow(s));
  EXPECT_EQ(1, no.GetValue(s));
  EXPECT_EQ(0, yes.GetValue(s));

  FakeUser user("u");
  ZELIRTCUser* out = &user;
  EXPECT_EQ(1, zero.GetValue(out));
  EXPECT_EQ(nullptr, out);
  out = &user;
  EXPECT_EQ(0, five.GetValue(out));
  EXPECT_EQ(nullptr, out);
  ZELIRTCGroup* group = nullptr;
  EXPECT_EQ(0, ZELRTCParam(ZELUnicodeString("")).GetValue(group));  // present, though empty text
  EXPECT_EQ(1, ZELRTCParam(static_cast<ZELIRTCUser*>(nullptr)).GetValue(group));
  EXPECT_EQ(0, user.addRefs);
}

TEST(ZELRTCParamTest, ScalarReadersNeverConvertAndOnlyTheBooleanOneTraces) {
  ZELTraceCapture trace;
  ZELRTCParam b(static_cast<unsigned char>(2)), i(7), d(2.5);
  int n = -1;
  EXPECT_EQ(0, b.GetValue(n));
  EXPECT_EQ(-1, n);
  double x = -1;
  EXPECT_EQ(0, i.GetValue(x));
  EXPECT_EQ(1, d.GetValue(x));
  EXPECT_EQ(2.5, x);
  EXPECT_EQ(0.0, i.GetDoubleValue());
  EXPECT_EQ(0, d.GetIntValue());
  EXPECT_EQ(2, b.GetBoolValue());
  EXPECT_TRUE(trace.Lines().empty());

  unsigned char flag = 9;
  EXPECT_EQ(0, i.GetValue(flag));
  EXPECT_EQ(9, flag);
  EXPECT_EQ(1, b.GetValue(flag));
  EXPECT_EQ(2, flag);
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
    EXPECT_EQ(&user, out);
    EXPECT_EQ(3, user.refs);
    out->Release();
    ZELIRTCUser* viaGetter = pu.GetUserValue();
    EXPECT_EQ(3, user.refs);
    viaGetter->Release();
    EXPECT_EQ(nullptr, pg.GetUserValue());
    EXPECT_EQ(nullptr, pu.GetGroupValue());
    ZELIRTCGroup* g = pg.GetGroupValue();
    g->Release();
  }
  EXPECT_EQ("1|1", ZELJoin(user.refs, group.refs));

  ZELRTCParam none(static_cast<ZELIRTCUser*>(nullptr));
  EXPECT_EQ(ZELRTCParam::UserKind, none.GetType());
  ZELIRTCUser* out = &user;
  EXPECT_EQ(1, none.GetValue(out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(nullptr, none.GetUserValue());
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
    EXPECT_EQ(&a, held[1]);
    EXPECT_EQ(&b, held[2]);
    EXPECT_EQ(1, c.refs);
    EXPECT_EQ(1, c.releases);
    EXPECT_EQ(3, a.refs);
    ZELRTCUtilities::Release(held);
    EXPECT_EQ(2, a.refs);

    ZELListPtrZELIRTCGroup groups;
    EXPECT_EQ(0, p.GetValue(groups));
  }
  EXPECT_EQ("1|1", ZELJoin(a.refs, b.refs));
}

TEST(ZELRTCParamTest, ListReadersEmptyTheirOutputFirst) {
  ZELListValZELUnicodeString three;
  three.Append("x");
  three.Append("\xC3\xA9");
  three.Append("");
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
  EXPECT_EQ(1, vector.GetValue(list));
  EXPECT_EQ(3, list.Size());
  EXPECT_EQ(0, ZELRTCParam(4).GetValue(list));
  EXPECT_EQ(0, list.Size());

  ZELRawCollint ints;
  ints.Append(1);
  EXPECT_EQ(0, ZELRTCParam(static_cast<unsigned char>(1)).GetValue(ints));
  EXPECT_EQ(0, ints.Size());
  ZELRawCollint source;
  source.Append(4);
  source.Append(-2);
  EXPECT_EQ(1, ZELRTCParam(source).GetValue(ints));
  ASSERT_EQ(2, ints.Size());
  EXPECT_EQ(-2, ints[2]);

  EXPECT_EQ(0, ZELRTCParam(ZELUnicodeString("single")).GetValue(sys));  // a vector never reads one string
  EXPECT_EQ(0, sys.GetLength());
}

TEST(ZELRTCParamTest, StringConstructorsAndGetters) {
  ZELRTCParam fromSys(ZELSysTSUnicodeString("caf\xC3\xA9"));
  EXPECT_EQ(ZELRTCParam::UnicodeStringKind, fromSys.GetType());
  EXPECT_EQ("caf\xC3\xA9", ZELNarrow(fromSys.GetUnicodeStringValue()));
  EXPECT_EQ(ZELSysTSUnicodeString("caf\xC3\xA9"), fromSys.GetThrUnicodeStringValue());
  EXPECT_EQ(ZELSysTSUnicodeString(""), ZELRTCParam(3).GetThrUnicodeStringValue());
  EXPECT_EQ("", ZELNarrow(ZELRTCParam(3).GetUnicodeStringValue()));
}
