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
