#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ZELProcessServices.h"
#include "ZELRTCQuietTracedMethod.h"
#include "ZELRTCTrace.h"
#include "ZELRTCTracedMethod.h"
#include "ZELTestParams.h"
#include "ZELTestSupport.h"

using Lines = std::vector<std::string>;

namespace {

void ExitWith(HRESULT hr) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCFoo::Bar");
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCFoo::Bar", 12, hr);
}

}  // namespace

TEST(ZELRTCTraceTest, ExitLineIsChosenByTheResult) {
  ZELTraceCapture trace;
  ExitWith(S_OK);
  ExitWith(S_FALSE);
  ExitWith(2);
  ExitWith(E_FAIL);
  ExitWith(static_cast<HRESULT>(0x80EE0058));
  ExitWith(static_cast<HRESULT>(0x80001234));
  EXPECT_EQ((Lines{"[INF] [>] ZELRTCFoo::Bar",
                   "[INF] [<] ZELRTCFoo::Bar succeeded",
                   "[INF] [>] ZELRTCFoo::Bar",
                   "[INF] [<] ZELRTCFoo::Bar succeeded false",
                   "[INF] [>] ZELRTCFoo::Bar",
                   "[INF] [<] ZELRTCFoo::Bar succeeded line 12 with hr <0x2>",
                   "[INF] [>] ZELRTCFoo::Bar",
                   "[INF] [E] ZELRTCFoo::Bar FAILED line 12 with hr <0x80004005> (E_FAIL)",
                   "[INF] [>] ZELRTCFoo::Bar",
                   "[INF] [E] ZELRTCFoo::Bar FAILED line 12 with hr <0x80EE0058> (UCC_E_NOT_EXIST)",
                   "[INF] [>] ZELRTCFoo::Bar",
                   "[INF] [E] ZELRTCFoo::Bar FAILED line 12 with hr <0x80001234>"}),
            trace.Lines());
}

TEST(ZELRTCTraceTest, NestedScopesIndentByFourBlanksAndAlign) {
  ZELTraceCapture trace;
  {
    ZELRTCTracedMethod outer(ZelRTCInfraTrace, "Outer");
    {
      ZELRTCTracedMethod inner(ZelRTCInfraTrace, "Inner", "x=%d y=%s", 3, "%s");
      ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "inside %d", 1);
    }
    outer.ExitHR(ZelRTCInfraTrace, "Outer", 20, S_OK);
  }
  EXPECT_EQ((Lines{"[INF] [>] Outer",
                   "[INF] [>]     Inner x=3 y=%s",
                   "[INF] [i]         inside 1",
                   "[INF] [<]     Inner",
                   "[INF] [<] Outer succeeded"}),
            trace.Lines());
}

TEST(ZELRTCTraceTest, ChannelsTagsAndSeverities) {
  ZELTraceCapture trace;  // channel 1 only
  ZELRTCTrace::Trace(ZelRTCUITrace, ZelRTCSeverityInfo, "ui off");
  ZELRTCTrace::Trace(static_cast<ZelRTCTraceLevel>(3), ZelRTCSeverityWarning, "both");
  ZELRTCTrace::Trace(ZelRTCAllTrace, ZelRTCSeverityError, "all");
  ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityVerbose, "verbose");
  ZELRTCTrace::Trace(ZelRTCInfraTrace, static_cast<ZelRTCTraceSeverity>(-1), "negative");
  ZELRTCTrace::Trace(ZelRTCInfraTrace, static_cast<ZelRTCTraceSeverity>(9), "no tag");
  ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, nullptr);
  ASSERT_EQ(S_OK, ZELRTCTrace::ActivateTrace(ZelRTCUITrace));
  ZELRTCTrace::Trace(ZelRTCUITrace, ZelRTCSeverityInfo, "ui on");
  EXPECT_EQ((Lines{"[W] both", "[E] all", "[INF] [?] no tag", "[UI ] [i] ui on"}), trace.Lines());
}

TEST(ZELRTCTraceTest, QuietScopesAndDepthErrors) {
  ZELTraceCapture trace;
  {
    ZELRTCQuietTracedMethod quiet(ZelRTCInfraTrace, "Quiet");
    quiet.ExitHR(ZelRTCInfraTrace, "Quiet", 5, S_OK);
  }
  {
    ZELRTCQuietTracedMethod quiet(ZelRTCInfraTrace, "Quiet");
    quiet.ExitHR(ZelRTCInfraTrace, "Quiet", 6, S_FALSE);
  }
  { ZELRTCQuietTracedMethod quiet(ZelRTCInfraTrace, "Quiet"); }
  {
    // Exited with a null name: marked exited, the depth not lowered.
    ZELRTCTracedMethod lost(ZelRTCInfraTrace, "Lost");
    lost.ExitHR(ZelRTCInfraTrace, nullptr, 7, S_OK);
  }
  ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "one step too deep");
  EXPECT_EQ((Lines{"[INF] [<] Quiet succeeded false",
                   "[INF] [>] Lost",
                   "[INF] [E]     Depth error at (null) exit",
                   "[INF] [i]     one step too deep"}),
            trace.Lines());
}

TEST(ZELRTCTraceTest, VariadicEntryTextIsCutAt1023Characters) {
  ZELTraceCapture trace;
  std::string longText(2000, 'y');
  { ZELRTCTracedMethod scope(ZelRTCInfraTrace, "Name", "%s", longText.c_str()); }
  EXPECT_EQ((Lines{"[INF] [>] Name " + std::string(1023 - 5, 'y'), "[INF] [<] Name"}), trace.Lines());
}

TEST(ZELRTCTraceTest, LongTextsAndDeepIndentationAreWrittenWhole) {
  ZELTraceCapture trace;
  const std::string longText(5000, 'z');  // longer than a line composed on the stack
  ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "%s", longText.c_str());
  // An exit text is cut to 259 characters.
  const std::string longName(300, 'n');
  {
    ZELRTCTracedMethod scope(ZelRTCInfraTrace, longName.c_str());
    scope.ExitHR(ZelRTCInfraTrace, longName.c_str(), 3, E_FAIL);
  }
  // 600 open scopes indent by 2400 blanks, more than the stack line holds.
  std::vector<std::unique_ptr<ZELRTCQuietTracedMethod>> scopes;
  for (int i = 0; i < 600; ++i) scopes.push_back(std::make_unique<ZELRTCQuietTracedMethod>(ZelRTCInfraTrace, "Q"));
  ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityWarning, "deep");
  while (!scopes.empty()) scopes.pop_back();
  EXPECT_EQ((Lines{"[INF] [i] " + longText, "[INF] [>] " + longName, "[INF] [E] " + longName.substr(0, 259),
                   "[INF] [W] " + std::string(2400, ' ') + "deep"}),
            trace.Lines());
}

TEST(ZELRTCTraceTest, LinesFromSeveralThreadsStayWhole) {
  ZELTraceCapture trace;
  const int kThreads = 4, kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      // Short lines and lines too long for the stack, alternately.
      const std::string text(t % 2 ? 3000 : 40, static_cast<char>('a' + t));
      for (int i = 0; i < kLines; ++i) {
        ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "%d:%s", t, text.c_str());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::vector<int> counts(kThreads, 0);
  for (const std::string& line : trace.Lines()) {
    const int t = line.size() > 10 ? line[10] - '0' : -1;
    ASSERT_TRUE(t >= 0 && t < kThreads) << line.substr(0, 80);
    ASSERT_EQ("[INF] [i] " + std::to_string(t) + ":" + std::string(t % 2 ? 3000 : 40, static_cast<char>('a' + t)),
              line);
    ++counts[t];
  }
  EXPECT_EQ(std::vector<int>(kThreads, kLines), counts);
}

namespace {

// Milliseconds since midnight, local time, of now or of a line's "hh:mm:ss.mmm".
long NowMillisOfDay() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  time_t t = now.tv_sec;
  tm local{};
  localtime_r(&t, &local);
  return ((local.tm_hour * 60L + local.tm_min) * 60 + local.tm_sec) * 1000 + now.tv_nsec / 1000000;
}
long LineMillisOfDay(const std::string& line) {
  int h = -1, m = -1, s = -1, ms = -1;
  std::sscanf(line.c_str(), "%2d:%2d:%2d.%3d ", &h, &m, &s, &ms);
  return ((h * 60L + m) * 60 + s) * 1000 + ms;
}

}  // namespace

TEST(ZELRTCTraceTest, TimeOfDayIsRightAcrossSecondBoundaries) {
  ZELTraceCapture trace;
  std::vector<std::pair<long, long>> windows;
  for (int i = 0; i < 3; ++i) {
    const long before = NowMillisOfDay();
    ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "line %d", i);
    windows.emplace_back(before, NowMillisOfDay());
    // Sleep into the next second, so each line finds the cached second stale.
    std::this_thread::sleep_for(std::chrono::milliseconds(1005 - before % 1000));
  }
  const std::string text = trace.Text();
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = text.substr(start, end - start);
    if (line.find("Korva Level Info") == std::string::npos) lines.push_back(line);
  }
  ASSERT_EQ(3u, lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    if (windows[i].second < windows[i].first) continue;  // midnight passed
    const long at = LineMillisOfDay(lines[i]);
    EXPECT_TRUE(at >= windows[i].first && at <= windows[i].second)
        << lines[i] << " outside " << windows[i].first << ".." << windows[i].second;
  }
}

TEST(ZELRTCTraceTest, DeActivateIsAnExclusiveOr) {
  ASSERT_EQ(S_OK, ZELRTCTrace::ActivateTrace(static_cast<ZelRTCTraceLevel>(3)));
  ZELRTCTrace::DeActivateTrace(ZelRTCInfraTrace);
  const std::string afterFirst = ZELJoin(ZELRTCTrace::GetActiveTraces(), ZELRTCTrace::IsTraceActive(ZelRTCInfraTrace),
                                         ZELRTCTrace::IsTraceActive(ZelRTCAllTrace));
  ZELRTCTrace::DeActivateTrace(ZelRTCInfraTrace);  // shares nothing: no change
  const int afterSecond = ZELRTCTrace::GetActiveTraces();
  ZELRTCTrace::DeActivateTrace(static_cast<ZelRTCTraceLevel>(3));  // 2 ^ 3
  EXPECT_EQ("2|0|2|2|1", ZELJoin(afterFirst, afterSecond, ZELRTCTrace::GetActiveTraces()));

  // Leaving no channel closes the file and resets the depth.
  ZELRTCTracedMethod open(ZelRTCInfraTrace, "Open");
  ZELRTCTrace::DeActivateTrace(ZelRTCInfraTrace);
  EXPECT_EQ(0, ZELRTCTrace::GetActiveTraces());
  ZELTraceCapture trace;
  ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "at depth zero");
  open.Exit(ZelRTCInfraTrace, nullptr);
  EXPECT_EQ((Lines{"[INF] [i] at depth zero"}), trace.Lines());
}

TEST(ZELRTCTraceTest, GetErrNameKnowsSixCodes) {
  auto name = [](unsigned hr) { return ZELRTCTrace::GetErrName(static_cast<HRESULT>(hr)); };
  EXPECT_EQ("E_NOTIMPL|E_FAIL|E_INVALIDARG|UCC_E_NOT_EXIST|UCC_E_SIP_STATUS_CLIENT_REQUEST_ENTITY_TOO_LARGE|"
            "ERROR_INVALID_PARAMETER|(null)|(null)",
            ZELJoin(name(0x80004001), name(0x80004005), name(0x80070057), name(0x80EE0058), name(0x80EF019D), name(87),
                    name(0), name(0x80004002)));
}

// Fresh processes: activation from the environment on the first trace line.

ZEL_CHILD_SCENARIO(TraceOneScope) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCChild::Run");
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCChild::Run", 1, S_OK);
  return 0;
}

ZEL_CHILD_SCENARIO(TraceScopesThenSetEnvironment) {
  for (int i = 0; i < 3; ++i) {
    ZELRTCTracedMethod scope(ZelRTCInfraTrace, "First");
  }
  setenv("ZELRTCInfraTrace", "1", 1);  // read once: too late now
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "Second");
  std::printf("active=%d\n", ZELRTCTrace::GetActiveTraces());
  return 0;
}

ZEL_CHILD_SCENARIO(TraceAsChildProcess) {
  ZELRTCTrace::SetProcessInfo("child.exe", 1);
  ZELRTCTrace::ActivateTrace(ZelRTCInfraTrace);
  ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "from the child");
  return 0;
}

ZEL_CHILD_SCENARIO(TraceQuietOnly) {
  { ZELRTCQuietTracedMethod quiet(ZelRTCInfraTrace, "Quiet"); }
  std::printf("active=%d\n", ZELRTCTrace::GetActiveTraces());
  ZELRTCTrace::Trace(ZelRTCUITrace, ZelRTCSeverityVerbose, "first line call");
  std::printf("active=%d\n", ZELRTCTrace::GetActiveTraces());
  return 0;
}

ZEL_CHILD_SCENARIO(TraceFatalAssert) {
  ZELSetFatalErrorHandler([](const char* text, const char* t2, const char* t3, const char* t4, const char* path,
                             int line) {
    std::printf("fatal:%s|%s|%s|%s|%s|%d\n", text, t2 ? t2 : "null", t3 ? t3 : "null", t4 ? t4 : "null", path, line);
  });
  ZELRTCTrace::Assert(ZelRTCInfraTrace, 1, "never", "a.cpp", 1);
  ZELRTCTrace::Assert(ZelRTCInfraTrace, 0, "x > 0", "src/b.cpp", 42);
  return 0;
}

TEST(ZELRTCTraceProcessTest, NothingWithoutEnvironmentOrActivation) {
  ZELTempDir dir;
  ZELChildResult r = ZELRunChild("TraceScopesThenSetEnvironment", {}, dir.Path());
  EXPECT_EQ(0, r.exitCode);
  EXPECT_EQ("active=0\n", r.out);
  EXPECT_FALSE(ZELFileExists(ZELTraceFilePath(dir.Path(), r.pid)));
}

TEST(ZELRTCTraceProcessTest, InfraVariableActivatesOnTheFirstLine) {
  ZELTempDir dir;
  ZELChildResult r = ZELRunChild("TraceOneScope", {{"ZELRTCInfraTrace", ""}}, dir.Path());
  ASSERT_EQ(0, r.exitCode) << r.err;
  std::string path = ZELTraceFilePath(dir.Path(), r.pid);
  EXPECT_EQ("RTC trace activated at path:\n" + path + "\n", r.out);
  EXPECT_EQ((Lines{"Korva Level Info : V1R0 Linux", "[INF] [>] ZELRTCChild::Run",
                   "[INF] [<] ZELRTCChild::Run succeeded"}),
            ZELTraceLines(ZELReadFile(path)));
}

TEST(ZELRTCTraceProcessTest, TwoVariablesOfOneChannelOpenTheFileOnce) {
  ZELTempDir dir;
  ZELChildResult r = ZELRunChild("TraceOneScope", {{"ZELRTCUCCPTrace", "1"}, {"ZELRTCInfraTrace", "1"}}, dir.Path());
  ASSERT_EQ(0, r.exitCode);
  Lines lines = ZELTraceLines(ZELReadFile(ZELTraceFilePath(dir.Path(), r.pid)));
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ("Korva Level Info : V1R0 Linux", lines[0]);

  // The UI channel alone does not write infrastructure lines, but opens the file.
  ZELChildResult ui = ZELRunChild("TraceOneScope", {{"ZELRTCUITrace", "1"}}, dir.Path());
  EXPECT_EQ((Lines{"Korva Level Info : V1R0 Linux"}), ZELTraceLines(ZELReadFile(ZELTraceFilePath(dir.Path(), ui.pid))));
  ZELChildResult all = ZELRunChild("TraceOneScope", {{"ZELRTCAllTrace", "1"}}, dir.Path());
  EXPECT_EQ(3u, ZELTraceLines(ZELReadFile(ZELTraceFilePath(dir.Path(), all.pid))).size());
}

TEST(ZELRTCTraceProcessTest, EnvironmentIsReadOnTheFirstTraceCallOnly) {
  ZELTempDir dir;
  ZELChildResult r = ZELRunChild("TraceQuietOnly", {{"ZELRTCAllTrace", "1"}}, dir.Path());
  // A quiet scope writes nothing and does not read the environment; a line of
  // any level or severity does.
  EXPECT_EQ("active=0\nRTC trace activated at path:\n" + ZELTraceFilePath(dir.Path(), r.pid) + "\nactive=255\n",
            r.out);
}

TEST(ZELRTCTraceProcessTest, ChildProcessFileNameEndsInUnderscore) {
  ZELTempDir dir;
  ZELChildResult r = ZELRunChild("TraceAsChildProcess", {}, dir.Path());
  ASSERT_EQ(0, r.exitCode);
  EXPECT_FALSE(ZELFileExists(ZELTraceFilePath(dir.Path(), r.pid)));
  EXPECT_EQ((Lines{"Korva Level Info : V1R0 Linux", "[INF] [i] from the child"}),
            ZELTraceLines(ZELReadFile(ZELTraceFilePath(dir.Path(), r.pid, true))));
}

TEST(ZELRTCTraceProcessTest, UnopenableFileIsReportedAndLeavesTheChannelsOff) {
  ZELTempDir dir;
  std::string missing = dir.Path() + "no/such/folder";
  ZELChildResult r = ZELRunChild("TraceScopesThenSetEnvironment", {{"ZELRTCInfraTrace", "1"}}, missing);
  ASSERT_EQ(0, r.exitCode);
  std::string path = missing + "/ZELRTCTrace" + std::to_string(r.pid) + ".txt";
  EXPECT_EQ("Cannot activate RTC trace at path " + path + "\nactive=0\n", r.out);
}

TEST(ZELRTCTraceProcessTest, FailedAssertTracesThenReportsTheFatalError) {
  ZELTempDir dir;
  ZELChildResult r = ZELRunChild("TraceFatalAssert", {{"ZELRTCInfraTrace", "1"}}, dir.Path());
  ASSERT_EQ(0, r.exitCode);
  EXPECT_NE(std::string::npos, r.out.find("fatal:x > 0|null|null|null|src/b.cpp|42\n"));
  EXPECT_EQ((Lines{"Korva Level Info : V1R0 Linux", "[INF] [E] x > 0 at src/b.cpp:42"}),
            ZELTraceLines(ZELReadFile(ZELTraceFilePath(dir.Path(), r.pid))));
}
