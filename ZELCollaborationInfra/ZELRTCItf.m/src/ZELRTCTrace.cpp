// The trace file, its activation and its line format; the traced scopes.
#include "ZELRTCTrace.h"

#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "ZELProcessServices.h"
#include "ZELRTCQuietTracedMethod.h"
#include "ZELRTCTracedMethod.h"
#include "ZELSysTSTime.h"

namespace {

// Process-wide trace state. The counters are atomic so that threads may trace
// together; `fileLock` serialises opening, closing and writing the file, so a
// line is always written whole.
std::atomic<int> g_activeTraces{0};
constexpr int kMinimumSeverity = ZelRTCSeverityInfo;
const char* const kSeverityStrings[6] = {"v", "i", "W", "E", ">", "<"};
std::atomic<FILE*> g_traceFile{nullptr};
std::atomic<int> g_depth{0};
std::atomic<unsigned char> g_isChildProcess{0};
char g_exeName[512] = "";
std::once_flag g_environmentRead;
std::mutex& FileLock() {
  static std::mutex* lock = new std::mutex;  // Usable by traces written during exit.
  return *lock;
}

const char kNullName[] = "(null)";

void ReadEnvironmentOnce() {
  std::call_once(g_environmentRead, [] {
    struct {
      const char* variable;
      ZelRTCTraceLevel level;
    } const switches[] = {{"ZELRTCUCCPTrace", ZelRTCInfraTrace},
                          {"ZELRTCInfraTrace", ZelRTCInfraTrace},
                          {"ZELRTCUITrace", ZelRTCUITrace},
                          {"ZELRTCAllTrace", ZelRTCAllTrace}};
    for (const auto& s : switches) {
      if (ZELGetEnv(s.variable)) ZELRTCTrace::ActivateTrace(s.level);
    }
  });
}

// "V<version>R<release>[ SP<n>][ HF<n>] <text>", or empty when the platform
// cannot tell its version.
std::string LevelInfoText() {
  ZELKORVALevelInfo info{};
  if (ZELGetKORVALevelInfo(info) != 0) return std::string();
  info.text[sizeof info.text - 1] = '\0';
  char number[32];
  std::snprintf(number, sizeof number, "V%dR%d", info.version, info.release);
  std::string text = number;
  if (info.servicePack > 0) {
    std::snprintf(number, sizeof number, " SP%d", info.servicePack);
    text += number;
  }
  if (info.hotFix > 0) {
    std::snprintf(number, sizeof number, " HF%d", info.hotFix);
    text += number;
  }
  return text + " " + info.text;
}

// Writes one whole line; the caller has checked level and severity.
void WriteLine(int level, int severity, const char* format, va_list args) {
  ZELSysTSTime now;
  now.SetCurrentTime();
  int zone = 0, year, month, day, hours, minutes, seconds, millis, weekDay, yearDay;
  now.GetTime(zone, year, month, day, hours, minutes, seconds, millis, weekDay, yearDay);

  std::lock_guard<std::mutex> guard(FileLock());
  FILE* file = g_traceFile.load();
  if (!file) return;
  std::fprintf(file, "%02d:%02d:%02d.%03d ", hours, minutes, seconds, millis);
  if (level == ZelRTCInfraTrace) {
    std::fprintf(file, "[%3s] ", "INF");
  } else if (level == ZelRTCUITrace) {
    std::fprintf(file, "[%3s] ", "UI ");
  }
  std::fprintf(file, "[%s] ", severity <= ZelRTCSeverityOut ? kSeverityStrings[severity] : "?");
  for (int depth = g_depth.load(std::memory_order_relaxed); depth > 0; --depth) std::fputs("    ", file);
  std::vfprintf(file, format, args);
  std::fputs("\n", file);
  std::fflush(file);
}

void WriteText(int level, int severity, const char* text) {
  ZELRTCTrace::Trace(static_cast<ZelRTCTraceLevel>(level), static_cast<ZelRTCTraceSeverity>(severity), "%s",
                     text ? text : kNullName);
}

}  // namespace

HRESULT ZELRTCTrace::ActivateTrace(ZelRTCTraceLevel levels) {
  {
    std::lock_guard<std::mutex> guard(FileLock());
    if (!g_traceFile.load()) {
      const char* directory = ZELGetTempDirectory();
      if (ZELFileAccess(directory, 4) != 0) directory = ZELGetTempDirectory();
      char path[260] = {0};
      std::snprintf(path, sizeof path, g_isChildProcess.load() ? "%sZELRTCTrace%d_.txt" : "%sZELRTCTrace%d.txt",
                    directory ? directory : "", static_cast<int>(getpid()));
      FILE* file = std::fopen(path, "a+");
      if (!file) {
        std::printf("Cannot activate RTC trace at path %s\n", path);
        std::fflush(stdout);
        return E_FAIL;
      }
      std::printf("RTC trace activated at path:\n%s\n", path);
      std::fflush(stdout);
      std::fprintf(file, "Korva Level Info : %s\n", LevelInfoText().c_str());
      g_traceFile.store(file);
    }
  }
  g_activeTraces.fetch_or(levels);
  return S_OK;
}

void ZELRTCTrace::DeActivateTrace(ZelRTCTraceLevel levels) {
  std::lock_guard<std::mutex> guard(FileLock());
  int active = g_activeTraces.load();
  if ((active & levels) == 0) return;
  active ^= levels;
  g_activeTraces.store(active);
  FILE* file = g_traceFile.load();
  if (active == 0 && file) {
    std::fflush(file);
    std::fclose(file);
    g_traceFile.store(nullptr);
    g_depth.store(0);
  }
}

ZelRTCTraceLevel ZELRTCTrace::GetActiveTraces() { return static_cast<ZelRTCTraceLevel>(g_activeTraces.load()); }

unsigned char ZELRTCTrace::IsTraceActive(ZelRTCTraceLevel levels) {
  return static_cast<unsigned char>(g_activeTraces.load(std::memory_order_relaxed) & 0xFF & levels);
}

void ZELRTCTrace::SetProcessInfo(const char* exeName, unsigned char isChildProcess) {
  std::snprintf(g_exeName, sizeof g_exeName, "%s", exeName ? exeName : "");
  g_isChildProcess.store(isChildProcess);
}

void ZELRTCTrace::Trace(ZelRTCTraceLevel level, ZelRTCTraceSeverity severity, const char* format, ...) {
  ReadEnvironmentOnce();
  if ((level & g_activeTraces.load(std::memory_order_relaxed)) == 0 || severity < kMinimumSeverity ||
      !g_traceFile.load(std::memory_order_relaxed) || !format) {
    return;
  }
  va_list args;
  va_start(args, format);
  WriteLine(level, severity, format, args);
  va_end(args);
}

void ZELRTCTrace::TraceText(ZelRTCTraceLevel level, ZelRTCTraceSeverity severity, const char* text) {
  WriteText(level, severity, text);
}

const char* ZELRTCTrace::GetErrName(HRESULT hr) {
  switch (static_cast<uint32_t>(hr)) {
    case 0x80004001u:
      return "E_NOTIMPL";
    case 0x80004005u:
      return "E_FAIL";
    case 0x80070057u:
      return "E_INVALIDARG";
    case 0x80EE0058u:
      return "UCC_E_NOT_EXIST";
    case 0x80EF019Du:
      return "UCC_E_SIP_STATUS_CLIENT_REQUEST_ENTITY_TOO_LARGE";
    case 0x57u:
      return "ERROR_INVALID_PARAMETER";
    default:
      return nullptr;
  }
}

void ZELRTCTrace::Assert(ZelRTCTraceLevel level, int condition, const char* text, const char* file, int line) {
  if (condition) return;
  Trace(level, ZelRTCSeverityError, "%s at %s:%d", text ? text : kNullName, file ? file : kNullName, line);
  ZELFatalError(text, nullptr, nullptr, nullptr, file, line);
}

void ZELRTCTrace::TraceIn(ZelRTCTraceLevel level, const char* name) {
  TraceText(level, ZelRTCSeverityIn, name);
  TraceIn();
}

void ZELRTCTrace::TraceIn() { g_depth.fetch_add(1, std::memory_order_relaxed); }

void ZELRTCTrace::TraceOut(ZelRTCTraceLevel level, const char* name) {
  TraceOut();
  TraceText(level, ZelRTCSeverityOut, name);
}

void ZELRTCTrace::TraceOut() { g_depth.fetch_sub(1, std::memory_order_relaxed); }

void ZELRTCTrace::TraceOutHR(ZelRTCTraceLevel level, const char* name, int line, HRESULT hr) {
  char text[260];
  ZelRTCTraceSeverity severity = ZelRTCSeverityOut;
  const char* shown = name ? name : kNullName;
  unsigned int bits = static_cast<unsigned int>(hr);
  if (hr < 0) {
    severity = ZelRTCSeverityError;
    if (const char* errName = GetErrName(hr)) {
      std::snprintf(text, sizeof text, "%s FAILED line %d with hr <0x%X> (%s)", shown, line, bits, errName);
    } else {
      std::snprintf(text, sizeof text, "%s FAILED line %d with hr <0x%X>", shown, line, bits);
    }
  } else if (hr == S_OK) {
    std::snprintf(text, sizeof text, "%s succeeded", shown);
  } else if (hr == S_FALSE) {
    std::snprintf(text, sizeof text, "%s succeeded false", shown);
  } else {
    std::snprintf(text, sizeof text, "%s succeeded line %d with hr <0x%X>", shown, line, bits);
  }
  TraceOut();
  TraceText(level, severity, text);
}

// Traced scopes.

ZELRTCTracedMethod::ZELRTCTracedMethod(ZelRTCTraceLevel level, const char* name)
    : _level(level), _methodName(name), _entryDepth(g_depth.load(std::memory_order_relaxed)) {
  ZELRTCTrace::TraceIn(level, name);
}

ZELRTCTracedMethod::ZELRTCTracedMethod(ZelRTCTraceLevel level, const char* name, const char* format, ...)
    : _level(level), _methodName(name), _entryDepth(g_depth.load(std::memory_order_relaxed)) {
  char text[1024];
  int n = std::snprintf(text, sizeof text, "%s ", name ? name : kNullName);
  size_t used = n < 0 ? 0 : (static_cast<size_t>(n) < sizeof text ? static_cast<size_t>(n) : sizeof text - 1);
  if (format && used < sizeof text - 1) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(text + used, sizeof text - used, format, args);
    va_end(args);
  }
  ZELRTCTrace::TraceIn(level, text);
}

ZELRTCTracedMethod::ZELRTCTracedMethod(ZelRTCTraceLevel level, const char* name, unsigned char quiet)
    : _level(level), _methodName(name), _entryDepth(g_depth.load(std::memory_order_relaxed)) {
  if (quiet) {
    ZELRTCTrace::TraceIn();
  } else {
    ZELRTCTrace::TraceIn(level, name);
  }
}

ZELRTCTracedMethod::~ZELRTCTracedMethod() {
  if (_methodName) ZELRTCTrace::TraceOut(_level, _methodName);
  if (_entryDepth != g_depth.load(std::memory_order_relaxed)) {
    ZELRTCTrace::Trace(_level, ZelRTCSeverityError, "Depth error at %s exit", _methodName ? _methodName : kNullName);
  }
  _methodName = nullptr;
}

ZELRTCTracedMethod& ZELRTCTracedMethod::operator=(const ZELRTCTracedMethod& other) {
  _level = other._level;
  _methodName = other._methodName;
  _entryDepth = other._entryDepth;
  return *this;
}

void ZELRTCTracedMethod::Exit(ZelRTCTraceLevel level, const char* name) {
  if (name) ZELRTCTrace::TraceOut(level, name);
  _methodName = nullptr;
}

void ZELRTCTracedMethod::ExitHR(ZelRTCTraceLevel level, const char* name, int line, HRESULT hr) {
  if (name) ZELRTCTrace::TraceOutHR(level, name, line, hr);
  _methodName = nullptr;
}

ZELRTCQuietTracedMethod::ZELRTCQuietTracedMethod(ZelRTCTraceLevel level, const char* name)
    : ZELRTCTracedMethod(level, name, static_cast<unsigned char>(1)) {}

ZELRTCQuietTracedMethod::~ZELRTCQuietTracedMethod() {
  if (_methodName) ZELRTCTrace::TraceOut();
  _methodName = nullptr;
}

void ZELRTCQuietTracedMethod::Exit(ZelRTCTraceLevel, const char* name) {
  if (name) ZELRTCTrace::TraceOut();
  _methodName = nullptr;
}

void ZELRTCQuietTracedMethod::ExitHR(ZelRTCTraceLevel level, const char* name, int line, HRESULT hr) {
  if (name) {
    if (hr == S_OK) {
      ZELRTCTrace::TraceOut();
    } else {
      ZELRTCTrace::TraceOutHR(level, name, line, hr);
    }
  }
  _methodName = nullptr;
}
