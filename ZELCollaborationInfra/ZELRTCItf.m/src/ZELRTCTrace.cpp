// The trace file, its activation and its line format; the traced scopes.
#include "ZELRTCTrace.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <memory>
#include <new>
#include <string>

#include "ZELProcessServices.h"
#include "ZELRTCQuietTracedMethod.h"
#include "ZELRTCTracedMethod.h"
#include "ZELSysTSTime.h"

std::atomic<int> ZELRTCTrace::_writeGate{ZELRTCTrace::_kEnvironmentUnread};
std::atomic<int> ZELRTCTrace::_depth{0};

namespace {

// Process-wide trace state. The counters are atomic so that threads may trace
// together; `fileLock` serialises opening, closing and writing the file, and
// the changes of the active set, so a line is always written whole.
std::atomic<int> g_activeTraces{0};
constexpr int kMinimumSeverity = ZelRTCSeverityInfo;
const char* const kSeverityStrings[6] = {"v", "i", "W", "E", ">", "<"};
std::atomic<FILE*> g_traceFile{nullptr};
bool g_headerPending = false;  // the header line still sits in the stream's buffer
bool g_environmentUnread = true;
std::atomic<unsigned char> g_isChildProcess{0};
char g_exeName[512] = "";
std::once_flag g_environmentRead;
std::mutex& FileLock() {
  static std::mutex* lock = new std::mutex;  // Usable by traces written during exit.
  return *lock;
}

const char kNullName[] = "(null)";

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

// Two decimal digits.
char* PutTwoDigits(char* out, int value) {
  out[0] = static_cast<char>('0' + value / 10 % 10);
  out[1] = static_cast<char>('0' + value % 10);
  return out + 2;
}

// "hh:mm:ss.mmm " of the current time. The broken-down time of day is kept
// per thread for the second it belongs to, so the time zone is consulted once
// a second at most.
char* PutTimeOfDay(char* out) {
  struct SecondCache {
    int64_t second = -1;
    char hhmmss[8];
  };
  thread_local SecondCache cache;
  ZELSysTSTime now;
  now.SetCurrentTime();
  if (now.GetEpochSeconds() != cache.second) {
    int zone = 0, year, month, day, hours, minutes, seconds, millis, weekDay, yearDay;
    now.GetTime(zone, year, month, day, hours, minutes, seconds, millis, weekDay, yearDay);
    char* p = PutTwoDigits(cache.hhmmss, hours);
    *p++ = ':';
    p = PutTwoDigits(p, minutes);
    *p++ = ':';
    PutTwoDigits(p, seconds);
    cache.second = now.GetEpochSeconds();
  }
  std::memcpy(out, cache.hhmmss, sizeof cache.hhmmss);
  out += sizeof cache.hhmmss;
  const int millis = now.GetMilliseconds();
  *out++ = '.';
  *out++ = static_cast<char>('0' + millis / 100 % 10);
  out = PutTwoDigits(out, millis);
  *out++ = ' ';
  return out;
}

// The room a line's prefix needs besides its indentation: time, channel tag
// and severity tag.
constexpr size_t kPrefixRoom = sizeof "hh:mm:ss.mmm [INF] [>] ";

// Time of day, channel tag, severity tag, four blanks per depth unit.
char* PutPrefix(char* out, int level, int severity, int depth) {
  out = PutTimeOfDay(out);
  if (level == ZelRTCInfraTrace) {
    std::memcpy(out, "[INF] ", 6);
    out += 6;
  } else if (level == ZelRTCUITrace) {
    std::memcpy(out, "[UI ] ", 6);
    out += 6;
  }
  *out++ = '[';
  *out++ = severity <= ZelRTCSeverityOut ? kSeverityStrings[severity][0] : '?';
  *out++ = ']';
  *out++ = ' ';
  for (; depth > 0; --depth, out += 4) std::memcpy(out, "    ", 4);
  return out;
}

// Hands a composed line to the file in one write(2), under the lock.
void WriteToFile(const char* line, size_t length) {
  std::lock_guard<std::mutex> guard(FileLock());
  FILE* file = g_traceFile.load(std::memory_order_relaxed);
  if (!file) return;
  if (g_headerPending) {
    std::fflush(file);
    g_headerPending = false;
  }
  const int fd = fileno(file);
  while (length > 0) {
    const ssize_t n = ::write(fd, line, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    line += n;
    length -= static_cast<size_t>(n);
  }
}

// Composes the line, the text made by `putText(out, room)` (which returns the
// text's full length, written or not), on the stack, or on the heap when the
// text does not fit there (dropped if memory runs out), then writes it. The
// caller has checked level and severity.
template <class PutText>
void WriteLine(int level, int severity, int depth, PutText putText) {
  char stackLine[2048];
  const size_t indentation = 4 * static_cast<size_t>(depth > 0 ? depth : 0);
  std::unique_ptr<char[]> heapLine;
  char* line = stackLine;
  size_t room = sizeof stackLine;
  if (kPrefixRoom + indentation + 1 > room) {
    room = kPrefixRoom + indentation + 1;
    heapLine.reset(new (std::nothrow) char[room]);
    if (!(line = heapLine.get())) return;
  }
  char* text = PutPrefix(line, level, severity, depth);
  const size_t prefixLength = static_cast<size_t>(text - line);
  size_t textRoom = room - prefixLength - 1;  // one for the newline
  size_t length = putText(text, textRoom);
  if (length >= textRoom) {
    textRoom = length + 1;
    std::unique_ptr<char[]> longer(new (std::nothrow) char[prefixLength + textRoom + 1]);
    if (!longer) return;
    std::memcpy(longer.get(), line, prefixLength);
    heapLine = std::move(longer);
    line = heapLine.get();
    text = line + prefixLength;
    length = putText(text, textRoom);
    if (length >= textRoom) length = textRoom - 1;
  }
  text[length] = '\n';
  WriteToFile(line, prefixLength + length + 1);
}

bool LineWanted(int level, int severity) {
  return (level & g_activeTraces.load(std::memory_order_relaxed)) != 0 && severity >= kMinimumSeverity &&
         g_traceFile.load(std::memory_order_relaxed) != nullptr;
}

}  // namespace

void ZELRTCTrace::_PublishWriteGate() {
  _writeGate.store(g_activeTraces.load(std::memory_order_relaxed) | (g_environmentUnread ? _kEnvironmentUnread : 0),
                   std::memory_order_relaxed);
}

void ZELRTCTrace::_ReadEnvironmentOnce() {
  std::call_once(g_environmentRead, [] {
    struct {
      const char* variable;
      ZelRTCTraceLevel level;
    } const switches[] = {{"ZELRTCUCCPTrace", ZelRTCInfraTrace},
                          {"ZELRTCInfraTrace", ZelRTCInfraTrace},
                          {"ZELRTCUITrace", ZelRTCUITrace},
                          {"ZELRTCAllTrace", ZelRTCAllTrace}};
    for (const auto& s : switches) {
      if (ZELGetEnv(s.variable)) ActivateTrace(s.level);
    }
    std::lock_guard<std::mutex> guard(FileLock());
    g_environmentUnread = false;
    _PublishWriteGate();
  });
}

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
      g_headerPending = true;
      g_traceFile.store(file);
    }
    g_activeTraces.fetch_or(levels);
    _PublishWriteGate();
  }
  return S_OK;
}

void ZELRTCTrace::DeActivateTrace(ZelRTCTraceLevel levels) {
  std::lock_guard<std::mutex> guard(FileLock());
  int active = g_activeTraces.load();
  if ((active & levels) == 0) return;
  active ^= levels;
  g_activeTraces.store(active);
  _PublishWriteGate();
  FILE* file = g_traceFile.load();
  if (active == 0 && file) {
    std::fflush(file);
    std::fclose(file);
    g_headerPending = false;
    g_traceFile.store(nullptr);
    _depth.store(0, std::memory_order_relaxed);
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
  if (!_MayWrite(level)) return;
  va_list args;
  va_start(args, format);
  _TraceFormatted(level, severity, format, args);
  va_end(args);
}

__attribute__((noinline)) void ZELRTCTrace::_TraceFormatted(ZelRTCTraceLevel level, ZelRTCTraceSeverity severity, const char* format,
                                  va_list args) {
  _ReadEnvironmentOnce();
  if (!LineWanted(level, severity) || !format) return;
  WriteLine(level, severity, _depth.load(std::memory_order_relaxed), [format, args](char* out, size_t room) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(out, room, format, copy);
    va_end(copy);
    return n < 0 ? size_t{0} : static_cast<size_t>(n);
  });
}

void ZELRTCTrace::TraceText(ZelRTCTraceLevel level, ZelRTCTraceSeverity severity, const char* text) {
  if (!_MayWrite(level)) return;
  _ReadEnvironmentOnce();
  if (!LineWanted(level, severity)) return;
  if (!text) text = kNullName;
  const size_t length = std::strlen(text);
  WriteLine(level, severity, _depth.load(std::memory_order_relaxed), [text, length](char* out, size_t room) {
    if (length < room) std::memcpy(out, text, length);
    return length;
  });
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

void ZELRTCTrace::TraceOut(ZelRTCTraceLevel level, const char* name) {
  TraceOut();
  TraceText(level, ZelRTCSeverityOut, name);
}

void ZELRTCTrace::TraceOutHR(ZelRTCTraceLevel level, const char* name, int line, HRESULT hr) {
  _ReadEnvironmentOnce();
  if (!LineWanted(level, ZelRTCSeverityOut)) {  // no line will carry the text
    TraceOut();
    return;
  }
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

// Traced scopes: the fast paths are inline in the headers.

ZELRTCTracedMethod::ZELRTCTracedMethod(ZelRTCTraceLevel level, const char* name, const char* format, ...)
    : _level(level), _methodName(name), _entryDepth(ZELRTCTrace::_depth.load(std::memory_order_relaxed)) {
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

void ZELRTCTracedMethod::_Close() {
  if (_methodName) ZELRTCTrace::TraceOut(_level, _methodName);
  if (_entryDepth != ZELRTCTrace::_depth.load(std::memory_order_relaxed)) {
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
