// ZELRTCTrace: the library's trace file.
//
// One text file per process, "ZELRTCTrace<pid>.txt" in the temporary directory
// ("ZELRTCTrace<pid>_.txt" for a process that declared itself a child with
// SetProcessInfo). Channels are switched on with ActivateTrace or, on the first
// Trace call of the process, by the environment variables "ZELRTCUCCPTrace" and
// "ZELRTCInfraTrace" (channel 1), "ZELRTCUITrace" (2) and "ZELRTCAllTrace" (all).
//
// A line reads "hh:mm:ss.mmm [INF] [>] " + four blanks per open traced scope +
// the text. Every line is flushed as it is written, and lines written by
// several threads at once never mix.
#pragma once

#include <atomic>
#include <cstdarg>

#include "ZELPlatformTypes.h"
#include "ZELRTCItfExport.h"

// Trace channels, combined as a bit set.
enum ZelRTCTraceLevel : int {
  ZelRTCInfraTrace = 1,  // the infrastructure; lines tagged "INF"
  ZelRTCUITrace = 2,     // user interfaces; lines tagged "UI "
  ZelRTCAllTrace = 255   // every channel
};

// Severity of a line, and the tag written for it.
enum ZelRTCTraceSeverity : int {
  ZelRTCSeverityVerbose = 0,  // "v", never written
  ZelRTCSeverityInfo = 1,     // "i"
  ZelRTCSeverityWarning = 2,  // "W"
  ZelRTCSeverityError = 3,    // "E"
  ZelRTCSeverityIn = 4,       // ">" method entry
  ZelRTCSeverityOut = 5       // "<" method exit
};

class ZELRTCITF_API ZELRTCTrace {
 public:
  // Opens the trace file if needed and adds `levels` to the active channels.
  // S_OK, or E_FAIL when the file cannot be opened (the channels are unchanged).
  static HRESULT ActivateTrace(ZelRTCTraceLevel levels);
  // Toggles `levels` off (an exclusive-or) when it shares a channel with the
  // active set; closes the file when no channel is left.
  static void DeActivateTrace(ZelRTCTraceLevel levels);
  static ZelRTCTraceLevel GetActiveTraces();
  // Non-zero when `levels` names an active channel.
  static unsigned char IsTraceActive(ZelRTCTraceLevel levels);
  // Declares the executable and whether this is a child process; call it
  // before the first activation for the file name to follow.
  static void SetProcessInfo(const char* exeName, unsigned char isChildProcess);
  // Writes one line, printf-style, when `level` is active and `severity` is at
  // least informational.
  static void Trace(ZelRTCTraceLevel level, ZelRTCTraceSeverity severity, const char* format, ...)
      __attribute__((format(printf, 3, 4)));
  // The symbolic name of a few well-known results, or null.
  static const char* GetErrName(HRESULT hr);
  // When `condition` is 0: an error line "text at file:line", then ZELFatalError.
  static void Assert(ZelRTCTraceLevel level, int condition, const char* text, const char* file, int line);

  ZELRTCTrace& operator=(const ZELRTCTrace&) { return *this; }

 private:
  friend class ZELRTCTracedMethod;
  friend class ZELRTCQuietTracedMethod;

  static void TraceIn(ZelRTCTraceLevel level, const char* name);
  static void TraceIn() { _depth.store(_depth.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed); }
  static void TraceOut(ZelRTCTraceLevel level, const char* name);
  static void TraceOut() { _depth.store(_depth.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed); }
  static void TraceOutHR(ZelRTCTraceLevel level, const char* name, int line, HRESULT hr);
  // Writes `text` verbatim as the text of a line.
  static void TraceText(ZelRTCTraceLevel level, ZelRTCTraceSeverity severity, const char* text);

  // Trace past its fast path: reads the environment once, then writes the line.
  static void _TraceFormatted(ZelRTCTraceLevel level, ZelRTCTraceSeverity severity, const char* format,
                              va_list args);
  // Reads the environment variables on the first call of the process.
  static void _ReadEnvironmentOnce();
  // Copies the active set into _writeGate. Under the file lock.
  static void _PublishWriteGate();

  // False when no line of `level` can be written: the channel is off and the
  // environment has been read. One relaxed load, for the fast paths.
  static bool _MayWrite(int level) {
    return (_writeGate.load(std::memory_order_relaxed) & (level | _kEnvironmentUnread)) != 0;
  }

  // Bit of _writeGate set until the first Trace call has read the environment.
  static constexpr int _kEnvironmentUnread = 1 << 30;
  // The active channels, plus _kEnvironmentUnread while that is set.
  static std::atomic<int> _writeGate;
  // Nesting depth of the traced scopes, one for the whole process. Threads
  // tracing together may skew it (the state is unguarded), never memory.
  static std::atomic<int> _depth;
};
