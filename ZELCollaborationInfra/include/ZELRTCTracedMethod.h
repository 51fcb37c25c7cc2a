// ZELRTCTracedMethod: a traced scope. Construction writes the entry line
// (severity ">") and indents what follows by one step; ExitHR writes the exit
// line chosen by the result, at the entry line's indentation. A scope not
// exited writes a plain exit line when destroyed; a scope whose depth does not
// match at destruction writes "Depth error at <name> exit".
//
//   HRESULT ZELRTCFoo::Bar() {
//     ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCFoo::Bar");
//     HRESULT hr = ...;
//     scope.ExitHR(ZelRTCInfraTrace, "ZELRTCFoo::Bar", __LINE__, hr);
//     return hr;
//   }
//
// The name is not copied: pass a string literal.
//
// With the channel off, construction, Exit, ExitHR and destruction only keep
// the depth (inline, one load of the active channels): nothing is formatted.
#pragma once

#include "ZELRTCItfExport.h"
#include "ZELRTCTrace.h"

class ZELRTCITF_API ZELRTCTracedMethod {
 public:
  ZELRTCTracedMethod(ZelRTCTraceLevel level, const char* name);
  // The entry line shows the name, a blank and the formatted arguments (the
  // whole text cut at 1023 characters).
  ZELRTCTracedMethod(ZelRTCTraceLevel level, const char* name, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
  ~ZELRTCTracedMethod();

  ZELRTCTracedMethod(const ZELRTCTracedMethod&) = delete;
  ZELRTCTracedMethod& operator=(const ZELRTCTracedMethod& other);

  // Plain exit line ("<" name). A null name only marks the scope exited.
  void Exit(ZelRTCTraceLevel level, const char* name);
  // Exit line chosen by `hr`: "succeeded", "succeeded false", "succeeded line
  // N with hr <0x..>" or "FAILED line N with hr <0x..> (NAME)".
  void ExitHR(ZelRTCTraceLevel level, const char* name, int line, HRESULT hr);

 protected:
  // With `quiet` set, no entry line is written.
  ZELRTCTracedMethod(ZelRTCTraceLevel level, const char* name, unsigned char quiet);

  ZelRTCTraceLevel _level;
  const char* _methodName;  // null once the scope has been exited
  int _entryDepth;

 private:
  // The destructor's steps when a line may be written.
  void _Close();
};

inline ZELRTCTracedMethod::ZELRTCTracedMethod(ZelRTCTraceLevel level, const char* name)
    : _level(level), _methodName(name), _entryDepth(ZELRTCTrace::_depth.load(std::memory_order_relaxed)) {
  if (ZELRTCTrace::_MayWrite(level)) {
    ZELRTCTrace::TraceIn(level, name);
  } else {
    ZELRTCTrace::TraceIn();
  }
}

inline ZELRTCTracedMethod::ZELRTCTracedMethod(ZelRTCTraceLevel level, const char* name, unsigned char quiet)
    : _level(level), _methodName(name), _entryDepth(ZELRTCTrace::_depth.load(std::memory_order_relaxed)) {
  if (!quiet && ZELRTCTrace::_MayWrite(level)) {
    ZELRTCTrace::TraceIn(level, name);
  } else {
    ZELRTCTrace::TraceIn();
  }
}

inline ZELRTCTracedMethod::~ZELRTCTracedMethod() {
  if (ZELRTCTrace::_MayWrite(_level)) {
    _Close();
  } else if (_methodName) {
    ZELRTCTrace::TraceOut();
    _methodName = nullptr;
  }
}

inline void ZELRTCTracedMethod::Exit(ZelRTCTraceLevel level, const char* name) {
  if (name) {
    if (ZELRTCTrace::_MayWrite(level)) {
      ZELRTCTrace::TraceOut(level, name);
    } else {
      ZELRTCTrace::TraceOut();
    }
  }
  _methodName = nullptr;
}

inline void ZELRTCTracedMethod::ExitHR(ZelRTCTraceLevel level, const char* name, int line, HRESULT hr) {
  if (name) {
    if (ZELRTCTrace::_MayWrite(level)) {
      ZELRTCTrace::TraceOutHR(level, name, line, hr);
    } else {
      ZELRTCTrace::TraceOut();
    }
  }
  _methodName = nullptr;
}
