// ZELRTCXmppSession: the XMPP back end of one session: its connection and
// features, wired together. The session component owns one for the XMPP
// drivers and forwards the operations of ZELIRTCXmppSession to it. Each
// operation is one traced scope that checks the arguments and queues the
// feature's work on the connection's thread (Run).
#pragma once

#include <functional>
#include <string>

#include "ZELRTCTracedMethod.h"

#include "ZELRTCXmppConnection.h"
#include "ZELRTCXmppFeatureSet.h"

class ZELRTCXmppSession {
 public:
  explicit ZELRTCXmppSession(int sessionId);
  // Closes the stream and stops the thread; then the notifications' source ends.
  ~ZELRTCXmppSession();

  HRESULT Login(const ZELRTCXmppLoginOptions& options);
  HRESULT Logout();
  HRESULT SetMyStatus(ZelRTCUserStatus status, const char* text);
  HRESULT SendInstantMessage(const char* to, const char* text);
  HRESULT SendData(const char* to, const char* type, const char* bytes, int length, unsigned char typed);
  HRESULT AddContact(const char* jid, const char* name, const char* group);
  HRESULT RemoveContact(const char* jid);
  HRESULT MoveContact(const char* jid, const char* fromGroup, const char* toGroup);
  HRESULT AnswerSubscription(const char* jid, unsigned char accept);
  HRESULT JoinConference(const char* room, const char* nick);
  HRESULT LeaveConference(const char* room);
  HRESULT InviteToConference(const char* room, const char* jid, const char* reason);
  HRESULT SendConferenceMessage(const char* room, const char* text);
  HRESULT SetConferenceRole(const char* room, const char* nick, ZelRTCXmppConferenceRole role);
  HRESULT ListConferences();
  HRESULT RequestUserInfo(const char* jid);
  HRESULT PublishMyInfo(const ZELRTCXmppUserInfo& info);
  HRESULT ResolveUsers(const char* name, ZelRTCResolveUsersOption option);
  HRESULT ResolveGroups(const char* name);
  HRESULT RequestGroupContent(const char* group);
  HRESULT RequestArchive(const char* jid);
  HRESULT ClearArchive(const char* jid);
  HRESULT SetGroupExpanded(const char* group, unsigned char expanded);
  HRESULT InviteToCall(const char* to, const char* roomId, const char* callType);
  HRESULT AcceptCall(const char* roomId);
  HRESULT EndCall(const char* roomId);
  HRESULT SendSdp(const char* roomId, const char* sdp, unsigned char renegotiating, unsigned char secondSwitch);
  HRESULT SendIceCandidate(const char* roomId, const char* candidate);
  HRESULT SendFile(const char* to, const char* path, const char* description, int& oTransferId);
  HRESULT DownloadFile(int transferId, const char* path);

 private:
  using Work = std::function<void(ZELRTCXmppFeatureSet&)>;
  // One operation: its traced scope (`name`, the entry text of `format` and
  // `args`), the result of its checks and, when that is S_OK, `work` queued.
  template <class... Args>
  HRESULT Run(const char* name, HRESULT checked, Work work, const char* format, Args... args) {
    ZELRTCTracedMethod scope(ZelRTCInfraTrace, name, format, args...);
    return Finish(scope, name, checked, std::move(work));
  }
  HRESULT Run(const char* name, HRESULT checked, Work work) {
    ZELRTCTracedMethod scope(ZelRTCInfraTrace, name);
    return Finish(scope, name, checked, std::move(work));
  }
  HRESULT Finish(ZELRTCTracedMethod& scope, const char* name, HRESULT checked, Work work);
  // E_INVALIDARG without an address (or when `valid` is false), E_FAIL when not logged in, else S_OK.
  HRESULT Peer(const char* jid, bool valid = true) const;
  // E_INVALIDARG when `valid` is false, E_FAIL when not logged in, else S_OK.
  HRESULT Online(bool valid = true) const;

  ZELRTCXmppConnection _connection;
  // Used by the connection's thread, which the destructor stops first.
  ZELRTCXmppFeatureSet _features;
};
