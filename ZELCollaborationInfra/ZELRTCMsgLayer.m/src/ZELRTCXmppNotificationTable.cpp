// The mapping of the XMPP back end's events onto notifications, as data: one
// row per event kind with the class, the layout version (the highest each
// class documents) and the field at each position; one poster walks it.
#include <memory>
#include <mutex>
#include <set>

#include "ZELListValZELUnicodeString.h"
#include "ZELNotificationCenter.h"
#include "ZELRTCNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCParam.h"
#include "ZELRTCXmppEvent.h"

namespace {

// The classes posted so far in the process, for the coverage check.
std::mutex g_postedLock;
std::set<std::string> g_posted;

// What fills a position.
enum class Field : unsigned char {
  EventType, Reason, Host, User, Users, Group, Groups, PartnerId, PartnerName, Text, TypeId, Bytes,
  BytesLength, Typed, Id, GroupId, Name, NewName, Catalog, Key, Args, SessionType, Zero, False,
  Ids, Names, Roles, Title, Telephone, Mail, HasPhoto, Photo, Option, Messages, Speakers,
  TransferId, FileSize, BytesDone, Url, FileName, FileDesc, TransferType,
  RoomId, CallType, Caller, Renegotiating, SecondSwitch, IceServers, True
};

struct Row {
  ZELRTCXmppEventKind kind;
  const char* className;
  unsigned short version;
  unsigned int count;
  Field fields[12];
};

using F = Field;
using K = ZELRTCXmppEventKind;
constexpr Row kNotificationTable[] = {
    {K::Login, "ZELRTCLoginNotification", 0, 4, {F::EventType, F::Host, F::User, F::Reason}},
    {K::Session, "ZELRTCSessionNotification", 2, 11,
     {F::SessionType, F::EventType, F::PartnerId, F::PartnerName, F::False, F::Reason, F::Zero, F::False, F::Zero,
      F::False, F::Zero}},
    {K::Error, "ZELRTCErrorNotification", 0, 3, {F::Catalog, F::Key, F::Args}},
    {K::BuddyList, "ZELRTCBuddyListNotification", 0, 3, {F::EventType, F::Groups, F::Reason}},
    {K::BuddyListGroup, "ZELRTCBuddyListGroupNotification", 1, 5, {F::EventType, F::Group, F::Id, F::Name, F::NewName}},
    {K::BuddyListUser, "ZELRTCBuddyListUserNotification", 0, 5, {F::EventType, F::User, F::Id, F::GroupId, F::NewName}},
    {K::WatchList, "ZELRTCWatchListNotification", 0, 2, {F::EventType, F::Id}},
    {K::WatchListUser, "ZELRTCWatchListUserNotification", 0, 4, {F::EventType, F::User, F::PartnerId, F::Id}},
    {K::UserStatus, "ZELRTCUserStatusChangedNotification", 0, 1, {F::Users}},
    {K::MyStatus, "ZELRTCMyStatusChangedNotification", 0, 2, {F::EventType, F::Text}},
    {K::InstantMessage, "ZELRTCInstantMessageReceivedNotification", 3, 5,
     {F::PartnerId, F::PartnerName, F::Text, F::False, F::EventType}},
    {K::Data, "ZELRTCDataReceivedNotification", 3, 7,
     {F::PartnerId, F::PartnerName, F::TypeId, F::Bytes, F::BytesLength, F::False, F::EventType}},
    {K::TypedData, "ZELRTCTypedDataReceivedNotification", 3, 7,
     {F::PartnerId, F::PartnerName, F::TypeId, F::Bytes, F::BytesLength, F::False, F::EventType}},
    {K::SplitData, "ZELRTCSplittedDataReceivedNotification", 3, 8,
     {F::PartnerId, F::PartnerName, F::TypeId, F::Bytes, F::BytesLength, F::False, F::Typed, F::EventType}},
    {K::ConferenceParticipantList, "ZELRTCConferenceParticipantListNotification", 0, 4,
     {F::Id, F::Ids, F::Names, F::Roles}},
    {K::ConferenceParticipant, "ZELRTCConferenceParticipantNotification", 0, 4,
     {F::Id, F::PartnerId, F::PartnerName, F::EventType}},
    {K::MeetingInvitation, "ZELRTCMeetingInvitationReceivedNotification", 0, 6,
     {F::Id, F::Name, F::PartnerId, F::PartnerName, F::Text, F::EventType}},
    {K::MeetingAvailable, "ZELRTCMeetingAvailableNotification", 0, 2, {F::Id, F::Text}},
    {K::ConferenceMessage, "ZELRTCInstantMessageReceivedNotification", 3, 5,
     {F::PartnerId, F::PartnerName, F::Text, F::False, F::EventType}},
    {K::UserInfo, "ZELRTCUserInfoReceivedNotification", 0, 7,
     {F::User, F::Name, F::Title, F::Telephone, F::Mail, F::HasPhoto, F::Photo}},
    {K::UsersResolved, "ZELRTCUsersResolvedNotification", 0, 6,
     {F::EventType, F::Name, F::Ids, F::Names, F::Reason, F::Option}},
    {K::GroupsResolved, "ZELRTCGroupsResolvedNotification", 0, 5, {F::EventType, F::Name, F::Ids, F::Names, F::Reason}},
    {K::GroupContent, "ZELRTCGroupContentNotification", 0, 4, {F::EventType, F::Group, F::Name, F::Reason}},
    {K::ArchiveReceived, "ZELRTCArchiveReceivedNotification", 2, 4,
     {F::PartnerId, F::PartnerName, F::Messages, F::Speakers}},
    {K::ArchiveCleaned, "ZELRTCArchiveCleanedNotification", 2, 3, {F::PartnerId, F::PartnerName, F::Reason}},
    {K::BuddyListExpanded, "ZELRTCBuddyListExpandedNotification", 0, 2, {F::EventType, F::Ids}},
    {K::FileTransfer, "ZELRTCFileTransferNotification", 0, 12,
     {F::EventType, F::Reason, F::Text, F::PartnerId, F::PartnerName, F::Url, F::FileName, F::FileDesc,
      F::TransferType, F::TransferId, F::FileSize, F::BytesDone}},
    {K::CallInviteSent, "ZELRTCWebRTCInviteSentNotification", 2, 5,
     {F::User, F::RoomId, F::CallType, F::True, F::Text}},
    {K::CallInvite, "ZELRTCWebRTCInviteToCallNotification", 2, 5, {F::User, F::RoomId, F::CallType, F::True, F::Text}},
    {K::CallAccepted, "ZELRTCWebRTCCallAcceptedNotification", 2, 6,
     {F::PartnerId, F::RoomId, F::False, F::CallType, F::Caller, F::IceServers}},
    {K::CallSdp, "ZELRTCWebRTCSDPReceivedNotification", 2, 7,
     {F::PartnerId, F::PartnerId, F::RoomId, F::Caller, F::Renegotiating, F::SecondSwitch, F::Text}},
    {K::CallCandidate, "ZELRTCWebRTCICECandidateReceivedNotification", 2, 3, {F::PartnerId, F::RoomId, F::Text}},
    {K::CallEnded, "ZELRTCWebRTCCallEndedNotification", 2, 3, {F::PartnerId, F::RoomId, F::Text}},
};
static_assert(sizeof kNotificationTable / sizeof kNotificationTable[0] == static_cast<size_t>(K::Count),
              "one row per event kind");

constexpr bool RowsInOrder() {
  for (size_t i = 0; i < sizeof kNotificationTable / sizeof kNotificationTable[0]; ++i)
    if (kNotificationTable[i].kind != static_cast<K>(i)) return false;
  return true;
}
static_assert(RowsInOrder(), "rows stand in the order of ZELRTCXmppEventKind");

ZELRTCParam* MakeParam(Field field, const ZELRTCXmppEvent& e) {
  auto text = [](const std::string& s) { return new ZELRTCParam(ZELUnicodeString(s.c_str())); };
  auto texts = [](const std::vector<std::string>& list) {
    ZELListValZELUnicodeString values;
    for (const std::string& s : list) values.Append(ZELUnicodeString(s.c_str()));
    return new ZELRTCParam(values);
  };
  switch (field) {
    case F::EventType: return new ZELRTCParam(e.eventType);
    case F::Reason: return new ZELRTCParam(e.reason);
    case F::SessionType: return new ZELRTCParam(0);
    case F::Zero: return new ZELRTCParam(0);
    case F::False: return new ZELRTCParam(static_cast<unsigned char>(0));
    case F::Typed: return new ZELRTCParam(static_cast<unsigned char>(e.typed ? 1 : 0));
    case F::Host: return text(e.host);
    case F::PartnerId: return text(e.partnerId);
    case F::PartnerName: return text(e.partnerName);
    case F::Text: return text(e.text);
    case F::TypeId: return text(e.typeId);
    case F::Id: return text(e.id);
    case F::GroupId: return text(e.groupId);
    case F::Name: return text(e.name);
    case F::NewName: return text(e.newName);
    case F::Catalog: return new ZELRTCParam(ZELUnicodeString(kZELRTCXmppCatalog));
    case F::Key: return text(e.key);
    case F::Bytes: return new ZELRTCParam(e.bytes.data(), static_cast<int>(e.bytes.size()));
    case F::BytesLength: return new ZELRTCParam(static_cast<int>(e.bytes.size()));
    case F::User: return new ZELRTCParam(e.user.Get());
    case F::Group: return new ZELRTCParam(e.group.Get());
    case F::Users: return new ZELRTCParam(e.users.List());
    case F::Groups: return new ZELRTCParam(e.groups.List());
    case F::True: return new ZELRTCParam(static_cast<unsigned char>(1));
    case F::TransferId: return new ZELRTCParam(e.transferId);
    case F::FileSize: return new ZELRTCParam(e.fileSize);
    case F::BytesDone: return new ZELRTCParam(e.bytesDone);
    case F::Url: return text(e.url);
    case F::FileName: return text(e.fileName);
    case F::FileDesc: return text(e.fileDesc);
    case F::TransferType: return text(e.transferType);
    case F::RoomId: return text(e.roomId);
    case F::CallType: return text(e.callType);
    case F::Caller: return new ZELRTCParam(static_cast<unsigned char>(e.caller ? 1 : 0));
    case F::Renegotiating: return new ZELRTCParam(static_cast<unsigned char>(e.renegotiating ? 1 : 0));
    case F::SecondSwitch: return new ZELRTCParam(static_cast<unsigned char>(e.secondSwitch ? 1 : 0));
    case F::IceServers: {
      ZELListValZELUnicodeString servers;
      for (const std::string& s : e.iceServers) servers.Append(ZELUnicodeString(s.c_str()));
      return new ZELRTCParam(servers);
    }
    case F::Args: return texts(e.args);
    case F::Ids: return texts(e.ids);
    case F::Names: return texts(e.names);
    case F::Messages: return texts(e.messages);
    case F::Speakers: return texts(e.speakers);
    case F::Roles: {
      ZELRawCollint roles;
      for (int r : e.roles) roles.Append(r);
      return new ZELRTCParam(roles);
    }
    case F::Title: return text(e.title);
    case F::Telephone: return text(e.telephone);
    case F::Mail: return text(e.mail);
    case F::HasPhoto: return new ZELRTCParam(static_cast<unsigned char>(e.photo.empty() ? 0 : 1));
    case F::Photo: return new ZELRTCParam(e.photo.data(), static_cast<int>(e.photo.size()));
    case F::Option: return new ZELRTCParam(e.option);
  }
  return nullptr;
}

}  // namespace

HRESULT ZELRTCXmppPostEvent(int sessionId, const ZELRTCXmppEvent& event) {
  const Row& row = kNotificationTable[static_cast<int>(event.kind)];
  ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(row.className);
  if (!n) return E_FAIL;
  std::unique_ptr<ZELRTCParam> owned[12];
  ZELRTCParam* params[12] = {};
  for (unsigned int i = 0; i < row.count; ++i) {
    owned[i].reset(MakeParam(row.fields[i], event));
    params[i] = owned[i].get();
  }
  HRESULT hr = ZELRTCNotificationBuilder::Build(n, params, row.count, row.version);
  if (hr == S_OK) {
    {
      std::lock_guard<std::mutex> hold(g_postedLock);
      g_posted.insert(row.className);
    }
    ZELNotificationCenter::Post(sessionId, n);
  }
  n->Release();
  return hr;
}

std::string ZELRTCXmppPostedClasses() {
  std::lock_guard<std::mutex> hold(g_postedLock);
  std::string names;
  for (const std::string& name : g_posted) names += name + "\n";
  return names;
}

void ZELRTCXmppRetrieveDescriptors() {
  for (const Row& row : kNotificationTable) {
    ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(row.className);
    if (!n) continue;
    n->IsA();
    n->Release();
  }
}

ZELRTCXmppNotificationRow ZELRTCXmppNotificationRowOf(ZELRTCXmppEventKind kind) {
  if (static_cast<unsigned int>(kind) >= static_cast<unsigned int>(K::Count)) return {nullptr, 0, 0};
  const Row& row = kNotificationTable[static_cast<int>(kind)];
  return ZELRTCXmppNotificationRow{row.className, row.version, row.count};
}

ZELRTCParam* ZELRTCXmppNotificationParam(const ZELRTCXmppEvent& event, unsigned int position) {
  if (static_cast<unsigned int>(event.kind) >= static_cast<unsigned int>(K::Count)) return nullptr;
  const Row& row = kNotificationTable[static_cast<int>(event.kind)];
  return position < row.count ? MakeParam(row.fields[position], event) : nullptr;
}
