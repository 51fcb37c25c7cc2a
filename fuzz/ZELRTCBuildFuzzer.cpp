// Fuzz target of the notification Build contract.
//
// Each input is decoded into: a notification class (an index into the 33), a
// count, a layout version, a few switches, and an array of parameters of any
// kind and value (nulls, empty values, users and groups from counting fakes,
// long strings, lists with null elements). The class is created through the
// dictionary and built (once, or twice over itself), every getter is read,
// the object is copied and assigned, the array is rendered with
// ZELRTCParam::ParamsToString, and everything is destroyed. Then every fake
// must be back to its own single reference: any reference taken and not given
// back, or given back twice, aborts the run.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ZELRTCArchiveCleanedNotification.h"
#include "ZELRTCArchiveReceivedNotification.h"
#include "ZELRTCBuddyListExpandedNotification.h"
#include "ZELRTCBuddyListGroupNotification.h"
#include "ZELRTCBuddyListNotification.h"
#include "ZELRTCBuddyListUserNotification.h"
#include "ZELRTCClientEventNotification.h"
#include "ZELRTCConferenceParticipantListNotification.h"
#include "ZELRTCConferenceParticipantNotification.h"
#include "ZELRTCDataReceivedNotification.h"
#include "ZELRTCErrorNotification.h"
#include "ZELRTCFileTransferNotification.h"
#include "ZELRTCGroupContentNotification.h"
#include "ZELRTCGroupsResolvedNotification.h"
#include "ZELRTCInstantMessageReceivedNotification.h"
#include "ZELRTCLoginNotification.h"
#include "ZELRTCMeetingAvailableNotification.h"
#include "ZELRTCMeetingInvitationReceivedNotification.h"
#include "ZELRTCMyStatusChangedNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCNotificationClasses.h"
#include "ZELRTCParam.h"
#include "ZELRTCSessionNotification.h"
#include "ZELRTCSplittedDataReceivedNotification.h"
#include "ZELRTCTypedDataReceivedNotification.h"
#include "ZELRTCUserInfoReceivedNotification.h"
#include "ZELRTCUserStatusChangedNotification.h"
#include "ZELRTCUsersResolvedNotification.h"
#include "ZELRTCUtilities.h"
#include "ZELRTCWatchListNotification.h"
#include "ZELRTCWatchListUserNotification.h"
#include "ZELRTCWebRTCCallAcceptedNotification.h"
#include "ZELRTCWebRTCCallEndedNotification.h"
#include "ZELRTCWebRTCICECandidateReceivedNotification.h"
#include "ZELRTCWebRTCInviteSentNotification.h"
#include "ZELRTCWebRTCInviteToCallNotification.h"
#include "ZELRTCWebRTCSDPReceivedNotification.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& whose, long refs) {
  std::fprintf(stderr, "ZELRTCBuildFuzzer: %s %s has %ld references (expected 1)\n", what, whose.c_str(), refs);
  std::abort();
}

// Counting fakes: they start with one reference, their own, and are never
// deleted by Release.
class FuzzUser : public ZELIRTCUser {
 public:
  FuzzUser(const char* id, const char* name, const char* dn, ZelRTCUserStatus status)
      : _id(id), _name(name), _dn(dn), _status(status) {}
  HRESULT QueryInterface(const GUID&, void** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  unsigned long AddRef() override { return static_cast<unsigned long>(++refs); }
  unsigned long Release() override {
    if (refs <= 1) Fail("released", "user " + _id, refs - 1);
    return static_cast<unsigned long>(--refs);
  }
  int GetSessionId() override { return 1; }
  HRESULT IsLoggedUser(unsigned char& flag) override {
    flag = 0;
    return S_OK;
  }
  ZELUnicodeString GetIdentifier() override { return ZELUnicodeString(_id.c_str()); }
  ZELUnicodeString GetName() override { return ZELUnicodeString(_name.c_str()); }
  ZELUnicodeString GetDn() override { return ZELUnicodeString(_dn.c_str()); }
  ZELUnicodeString GetStatusDescription() override { return ZELUnicodeString(); }
  ZelRTCUserStatus GetStatus() override { return _status; }

  long refs = 1;
  std::string _id, _name, _dn;
  ZelRTCUserStatus _status;
};

class FuzzGroup : public ZELIRTCGroup {
 public:
  FuzzGroup(const char* id, const char* name, unsigned char isPublic, unsigned char expanded)
      : _id(id), _name(name), _public(isPublic), _expanded(expanded) {}
  HRESULT QueryInterface(const GUID&, void** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  unsigned long AddRef() override { return static_cast<unsigned long>(++refs); }
  unsigned long Release() override {
    if (refs <= 1) Fail("released", "group " + _id, refs - 1);
    return static_cast<unsigned long>(--refs);
  }
  int GetSessionId() override { return 1; }
  int GetUserCount() override { return static_cast<int>(users.size()); }
  ZELUnicodeString GetIdentifier() override { return ZELUnicodeString(_id.c_str()); }
  ZELUnicodeString GetName() override { return ZELUnicodeString(_name.c_str()); }
  HRESULT AddUser(ZELIRTCUser* user) override {
    users.push_back(user);
    return S_OK;
  }
  // Hands its users over without references (the rendering keeps none).
  HRESULT GetUsers(ZELListPtrZELIRTCUser& out) override {
    for (ZELIRTCUser* u : users) out.Append(u);
    return S_OK;
  }
  HRESULT RemoveUser(ZELIRTCUser*) override { return E_NOTIMPL; }
  HRESULT SetExpanded(unsigned char value) override {
    _expanded = value;
    return S_OK;
  }
  HRESULT IsPublic(unsigned char& flag) override {
    flag = _public;
    return S_OK;
  }
  HRESULT IsExpanded(unsigned char& flag) override {
    flag = _expanded;
    return S_OK;
  }

  long refs = 1;
  std::string _id, _name;
  unsigned char _public, _expanded;
  std::vector<ZELIRTCUser*> users;
};

// The fakes live for the whole run.
struct Fakes {
  FuzzUser* users[3];
  FuzzGroup* groups[2];
};

Fakes& TheFakes() {
  static Fakes* fakes = [] {
    auto* f = new Fakes;
    f->users[0] = new FuzzUser("alice", "Alice", "cn=alice", ZelRTCStatusActive);
    f->users[1] = new FuzzUser("bob", "", "", ZelRTCStatusUnknown);
    f->users[2] = new FuzzUser("carol", "Carol", "Carol", static_cast<ZelRTCUserStatus>(42));
    f->groups[0] = new FuzzGroup("team", "Team", 1, 0);
    f->groups[1] = new FuzzGroup("empty", "", 0, 1);
    f->groups[0]->users = {f->users[0], nullptr, f->users[2]};
    return f;
  }();
  return *fakes;
}

void CheckBalanced() {
  Fakes& f = TheFakes();
  for (FuzzUser* u : f.users) {
    if (u->refs != 1) Fail("after the run,", "user " + u->_id, u->refs);
  }
  for (FuzzGroup* g : f.groups) {
    if (g->refs != 1) Fail("after the run,", "group " + g->_id, g->refs);
  }
}

// Reads the input from the front; past its end every read gives zeros.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : _data(data), _size(size) {}
  uint8_t Byte() { return _pos < _size ? _data[_pos++] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
  uint32_t U32() { return static_cast<uint32_t>(U16() | (static_cast<uint32_t>(U16()) << 16)); }
  bool Done() const { return _pos >= _size; }

  // Up to `n` bytes of the input; a length byte of 255 asks for a long text.
  std::string Bytes() {
    uint8_t length = Byte();
    size_t n = length == 255 ? 300 + Byte() * 4 : length % 40;
    std::string out;
    for (size_t i = 0; i < n; ++i) out.push_back(static_cast<char>(_pos < _size ? _data[_pos++] : 'a' + i % 26));
    return out;
  }

  ZELUnicodeString Text() {
    uint8_t how = Byte();
    std::string bytes = Bytes();
    if (how & 1) {
      // Any 16-bit units, lone surrogates included.
      std::u16string units;
      for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units.push_back(
            static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
      }
      return ZELUnicodeString(units.data(), static_cast<int>(units.size()));
    }
    // Any bytes as UTF-8, up to the first zero.
    return ZELUnicodeString(bytes.c_str());
  }

 private:
  const uint8_t* _data;
  size_t _size;
  size_t _pos = 0;
};

ZELIRTCUser* PickUser(Input& in) {
  uint8_t i = in.Byte() % 4;
  return i < 3 ? TheFakes().users[i] : nullptr;
}

ZELIRTCGroup* PickGroup(Input& in) {
  uint8_t i = in.Byte() % 3;
  return i < 2 ? TheFakes().groups[i] : nullptr;
}

// A parameter whose value is empty: false, 0, no bytes, no user, no group.
ZELRTCParam* MakeEmptyParam(Input& in) {
  switch (in.Byte() % 5) {
    case 0:
      return new ZELRTCParam(static_cast<unsigned char>(0));
    case 1:
      return new ZELRTCParam(0);
    case 2:
      return new ZELRTCParam(static_cast<const char*>(nullptr), 0);
    case 3:
      return new ZELRTCParam(static_cast<ZELIRTCUser*>(nullptr));
    default:
      return new ZELRTCParam(static_cast<ZELIRTCGroup*>(nullptr));
  }
}

// One parameter of the kind the input chooses (0 to 10, the kinds), an empty
// one (11), or null (12).
ZELRTCParam* MakeParam(Input& in) {
  switch (in.Byte() % 13) {
    case 0:
      return new ZELRTCParam(static_cast<unsigned char>(in.Byte()));
    case 1: {
      uint8_t small = in.Byte();
      return new ZELRTCParam(small < 200 ? small % 8 : static_cast<int>(in.U32()));
    }
    case 2: {
      uint64_t bits = static_cast<uint64_t>(in.U32()) | (static_cast<uint64_t>(in.U32()) << 32);
      double value;
      static_assert(sizeof value == sizeof bits, "double is 64-bit");
      std::memcpy(&value, &bits, sizeof value);
      return new ZELRTCParam(value);
    }
    case 3: {
      std::string bytes = in.Bytes();
      if (in.Byte() & 1) {
        ZELBinary binary(static_cast<unsigned int>(bytes.size()), bytes.data());
        return new ZELRTCParam(binary);
      }
      return new ZELRTCParam(bytes.data(), static_cast<int>(bytes.size()));
    }
    case 4: {
      if (in.Byte() & 1) {
        ZELUnicodeString text = in.Text();
        return new ZELRTCParam(ZELSysTSUnicodeString(text.ConvertToUCChar(), text.GetLengthInChar()));
      }
      return new ZELRTCParam(in.Text());
    }
    case 5: {
      const int n = in.Byte() % 6;
      if (in.Byte() & 1) {
        ZELSysTSVectorOfUnicodeString vector;
        for (int i = 0; i < n; ++i) {
          ZELUnicodeString text = in.Text();
          vector.PutBack(ZELSysTSUnicodeString(text.ConvertToUCChar(), text.GetLengthInChar()));
        }
        return new ZELRTCParam(vector);
      }
      ZELListValZELUnicodeString list;
      for (int i = 0; i < n; ++i) list.Append(in.Text());
      return new ZELRTCParam(list);
    }
    case 6:
      return new ZELRTCParam(PickUser(in));
    case 7: {
      ZELListPtrZELIRTCUser users;
      for (int i = 0, n = in.Byte() % 6; i < n; ++i) users.Append(PickUser(in));
      return new ZELRTCParam(users);
    }
    case 8:
      return new ZELRTCParam(PickGroup(in));
    case 9: {
      ZELListPtrZELIRTCGroup groups;
      for (int i = 0, n = in.Byte() % 5; i < n; ++i) groups.Append(PickGroup(in));
      return new ZELRTCParam(groups);
    }
    case 10: {
      ZELRawCollint ints;
      for (int i = 0, n = in.Byte() % 6; i < n; ++i) ints.Append(static_cast<int>(in.U32()));
      return new ZELRTCParam(ints);
    }
    case 11:
      return MakeEmptyParam(in);
    default:
      return nullptr;
  }
}

// What the getters hand out is looked at, and references handed out are
// given back.
volatile size_t g_sink;
void Use(const ZELUnicodeString& s) { g_sink = g_sink + static_cast<size_t>(s.GetLengthInChar()); }
void Use(const ZELListValZELUnicodeString& list) {
  for (int i = 1; i <= list.Size(); ++i) Use(list[i]);
}
void Use(const ZELRawCollint& list) {
  for (int i = 1; i <= list.Size(); ++i) g_sink = g_sink + static_cast<size_t>(list[i]);
}
void Use(ZELIRTCUser* user) {
  if (user) user->Release();
}
void Use(ZELIRTCGroup* group) {
  if (group) group->Release();
}
void Use(const char* bytes, int length) {
  if (length < 0 || (length > 0 && !bytes)) std::abort();
  for (int i = 0; i < length; ++i) g_sink = g_sink + static_cast<unsigned char>(bytes[i]);
}
template <class T>
void UseValue(T value) {
  g_sink = g_sink + static_cast<size_t>(value);
}
template <class L>
void UseList(L& list) {
  for (int i = 1; i <= list.Size(); ++i) {
    if (!list[i]) std::abort();  // lists handed out never hold null
  }
  ZELRTCUtilities::Release(list);
}
template <class F>
void UseStrings(F get) {
  ZELListValZELUnicodeString list;
  list.Append("stale");
  get(list);
  Use(list);
}

// The getters of every class.
void Read(ZELRTCArchiveCleanedNotification& n) {
  Use(n.GetPartnerId()), Use(n.GetPartnerName()), UseValue(n.GetResponseCode());
}
void Read(ZELRTCArchiveReceivedNotification& n) {
  Use(n.GetPartnerId()), Use(n.GetPartnerName()), Use(n.GetListOfMsgArchive());
  Use(n.GetListOfAssociatedSpeakerMsgArchive());
}
void Read(ZELRTCBuddyListExpandedNotification& n) {
  UseValue(n.GetEventType());
  UseStrings([&](ZELListValZELUnicodeString& l) { n.GetExpandedGroupsIds(l); });
}
void Read(ZELRTCBuddyListGroupNotification& n) {
  UseValue(n.GetEventType()), Use(n.GetGroup()), Use(n.GetGroupId()), Use(n.GetGroupName()), Use(n.GetNewName());
}
void Read(ZELRTCBuddyListNotification& n) {
  UseValue(n.GetEventType()), UseValue(n.GetReason());
  ZELListPtrZELIRTCGroup groups;
  n.GetBuddyList(groups);
  n.GetBuddyList(groups);  // the second gives back what the first handed out
  UseList(groups);
}
void Read(ZELRTCBuddyListUserNotification& n) {
  UseValue(n.GetEventType()), Use(n.GetUser()), Use(n.GetUserId()), Use(n.GetGroupId()), Use(n.GetNewName());
}
void Read(ZELRTCClientEventNotification& n) {
  UseValue(n.GetEventType()), UseValue(n.GetSpeakerVolume()), UseValue(n.IsSpeakerAudioMuted());
  UseValue(n.GetMicrophoneVolume()), UseValue(n.IsMicrophoneAudioMuted()), UseValue(n.GetSupportedMediaTypes());
}
void Read(ZELRTCConferenceParticipantListNotification& n) {
  Use(n.GetConferenceURI());
  UseStrings([&](ZELListValZELUnicodeString& l) { n.GetParticipantIds(l); });
  UseStrings([&](ZELListValZELUnicodeString& l) { n.GetParticipantNames(l); });
  ZELRawCollint roles;
  roles.Append(-1);
  n.GetParticipantRoles(roles);
  Use(roles);
}
void Read(ZELRTCConferenceParticipantNotification& n) {
  UseValue(n.GetEventType()), Use(n.GetPartnerId()), Use(n.GetPartnerName()), Use(n.GetConferenceURI());
}
void Read(ZELRTCDataReceivedNotification& n) {
  UseValue(n.GetEventType()), Use(n.GetPartnerId()), Use(n.GetPartnerName()), Use(n.GetMessageType());
  int length = -1;
  const char* bytes = n.GetData(length);
  Use(bytes, length), UseValue(n.IsEncrypted());
}
void Read(ZELRTCErrorNotification& n) { Use(n.GetErrorMessage()), Use(n.GetMessageKey()); }
void Read(ZELRTCFileTransferNotification& n) {
  UseValue(n.GetEventType()), UseValue(n.GetReason()), Use(n.GetExtendedErrorString()), Use(n.GetPartnerId());
  Use(n.GetPartnerName()), Use(n.GetFileTransferString()), Use(n.GetFileName()), Use(n.GetFileDesc());
  Use(n.GetTransferType()), UseValue(n.GetTransferID()), UseValue(n.GetFileSize());
  UseValue(n.GetNumOfByteTransferred());
}
void Read(ZELRTCGroupContentNotification& n) {
  UseValue(n.GetEventType()), Use(n.GetGroup()), Use(n.GetGroupName()), UseValue(n.GetReason());
}
void Read(ZELRTCGroupsResolvedNotification& n) {
  UseValue(n.GetEventType()), Use(n.GetNameToResolve()), UseValue(n.GetReason());
  UseStrings([&](ZELListValZELUnicodeString& l) { n.GetResolvedGroupsIds(l); });
  UseStrings([&](ZELListValZELUnicodeString& l) { n.GetResolvedGroupsNames(l); });
}
void Read(ZELRTCInstantMessageReceivedNotification& n) {
  UseValue(n.GetEventType()), Use(n.GetPartnerId()), Use(n.GetPartnerName()), Use(n.GetMessageW());
  UseValue(n.IsEncrypted());
}
void Read(ZELRTCLoginNotification& n) {
  UseValue(n.GetEventType()), Use(n.GetHost()), Use(n.GetUser()), UseValue(n.GetReason());
}
void Read(ZELRTCMeetingAvailableNotification& n) { Use(n.GetMeetingId()), Use(n.GetMeetingURL()); }
void Read(ZELRTCMeetingInvitationReceivedNotification& n) {
  Use(n.GetMeetingId()), Use(n.GetMeetingName()), Use(n.GetSenderId()), Use(n.GetSenderName());
  Use(n.GetInvitationMsg()), UseValue(n.GetMeetingType());
}
void Read(ZELRTCMyStatusChangedNotification& n) { UseValue(n.GetStatus()), Use(n.GetStatusDescription()); }
void Read(ZELRTCSessionNotification& n) {
  UseValue(n.GetSessionType()), UseValue(n.GetEventType()), Use(n.GetPartnerId()), Use(n.GetPartnerName());
  UseValue(n.IsEncrypted()), UseValue(n.GetReason()), UseValue(n.GetSpeakerVolume());
  UseValue(n.IsSpeakerAudioMuted()), UseValue(n.GetMicrophoneVolume()), UseValue(n.IsMicrophoneAudioMuted());
  UseValue(n.GetSupportedMediaTypes());
}
void Read(ZELRTCSplittedDataReceivedNotification& n) {
  UseValue(n.GetEventType()), Use(n.GetPartnerId()), Use(n.GetPartnerName()), Use(n.GetTypeId());
  int length = -1;
  const char* bytes = n.GetData(length);
  Use(bytes, length), UseValue(n.IsEncrypted()), UseValue(n.IsTypedData());
}
void Read(ZELRTCTypedDataReceivedNotification& n) {
  UseValue(n.GetEventType()), Use(n.GetPartnerId()), Use(n.GetPartnerName()), Use(n.GetServiceId());
  int length = -1;
  const char* bytes = n.GetData(length);
  Use(bytes, length), UseValue(n.IsEncrypted());
}
void Read(ZELRTCUserInfoReceivedNotification& n) {
  Use(n.GetUser()), Use(n.GetName()), Use(n.GetTitle()), Use(n.GetTelephone()), Use(n.GetMailAdress());
  int length = -1;
  const char* bytes = n.GetPhoto(length);
  Use(bytes, length);
}
void Read(ZELRTCUserStatusChangedNotification& n) {
  ZELListPtrZELIRTCUser users;
  n.GetUsers(users);
  n.GetUsers(users);
  UseList(users);
}
void Read(ZELRTCUsersResolvedNotification& n) {
  UseValue(n.GetEventType()), Use(n.GetNameToResolve()), UseValue(n.GetReason()), UseValue(n.GetResolveOptions());
  UseStrings([&](ZELListValZELUnicodeString& l) { n.GetResolvedUsersIds(l); });
  UseStrings([&](ZELListValZELUnicodeString& l) { n.GetResolvedUsersNames(l); });
}
void Read(ZELRTCWatchListNotification& n) { UseValue(n.GetEventType()), Use(n.GetWatchListId()); }
void Read(ZELRTCWatchListUserNotification& n) {
  UseValue(n.GetEventType()), Use(n.GetUser()), Use(n.GetUserId()), Use(n.GetWatchListId());
}
void Read(ZELRTCWebRTCCallAcceptedNotification& n) {
  Use(n.GetLogin()), Use(n.GetRoomId()), UseValue(n.GetIsNWay()), Use(n.GetType()), UseValue(n.GetIsCaller());
  Use(n.GetIceServers());
}
void Read(ZELRTCWebRTCCallEndedNotification& n) { Use(n.GetUserId()), Use(n.GetRoomId()), Use(n.GetReason()); }
void Read(ZELRTCWebRTCICECandidateReceivedNotification& n) {
  Use(n.GetUserId()), Use(n.GetRoomId()), Use(n.GetCandidate());
}
void Read(ZELRTCWebRTCInviteSentNotification& n) {
  Use(n.GetRTCUser()), Use(n.GetRoomId()), Use(n.GetOrderId()), UseValue(n.GetDoYouHaveToAccept());
  Use(n.GetErrorMsg());
}
void Read(ZELRTCWebRTCInviteToCallNotification& n) {
  Use(n.GetRTCUser()), Use(n.GetRoomId()), Use(n.GetOrderId()), UseValue(n.GetDoYouHaveToAccept());
  Use(n.GetErrorMsg());
}
void Read(ZELRTCWebRTCSDPReceivedNotification& n) {
  Use(n.GetUserLogin()), Use(n.GetUserId()), Use(n.GetRoomId()), UseValue(n.GetIsCaller());
  UseValue(n.GetIsRenegotiating()), UseValue(n.GetIsSecondSwitch()), Use(n.GetSDP());
}

// Reads the built object, a copy of it, and an object assigned from both
// (and from itself).
template <class C>
void Exercise(ZELRTCNotification* built) {
  C& n = static_cast<C&>(*built);
  Read(n);
  C copy(n);
  Read(copy);
  C assigned;
  assigned = copy;
  assigned = n;
  const C& same = assigned;
  assigned = same;
  Read(assigned);
}

struct ClassEntry {
  const char* name;
  void (*exercise)(ZELRTCNotification*);
};

#define ZEL_FUZZ_ENTRY(C) {#C, &Exercise<C>},
const ClassEntry kClasses[] = {ZEL_RTC_FOR_EACH_NOTIFICATION(ZEL_FUZZ_ENTRY)};
#undef ZEL_FUZZ_ENTRY
constexpr size_t kClassCount = sizeof kClasses / sizeof kClasses[0];
static_assert(kClassCount == 33, "every notification class is fuzzed");

void RunOne(Input& in) {
  const ClassEntry& entry = kClasses[in.Byte() % kClassCount];
  const unsigned int count = in.Byte() % 12;
  const uint8_t versionByte = in.Byte();
  const unsigned short version = versionByte < 250 ? versionByte % 4 : in.U16();
  const uint8_t switches = in.Byte();

  std::vector<std::unique_ptr<ZELRTCParam>> owned;
  std::vector<ZELRTCParam*> params;
  for (unsigned int i = 0; i < count; ++i) {
    owned.emplace_back(MakeParam(in));
    params.push_back(owned.back().get());
  }
  ZELRTCParam** array = (switches & 1) ? nullptr : params.data();

  ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(entry.name);
  if (!n) std::abort();
  ZELRTCNotificationBuilder::Build(n, array, count, version);
  if (switches & 2) ZELRTCNotificationBuilder::Build(n, array, count, version);
  entry.exercise(n);
  if (n->GetRefCount() != 1) Fail("the notification", entry.name, static_cast<long>(n->GetRefCount()));
  n->Release();

  const int selector = (switches >> 2) & 1;
  const char* name = (switches & 8) ? "Login" : entry.name;
  ZELUnicodeString text = ZELRTCParam::ParamsToString(selector, name, array, count);
  Use(text);

  // A name that is not a class gives nothing, or a notification.
  if (switches & 16) {
    ZELUnicodeString other = in.Text();
    if (ZELRTCNotification* made = ZELRTCNotificationBuilder::Create(other.ConvertToChar())) made->Release();
  }
}

}  // namespace

// The corpus folders named on the command line are made when missing (a
// scratch output folder, for example), as the fuzzing engine requires them to
// exist.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  for (int i = 1; i < *argc; ++i) {
    const char* arg = (*argv)[i];
    struct stat info;
    if (arg[0] != '-' && stat(arg, &info) != 0) mkdir(arg, 0755);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TheFakes();
  {
    Input in(data, size);
    RunOne(in);
  }
  CheckBalanced();
  return 0;
}
