// What the XMPP back end tells its clients: one plain event per incoming
// stanza (or connection change), turned into a notification by
// ZELRTCXmppPostEvent through one table, kNotificationTable, that names the
// class, the layout version and what fills each position.
#pragma once

#include <string>
#include <vector>

#include "ZELIRTCGroup.h"
#include "ZELIRTCUser.h"
#include "ZELListPtrZELIRTCGroup.h"
#include "ZELListPtrZELIRTCUser.h"
#include "ZELRTCInterfaceHolders.h"

// One per notification class the back end posts.
enum class ZELRTCXmppEventKind : int {
  Login,             // login succeeded, failed, logged out
  Session,           // connection lost, resumed, closed
  Error,             // authentication failure, stream and stanza errors, bad payloads
  BuddyList,         // the contact list at login
  BuddyListGroup,    // a group added to or removed from the contact list
  BuddyListUser,     // a contact added, removed, moved or renamed
  WatchList,         // the pending requests or the subscriptions changed
  WatchListUser,     // a subscription request, or its answer
  UserStatus,        // a contact's presence
  MyStatus,          // my own presence, as the server reflects it
  InstantMessage,    // a chat message
  Data,              // data with a message type
  TypedData,         // data with a service identifier
  SplitData,         // one part of data sent in parts
  ConferenceParticipantList,  // the occupants of a room I joined
  ConferenceParticipant,      // an occupant came, left or changed role
  MeetingInvitation,          // an invitation to a room
  MeetingAvailable,           // a room the server offers
  ConferenceMessage,          // a message of a room
  UserInfo,                   // a user's vCard
  UsersResolved,              // a name resolved into users
  GroupsResolved,             // a name resolved into groups of the contact list
  GroupContent,               // the users of a group of the contact list
  ArchiveReceived,            // a conversation's history from the server's archive
  ArchiveCleaned,             // the server's answer to clearing a conversation's history
  BuddyListExpanded,          // the expanded groups, kept on the server
  FileTransfer,      // a file offered, its progress, completion or failure
  CallInviteSent,    // my invitation to a call went out
  CallInvite,        // an invitation to a call arrived
  CallAccepted,      // a call was accepted (by either side)
  CallSdp,           // a session description from the partner of a call
  CallCandidate,     // an ICE candidate from the partner of a call
  CallEnded,         // a call ended, cancelled, declined, or the partner is offline
  Count
};

struct ZELRTCXmppEvent {
  explicit ZELRTCXmppEvent(ZELRTCXmppEventKind k) : kind(k) {}

  ZELRTCXmppEventKind kind;
  int eventType = 0;
  int reason = 0;
  std::string host;         // login: the server
  std::string partnerId;    // session, messages, data: the partner's bare address
  std::string partnerName;  // its name in the contact list, or its address
  std::string text;         // message text, my status text
  std::string typeId;       // data: message type, service id, split type id
  std::string bytes;        // data
  bool typed = false;       // split data: typed data
  std::string id;           // contact: user id; group: group id; watch list id
  std::string groupId;      // contact: its group
  std::string name;         // group: its name
  std::string newName;      // group, contact: the new name
  std::string key;          // error: the catalog key
  std::vector<std::string> args;  // error: the catalog arguments
  std::vector<std::string> ids;    // participants, resolved users or groups, expanded groups: their ids
  std::vector<std::string> names;  // participants, resolved users or groups: their names
  std::vector<int> roles;          // participants: their roles (ZelRTCXmppConferenceRole)
  std::string title, telephone, mail;  // user information
  std::string photo;               // user information: the photo's bytes ("" for none)
  int option = 0;                  // users resolved: the resolve option
  std::vector<std::string> messages, speakers;  // archive: texts and who said each
  ZELRTCInterfaceRef<ZELIRTCUser> user;
  ZELRTCInterfaceRef<ZELIRTCGroup> group;
  ZELRTCOwnedList<ZELListPtrZELIRTCUser> users;
  ZELRTCOwnedList<ZELListPtrZELIRTCGroup> groups;
  // File transfers (partnerId, partnerName; text: the extended error text).
  int transferId = -1;
  int fileSize = -1;
  int bytesDone = -1;
  std::string url;           // the file's address, once known
  std::string fileName;
  std::string fileDesc;
  std::string transferType;  // "upload" or "download"
  // Calls (partnerId: the partner's bare address; text: error, reason or SDP text).
  std::string roomId;
  std::string callType;      // "audio", "video"
  bool caller = false;       // this side placed the call
  bool renegotiating = false;
  bool secondSwitch = false;
  std::vector<std::string> iceServers;
};

// The catalog of the back end's error texts (ZELRTCXmpp.msg).
constexpr const char* kZELRTCXmppCatalog = "ZELRTCXmpp";

// Creates the event's notification through the class dictionary, builds it
// from the table's layout, posts it under `sessionId` and gives back its own
// reference. E_FAIL when the class is missing or the build is refused.
HRESULT ZELRTCXmppPostEvent(int sessionId, const ZELRTCXmppEvent& event);

// The names of the classes posted so far in the process, sorted, one a line.
std::string ZELRTCXmppPostedClasses();

// Retrieves the class descriptors of the notifications the back end posts.
void ZELRTCXmppRetrieveDescriptors();

class ZELRTCParam;

// The table's row of an event kind: the class, the layout version and the
// number of positions it builds with.
struct ZELRTCXmppNotificationRow {
  const char* className;
  unsigned short version;
  unsigned int count;
};
ZELRTCXmppNotificationRow ZELRTCXmppNotificationRowOf(ZELRTCXmppEventKind kind);
// The parameter that the row of `event.kind` puts at `position` for `event`,
// as the poster makes it (the caller deletes it); null past the row's count.
ZELRTCParam* ZELRTCXmppNotificationParam(const ZELRTCXmppEvent& event, unsigned int position);
