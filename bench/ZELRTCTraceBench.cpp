// The cost of tracing and of a notification Build, each beside its baseline:
// - a traced scope and a Trace call with the channel off, against an empty call;
// - a written line (flushed), against a bare write(2) of the same bytes and
//   against spdlog's file logger flushed on every line;
// - a Build of the 12- and the 3-parameter notifications, against assigning the
//   same values into a plain struct; create + Build + Release against new +
//   fill + delete of that struct.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "ZELBenchRatios.h"
#include "ZELProcessServices.h"
#include "ZELRTCArchiveCleanedNotification.h"
#include "ZELRTCFileTransferNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCParam.h"
#include "ZELRTCTrace.h"
#include "ZELRTCTracedMethod.h"

namespace {

// Tracing starts off whatever the caller's environment says.
const bool kEnvironmentCleared = [] {
  for (const char* v : {"ZELRTCUCCPTrace", "ZELRTCInfraTrace", "ZELRTCUITrace", "ZELRTCAllTrace"}) unsetenv(v);
  return true;
}();

std::string TempPath(const char* file) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/" + file;
}

// Tracing off.

__attribute__((noinline)) void EmptyCall(int level, const char* text) {
  benchmark::DoNotOptimize(level);
  benchmark::DoNotOptimize(text);
}

void BM_Baseline_EmptyCall(benchmark::State& state) {
  for (auto _ : state) EmptyCall(ZelRTCInfraTrace, "ZELRTCFoo::Bar");
}
BENCHMARK(BM_Baseline_EmptyCall);

void BM_TraceOff(benchmark::State& state) {
  for (auto _ : state) ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "%s", "ZELRTCFoo::Bar");
}
BENCHMARK(BM_TraceOff);

void TracedScopeOff(benchmark::State& state, HRESULT hr) {
  for (auto _ : state) {
    ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCFoo::Bar");
    scope.ExitHR(ZelRTCInfraTrace, "ZELRTCFoo::Bar", 42, hr);
  }
}
void BM_TracedScopeOff_S_OK(benchmark::State& state) { TracedScopeOff(state, S_OK); }
BENCHMARK(BM_TracedScopeOff_S_OK);
void BM_TracedScopeOff_E_FAIL(benchmark::State& state) { TracedScopeOff(state, E_FAIL); }
BENCHMARK(BM_TracedScopeOff_E_FAIL);

// A written line: "hh:mm:ss.mmm [INF] [i] ZELRTCFoo::Bar\n", 38 bytes.

void BM_Baseline_WriteLine(benchmark::State& state) {
  const std::string path = TempPath("ZELRTCBenchWrite.txt");
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_TRUNC, 0600);
  const char line[] = "20:15:10.021 [INF] [i] ZELRTCFoo::Bar\n";
  for (auto _ : state) benchmark::DoNotOptimize(write(fd, line, sizeof line - 1));
  close(fd);
  unlink(path.c_str());
}
BENCHMARK(BM_Baseline_WriteLine);

void BM_SpdlogLineFlushed(benchmark::State& state) {
  const std::string path = TempPath("ZELRTCBenchSpdlog.txt");
  auto logger = spdlog::basic_logger_st("bench", path, true);
  logger->set_pattern("%H:%M:%S.%e [INF] [i] %v");
  logger->flush_on(spdlog::level::trace);
  for (auto _ : state) logger->info("ZELRTCFoo::Bar");
  spdlog::drop("bench");
  logger.reset();
  unlink(path.c_str());
}
BENCHMARK(BM_SpdlogLineFlushed);

void BM_TraceWritten(benchmark::State& state) {
  ZELRTCTrace::ActivateTrace(ZelRTCInfraTrace);
  for (auto _ : state) ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "%s", "ZELRTCFoo::Bar");
  ZELRTCTrace::DeActivateTrace(ZelRTCInfraTrace);
  unlink((std::string(ZELGetTempDirectory()) + "ZELRTCTrace" + std::to_string(getpid()) + ".txt").c_str());
}
BENCHMARK(BM_TraceWritten);

// Build of the 12-parameter file-transfer notification: 7 strings, 5 ints.

struct PlainFileTransfer {
  int eventType, reason;
  std::u16string extendedError, partnerId, partnerName, text, fileName, fileDesc, transferType;
  int transferId, fileSize, bytes;
};

// The values, as the driver holds them.
const PlainFileTransfer kTransferValues{2,
                                        0,
                                        u"no error reported here",
                                        u"alice@example.com",
                                        u"Alice Martin",
                                        u"Alice sends you a file",
                                        u"quarterly-report.pdf",
                                        u"The report of the quarter",
                                        u"direct",
                                        4711,
                                        1048576,
                                        65536};

__attribute__((noinline)) void FillPlain(PlainFileTransfer& p, const PlainFileTransfer& v) {
  p.eventType = v.eventType;
  p.reason = v.reason;
  p.extendedError = v.extendedError;
  p.partnerId = v.partnerId;
  p.partnerName = v.partnerName;
  p.text = v.text;
  p.fileName = v.fileName;
  p.fileDesc = v.fileDesc;
  p.transferType = v.transferType;
  p.transferId = v.transferId;
  p.fileSize = v.fileSize;
  p.bytes = v.bytes;
}

class FileTransferParams {
 public:
  FileTransferParams()
      : _p{ZELRTCParam(kTransferValues.eventType),
           ZELRTCParam(kTransferValues.reason),
           ZELRTCParam(Str(kTransferValues.extendedError)),
           ZELRTCParam(Str(kTransferValues.partnerId)),
           ZELRTCParam(Str(kTransferValues.partnerName)),
           ZELRTCParam(Str(kTransferValues.text)),
           ZELRTCParam(Str(kTransferValues.fileName)),
           ZELRTCParam(Str(kTransferValues.fileDesc)),
           ZELRTCParam(Str(kTransferValues.transferType)),
           ZELRTCParam(kTransferValues.transferId),
           ZELRTCParam(kTransferValues.fileSize),
           ZELRTCParam(kTransferValues.bytes)} {
    for (int i = 0; i < 12; ++i) _array[i] = &_p[i];
  }
  ZELRTCParam** data() { return _array; }

 private:
  static ZELUnicodeString Str(const std::u16string& s) {
    return ZELUnicodeString(s.data(), static_cast<int>(s.size()));
  }
  ZELRTCParam _p[12];
  ZELRTCParam* _array[12];
};

void BM_Baseline_PlainFill12(benchmark::State& state) {
  PlainFileTransfer plain{};
  for (auto _ : state) {
    FillPlain(plain, kTransferValues);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Baseline_PlainFill12);

void BM_BuildFileTransfer12(benchmark::State& state) {
  FileTransferParams params;
  ZELRTCFileTransferNotification n;
  for (auto _ : state) benchmark::DoNotOptimize(ZELRTCNotificationBuilder::Build(&n, params.data(), 12, 1));
  if (n.GetFileSize() != kTransferValues.fileSize) state.SkipWithError("Build failed");
}
BENCHMARK(BM_BuildFileTransfer12);

void BM_Baseline_NewFillDelete12(benchmark::State& state) {
  for (auto _ : state) {
    PlainFileTransfer* plain = new PlainFileTransfer();
    FillPlain(*plain, kTransferValues);
    benchmark::DoNotOptimize(plain);
    delete plain;
  }
}
BENCHMARK(BM_Baseline_NewFillDelete12);

void BM_CreateBuildRelease12(benchmark::State& state) {
  FileTransferParams params;
  for (auto _ : state) {
    ZELRTCNotification* n = ZELRTCNotificationBuilder::Create("ZELRTCFileTransferNotification");
    benchmark::DoNotOptimize(ZELRTCNotificationBuilder::Build(n, params.data(), 12, 1));
    n->Release();
  }
}
BENCHMARK(BM_CreateBuildRelease12);

// Build of the 3-parameter archive notification.

struct PlainArchive {
  std::u16string id, name;
  int code;
};
const PlainArchive kArchiveValues{u"alice@example.com", u"Alice Martin", 7};

__attribute__((noinline)) void FillPlain(PlainArchive& p, const PlainArchive& v) {
  p.id = v.id;
  p.name = v.name;
  p.code = v.code;
}

void BM_Baseline_PlainFill3(benchmark::State& state) {
  PlainArchive plain{};
  for (auto _ : state) {
    FillPlain(plain, kArchiveValues);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Baseline_PlainFill3);

void BM_BuildArchiveCleaned3(benchmark::State& state) {
  ZELRTCParam id{ZELUnicodeString("alice@example.com")}, name{ZELUnicodeString("Alice Martin")}, code{7};
  ZELRTCParam* params[] = {&id, &name, &code};
  ZELRTCArchiveCleanedNotification n;
  for (auto _ : state) benchmark::DoNotOptimize(ZELRTCNotificationBuilder::Build(&n, params, 3, 2));
}
BENCHMARK(BM_BuildArchiveCleaned3);

}  // namespace

ZEL_BENCH_MAIN_WITH_RATIOS({
    {"traced scope, tracing off, ExitHR S_OK / empty call", "BM_TracedScopeOff_S_OK", 1, "BM_Baseline_EmptyCall", 1,
     2.0},
    {"traced scope, tracing off, ExitHR E_FAIL / empty call", "BM_TracedScopeOff_E_FAIL", 1, "BM_Baseline_EmptyCall",
     1, 2.0},
    {"Trace, channel off / empty call", "BM_TraceOff", 1, "BM_Baseline_EmptyCall", 1, 2.0},
    {"Build, 12 parameters / plain struct fill", "BM_BuildFileTransfer12", 1, "BM_Baseline_PlainFill12", 1, 1.5},
    {"Build, 3 parameters / plain struct fill", "BM_BuildArchiveCleaned3", 1, "BM_Baseline_PlainFill3", 1, 2.0},
    {"Create + Build + Release, 12 parameters / new + fill + delete", "BM_CreateBuildRelease12", 1,
     "BM_Baseline_NewFillDelete12", 1, 1.5},
    {"written line, flushed / bare write(2)", "BM_TraceWritten", 1, "BM_Baseline_WriteLine", 1, 1.3},
    {"written line, flushed / spdlog file logger flushed per line", "BM_TraceWritten", 1, "BM_SpdlogLineFlushed", 1,
     1.0},
})
