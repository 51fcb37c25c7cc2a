// The notification base, the drivers' builder and the shared Build runner.
#include "ZELRTCNotification.h"

#include "ZELFillDictionary.h"
#include "ZELRTCNotificationBuild.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCTracedMethod.h"

ZELRTCNotification::ZELRTCNotification() : ZELNotification(0) {}
ZELRTCNotification::ZELRTCNotification(const ZELRTCNotification& other) : ZELNotification(other) {}
ZELRTCNotification& ZELRTCNotification::operator=(const ZELRTCNotification& other) {
  ZELNotification::operator=(other);
  return *this;
}
ZELRTCNotification::~ZELRTCNotification() = default;

ZEL_IMPLEMENT_CLASS_DESCRIPTION(ZELRTCNotification, ZELNotification, "ZELnull", "ZELCollaborationInfra")

ZELRTCNotification* ZELRTCNotificationBuilder::Create(const char* className) {
  ZELBaseUnknown* object = ZELCreateFromDictionary(className);
  if (!object) return nullptr;
  if (!object->IsAKindOf("ZELRTCNotification")) {
    object->Release();
    return nullptr;
  }
  return static_cast<ZELRTCNotification*>(object);
}

HRESULT ZELRTCNotificationBuilder::Build(ZELRTCNotification* notification, ZELRTCParam** params, unsigned int count,
                                         unsigned short version) {
  return notification ? notification->Build(params, count, version) : E_FAIL;
}

namespace {

const ZELRTCBuildLayout* SelectLayout(const ZELRTCBuildContract& contract, unsigned int count, unsigned short version) {
  for (unsigned int i = 0; i < contract.layoutCount; ++i) {
    const ZELRTCBuildLayout& l = contract.layouts[i];
    if (count >= l.minCount && count <= l.maxCount && version >= l.minVersion && version <= l.maxVersion) return &l;
  }
  return nullptr;
}

inline HRESULT Walk(const ZELRTCBuildContract& contract, ZELRTCNotification& self, ZELRTCParam** params,
                   unsigned int count, unsigned short version) {
  const ZELRTCBuildLayout* layout = params ? SelectLayout(contract, count, version) : nullptr;
  if (!layout) return E_FAIL;
  const unsigned int size = layout->size < count ? layout->size : count;  // never past the array
  bool complete = true;
  bool optionalSeen = false;
  unsigned int i = 0;
  for (; i < size; ++i) {
    const ZELRTCBuildPosition& position = layout->positions[i];
    if (position.use == ZELRTCOptional) {
      optionalSeen = true;
      continue;
    }
    if (!params[i] || (!position.read(*params[i], self) && position.use != ZELRTCResultIgnored)) {
      complete = false;
      break;
    }
  }
  // The optional positions, after the walk; none to look for when a complete
  // walk met none.
  if (optionalSeen || i < size) {
    for (unsigned int j = 0; j < size; ++j) {
      if (layout->positions[j].use == ZELRTCOptional && params[j]) layout->positions[j].read(*params[j], self);
    }
  }
  if (!complete) return E_FAIL;
  return contract.finish ? contract.finish(self, params, count, version) : S_OK;
}

// Inlined into both branches of the runner: the common one then costs no call.
__attribute__((always_inline)) inline HRESULT RunInScope(ZELRTCTracedMethod& scope, const ZELRTCBuildContract& contract,
                                                         ZELRTCNotification& self, ZELRTCParam** params,
                                                         unsigned int count, unsigned short version) {
  if (contract.open) contract.open(self);
  HRESULT hr = Walk(contract, self, params, count, version);
  scope.ExitHR(ZelRTCInfraTrace, contract.method, contract.exitLine, hr);
  return hr;
}

}  // namespace

HRESULT ZELRTCRunBuild(const ZELRTCBuildContract& contract, ZELRTCNotification& self, ZELRTCParam** params,
                       unsigned int count, unsigned short version) {
  if (contract.countInEntry) {
    ZELRTCTracedMethod scope(ZelRTCInfraTrace, contract.method, "%d", static_cast<int>(count));
    return RunInScope(scope, contract, self, params, count, version);
  }
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, contract.method);
  return RunInScope(scope, contract, self, params, count, version);
}
