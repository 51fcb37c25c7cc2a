// Every notification class of the library, driven by one table of class names
// and exit lines: how it is found (dictionary and exported factory), what it
// says of itself, where it stands in the load-time registration order, and the
// trace lines of its Build; and what the drivers' builder accepts.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ZELBaseUnknown.h"
#include "ZELFillDictionary.h"
#include "ZELRTCNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCNotificationClasses.h"
#include "ZELTestParams.h"
#include "ZELTestSupport.h"

namespace {

struct ClassRow {
  const char* name;
  int exitLine;
  const char* entryText = "";  // after the name on the entry line of a Build of no parameter
};

// In registration order: the character-code order of the names.
const ClassRow kClasses[] = {
    {"ZELRTCArchiveCleanedNotification", 42},
    {"ZELRTCArchiveReceivedNotification", 44},
    {"ZELRTCBuddyListExpandedNotification", 44},
    {"ZELRTCBuddyListGroupNotification", 77},
    {"ZELRTCBuddyListNotification", 51},
    {"ZELRTCBuddyListUserNotification", 67},
    {"ZELRTCClientEventNotification", 56},
    {"ZELRTCConferenceParticipantListNotification", 65},
    {"ZELRTCConferenceParticipantNotification", 47},
    {"ZELRTCDataReceivedNotification", 66},
    {"ZELRTCErrorNotification", 71},
    {"ZELRTCFileTransferNotification", 69},
    {"ZELRTCGroupContentNotification", 65},
    {"ZELRTCGroupsResolvedNotification", 55},
    {"ZELRTCInstantMessageReceivedNotification", 55},
    {"ZELRTCLoginNotification", 75},
    {"ZELRTCMeetingAvailableNotification", 39},
    {"ZELRTCMeetingInvitationReceivedNotification", 48},
    {"ZELRTCMyStatusChangedNotification", 39},
    {"ZELRTCSessionNotification", 74},
    {"ZELRTCSplittedDataReceivedNotification", 65},
    {"ZELRTCTypedDataReceivedNotification", 75},
    {"ZELRTCUserInfoReceivedNotification", 84, " 0"},
    {"ZELRTCUserStatusChangedNotification", 45},
    {"ZELRTCUsersResolvedNotification", 69},
    {"ZELRTCWatchListNotification", 42},
    {"ZELRTCWatchListUserNotification", 65},
    {"ZELRTCWebRTCCallAcceptedNotification", 48},
    {"ZELRTCWebRTCCallEndedNotification", 42},
    {"ZELRTCWebRTCICECandidateReceivedNotification", 43},
    {"ZELRTCWebRTCInviteSentNotification", 50},
    {"ZELRTCWebRTCInviteToCallNotification", 50},
    {"ZELRTCWebRTCSDPReceivedNotification", 51},
};
constexpr size_t kClassCount = sizeof kClasses / sizeof kClasses[0];

std::vector<std::string> TableNames() {
  std::vector<std::string> names;
  for (const ClassRow& row : kClasses) names.push_back(row.name);
  return names;
}

// An exported static member C::<member>() taking no argument, found by its
// linkage name as a driver's linker would find it.
void* StaticMember(const std::string& className, const char* member) {
  std::string symbol =
      "_ZN" + std::to_string(className.size()) + className + std::to_string(std::strlen(member)) + member + "Ev";
  return dlsym(RTLD_DEFAULT, symbol.c_str());
}

}  // namespace

TEST(ZELRTCNotificationClassesTest, TableHoldsThirtyThreeClassesInCharacterCodeOrder) {
  ASSERT_EQ(33u, kClassCount);
  for (size_t i = 1; i < kClassCount; ++i) EXPECT_LT(std::strcmp(kClasses[i - 1].name, kClasses[i].name), 0) << i;
}

TEST(ZELRTCNotificationClassesTest, ClassListOfTheLibraryIsTheTable) {
#define ZEL_NAME(C) #C,
  const std::vector<std::string> all = {ZEL_RTC_FOR_EACH_NOTIFICATION(ZEL_NAME)};
  const std::vector<std::string> beforeError = {ZEL_RTC_NOTIFICATIONS_BEFORE_ERROR(ZEL_NAME)};
#undef ZEL_NAME
  EXPECT_EQ(TableNames(), all);
  ASSERT_FALSE(beforeError.empty());
  EXPECT_EQ("ZELRTCDataReceivedNotification", beforeError.back());
  ASSERT_LT(beforeError.size(), all.size());
  EXPECT_EQ("ZELRTCErrorNotification", all[beforeError.size()]);
}

ZEL_CHILD_SCENARIO(PrintDictionary) {
  for (int i = 0; i < ZELDictionarySize(); ++i) std::printf("%s\n", ZELDictionaryClassName(i));
  return 0;
}

TEST(ZELRTCNotificationClassesTest, RegisteredAtLoadInTableOrder) {
  ZELChildResult child = ZELRunChild("PrintDictionary");
  ASSERT_EQ(0, child.exitCode) << child.err;
  std::vector<std::string> notifications;
  for (const std::string& name : ZELTraceLines(child.out)) {
    const std::string suffix = "Notification";
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      notifications.push_back(name);
  }
  EXPECT_EQ(TableNames(), notifications);
}

TEST(ZELRTCNotificationClassesTest, EveryClassDescribesItselfAndExitsOnItsLine) {
  auto check = [](const ClassRow& row) {
    SCOPED_TRACE(row.name);
    const std::string name = row.name;
    ZELFactory byName = ZELFindFactory(row.name);
    void* bySymbol = dlsym(RTLD_DEFAULT, ("fctCreate" + name).c_str());
    ASSERT_NE(nullptr, byName);
    EXPECT_EQ(reinterpret_cast<void*>(byName), bySymbol);

    auto className = reinterpret_cast<const char* (*)()>(StaticMember(name, "ClassName"));
    auto createItself = reinterpret_cast<ZELBaseUnknown* (*)()>(StaticMember(name, "CreateItself"));
    ASSERT_NE(nullptr, className);
    ASSERT_NE(nullptr, createItself);
    EXPECT_EQ(name, className());
    EXPECT_EQ(nullptr, createItself());

    ZELBaseUnknown* object = byName();
    ASSERT_NE(nullptr, object);
    EXPECT_EQ(1u, object->GetRefCount());
    EXPECT_EQ(name, object->IsA());
    for (const char* base : {row.name, "ZELRTCNotification", "ZELNotification", "ZELBaseUnknown"})
      EXPECT_EQ(1, object->IsAKindOf(base)) << base;
    EXPECT_EQ(0, object->IsAKindOf("ZELRTCService"));
    const ZELMetaClass* meta = object->GetMetaObject();
    EXPECT_EQ(meta, fct_RetrieveMetaObject(row.name, ZELTypeOfClassImplementation, nullptr, "", "", 0));
    EXPECT_EQ(ZELRTCNotification::MetaObject(), meta->GetBase());
    EXPECT_STREQ("ZELnull", meta->GetLiteral());
    EXPECT_STREQ("ZELCollaborationInfra", meta->GetFramework());
    EXPECT_NE(ZELRTCNotification::ClassId(), meta->GetClassId());

    auto* notification = static_cast<ZELRTCNotification*>(object);
    std::vector<std::string> lines;
    {
      ZELTraceCapture capture;
      EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(notification, nullptr, 0, 0));
      lines = capture.Lines();
    }
    EXPECT_EQ((std::vector<std::string>{"[INF] [>] " + name + "::Build" + row.entryText,
                                        "[INF] [E] " + name + "::Build FAILED line " + std::to_string(row.exitLine) +
                                            " with hr <0x80004005> (E_FAIL)"}),
              lines);
    EXPECT_EQ(0u, object->Release());
  };
  for (const ClassRow& row : kClasses) check(row);
  EXPECT_STREQ("ZELRTCNotification", ZELRTCNotification::ClassName());
}

TEST(ZELRTCNotificationClassesTest, SucceededBuildTracesItsExitLine) {
  ZELTraceCapture trace;
  ZELRTCNotification* n = ZELRTCNotificationBuilder::Create("ZELRTCWatchListNotification");
  ASSERT_NE(nullptr, n);
  EXPECT_EQ(S_OK, ZELTestParams().Add(1).Str("list").Build(n, 0));
  n->Release();
  EXPECT_EQ((std::vector<std::string>{"[INF] [>] ZELRTCWatchListNotification::Build",
                                      "[INF] [<] ZELRTCWatchListNotification::Build succeeded"}),
            trace.Lines());
}

TEST(ZELRTCNotificationClassesTest, BuilderCreatesOnlyNotifications) {
  EXPECT_EQ(nullptr, ZELRTCNotificationBuilder::Create("ZELRTCNoSuchNotification"));
  EXPECT_EQ(nullptr, ZELRTCNotificationBuilder::Create(nullptr));
  static int released = 0;
  struct NotANotification : ZELBaseUnknown {
    ~NotANotification() override { ++released; }
  };
  static ZELFillDictionary reg("ZELTestPlainComponent",
                               [] { return static_cast<ZELBaseUnknown*>(new NotANotification); });
  EXPECT_EQ(nullptr, ZELRTCNotificationBuilder::Create("ZELTestPlainComponent"));
  EXPECT_EQ(1, released);
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(nullptr, nullptr, 0, 0));
}
