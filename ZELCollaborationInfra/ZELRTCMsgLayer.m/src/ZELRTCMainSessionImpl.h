// ZELRTCMainSessionImpl: the session component of the messaging layer. One
// class serves every driver: it keeps the driver number it was created with
// and an identifier unique in the process. Reference-counted; the last
// Release deletes it. For the XMPP drivers it is also the back end that talks
// to the server, controlled through ZELIRTCXmppSession; the other drivers'
// sessions answer E_NOTIMPL there.
#pragma once

#include <memory>

#include "ZELBaseUnknown.h"
#include "ZELIRTCMainSession.h"
#include "ZELIRTCXmppSession.h"
#include "ZELMetaClass.h"

class ZELRTCXmppSession;

class ZELRTCMainSessionImpl : public ZELBaseUnknown, public ZELIRTCMainSession, public ZELIRTCXmppSession {
 public:
  explicit ZELRTCMainSessionImpl(ZelRTCDriver driver);
  ~ZELRTCMainSessionImpl() override;

  ZEL_DECLARE_CLASS_DESCRIPTION(ZELRTCMainSessionImpl)

  // The roots share one count and one interface table.
  using ZELBaseUnknown::QueryInterface;
  HRESULT QueryInterface(const GUID& iid, void** oInterface) override;
  unsigned long AddRef() override;
  unsigned long Release() override;

  int GetSessionId() override;
  ZelRTCDriver GetDriver() override;

  HRESULT Login(const ZELRTCXmppLoginOptions& options) override;
  HRESULT Logout() override;
  HRESULT SetMyStatus(ZelRTCUserStatus status, const char* text) override;
  HRESULT SendInstantMessage(const char* to, const char* text) override;
  HRESULT SendData(const char* to, const char* type, const char* bytes, int length, unsigned char typed) override;
  HRESULT AddContact(const char* jid, const char* name, const char* group) override;
  HRESULT RemoveContact(const char* jid) override;
  HRESULT MoveContact(const char* jid, const char* fromGroup, const char* toGroup) override;
  HRESULT AnswerSubscription(const char* jid, unsigned char accept) override;
  HRESULT JoinConference(const char* room, const char* nick) override;
  HRESULT LeaveConference(const char* room) override;
  HRESULT InviteToConference(const char* room, const char* jid, const char* reason) override;
  HRESULT SendConferenceMessage(const char* room, const char* text) override;
  HRESULT SetConferenceRole(const char* room, const char* nick, ZelRTCXmppConferenceRole role) override;
  HRESULT ListConferences() override;
  HRESULT RequestUserInfo(const char* jid) override;
  HRESULT PublishMyInfo(const ZELRTCXmppUserInfo& info) override;
  HRESULT ResolveUsers(const char* name, ZelRTCResolveUsersOption option) override;
  HRESULT ResolveGroups(const char* name) override;
  HRESULT RequestGroupContent(const char* group) override;
  HRESULT RequestArchive(const char* jid) override;
  HRESULT ClearArchive(const char* jid) override;
  HRESULT SetGroupExpanded(const char* group, unsigned char expanded) override;
  HRESULT InviteToCall(const char* to, const char* roomId, const char* callType) override;
  HRESULT AcceptCall(const char* roomId) override;
  HRESULT EndCall(const char* roomId) override;
  HRESULT SendSdp(const char* roomId, const char* sdp, unsigned char renegotiating,
                  unsigned char secondSwitch) override;
  HRESULT SendIceCandidate(const char* roomId, const char* candidate) override;
  HRESULT SendFile(const char* to, const char* path, const char* description, int& oTransferId) override;
  HRESULT DownloadFile(int transferId, const char* path) override;

 private:
  ZELRTCMainSessionImpl(const ZELRTCMainSessionImpl&) = delete;
  ZELRTCMainSessionImpl& operator=(const ZELRTCMainSessionImpl&) = delete;

  const int _sessionId;
  const ZelRTCDriver _driver;
  std::unique_ptr<ZELRTCXmppSession> _xmpp;  // XMPP drivers only
};
