// The session component and the entry point of the messaging-layer library.
#include "ZELRTCMainSessionImpl.h"

#include <algorithm>
#include <atomic>
#include <string>

#include "ZELCreateExternalObject.h"
#include "ZELNotificationCenter.h"
#include "ZELRTCTracedMethod.h"
#include "ZELRTCXmppContactObjects.h"
#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppSession.h"

namespace {

std::atomic<int> g_nextSessionId{1};

const ZELInterfaceEntry kInterfaces[] = {
    ZEL_INTERFACE_ENTRY(ZELRTCMainSessionImpl, ZELIRTCMainSession, IID_ZELIRTCMainSession),
    ZEL_INTERFACE_ENTRY(ZELRTCMainSessionImpl, ZELIRTCXmppSession, IID_ZELIRTCXmppSession)};

// The creation argument points to the driver number (an int); without it
// nothing is made.
ZELBaseUnknown* CreateMainSession(void* creationArgument) {
  if (!creationArgument) return nullptr;
  auto driver = static_cast<ZelRTCDriver>(*static_cast<const int*>(creationArgument));
  return new ZELRTCMainSessionImpl(driver);  // the class allocator gives null when memory runs out
}

const ZELComponentClass kClasses[] = {{"ZELRTCMainSessionImpl", &CreateMainSession}};

bool IsXmpp(ZelRTCDriver driver) { return driver == ZelRTCXMPPJavaDriver || driver == ZelRTCXMPPIOSDriver; }

// Class descriptors are retrieved on first use, unguarded: the ones the
// network thread uses are retrieved here, before it starts.
void RetrieveDescriptors() {
  static std::atomic<bool> done{false};
  if (done.exchange(true)) return;
  ZELRTCXmppUser::MetaObject();
  ZELRTCXmppGroup::MetaObject();
  ZELRTCXmppRetrieveDescriptors();
}

}  // namespace

ZEL_COMPONENT_LIBRARY("ZELRTCMsgLayer", kClasses)

extern "C" __attribute__((visibility("default"))) int ZELRTCMsgLayerLiveObjects() { return ZELRTCXmppLiveObjects(); }

extern "C" __attribute__((visibility("default"))) int ZELRTCMsgLayerPostedClasses(char* buffer, int size) {
  const std::string names = ZELRTCXmppPostedClasses();
  if (buffer && size > 0) {
    const size_t n = std::min(names.size(), static_cast<size_t>(size - 1));
    names.copy(buffer, n);
    buffer[n] = '\0';
  }
  return static_cast<int>(names.size()) + 1;
}

ZEL_IMPLEMENT_CLASS_DESCRIPTION(ZELRTCMainSessionImpl, ZELBaseUnknown, "ZELnull", "ZELCollaborationInfra")

ZELRTCMainSessionImpl::ZELRTCMainSessionImpl(ZelRTCDriver driver)
    : _sessionId(g_nextSessionId.fetch_add(1, std::memory_order_relaxed)), _driver(driver) {
  SetInterfaceTable(kInterfaces, static_cast<int>(sizeof kInterfaces / sizeof kInterfaces[0]));
  ZELRTCXmppCountObject(1);
  if (IsXmpp(driver)) {
    RetrieveDescriptors();
    _xmpp.reset(new ZELRTCXmppSession(_sessionId));
  }
}

ZELRTCMainSessionImpl::~ZELRTCMainSessionImpl() {
  _xmpp.reset();  // the network thread stops here
  ZELNotificationCenter::CloseSource(_sessionId);
  ZELRTCXmppCountObject(-1);
}

HRESULT ZELRTCMainSessionImpl::QueryInterface(const GUID& iid, void** oInterface) {
  return ZELBaseUnknown::QueryInterface(iid, oInterface);
}
unsigned long ZELRTCMainSessionImpl::AddRef() { return ZELBaseUnknown::AddRef(); }
unsigned long ZELRTCMainSessionImpl::Release() { return ZELBaseUnknown::Release(); }

int ZELRTCMainSessionImpl::GetSessionId() { return _sessionId; }
ZelRTCDriver ZELRTCMainSessionImpl::GetDriver() { return _driver; }

HRESULT ZELRTCMainSessionImpl::Login(const ZELRTCXmppLoginOptions& options) {
  if (_xmpp) return _xmpp->Login(options);
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::Login", "driver=%d", _driver);
  scope.ExitHR(ZelRTCInfraTrace, "ZELRTCMainSessionImpl::Login", __LINE__, E_NOTIMPL);
  return E_NOTIMPL;
}

// The other operations of a session that is not XMPP answer E_NOTIMPL, untraced.
HRESULT ZELRTCMainSessionImpl::Logout() { return _xmpp ? _xmpp->Logout() : E_NOTIMPL; }
HRESULT ZELRTCMainSessionImpl::SetMyStatus(ZelRTCUserStatus status, const char* text) {
  return _xmpp ? _xmpp->SetMyStatus(status, text) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::SendInstantMessage(const char* to, const char* text) {
  return _xmpp ? _xmpp->SendInstantMessage(to, text) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::SendData(const char* to, const char* type, const char* bytes, int length,
                                        unsigned char typed) {
  return _xmpp ? _xmpp->SendData(to, type, bytes, length, typed) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::AddContact(const char* jid, const char* name, const char* group) {
  return _xmpp ? _xmpp->AddContact(jid, name, group) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::RemoveContact(const char* jid) { return _xmpp ? _xmpp->RemoveContact(jid) : E_NOTIMPL; }
HRESULT ZELRTCMainSessionImpl::MoveContact(const char* jid, const char* fromGroup, const char* toGroup) {
  return _xmpp ? _xmpp->MoveContact(jid, fromGroup, toGroup) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::AnswerSubscription(const char* jid, unsigned char accept) {
  return _xmpp ? _xmpp->AnswerSubscription(jid, accept) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::JoinConference(const char* room, const char* nick) {
  return _xmpp ? _xmpp->JoinConference(room, nick) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::LeaveConference(const char* room) {
  return _xmpp ? _xmpp->LeaveConference(room) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::InviteToConference(const char* room, const char* jid, const char* reason) {
  return _xmpp ? _xmpp->InviteToConference(room, jid, reason) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::SendConferenceMessage(const char* room, const char* text) {
  return _xmpp ? _xmpp->SendConferenceMessage(room, text) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::SetConferenceRole(const char* room, const char* nick, ZelRTCXmppConferenceRole role) {
  return _xmpp ? _xmpp->SetConferenceRole(room, nick, role) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::ListConferences() { return _xmpp ? _xmpp->ListConferences() : E_NOTIMPL; }
HRESULT ZELRTCMainSessionImpl::RequestUserInfo(const char* jid) {
  return _xmpp ? _xmpp->RequestUserInfo(jid) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::PublishMyInfo(const ZELRTCXmppUserInfo& info) {
  return _xmpp ? _xmpp->PublishMyInfo(info) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::ResolveUsers(const char* name, ZelRTCResolveUsersOption option) {
  return _xmpp ? _xmpp->ResolveUsers(name, option) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::ResolveGroups(const char* name) { return _xmpp ? _xmpp->ResolveGroups(name) : E_NOTIMPL; }
HRESULT ZELRTCMainSessionImpl::RequestGroupContent(const char* group) {
  return _xmpp ? _xmpp->RequestGroupContent(group) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::RequestArchive(const char* jid) { return _xmpp ? _xmpp->RequestArchive(jid) : E_NOTIMPL; }
HRESULT ZELRTCMainSessionImpl::ClearArchive(const char* jid) { return _xmpp ? _xmpp->ClearArchive(jid) : E_NOTIMPL; }
HRESULT ZELRTCMainSessionImpl::SetGroupExpanded(const char* group, unsigned char expanded) {
  return _xmpp ? _xmpp->SetGroupExpanded(group, expanded) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::InviteToCall(const char* to, const char* roomId, const char* callType) {
  return _xmpp ? _xmpp->InviteToCall(to, roomId, callType) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::AcceptCall(const char* roomId) { return _xmpp ? _xmpp->AcceptCall(roomId) : E_NOTIMPL; }
HRESULT ZELRTCMainSessionImpl::EndCall(const char* roomId) { return _xmpp ? _xmpp->EndCall(roomId) : E_NOTIMPL; }
HRESULT ZELRTCMainSessionImpl::SendSdp(const char* roomId, const char* sdp, unsigned char renegotiating,
                                       unsigned char secondSwitch) {
  return _xmpp ? _xmpp->SendSdp(roomId, sdp, renegotiating, secondSwitch) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::SendIceCandidate(const char* roomId, const char* candidate) {
  return _xmpp ? _xmpp->SendIceCandidate(roomId, candidate) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::SendFile(const char* to, const char* path, const char* description,
                                        int& oTransferId) {
  oTransferId = -1;
  return _xmpp ? _xmpp->SendFile(to, path, description, oTransferId) : E_NOTIMPL;
}
HRESULT ZELRTCMainSessionImpl::DownloadFile(int transferId, const char* path) {
  return _xmpp ? _xmpp->DownloadFile(transferId, path) : E_NOTIMPL;
}
