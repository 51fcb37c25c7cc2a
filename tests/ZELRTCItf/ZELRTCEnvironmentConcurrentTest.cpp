// Threads that make the first calls of the cached environment answers, and
// write trace lines, all at the same time (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <regex>
#include <set>
#include <thread>
#include <vector>

#include "ZELRTCEnvironment.h"
#include "ZELRTCTrace.h"
#include "ZELTestSupport.h"

namespace {
constexpr int kThreads = 8;
constexpr int kLinesPerThread = 200;
}  // namespace

ZEL_CHILD_SCENARIO(ConcurrentFirstCalls) {
  std::atomic<int> waiting{kThreads};
  std::vector<int> answers(kThreads * 3, -1);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      waiting.fetch_sub(1);
      while (waiting.load() > 0) std::this_thread::yield();
      answers[t * 3] = ZELRTCEnvironment::IsInProcess();
      answers[t * 3 + 1] = ZELRTCEnvironment::HandleMultipleEventMsgs();
      answers[t * 3 + 2] = ZELRTCEnvironment::IsMSLiveDriver();
      for (int i = 0; i < kLinesPerThread; ++i) {
        ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "thread %d line %d of %s", t, i,
                           "a text long enough to be written in pieces");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    std::printf("answers %d %d %d\n", answers[t * 3], answers[t * 3 + 1], answers[t * 3 + 2]);
  }
  return 0;
}

TEST(ZELRTCEnvironmentConcurrentTest, FirstCallsAndTraceLinesFromManyThreads) {
  ZELTempDir tmp;
  ZELChildResult child = ZELRunChild(
      "ConcurrentFirstCalls", {{"ZELRTCInProcess", "1"}, {"ZELMSLive", "1"}, {"ZELRTCInfraTrace", "1"}}, tmp.Path());
  ASSERT_EQ(0, child.exitCode) << child.err;
  EXPECT_EQ(std::string::npos, child.err.find("ThreadSanitizer")) << child.err;

  // Every thread got the same answers, and the file was opened once.
  std::string expectedOut = "RTC trace activated at path:\n" + ZELTraceFilePath(tmp.Path(), child.pid) + "\n";
  for (int t = 0; t < kThreads; ++t) expectedOut += "answers 1 1 1\n";
  EXPECT_EQ(expectedOut, child.out);

  // Every line is whole, and every line is there once.
  std::vector<std::string> lines = ZELTraceLines(ZELReadFile(ZELTraceFilePath(tmp.Path(), child.pid)));
  ASSERT_EQ(1u + kThreads * kLinesPerThread, lines.size());
  EXPECT_EQ(0u, lines[0].rfind("Korva Level Info : ", 0)) << lines[0];
  const std::regex whole(R"(\[INF\] \[i\] thread (\d+) line (\d+) of a text long enough to be written in pieces)");
  std::set<std::pair<int, int>> seen;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[i], m, whole)) << lines[i];
    seen.insert({std::stoi(m[1]), std::stoi(m[2])});
  }
  EXPECT_EQ(static_cast<size_t>(kThreads * kLinesPerThread), seen.size());
}
