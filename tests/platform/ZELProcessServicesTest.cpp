#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "ZELProcessServices.h"
#include "ZELSysTSTime.h"
#include "ZELTestSupport.h"

ZEL_CHILD_SCENARIO(ExitHandlersRunLastFirst) {
  ZELCallOnExit([](int) { return std::printf("first\n"), 0; }, 3);
  ZELCallOnExit([](int) { return std::printf("second\n"), 0; }, 3);
  std::printf("main done\n");
  return 0;
}

ZEL_CHILD_SCENARIO(DefaultFatalErrorAborts) {
  ZELFatalError("AssertionFailed:(x)", nullptr, "extra", nullptr, "Some/Path/src/File", 32);
  return 0;
}

TEST(ZELProcessServicesTest, EnvironmentTemporaryFolderAndFiles) {
  setenv("ZELTestVariable", "", 1);
  ASSERT_NE(nullptr, ZELGetEnv("ZELTestVariable"));
  EXPECT_STREQ("", ZELGetEnv("ZELTestVariable"));
  unsetenv("ZELTestVariable");
  EXPECT_EQ(nullptr, ZELGetEnv("ZELTestVariable"));
  EXPECT_EQ(nullptr, ZELGetEnv(nullptr));

  setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_STREQ("/var/tmp/", ZELGetTempDirectory());
  setenv("TMPDIR", "/var/tmp/", 1);
  EXPECT_STREQ("/var/tmp/", ZELGetTempDirectory());
  unsetenv("TMPDIR");
  EXPECT_STREQ("/tmp/", ZELGetTempDirectory());

  EXPECT_EQ(0, ZELFileAccess("/", 4));
  EXPECT_NE(0, ZELFileAccess("/no/such/path", 4));
  EXPECT_NE(0, ZELFileAccess(nullptr, 4));

  ZELKORVALevelInfo info{};
  EXPECT_EQ(0, ZELGetKORVALevelInfo(info));
  EXPECT_EQ(1, info.version);
  EXPECT_STREQ("Linux", info.text);
}

TEST(ZELProcessServicesTest, LocalTimeOfDay) {
  ZELSysTSTime t;
  t.SetCurrentTime();
  int zone = 0, y, mo, d, h, mi, s, ms, wd, yd;
  t.GetTime(zone, y, mo, d, h, mi, s, ms, wd, yd);
  EXPECT_GE(y, 2024);
  EXPECT_TRUE(h >= 0 && h < 24 && mi >= 0 && mi < 60 && s >= 0 && s <= 60 && ms >= 0 && ms < 1000);
}

TEST(ZELProcessServicesTest, ExitHandlersRunAtExitLastRegisteredFirst) {
  ZELChildResult r = ZELRunChild("ExitHandlersRunLastFirst");
  EXPECT_EQ(0, r.exitCode);
  EXPECT_EQ("main done\nsecond\nfirst\n", r.out);
}

TEST(ZELProcessServicesTest, FatalErrorReportsAndAborts) {
  ZELChildResult r = ZELRunChild("DefaultFatalErrorAborts");
  EXPECT_EQ(SIGABRT, r.signal);
  EXPECT_EQ("Fatal error: AssertionFailed:(x)\n  extra\n  at Some/Path/src/File:32\n", r.err);
}
