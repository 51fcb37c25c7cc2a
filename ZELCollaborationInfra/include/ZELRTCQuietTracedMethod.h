// ZELRTCQuietTracedMethod: a traced scope that writes nothing on entry and
// nothing when it ends in plain success; a failure or any other result still
// gets its exit line.
#pragma once

#include "ZELRTCItfExport.h"
#include "ZELRTCTracedMethod.h"

class ZELRTCITF_API ZELRTCQuietTracedMethod : public ZELRTCTracedMethod {
 public:
  ZELRTCQuietTracedMethod(ZelRTCTraceLevel level, const char* name);
  ~ZELRTCQuietTracedMethod();

  ZELRTCQuietTracedMethod& operator=(const ZELRTCQuietTracedMethod& other) = default;

  void Exit(ZelRTCTraceLevel level, const char* name);
  void ExitHR(ZelRTCTraceLevel level, const char* name, int line, HRESULT hr);
};

inline ZELRTCQuietTracedMethod::ZELRTCQuietTracedMethod(ZelRTCTraceLevel level, const char* name)
    : ZELRTCTracedMethod(level, name, static_cast<unsigned char>(1)) {}

inline ZELRTCQuietTracedMethod::~ZELRTCQuietTracedMethod() {
  if (_methodName) ZELRTCTrace::TraceOut();
  _methodName = nullptr;
}

inline void ZELRTCQuietTracedMethod::Exit(ZelRTCTraceLevel, const char* name) {
  if (name) ZELRTCTrace::TraceOut();
  _methodName = nullptr;
}

inline void ZELRTCQuietTracedMethod::ExitHR(ZelRTCTraceLevel level, const char* name, int line, HRESULT hr) {
  if (name && hr == S_OK) {
    ZELRTCTrace::TraceOut();
    _methodName = nullptr;
  } else {
    ZELRTCTracedMethod::ExitHR(level, name, line, hr);
  }
}
