#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "ZELRTCEnvironment.h"
#include "ZELTestSupport.h"

namespace {

using Env = std::vector<std::pair<std::string, std::string>>;

// Values of "ZELRTCDriver": the seven recognised texts, then near misses.
const char* const kDriverValues[] = {"ST",       "MS",   "P2P",  "UCCP",  "XMPPJ", "LYNC", "NODEJS", "XMPP",
                                     "XMPPJava", "uccp", "Lync", "UCCP ", " MS",   "",     "ST2",    nullptr};

std::string Answers() {
  char line[64];
  std::snprintf(line, sizeof line, "ST%d MS%d P2P%d UCCP%d XMPP%d LYNC%d NODEJS%d",
                ZELRTCEnvironment::IsSametimeDriver(), ZELRTCEnvironment::IsMSLiveDriver(),
                ZELRTCEnvironment::IsP2PDriver(), ZELRTCEnvironment::IsUCCPDriver(), ZELRTCEnvironment::IsXMPPDriver(),
                ZELRTCEnvironment::IsLyncDriver(), ZELRTCEnvironment::IsNodejsDriver());
  return line;
}

std::string Modes() {
  char line[64];
  std::snprintf(line, sizeof line, "inProcess=%d multiple=%d msLive=%d", ZELRTCEnvironment::IsInProcess(),
                ZELRTCEnvironment::HandleMultipleEventMsgs(), ZELRTCEnvironment::IsMSLiveDriver());
  return line;
}

}  // namespace

// The driver queries read "ZELRTCDriver" again on every call.
ZEL_CHILD_SCENARIO(EnvironmentDriverTable) {
  for (const char* value : kDriverValues) {
    value ? setenv("ZELRTCDriver", value, 1) : unsetenv("ZELRTCDriver");
    std::printf("[%s] %s\n", value ? value : "unset", Answers().c_str());
  }
  return 0;
}

TEST(ZELRTCEnvironmentTest, DriverQueriesCompareTheWholeValueExactly) {
  for (bool msLive : {false, true}) {
    ZELChildResult child = ZELRunChild("EnvironmentDriverTable", msLive ? Env{{"ZELMSLive", ""}} : Env{});
    ASSERT_EQ(0, child.exitCode) << child.err;
    std::string expected;
    for (const char* value : kDriverValues) {
      std::string v = value ? value : "";
      char line[96];
      std::snprintf(line, sizeof line, "[%s] ST%d MS%d P2P%d UCCP%d XMPP%d LYNC%d NODEJS%d\n", value ? value : "unset",
                    v == "ST", v == "MS" || msLive, v == "P2P", v == "UCCP", v == "XMPPJ", v == "LYNC", v == "NODEJS");
      expected += line;
    }
    EXPECT_EQ(expected, child.out) << "ZELMSLive set: " << msLive;
  }
}

// The first answers, then the same after the variables changed.
ZEL_CHILD_SCENARIO(EnvironmentCachedAnswers) {
  std::printf("%s\n", Modes().c_str());
  for (const char* variable : {"ZELRTCInProcess", "ZELRTCMultipleEventMsgsOff", "ZELMSLive"}) {
    std::getenv(variable) ? unsetenv(variable) : setenv(variable, "1", 1);
  }
  std::printf("%s\n", Modes().c_str());
  setenv("ZELRTCDriver", "MS", 1);
  std::printf("driver MS: msLive=%d\n", ZELRTCEnvironment::IsMSLiveDriver());
  std::printf("debug=%d\n", ZELRTCEnvironment::DebugActivated);
  return 0;
}

TEST(ZELRTCEnvironmentTest, CachedAnswersKeepTheirFirstValue) {
  ZELChildResult unset = ZELRunChild("EnvironmentCachedAnswers");
  ASSERT_EQ(0, unset.exitCode) << unset.err;
  EXPECT_EQ(
      "inProcess=0 multiple=1 msLive=0\n"
      "inProcess=0 multiple=1 msLive=0\n"
      "driver MS: msLive=1\n"
      "debug=0\n",
      unset.out);

  // Set with empty values: set all the same.
  ZELChildResult set = ZELRunChild(
      "EnvironmentCachedAnswers",
      {{"ZELRTCInProcess", ""}, {"ZELRTCMultipleEventMsgsOff", ""}, {"ZELMSLive", ""}, {"ZELRTCDebugMode", ""}});
  ASSERT_EQ(0, set.exitCode) << set.err;
  EXPECT_EQ(
      "inProcess=1 multiple=0 msLive=1\n"
      "inProcess=1 multiple=0 msLive=1\n"
      "driver MS: msLive=1\n"
      "debug=1\n",
      set.out);
}
