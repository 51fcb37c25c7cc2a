#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ZELBaseUnknown.h"
#include "ZELCreateExternalObject.h"
#include "ZELIRTCMainSession.h"
#include "ZELTestSupport.h"

namespace {

const std::string kComponents = ZEL_TEST_COMPONENTS_DIR;
// {01234567-89AB-CDEF-0123-456789ABCDEF}: implemented by nobody.
constexpr GUID kUnknownIid = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};

ZELBaseUnknown* Create(const char* className, const char* library, int driver = 3, const char* folder = nullptr) {
  return ZELCreateExternalObject(className, folder, library, &driver);
}

}  // namespace

TEST(ZELCreateExternalObjectTest, CreatesTheSessionComponentBesideThePlatform) {
  ZELBaseUnknown* component = Create("ZELRTCMainSessionImpl", "ZELRTCMsgLayer", 7);
  ASSERT_NE(nullptr, component);
  EXPECT_EQ(1u, component->GetRefCount());
  EXPECT_STREQ("ZELRTCMainSessionImpl", component->IsA());
  EXPECT_EQ(1, component->IsAKindOf("ZELBaseUnknown"));

  void* none = component;
  EXPECT_EQ(E_NOINTERFACE, component->QueryInterface(kUnknownIid, &none));
  EXPECT_EQ(nullptr, none);
  ZELIRTCMainSession* session = nullptr;
  ASSERT_EQ(S_OK, component->QueryInterface(IID_ZELIRTCMainSession, reinterpret_cast<void**>(&session)));
  ASSERT_NE(nullptr, session);
  EXPECT_EQ(2u, component->GetRefCount());
  EXPECT_EQ(ZelRTCLyncDriver, session->GetDriver());

  ZELBaseUnknown* other = Create("ZELRTCMainSessionImpl", "ZELRTCMsgLayer", 0);
  ASSERT_NE(nullptr, other);
  ZELIRTCMainSession* otherSession = nullptr;
  other->QueryInterface(IID_ZELIRTCMainSession, reinterpret_cast<void**>(&otherSession));
  EXPECT_NE(session->GetSessionId(), otherSession->GetSessionId());
  EXPECT_EQ(ZelRTCSametimeDriver, otherSession->GetDriver());
  EXPECT_EQ(1u, otherSession->Release());
  EXPECT_EQ(0u, other->Release());
  EXPECT_EQ(1u, session->Release());
  EXPECT_EQ(0u, component->Release());

  // The session component needs its driver.
  EXPECT_EQ(nullptr, ZELCreateExternalObject("ZELRTCMainSessionImpl", nullptr, "ZELRTCMsgLayer", nullptr));
}

TEST(ZELCreateExternalObjectTest, NullForWhatIsMissingOrNotOurs) {
  for (const char* className : {static_cast<const char*>(nullptr), "", "ZELNoSuchClass"})
    EXPECT_EQ(nullptr, Create(className, "ZELRTCMsgLayer")) << (className ? className : "null");
  for (const char* library : {static_cast<const char*>(nullptr), "", "ZELNoSuchLibrary", "../lib/ZELRTCMsgLayer"})
    EXPECT_EQ(nullptr, Create("ZELRTCMainSessionImpl", library)) << (library ? library : "null");
  // Libraries that are not components: no entry point of its own (its
  // dependency has one), a C library, an entry point of an unknown version.
  EXPECT_EQ(nullptr, Create("ZELRTCMainSessionImpl", "ZELRTCMsgLayer", 3, (kComponents + "foreign").c_str()));
  EXPECT_EQ(nullptr, Create("ZELRTCMainSessionImpl", "c"));
  EXPECT_EQ(nullptr, Create("ZELRTCMainSessionImpl", "ZELRTCMsgLayer", 3, (kComponents + "wrongversion").c_str()));
  // The dependency itself is a component library.
  ZELBaseUnknown* dependency = Create("ZELTestProbe", "ZELTestDependency", 3, kComponents.c_str());
  ASSERT_NE(nullptr, dependency);
  dependency->Release();
}

// Which library "ZELRTCMsgLayer" is found, for the "ZELComponentPath" given.
ZEL_CHILD_SCENARIO(ComponentSearch) {
  for (const char* className : {"ZELTestProbe", "ZELRTCMainSessionImpl"}) {
    ZELBaseUnknown* c = Create(className, "ZELRTCMsgLayer");
    std::printf("%s:%s ", className, c ? "found" : "none");
    std::fflush(stdout);
    if (c) c->Release();
  }
  return 0;
}

TEST(ZELCreateExternalObjectTest, SearchesTheComponentPathFirst) {
  const std::string probe = kComponents + "probe", foreign = kComponents + "foreign";
  struct Case {
    std::string path;
    const char* expected;
  } const cases[] = {
      {"", "ZELTestProbe:none ZELRTCMainSessionImpl:found "},  // beside the platform
      {"/no/such/folder::" + probe + "/",
       "created session 1 with driver 3\nZELTestProbe:found final release of session 1\n"
       "created session 2 with driver 3\nZELRTCMainSessionImpl:found final release of session 2\n"},
      // The first library found is the one: a foreign one hides the others.
      {foreign + ":" + probe, "ZELTestProbe:none ZELRTCMainSessionImpl:none "},
  };
  for (const Case& c : cases) {
    ZELChildResult child = ZELRunChild("ComponentSearch", {{"ZELComponentPath", c.path}});
    ASSERT_EQ(0, child.exitCode) << child.err;
    EXPECT_EQ(c.expected, child.out) << c.path;
  }
}
