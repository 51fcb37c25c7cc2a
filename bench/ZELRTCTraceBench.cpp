// The cost of tracing and of a notification Build, each beside its baseline:
// an inactive trace line against an empty call, a written line against a bare
// write(2) of the same text, and a Build against a plain struct fill.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "ZELRTCArchiveCleanedNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCParam.h"
#include "ZELRTCTrace.h"
#include "ZELRTCTracedMethod.h"

namespace {

__attribute__((noinline)) void EmptyCall(int level, const char* text) {
  benchmark::DoNotOptimize(level);
  benchmark::DoNotOptimize(text);
}

void BM_Baseline_EmptyCall(benchmark::State& state) {
  for (auto _ : state) EmptyCall(ZelRTCInfraTrace, "ZELRTCFoo::Bar");
}
BENCHMARK(BM_Baseline_EmptyCall);

void BM_TraceInactive(benchmark::State& state) {
  for (auto _ : state) ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "%s", "ZELRTCFoo::Bar");
}
BENCHMARK(BM_TraceInactive);

void BM_TracedScopeInactive(benchmark::State& state) {
  for (auto _ : state) {
    ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCFoo::Bar");
    scope.ExitHR(ZelRTCInfraTrace, "ZELRTCFoo::Bar", 42, S_OK);
  }
}
BENCHMARK(BM_TracedScopeInactive);

void BM_Baseline_WriteLine(benchmark::State& state) {
  std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/ZELRTCBenchWrite.txt";
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_TRUNC, 0600);
  const char line[] = "20:15:10.021 [INF] [i] ZELRTCFoo::Bar\n";
  for (auto _ : state) benchmark::DoNotOptimize(write(fd, line, sizeof line - 1));
  close(fd);
  unlink(path.c_str());
}
BENCHMARK(BM_Baseline_WriteLine);

void BM_TraceWritten(benchmark::State& state) {
  ZELRTCTrace::ActivateTrace(ZelRTCInfraTrace);
  for (auto _ : state) ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "%s", "ZELRTCFoo::Bar");
  ZELRTCTrace::DeActivateTrace(ZelRTCInfraTrace);
}
BENCHMARK(BM_TraceWritten);

struct PlainArchive {
  std::u16string id, name;
  int code;
};

void BM_Baseline_StructFill(benchmark::State& state) {
  for (auto _ : state) {
    PlainArchive a{u"alice@example.com", u"Alice Martin", 7};
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_Baseline_StructFill);

void BM_BuildArchiveCleaned(benchmark::State& state) {
  ZELRTCParam id{ZELUnicodeString("alice@example.com")}, name{ZELUnicodeString("Alice Martin")}, code{7};
  ZELRTCParam* params[] = {&id, &name, &code};
  ZELRTCArchiveCleanedNotification n;
  for (auto _ : state) benchmark::DoNotOptimize(ZELRTCNotificationBuilder::Build(&n, params, 3, 2));
}
BENCHMARK(BM_BuildArchiveCleaned);

}  // namespace
