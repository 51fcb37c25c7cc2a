// What every notification class shares: class description, factories,
// the drivers' builder, and a Build that survives any array.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>

#include "ZELCountingFakes.h"
#include "ZELFillDictionary.h"
#include "ZELRTCArchiveCleanedNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCNotificationClasses.h"
#include "ZELTestParams.h"
#include "ZELTestSupport.h"

namespace {

#define ZEL_NAME(C) #C,
const char* const kClassNames[] = {ZEL_RTC_FOR_EACH_NOTIFICATION(ZEL_NAME)};
#undef ZEL_NAME

// One parameter of every kind, empty and not, with the fakes they hold.
struct EveryKind {
  FakeUser user{"u", "User"};
  FakeGroup group{"g", "Group"};
  ZELTestParams params;

  EveryKind() {
    ZELListPtrZELIRTCUser users;
    users.Append(&user);
    users.Append(nullptr);
    ZELListPtrZELIRTCGroup groups;
    groups.Append(&group);
    ZELListValZELUnicodeString strings;
    strings.Append("a");
    ZELRawCollint ints;
    ints.Append(3);
    ZELBinary bytes(4, "abcd");
    params.Add(static_cast<unsigned char>(0)).Add(static_cast<unsigned char>(1)).Add(0).Add(-7).Add(1.5);
    params.Add(bytes).Add("xy", 0).Add(ZELUnicodeString("")).Add(ZELUnicodeString("text")).Add(strings);
    params.Add(ZELListValZELUnicodeString()).Add(&user).Add(static_cast<ZELIRTCUser*>(nullptr)).Add(users);
    params.Add(ZELListPtrZELIRTCUser()).Add(&group).Add(static_cast<ZELIRTCGroup*>(nullptr)).Add(groups);
    params.Add(ZELListPtrZELIRTCGroup()).Add(ints).Add(ZELRawCollint());
  }
};

}  // namespace

TEST(ZELRTCNotificationContractTest, ClassDescriptionOfEveryRegisteredClass) {
  for (const char* name : kClassNames) {
    SCOPED_TRACE(name);
    ZELFactory byName = ZELFindFactory(name);
    ASSERT_NE(nullptr, byName);
    std::string symbol = std::string("fctCreate") + name;
    EXPECT_EQ(reinterpret_cast<void*>(byName), dlsym(RTLD_DEFAULT, symbol.c_str()));
    ZELBaseUnknown* object = byName();
    ASSERT_NE(nullptr, object);
    EXPECT_EQ(1u, object->GetRefCount());
    EXPECT_STREQ(name, object->IsA());
    EXPECT_EQ(1, object->IsAKindOf("ZELRTCNotification"));
    EXPECT_EQ(1, object->IsAKindOf("ZELNotification"));
    EXPECT_EQ(1, object->IsAKindOf("ZELBaseUnknown"));
    EXPECT_EQ(0, object->IsAKindOf("ZELRTCService"));
    EXPECT_EQ(object->GetMetaObject(), fct_RetrieveMetaObject(name, ZELTypeOfClassImplementation, nullptr, "", "", 0));
    EXPECT_STREQ("ZELCollaborationInfra", object->GetMetaObject()->GetFramework());
    EXPECT_STREQ("ZELnull", object->GetMetaObject()->GetLiteral());
    EXPECT_EQ(0u, object->Release());
  }
  EXPECT_STREQ("ZELRTCArchiveCleanedNotification", ZELRTCArchiveCleanedNotification::ClassName());
  EXPECT_EQ(nullptr, ZELRTCArchiveCleanedNotification::CreateItself());
  EXPECT_NE(ZELRTCArchiveCleanedNotification::ClassId(), ZELRTCNotification::ClassId());
  EXPECT_STREQ("ZELRTCNotification", ZELRTCNotification::ClassName());
}

TEST(ZELRTCNotificationContractTest, BuilderCreatesOnlyNotifications) {
  EXPECT_EQ(nullptr, ZELRTCNotificationBuilder::Create("ZELRTCNoSuchNotification"));
  EXPECT_EQ(nullptr, ZELRTCNotificationBuilder::Create(nullptr));
  static int released = 0;
  struct NotANotification : ZELBaseUnknown {
    ~NotANotification() override { ++released; }
  };
  static ZELFillDictionary reg("ZELTestPlainComponent", [] { return static_cast<ZELBaseUnknown*>(new NotANotification); });
  EXPECT_EQ(nullptr, ZELRTCNotificationBuilder::Create("ZELTestPlainComponent"));
  EXPECT_EQ(1, released);
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(nullptr, nullptr, 0, 0));
}

TEST(ZELRTCNotificationContractTest, FailedBuildTracesItsExitLine) {
  ZELTraceCapture trace;
  ZELRTCArchiveCleanedNotification n;
  ZELTestParams p;
  p.Str("a").Str("b").Add(1);
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, p.data(), 3, 1));
  EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, p.data(), 3, 2));
  EXPECT_EQ((std::vector<std::string>{
                "[INF] [>] ZELRTCArchiveCleanedNotification::Build",
                "[INF] [E] ZELRTCArchiveCleanedNotification::Build FAILED line 42 with hr <0x80004005> (E_FAIL)",
                "[INF] [>] ZELRTCArchiveCleanedNotification::Build",
                "[INF] [<] ZELRTCArchiveCleanedNotification::Build succeeded"}),
            trace.Lines());
}

// Every registered class, every count up to 13, several versions: arrays made
// of one kind of parameter, and arrays with a null element. A Build answers
// S_OK or E_FAIL, never crashes, and gives back every reference it took when
// the notification goes.
TEST(ZELRTCNotificationContractTest, BuildSurvivesAnyArray) {
  EveryKind kinds;
  const unsigned short versions[] = {0, 1, 2, 3, 4, 65535};
  for (const char* name : kClassNames) {
    SCOPED_TRACE(name);
    for (size_t k = 0; k < kinds.params.array.size(); ++k) {
      for (unsigned int count = 0; count <= 13; ++count) {
        for (unsigned short version : versions) {
          std::vector<ZELRTCParam*> same(count, kinds.params.array[k]);
          std::vector<ZELRTCParam*> holed = same;
          if (count) holed[k % count] = nullptr;
          ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(name);
          ASSERT_NE(nullptr, n);
          for (std::vector<ZELRTCParam*>* array : {&same, &holed}) {
            HRESULT hr = ZELRTCNotificationBuilder::Build(n, array->data(), count, version);
            ASSERT_TRUE(hr == S_OK || hr == E_FAIL) << hr;
          }
          EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, nullptr, count, version));
          EXPECT_EQ(0u, n->Release());
        }
      }
    }
  }
  // The parameters still hold their own references, and only those.
  EXPECT_EQ(3, kinds.user.refs);
  EXPECT_EQ(3, kinds.group.refs);
}
