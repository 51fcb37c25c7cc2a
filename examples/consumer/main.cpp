// Creates and builds one notification through the installed library.
#include <cstdio>

#include "ZELRTCArchiveCleanedNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCParam.h"

int main() {
  ZELRTCNotification* n = ZELRTCNotificationBuilder::Create("ZELRTCArchiveCleanedNotification");
  if (!n) return 1;
  ZELRTCParam id{ZELUnicodeString("alice")}, name{ZELUnicodeString("Alice")}, code{0};
  ZELRTCParam* params[] = {&id, &name, &code};
  HRESULT hr = ZELRTCNotificationBuilder::Build(n, params, 3, 2);
  std::printf("%s %s\n", n->IsA(), hr == S_OK ? "built" : "refused");
  n->Release();
  return hr == S_OK ? 0 : 1;
}
