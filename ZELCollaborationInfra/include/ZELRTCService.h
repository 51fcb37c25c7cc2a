// ZELRTCService: the abstract base of collaboration services, components of
// the platform's object model that run on an open main session (presence,
// conferencing, call services...). The library defines no concrete service and
// creates none; a service is created with one reference and deleted by its
// last Release.
#pragma once

#include "ZELBaseUnknown.h"
#include "ZELMetaClass.h"
#include "ZELPlatformTypes.h"
#include "ZELRTCItfExport.h"

class ZELIRTCMainSession;

class ZELRTCITF_API ZELRTCService : public ZELBaseUnknown {
 public:
  ZELRTCService();
  ~ZELRTCService() override;

  ZEL_DECLARE_CLASS_DESCRIPTION(ZELRTCService)

  // Starts the service on `session`. A service that keeps the session takes a
  // reference of its own and gives it back in Stop. S_OK, or E_FAIL for a null
  // session or a service that cannot start.
  virtual HRESULT Start(ZELIRTCMainSession* session) = 0;
  // Stops the service and releases what Start took. S_OK, or S_FALSE when it
  // was not started.
  virtual HRESULT Stop() = 0;
  // The service's name, for traces; owned by the service, never null.
  virtual const char* GetServiceName() const = 0;
};
