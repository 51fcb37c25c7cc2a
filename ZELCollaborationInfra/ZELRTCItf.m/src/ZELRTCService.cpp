// The abstract base of collaboration services.
#include "ZELRTCService.h"

ZELRTCService::ZELRTCService() = default;
ZELRTCService::~ZELRTCService() = default;

ZEL_IMPLEMENT_CLASS_DESCRIPTION(ZELRTCService, ZELBaseUnknown, "ZELnull", "ZELCollaborationInfra")
