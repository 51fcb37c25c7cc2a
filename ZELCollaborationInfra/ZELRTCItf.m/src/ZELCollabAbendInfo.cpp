// The collaboration section of the crash report.
#include "ZELCollabAbendInfo.h"

#include <new>

namespace {
const char kSectionName[] = "COLLABORATION";
// The section's order in the report and its options.
constexpr int kSectionOrder = 20;
constexpr int kSectionOptions = 0;
}  // namespace

// The five strings are defined in ZELRTCItfLoad.cpp, so that they exist before
// anything else the library constructs at load.
ZELCollabAbendInfo* ZELCollabAbendInfo::_lastCollabAbendInfo = nullptr;
int ZELCollabAbendInfo::_specsToSet = 1;
int ZELCollabAbendInfo::_headerToStream = 1;

ZELCollabAbendInfo::ZELCollabAbendInfo() : ZELAbendInfo(kSectionId) {
  if (_specsToSet) {
    ZELAbendInfo::SetInformationSpecs(kSectionId, kSectionName, kSectionOrder, kSectionOptions);
    _specsToSet = 0;
  }
  _lastCollabAbendInfo = this;
}

ZELCollabAbendInfo::~ZELCollabAbendInfo() {
  _lastCollabAbendInfo = nullptr;
  if (ZELAbendInfo::GetAbendInfo(0) == this) ZELAbendInfo::SetAbendInfo(nullptr);
}

ZELCollabAbendInfo* ZELCollabAbendInfo::GetLastCollabAbendInfo() {
  if (!_lastCollabAbendInfo) _lastCollabAbendInfo = new (std::nothrow) ZELCollabAbendInfo;
  return _lastCollabAbendInfo;
}

void ZELCollabAbendInfo::SetDriverName(const char* driver) {
  if (driver) _driver = driver;
}

void ZELCollabAbendInfo::SetLoginInfo(const ZELUnicodeString& server, const ZELUnicodeString& uri,
                                      const ZELUnicodeString& userAccount) {
  _server = server;
  _uri = uri;
  _userAccount = userAccount;
}

void ZELCollabAbendInfo::SetProtocol(const char* protocol) {
  if (protocol) _protocol = protocol;
}

void ZELCollabAbendInfo::SetLastCall(const char* call) {
  if (call) _lastCall = call;
}

void ZELCollabAbendInfo::SetLastNotif(const char* notification) {
  if (notification) _lastNotif = notification;
}

char* ZELCollabAbendInfo::Dump() {
  Stream();
  // The interface hands out char*; the text stays owned by _dumpText.
  return const_cast<char*>(_dumpText.ConvertToChar());
}

long ZELCollabAbendInfo::Stream() {
  if (_headerToStream) {
    _headerToStream = 0;
    _dumpText = "\n";
    const struct {
      const char* label;
      const ZELUnicodeString& value;
    } lines[] = {{"Driver : [", _driver},
                 {"Server : [", _server},
                 {"Logged user URI : [", _uri},
                 {"Logged user account : [", _userAccount},
                 {"Protocol : [", _protocol}};
    for (const auto& line : lines) {
      if (line.value.GetLengthInChar() > 0) {
        _dumpText += line.label;
        _dumpText += line.value;
        _dumpText += "]\n";
      }
    }
  }
  if (_lastCall.GetLengthInChar() > 0) {
    _dumpText += "Last call : [";
    _dumpText += _lastCall;
    _dumpText += "]";
  }
  if (_lastNotif.GetLengthInChar() > 0) {
    _dumpText += "Last notification sent : [";
    _dumpText += _lastNotif;
    _dumpText += "]";
  }
  return 0;
}
