// The users and groups the XMPP back end puts in its notifications: small
// reference-counted components of this library. A user is a snapshot, fixed
// when it is made (its presence at that moment), so clients on any thread read
// it without a lock. A group holds one reference per user it lists; its list
// may change (AddUser, RemoveUser), under its own lock. Every one alive is
// counted by ZELRTCXmppLiveObjects.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "ZELBaseUnknown.h"
#include "ZELIRTCGroup.h"
#include "ZELIRTCUser.h"
#include "ZELMetaClass.h"

// Users, groups and sessions of this library alive in the process.
int ZELRTCXmppLiveObjects();
void ZELRTCXmppCountObject(int delta);

struct ZELRTCXmppUserState {
  std::string jid;  // bare address
  std::string name;
  std::string statusText;
  ZelRTCUserStatus status = ZelRTCStatusOffline;
  bool logged = false;  // the user logged in on the session
};

class ZELRTCXmppUser : public ZELBaseUnknown, public ZELIRTCUser {
 public:
  ZELRTCXmppUser(int sessionId, ZELRTCXmppUserState state);
  ~ZELRTCXmppUser() override;
  ZEL_DECLARE_CLASS_DESCRIPTION(ZELRTCXmppUser)

  using ZELBaseUnknown::QueryInterface;
  HRESULT QueryInterface(const GUID& iid, void** oInterface) override;
  unsigned long AddRef() override;
  unsigned long Release() override;
  int GetSessionId() override;
  HRESULT IsLoggedUser(unsigned char& oIsLogged) override;
  ZELUnicodeString GetIdentifier() override;
  ZELUnicodeString GetName() override;
  ZELUnicodeString GetDn() override;
  ZELUnicodeString GetStatusDescription() override;
  ZelRTCUserStatus GetStatus() override;

 private:
  const int _sessionId;
  const ZELRTCXmppUserState _state;
};

class ZELRTCXmppGroup : public ZELBaseUnknown, public ZELIRTCGroup {
 public:
  ZELRTCXmppGroup(int sessionId, std::string name);
  ~ZELRTCXmppGroup() override;
  ZEL_DECLARE_CLASS_DESCRIPTION(ZELRTCXmppGroup)

  using ZELBaseUnknown::QueryInterface;
  HRESULT QueryInterface(const GUID& iid, void** oInterface) override;
  unsigned long AddRef() override;
  unsigned long Release() override;
  int GetSessionId() override;
  int GetUserCount() override;
  // The group's name is its identifier too.
  ZELUnicodeString GetIdentifier() override;
  ZELUnicodeString GetName() override;
  HRESULT AddUser(ZELIRTCUser* user) override;
  // Appends the users with one reference each, which the caller gives back.
  HRESULT GetUsers(ZELListPtrZELIRTCUser& oUsers) override;
  HRESULT RemoveUser(ZELIRTCUser* user) override;
  HRESULT SetExpanded(unsigned char expanded) override;
  HRESULT IsPublic(unsigned char& oFlag) override;
  HRESULT IsExpanded(unsigned char& oFlag) override;

 private:
  const int _sessionId;
  const std::string _name;
  std::mutex _lock;
  std::vector<ZELIRTCUser*> _users;  // one reference each
  unsigned char _expanded = 1;
};
