// The users and groups of the XMPP back end.
#include "ZELRTCXmppContactObjects.h"

#include <algorithm>
#include <atomic>

#include "ZELListPtrZELIRTCUser.h"

namespace {
std::atomic<int> g_liveObjects{0};
}  // namespace

int ZELRTCXmppLiveObjects() { return g_liveObjects.load(std::memory_order_acquire); }
void ZELRTCXmppCountObject(int delta) { g_liveObjects.fetch_add(delta, std::memory_order_acq_rel); }

ZEL_IMPLEMENT_CLASS_DESCRIPTION(ZELRTCXmppUser, ZELBaseUnknown, "ZELnull", "ZELCollaborationInfra")
ZEL_IMPLEMENT_CLASS_DESCRIPTION(ZELRTCXmppGroup, ZELBaseUnknown, "ZELnull", "ZELCollaborationInfra")

ZELRTCXmppUser::ZELRTCXmppUser(int sessionId, ZELRTCXmppUserState state)
    : _sessionId(sessionId), _state(std::move(state)) {
  ZELRTCXmppCountObject(1);
}
ZELRTCXmppUser::~ZELRTCXmppUser() { ZELRTCXmppCountObject(-1); }

HRESULT ZELRTCXmppUser::QueryInterface(const GUID& iid, void** oInterface) {
  return ZELBaseUnknown::QueryInterface(iid, oInterface);
}
unsigned long ZELRTCXmppUser::AddRef() { return ZELBaseUnknown::AddRef(); }
unsigned long ZELRTCXmppUser::Release() { return ZELBaseUnknown::Release(); }
int ZELRTCXmppUser::GetSessionId() { return _sessionId; }
HRESULT ZELRTCXmppUser::IsLoggedUser(unsigned char& oIsLogged) {
  oIsLogged = _state.logged ? 1 : 0;
  return S_OK;
}
ZELUnicodeString ZELRTCXmppUser::GetIdentifier() { return ZELUnicodeString(_state.jid.c_str()); }
ZELUnicodeString ZELRTCXmppUser::GetName() { return ZELUnicodeString(_state.name.c_str()); }
ZELUnicodeString ZELRTCXmppUser::GetDn() { return ZELUnicodeString(); }
ZELUnicodeString ZELRTCXmppUser::GetStatusDescription() { return ZELUnicodeString(_state.statusText.c_str()); }
ZelRTCUserStatus ZELRTCXmppUser::GetStatus() { return _state.status; }

ZELRTCXmppGroup::ZELRTCXmppGroup(int sessionId, std::string name) : _sessionId(sessionId), _name(std::move(name)) {
  ZELRTCXmppCountObject(1);
}
ZELRTCXmppGroup::~ZELRTCXmppGroup() {
  for (ZELIRTCUser* user : _users) user->Release();
  ZELRTCXmppCountObject(-1);
}

HRESULT ZELRTCXmppGroup::QueryInterface(const GUID& iid, void** oInterface) {
  return ZELBaseUnknown::QueryInterface(iid, oInterface);
}
unsigned long ZELRTCXmppGroup::AddRef() { return ZELBaseUnknown::AddRef(); }
unsigned long ZELRTCXmppGroup::Release() { return ZELBaseUnknown::Release(); }
int ZELRTCXmppGroup::GetSessionId() { return _sessionId; }
int ZELRTCXmppGroup::GetUserCount() {
  std::lock_guard<std::mutex> hold(_lock);
  return static_cast<int>(_users.size());
}
ZELUnicodeString ZELRTCXmppGroup::GetIdentifier() { return ZELUnicodeString(_name.c_str()); }
ZELUnicodeString ZELRTCXmppGroup::GetName() { return ZELUnicodeString(_name.c_str()); }

HRESULT ZELRTCXmppGroup::AddUser(ZELIRTCUser* user) {
  if (!user) return E_POINTER;
  user->AddRef();
  std::lock_guard<std::mutex> hold(_lock);
  _users.push_back(user);
  return S_OK;
}

HRESULT ZELRTCXmppGroup::GetUsers(ZELListPtrZELIRTCUser& oUsers) {
  std::lock_guard<std::mutex> hold(_lock);
  for (ZELIRTCUser* user : _users) {
    user->AddRef();
    oUsers.Append(user);
  }
  return S_OK;
}

HRESULT ZELRTCXmppGroup::RemoveUser(ZELIRTCUser* user) {
  ZELIRTCUser* found = nullptr;
  {
    std::lock_guard<std::mutex> hold(_lock);
    auto it = std::find(_users.begin(), _users.end(), user);
    if (it == _users.end()) return S_FALSE;
    found = *it;
    _users.erase(it);
  }
  found->Release();
  return S_OK;
}

HRESULT ZELRTCXmppGroup::SetExpanded(unsigned char expanded) {
  std::lock_guard<std::mutex> hold(_lock);
  _expanded = expanded ? 1 : 0;
  return S_OK;
}
HRESULT ZELRTCXmppGroup::IsPublic(unsigned char& oFlag) {
  oFlag = 0;
  return S_OK;
}
HRESULT ZELRTCXmppGroup::IsExpanded(unsigned char& oFlag) {
  std::lock_guard<std::mutex> hold(_lock);
  oFlag = _expanded;
  return S_OK;
}
