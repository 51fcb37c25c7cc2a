// The replayed users and groups.
#include "ZELToolObjects.h"

#include <algorithm>

#include "ZELListPtrZELIRTCUser.h"

namespace {
HRESULT NoInterface(void** oInterface) {
  if (oInterface) *oInterface = nullptr;
  return E_NOINTERFACE;
}
}  // namespace

HRESULT ZELToolUser::QueryInterface(const GUID&, void** oInterface) { return NoInterface(oInterface); }

unsigned long ZELToolUser::Release() {
  unsigned long left = --_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT ZELToolGroup::QueryInterface(const GUID&, void** oInterface) { return NoInterface(oInterface); }

unsigned long ZELToolGroup::Release() {
  unsigned long left = --_refs;
  if (left == 0) delete this;
  return left;
}

ZELToolGroup::~ZELToolGroup() {
  for (ZELIRTCUser* user : _users) user->Release();
}

HRESULT ZELToolGroup::AddUser(ZELIRTCUser* user) {
  if (!user) return E_FAIL;
  user->AddRef();
  _users.push_back(user);
  return S_OK;
}

HRESULT ZELToolGroup::GetUsers(ZELListPtrZELIRTCUser& oUsers) {
  for (ZELIRTCUser* user : _users) oUsers.Append(user);
  return S_OK;
}

HRESULT ZELToolGroup::RemoveUser(ZELIRTCUser* user) {
  auto found = std::find(_users.begin(), _users.end(), user);
  if (found == _users.end()) return E_FAIL;
  _users.erase(found);
  user->Release();
  return S_OK;
}
