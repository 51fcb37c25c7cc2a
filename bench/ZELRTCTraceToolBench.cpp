// zelrtc trace on a 100 MB trace file, beside `wc -l` on the same file: the
// speed of each (bytes per second) and the peak memory of each child process.
// The file is generated once per process in a fresh temporary folder.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr long long kFileBytes = 100LL * 1024 * 1024;

struct TraceFile {
  std::string dir;
  std::string path;
  long long bytes = 0;

  TraceFile() {
    char folder[] = "/tmp/zelrtc-bench-XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    dir = folder;
    path = dir + "/ZELRTCTrace4242.txt";
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) std::abort();
    static char buffer[1 << 20];
    std::setvbuf(f, buffer, _IOFBF, sizeof buffer);
    bytes += std::fprintf(f, "Korva Level Info : V1R1\n");
    // Nested scopes as the library writes them: a session scope around a few
    // Builds, some failing, with information lines inside.
    for (long long i = 0; bytes < kFileBytes; ++i) {
      int h = static_cast<int>(i / 3600000 % 24), m = static_cast<int>(i / 60000 % 60);
      int s = static_cast<int>(i / 1000 % 60), ms = static_cast<int>(i % 1000);
      char time[16];
      std::snprintf(time, sizeof time, "%02d:%02d:%02d.%03d", h, m, s, ms);
      bytes += std::fprintf(f, "%s [INF] [>] ZELRTCMainSessionManager::CreateSession driver=%lld\n", time, i % 9);
      bytes += std::fprintf(f, "%s [INF] [>]     ZELRTCArchiveReceivedNotification::Build\n", time);
      bytes += std::fprintf(f, "%s [INF] [i]         Rollback : users leaking in Group param\n", time);
      bytes += std::fprintf(f, "%s [INF] [<]     ZELRTCArchiveReceivedNotification::Build succeeded\n", time);
      bytes += std::fprintf(f, "%s [INF] [>]     ZELRTCLoginNotification::Build\n", time);
      if (i % 7 == 0)
        bytes += std::fprintf(
            f, "%s [INF] [E]     ZELRTCLoginNotification::Build FAILED line 75 with hr <0x80004005> (E_FAIL)\n", time);
      else
        bytes += std::fprintf(f, "%s [INF] [<]     ZELRTCLoginNotification::Build succeeded\n", time);
      bytes += std::fprintf(f, "%s [INF] [<] ZELRTCMainSessionManager::CreateSession succeeded\n", time);
    }
    std::fclose(f);
  }
  ~TraceFile() {
    std::remove(path.c_str());
    rmdir(dir.c_str());
  }
};

TraceFile& File() {
  static TraceFile file;
  return file;
}

struct ChildRun {
  double seconds;
  long peakKb;
};

// Runs the program with its output thrown away; its wall time and peak memory.
ChildRun RunChild(std::vector<std::string> args) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return ChildRun{seconds, usage.ru_maxrss};
}

double gWcSeconds = 0, gToolSeconds = 0;
long gToolPeakKb = 0;

void Report(benchmark::State& state, const ChildRun& run) {
  state.SetIterationTime(run.seconds);
  state.counters["peak_MB"] = static_cast<double>(run.peakKb) / 1024.0;
  state.counters["file_MB"] = static_cast<double>(File().bytes) / (1024.0 * 1024.0);
}

void BM_Baseline_WcLines(benchmark::State& state) {
  const std::string& path = File().path;
  ChildRun run{};
  for (auto _ : state) {
    run = RunChild({"wc", "-l", path});
    gWcSeconds = run.seconds;
    Report(state, run);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * File().bytes);
}
BENCHMARK(BM_Baseline_WcLines)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ZelrtcTraceToJson(benchmark::State& state) {
  const std::string& path = File().path;
  ChildRun run{};
  for (auto _ : state) {
    run = RunChild({ZEL_TOOL_PATH, "trace", "-o", "/dev/null", path});
    gToolSeconds = run.seconds;
    gToolPeakKb = run.peakKb;
    Report(state, run);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * File().bytes);
}
BENCHMARK(BM_ZelrtcTraceToJson)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (gWcSeconds > 0 && gToolSeconds > 0)
    std::printf("zelrtc trace: %.1f MB/s, %.1f times the time of wc -l on the same %.0f MB file; peak memory %.1f MB\n",
                File().bytes / gToolSeconds / (1024.0 * 1024.0), gToolSeconds / gWcSeconds,
                File().bytes / (1024.0 * 1024.0), gToolPeakKb / 1024.0);
  return 0;
}
