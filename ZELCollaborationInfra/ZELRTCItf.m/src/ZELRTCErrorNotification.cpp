// The error notification: its message comes from the platform's catalogs.
#include "ZELRTCErrorNotification.h"

#include <memory>

#include "ZELListValZELUnicodeString.h"
#include "ZELMsgCatalog.h"
#include "ZELRTCNotificationBuild.h"
#include "ZELString.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCErrorNotification)

namespace {

const char kUnknownError[] = "Unknown error";

// Positions 0 and 1 name the message; with a count of 3, position 2 holds its
// arguments.
HRESULT BuildErrorMessage(ZELUnicodeString& message, ZELRTCParam** params, unsigned int count) {
  ZELUnicodeString catalog, key;
  if (!ZELRTCReadAt(params, count, 0, catalog) || !ZELRTCReadAt(params, count, 1, key)) return E_FAIL;
  std::unique_ptr<ZELUnicodeString[]> args;
  int argCount = 0;
  if (count == 3) {
    ZELListValZELUnicodeString list;
    if (!ZELRTCReadAt(params, count, 2, list)) return E_FAIL;
    if (list.Size() > 0) {
      argCount = list.Size();
      args.reset(new ZELUnicodeString[static_cast<size_t>(argCount)]);
      list.Array(args.get(), argCount);
    }
  }
  ZELString catalogName(catalog.CastToCharPtr());
  ZELString messageKey(key.CastToCharPtr());
  message = ZELMsgCatalog::BuildMessage(catalogName, messageKey, args.get(), argCount, ZELUnicodeString(kUnknownError),
                                        nullptr);
  return S_OK;
}

}  // namespace

template <>
struct ZELRTCBuildDeclaration<ZELRTCErrorNotification> {
  using Self = ZELRTCErrorNotification;
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCNoPositions().Counts(2, 3)};
  static constexpr ZELRTCBuildPosition kHookPositions[] = {ZEL_RTC_SCRATCH(ZELUnicodeString, catalog),
                                                           ZEL_RTC_SCRATCH(ZELUnicodeString, messageKey),
                                                           ZEL_RTC_SCRATCH(ZELListValZELUnicodeString, arguments)};
  static constexpr ZELRTCBuildGetter kGetters[] = {ZEL_RTC_GETTER(_errorMessage, GetErrorMessage),
                                                   ZEL_RTC_GETTER(_messageKey, GetMessageKey)};
  static constexpr ZELRTCBuildContract kContract =
      ZELRTCBuildContract("ZELRTCErrorNotification::Build", 71, kLayouts)
          .HookReads(kHookPositions)
          .HookGives(kGetters)
          .OnOpen([](ZELRTCNotification& self) { static_cast<Self&>(self)._errorMessage = kUnknownError; })
          .OnFinish([](ZELRTCNotification& self, ZELRTCParam** p, unsigned int n, unsigned short) {
            return BuildErrorMessage(static_cast<Self&>(self)._errorMessage, p, n);
          });
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCErrorNotification)
