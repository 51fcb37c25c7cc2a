#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZELCountingFakes.h"
#include "ZELRTCParam.h"
#include "ZELTestParams.h"
#include "ZELTestSupport.h"

namespace {

// Opens the protected renderings to the tests.
struct Renderings : ZELRTCParam {
  using ZELRTCParam::GroupToString;
  using ZELRTCParam::ListOfUserToString;
  using ZELRTCParam::UserToString;
};

std::string Text(const ZELRTCParam& p) { return ZELNarrow(p.ToString()); }
std::string Params(ZELTestParams& p, int selector = 0, const char* name = "") {
  return ZELNarrow(ZELRTCParam::ParamsToString(selector, name, p.data(), p.size()));
}
const std::vector<std::string> kUserCalls = {"GetIdentifier", "GetName", "GetDn", "GetStatus"};
const char kRollback[] = "[INF] [i] Rollback : users leaking in Group param";

}  // namespace

TEST(ZELRTCParamToStringTest, ScalarsStringsAndLists) {
  ZELListValZELUnicodeString noStrings, strings;
  for (const char* item : {"x", "", "é"}) strings.Append(item);
  ZELRawCollint noInts, ints;
  for (int i : {1, -2}) ints.Append(i);
  EXPECT_EQ("true|false|-42|2.5|1e+20|ByteArray(3)|null|\"\"|\"a\"b\"|"
            "{}|{\"x\"; \"\"; \"é\"}|{}|{1; -2}|null|null|{}|{}",
            ZELJoin(Text(ZELRTCParam(static_cast<unsigned char>(2))), Text(ZELRTCParam(static_cast<unsigned char>(0))),
                    Text(ZELRTCParam(-42)), Text(ZELRTCParam(2.5)), Text(ZELRTCParam(1e20)),
                    Text(ZELRTCParam("abc", 3)), Text(ZELRTCParam("abc", 0)), Text(ZELRTCParam(ZELUnicodeString(""))),
                    Text(ZELRTCParam(ZELUnicodeString("a\"b"))), Text(ZELRTCParam(noStrings)),
                    Text(ZELRTCParam(strings)), Text(ZELRTCParam(noInts)), Text(ZELRTCParam(ints)),
                    Text(ZELRTCParam(static_cast<ZELIRTCUser*>(nullptr))),
                    Text(ZELRTCParam(static_cast<ZELIRTCGroup*>(nullptr))), Text(ZELRTCParam(ZELListPtrZELIRTCUser())),
                    Text(ZELRTCParam(ZELListPtrZELIRTCGroup()))));
}

TEST(ZELRTCParamToStringTest, UsersWithTheirNameDnAndStatus) {
  FakeUser plain("u1");
  FakeUser named("u2", "Ann", "", ZelRTCStatusActive);
  FakeUser sameDn("u3", "Bob", "Bob", ZelRTCStatusAway);
  FakeUser onlyDn("u4", "", "cn=x", ZelRTCStatusOffline);
  FakeUser both("u5", "Cy", "cn=cy", ZelRTCStatusOnThePhone);
  FakeUser strange("u6", "", "", static_cast<ZelRTCUserStatus>(42));
  FakeUser negative("u7", "", "", static_cast<ZelRTCUserStatus>(-1));

  auto user = [](FakeUser* u) { return ZELNarrow(Renderings::UserToString(u)); };
  EXPECT_EQ("null|User(u1)|User(u2; name=Ann; Active)|User(u3; name=Bob; Away)|User(u4; dn=cn=x; Offline)|"
            "User(u5; name=Cy; dn=cn=cy; OnThePhone)|User(u6)|User(u7)",
            ZELJoin(user(nullptr), user(&plain), user(&named), user(&sameDn), user(&onlyDn), user(&both),
                    user(&strange), user(&negative)));
  EXPECT_EQ(kUserCalls, plain.calls);
  for (ZelRTCUserStatus s : {ZelRTCStatusDND, ZelRTCStatusIdle}) {
    plain.status = s;
    EXPECT_EQ("User(u1; " + std::string(ZELRTCUserStatusToStr(s)) + ")", user(&plain));
  }

  EXPECT_EQ(0, both.addRefs + both.releases);

  // A user parameter renders the same; only the parameter takes and gives back.
  EXPECT_EQ("User(u5; name=Cy; dn=cn=cy; OnThePhone)", Text(ZELRTCParam(&both)));
  EXPECT_EQ("1|1", ZELJoin(both.addRefs, both.releases));
}

TEST(ZELRTCParamToStringTest, StatusTexts) {
  const char* expected[] = {"Active", "Away", "DND", "Idle", "OnThePhone", "Offline", "Unknown"};
  for (int s = 0; s < 7; ++s) EXPECT_STREQ(expected[s], ZELRTCUserStatusToStr(static_cast<ZelRTCUserStatus>(s)));
  EXPECT_STREQ("", ZELRTCUserStatusToStr(static_cast<ZelRTCUserStatus>(7)));
  EXPECT_STREQ("", ZELRTCUserStatusToStr(static_cast<ZelRTCUserStatus>(-1)));
}

TEST(ZELRTCParamToStringTest, UserListsKeepThePlaceOfANullElement) {
  FakeUser a("a", "A");
  FakeUser c("c", "", "", ZelRTCStatusIdle);
  EXPECT_EQ("null", ZELNarrow(Renderings::ListOfUserToString(nullptr)));
  ZELListPtrZELIRTCUser users;
  EXPECT_EQ("{}", ZELNarrow(Renderings::ListOfUserToString(&users)));
  users.Append(&a);
  users.Append(nullptr);
  users.Append(&c);
  EXPECT_EQ("{User(a; name=A); ; User(c; Idle)}", ZELNarrow(Renderings::ListOfUserToString(&users)));
  ZELListPtrZELIRTCUser leadingNull;
  leadingNull.Append(nullptr);
  leadingNull.Append(&a);
  EXPECT_EQ("{; User(a; name=A)}", ZELNarrow(Renderings::ListOfUserToString(&leadingNull)));
  EXPECT_EQ(kUserCalls, c.calls);

  // A user-list parameter leaves the null out.
  ZELRTCParam p(users);
  EXPECT_EQ("{User(a; name=A); User(c; Idle)}", Text(p));
}

TEST(ZELRTCParamToStringTest, GroupsWithTheirFlagsUsersAndTraceLine) {
  FakeUser u("u", "U");
  FakeGroup empty("g1", "", 0, 1);
  FakeGroup full("g2", "Friends", 1, 1);
  full.AddUser(&u);
  full.AddUser(nullptr);
  FakeGroup quiet("g3", "Work");

  ZELTraceCapture capture;
  EXPECT_EQ("null", ZELNarrow(Renderings::GroupToString(nullptr)));
  EXPECT_TRUE(capture.Lines().empty());
  EXPECT_EQ("Group(g1; expanded; {})", ZELNarrow(Renderings::GroupToString(&empty)));
  EXPECT_EQ((std::vector<std::string>{"GetIdentifier", "GetName", "IsPublic", "IsExpanded", "GetUsers"}), empty.calls);
  EXPECT_EQ((std::vector<std::string>{kRollback}), capture.Lines());
  EXPECT_EQ("Group(g2; name=Friends; public; expanded; {User(u; name=U); })",
            ZELNarrow(Renderings::GroupToString(&full)));
  EXPECT_EQ("Group(g3; name=Work; {})", Text(ZELRTCParam(&quiet)));

  ZELListPtrZELIRTCGroup groups;
  groups.Append(&empty);
  groups.Append(nullptr);
  groups.Append(&quiet);
  EXPECT_EQ("{Group(g1; expanded; {}); Group(g3; name=Work; {})}", Text(ZELRTCParam(groups)));
  EXPECT_EQ(std::vector<std::string>(5, kRollback), capture.Lines());

  // The users handed over by GetUsers are neither taken nor given back.
  EXPECT_EQ("0|0", ZELJoin(u.addRefs, u.releases));
}

TEST(ZELRTCParamToStringTest, ParamsWithPositionsNullsAndCuts) {
  ZELTestParams none;
  EXPECT_EQ("[]|[]|[]", ZELJoin(Params(none), ZELRTCParam::ParamsToString(0, "x", nullptr, 5),
                                ZELRTCParam::ParamsToString(1, nullptr, nullptr, 0)));

  ZELTestParams p;
  p.Add(7).AddNull().Str("hi").Add(static_cast<unsigned char>(1));
  EXPECT_EQ(ZELJoin("[p0=7; p1=null; p2=\"hi\"; p3=true]", "[p0=7; p1=null; p2=\"hi\"; p3=true]"),
            ZELJoin(Params(p), ZELRTCParam::ParamsToString(1, nullptr, p.data(), 4)));

  // 200 characters plus two quotes: the first 31 characters and the full length.
  const std::string longText(200, 'a');
  EXPECT_EQ("[p0=\"" + std::string(30, 'a') + "...(202)]", Params(ZELTestParams().Str(longText.c_str())));

  // 128 characters are kept whole, 129 are cut.
  EXPECT_EQ("[p0=\"" + std::string(126, 'b') + "\"; p1=\"" + std::string(30, 'b') + "...(129)]",
            Params(ZELTestParams().Str(std::string(126, 'b').c_str()).Str(std::string(127, 'b').c_str())));

  // A string vector keeps 512, a user list 1024.
  ZELListValZELUnicodeString strings;
  for (int i = 0; i < 50; ++i) strings.Append("abcd");  // 50 * 6 + 49 * 2 + 2 = 400 characters
  ZELListValZELUnicodeString more(strings);
  for (int i = 0; i < 20; ++i) more.Append("abcd");  // 70 * 6 + 69 * 2 + 2 = 560
  const std::string whole = ZELNarrow(ZELRTCParam(strings).ToString());
  ASSERT_EQ(400u, whole.size());
  EXPECT_EQ("[p0=" + whole + "; p1=" + whole.substr(0, 31) + "...(560)]",
            Params(ZELTestParams().Add(strings).Add(more)));

  FakeUser u("0123456789", "Name", "", ZelRTCStatusActive);  // "User(0123456789; name=Name; Active)": 35
  ZELListPtrZELIRTCUser users;
  for (int i = 0; i < 25; ++i) users.Append(&u);  // 25 * 35 + 24 * 2 + 2 = 925
  ZELListPtrZELIRTCUser moreUsers(users);
  for (int i = 0; i < 5; ++i) moreUsers.Append(&u);  // 30 * 35 + 29 * 2 + 2 = 1110
  ZELTestParams lists;
  lists.Add(users).Add(moreUsers);
  const std::string userList = ZELNarrow(ZELRTCParam(users).ToString());
  ASSERT_EQ(925u, userList.size());
  EXPECT_EQ("[p0=" + userList + "; p1=" + userList.substr(0, 31) + "...(1110)]", Params(lists));
  EXPECT_EQ(25 + 30 + 25, u.addRefs);  // the two parameters, and the one rendered above
}

TEST(ZELRTCParamToStringTest, LoginMasksTheFourthEntry) {
  ZELTestParams p;
  p.Str("user").Str("srv").Add(5).Str("secret12").Str("after");
  const std::string clear = "[p0=\"user\"; p1=\"srv\"; p2=5; p3=\"secret12\"; p4=\"after\"]";
  EXPECT_EQ("[p0=\"user\"; p1=\"srv\"; p2=5; p3=\"********\"; p4=\"after\"]", Params(p, 1, "Login"));
  EXPECT_EQ(ZELJoin(clear, clear, clear, clear),
            ZELJoin(Params(p, 0, "Login"), Params(p, 1, "login"), Params(p, 1, "Login "), Params(p, 2, "Login")));

  // Fewer than four entries: nothing masked; a null entry 3 stays "null".
  ZELTestParams abc;
  abc.Str("a").Str("b").Str("c");
  EXPECT_EQ("[p0=\"a\"; p1=\"b\"; p2=\"c\"]", Params(abc, 1, "Login"));
  EXPECT_EQ("[p0=\"a\"; p1=\"b\"; p2=\"c\"; p3=null]", Params(abc.AddNull(), 1, "Login"));

  // The mask follows the rendered length, with no limit; short texts give no asterisk.
  const std::string zeros = "[p0=0; p1=0; p2=0; p3=\"";
  auto login = [](ZELTestParams& p) { return Params(p, 1, "Login"); };
  EXPECT_EQ(ZELJoin(zeros + std::string(300, '*') + "\"]", zeros + "\"]", zeros + "***\"]"),
            ZELJoin(login(ZELTestParams().Add(0).Add(0).Add(0).Str(std::string(300, 'x').c_str())),
                    login(ZELTestParams().Add(0).Add(0).Add(0).Add(7)),
                    login(ZELTestParams().Add(0).Add(0).Add(0).Add(static_cast<unsigned char>(0)))));
}
