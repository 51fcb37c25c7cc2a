// The users and groups of a replayed event: small reference-counted objects
// made from the event's JSON ({"id", "name", "dn", "status", "description"} for
// a user; {"id", "name", "public", "expanded", "users"} for a group).
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "ZELIRTCGroup.h"
#include "ZELIRTCUser.h"

class ZELToolUser final : public ZELIRTCUser {
 public:
  ZELToolUser(std::string id, std::string name, std::string dn, std::string description, ZelRTCUserStatus status)
      : _id(std::move(id)),
        _name(std::move(name)),
        _dn(std::move(dn)),
        _description(std::move(description)),
        _status(status) {}

  HRESULT QueryInterface(const GUID& iid, void** oInterface) override;
  unsigned long AddRef() override { return ++_refs; }
  unsigned long Release() override;
  int GetSessionId() override { return 0; }
  HRESULT IsLoggedUser(unsigned char& oIsLogged) override { return oIsLogged = 0, S_OK; }
  ZELUnicodeString GetIdentifier() override { return ZELUnicodeString(_id.c_str()); }
  ZELUnicodeString GetName() override { return ZELUnicodeString(_name.c_str()); }
  ZELUnicodeString GetDn() override { return ZELUnicodeString(_dn.c_str()); }
  ZELUnicodeString GetStatusDescription() override { return ZELUnicodeString(_description.c_str()); }
  ZelRTCUserStatus GetStatus() override { return _status; }

 private:
  ~ZELToolUser() = default;
  std::atomic<unsigned long> _refs{1};
  std::string _id, _name, _dn, _description;
  ZelRTCUserStatus _status;
};

// A group holds one reference on each of its users; GetUsers hands them over
// without references (the renderings of the library expect no more).
class ZELToolGroup final : public ZELIRTCGroup {
 public:
  ZELToolGroup(std::string id, std::string name, unsigned char isPublic, unsigned char expanded)
      : _id(std::move(id)), _name(std::move(name)), _public(isPublic), _expanded(expanded) {}

  HRESULT QueryInterface(const GUID& iid, void** oInterface) override;
  unsigned long AddRef() override { return ++_refs; }
  unsigned long Release() override;
  int GetSessionId() override { return 0; }
  int GetUserCount() override { return static_cast<int>(_users.size()); }
  ZELUnicodeString GetIdentifier() override { return ZELUnicodeString(_id.c_str()); }
  ZELUnicodeString GetName() override { return ZELUnicodeString(_name.c_str()); }
  HRESULT AddUser(ZELIRTCUser* user) override;
  HRESULT GetUsers(ZELListPtrZELIRTCUser& oUsers) override;
  HRESULT RemoveUser(ZELIRTCUser* user) override;
  HRESULT SetExpanded(unsigned char expanded) override { return _expanded = expanded, S_OK; }
  HRESULT IsPublic(unsigned char& oFlag) override { return oFlag = _public, S_OK; }
  HRESULT IsExpanded(unsigned char& oFlag) override { return oFlag = _expanded, S_OK; }

 private:
  ~ZELToolGroup();
  std::atomic<unsigned long> _refs{1};
  std::string _id, _name;
  unsigned char _public, _expanded;
  std::vector<ZELIRTCUser*> _users;
};
