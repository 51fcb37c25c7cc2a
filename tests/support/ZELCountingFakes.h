// Counting fakes of the interfaces that drivers and the session component
// implement. Each starts with one reference, the test's own, counts every
// AddRef and Release, and is never deleted by them: a test reads the counts.
// A fake destroyed with a count other than 1 reports the imbalance through
// ZELFakeImbalanceHandler (the test main turns it into a test failure).
#pragma once

#include <string>
#include <vector>

#include "ZELIRTCGroup.h"
#include "ZELIRTCMainSession.h"
#include "ZELIRTCUser.h"
#include "ZELListPtrZELIRTCUser.h"

// Called with the fake's description and its count when it is destroyed unbalanced.
extern void (*ZELFakeImbalanceHandler)(const std::string& what, long refs);

class ZELFakeCounter {
 public:
  explicit ZELFakeCounter(std::string what) : _what(std::move(what)) {}
  ~ZELFakeCounter();
  long refs = 1;
  int addRefs = 0;
  int releases = 0;
  // Whether the destructor checks the balance.
  bool checkBalance = true;

 protected:
  unsigned long Add() { return ++addRefs, static_cast<unsigned long>(++refs); }
  unsigned long Drop() { return ++releases, static_cast<unsigned long>(--refs); }
  static HRESULT NoInterface(void** out) {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  std::string _what;
};

class FakeUser : public ZELIRTCUser, public ZELFakeCounter {
 public:
  explicit FakeUser(const char* id, const char* name = "", const char* dn = "",
                    ZelRTCUserStatus status = ZelRTCStatusUnknown)
      : ZELFakeCounter(std::string("FakeUser ") + id), id(id), name(name), dn(dn), status(status) {}
  virtual ~FakeUser() = default;

  HRESULT QueryInterface(const GUID&, void** out) override { return NoInterface(out); }
  unsigned long AddRef() override { return Add(); }
  unsigned long Release() override { return Drop(); }
  int GetSessionId() override { return 0; }
  HRESULT IsLoggedUser(unsigned char& flag) override { return flag = 0, S_OK; }
  ZELUnicodeString GetIdentifier() override { return Record("GetIdentifier"), ZELUnicodeString(id.c_str()); }
  ZELUnicodeString GetName() override { return Record("GetName"), ZELUnicodeString(name.c_str()); }
  ZELUnicodeString GetDn() override { return Record("GetDn"), ZELUnicodeString(dn.c_str()); }
  ZELUnicodeString GetStatusDescription() override { return ZELUnicodeString(); }
  ZelRTCUserStatus GetStatus() override { return Record("GetStatus"), status; }

  std::string id, name, dn;
  ZelRTCUserStatus status;
  std::vector<std::string> calls;  // the rendering operations called, in order

 private:
  void Record(const char* call) { calls.push_back(call); }
};

class FakeGroup : public ZELIRTCGroup, public ZELFakeCounter {
 public:
  explicit FakeGroup(const char* id, const char* name = "", unsigned char isPublic = 0, unsigned char expanded = 0)
      : ZELFakeCounter(std::string("FakeGroup ") + id), id(id), name(name), isPublic(isPublic), expanded(expanded) {}
  virtual ~FakeGroup() = default;

  HRESULT QueryInterface(const GUID&, void** out) override { return NoInterface(out); }
  unsigned long AddRef() override { return Add(); }
  unsigned long Release() override { return Drop(); }
  int GetSessionId() override { return 0; }
  int GetUserCount() override { return static_cast<int>(users.size()); }
  ZELUnicodeString GetIdentifier() override { return Record("GetIdentifier"), ZELUnicodeString(id.c_str()); }
  ZELUnicodeString GetName() override { return Record("GetName"), ZELUnicodeString(name.c_str()); }
  HRESULT AddUser(ZELIRTCUser* user) override { return users.push_back(user), S_OK; }
  // Hands the users over without references.
  HRESULT GetUsers(ZELListPtrZELIRTCUser& out) override {
    Record("GetUsers");
    for (ZELIRTCUser* u : users) out.Append(u);
    return S_OK;
  }
  HRESULT RemoveUser(ZELIRTCUser*) override { return E_NOTIMPL; }
  HRESULT SetExpanded(unsigned char value) override { return expanded = value, S_OK; }
  HRESULT IsPublic(unsigned char& flag) override { return Record("IsPublic"), flag = isPublic, S_OK; }
  HRESULT IsExpanded(unsigned char& flag) override { return Record("IsExpanded"), flag = expanded, S_OK; }

  std::string id, name;
  unsigned char isPublic, expanded;
  std::vector<ZELIRTCUser*> users;
  std::vector<std::string> calls;

 private:
  void Record(const char* call) { calls.push_back(call); }
};

class FakeMainSession : public ZELIRTCMainSession, public ZELFakeCounter {
 public:
  FakeMainSession(int id, ZelRTCDriver driver)
      : ZELFakeCounter("FakeMainSession " + std::to_string(id)), id(id), driver(driver) {}
  virtual ~FakeMainSession() = default;

  HRESULT QueryInterface(const GUID&, void** out) override { return NoInterface(out); }
  unsigned long AddRef() override { return Add(); }
  unsigned long Release() override { return Drop(); }
  int GetSessionId() override { return id; }
  ZelRTCDriver GetDriver() override { return driver; }

  int id;
  ZelRTCDriver driver;
};
