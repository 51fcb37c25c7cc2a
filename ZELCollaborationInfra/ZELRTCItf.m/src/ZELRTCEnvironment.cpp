// The driver and process-mode queries. DebugActivated is defined with the
// load-time registrations, in ZELRTCItfLoad.cpp, which fixes its place in the
// load order.
#include "ZELRTCEnvironment.h"

#include <cstring>

#include "ZELProcessServices.h"

namespace {

unsigned char IsSet(const char* variable) { return ZELGetEnv(variable) ? 1 : 0; }

// Looks "ZELRTCDriver" up again and compares its whole value with `text`.
unsigned char DriverIs(const char* text) {
  const char* value = ZELGetEnv("ZELRTCDriver");
  return (value && std::strcmp(value, text) == 0) ? 1 : 0;
}

// Function-local statics: initialised once, the other threads wait for it.
unsigned char MSLiveFlag() {
  static const unsigned char flag = IsSet("ZELMSLive");
  return flag;
}

}  // namespace

unsigned char ZELRTCEnvironment::IsInProcess() {
  static const unsigned char inProcess = IsSet("ZELRTCInProcess");
  return inProcess;
}

unsigned char ZELRTCEnvironment::HandleMultipleEventMsgs() {
  static const unsigned char handle = IsSet("ZELRTCMultipleEventMsgsOff") ? 0 : 1;
  return handle;
}

unsigned char ZELRTCEnvironment::IsSametimeDriver() { return DriverIs("ST"); }

unsigned char ZELRTCEnvironment::IsMSLiveDriver() {
  unsigned char flag = MSLiveFlag();
  return DriverIs("MS") ? 1 : flag;
}

unsigned char ZELRTCEnvironment::IsP2PDriver() { return DriverIs("P2P"); }
unsigned char ZELRTCEnvironment::IsUCCPDriver() { return DriverIs("UCCP"); }
unsigned char ZELRTCEnvironment::IsXMPPDriver() { return DriverIs("XMPPJ"); }
unsigned char ZELRTCEnvironment::IsLyncDriver() { return DriverIs("LYNC"); }
unsigned char ZELRTCEnvironment::IsNodejsDriver() { return DriverIs("NODEJS"); }
