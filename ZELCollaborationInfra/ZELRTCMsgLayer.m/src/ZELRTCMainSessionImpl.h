// ZELRTCMainSessionImpl: the session component of the messaging layer. One
// class serves every driver: it keeps the driver number it was created with
// and an identifier unique in the process. Reference-counted; the last
// Release deletes it.
#pragma once

#include "ZELBaseUnknown.h"
#include "ZELIRTCMainSession.h"
#include "ZELMetaClass.h"

class ZELRTCMainSessionImpl : public ZELBaseUnknown, public ZELIRTCMainSession {
 public:
  explicit ZELRTCMainSessionImpl(ZelRTCDriver driver);
  ~ZELRTCMainSessionImpl() override;

  ZEL_DECLARE_CLASS_DESCRIPTION(ZELRTCMainSessionImpl)

  // Both roots share one count and one interface table.
  using ZELBaseUnknown::QueryInterface;
  HRESULT QueryInterface(const GUID& iid, void** oInterface) override;
  unsigned long AddRef() override;
  unsigned long Release() override;

  int GetSessionId() override;
  ZelRTCDriver GetDriver() override;

 private:
  ZELRTCMainSessionImpl(const ZELRTCMainSessionImpl&) = delete;
  ZELRTCMainSessionImpl& operator=(const ZELRTCMainSessionImpl&) = delete;

  const int _sessionId;
  const ZelRTCDriver _driver;
};
