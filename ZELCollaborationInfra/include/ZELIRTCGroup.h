// ZELIRTCGroup: a group of users of a contact list (implemented by the
// drivers). Reference counted like ZELIRTCUser.
#pragma once

#include "ZELPlatformTypes.h"
#include "ZELUnicodeString.h"

class ZELIRTCUser;
class ZELListPtrZELIRTCUser;

// The operations stand in this order in the interface.
class ZELIRTCGroup {
 public:
  virtual HRESULT QueryInterface(const GUID& iid, void** oInterface) = 0;
  virtual unsigned long AddRef() = 0;
  virtual unsigned long Release() = 0;
  // The identifier of the main session that reported this group.
  virtual int GetSessionId() = 0;
  // The number of users in the group.
  virtual int GetUserCount() = 0;
  virtual ZELUnicodeString GetIdentifier() = 0;
  virtual ZELUnicodeString GetName() = 0;
  // Adds a user to the group (the group takes its own reference).
  virtual HRESULT AddUser(ZELIRTCUser* user) = 0;
  // Appends the group's users to oUsers, which the caller made empty. Whether
  // they carry references is the implementation's to document.
  virtual HRESULT GetUsers(ZELListPtrZELIRTCUser& oUsers) = 0;
  // Removes a user from the group.
  virtual HRESULT RemoveUser(ZELIRTCUser* user) = 0;
  // Expands or collapses the group in the contact list.
  virtual HRESULT SetExpanded(unsigned char expanded) = 0;
  // Set oFlag (which the caller has set to 0) to 1 when public or expanded.
  virtual HRESULT IsPublic(unsigned char& oFlag) = 0;
  virtual HRESULT IsExpanded(unsigned char& oFlag) = 0;

 protected:
  ~ZELIRTCGroup() = default;
};
