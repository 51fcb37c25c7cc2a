// ZELIRTCXmppSession: the session control of the XMPP drivers (XMPPJava 5 and
// XMPPIOS 6), a second interface of the session component, reached with
// QueryInterface from the ZELIRTCMainSession the session manager hands out:
//
//   ZELIRTCXmppSession* xmpp = nullptr;
//   session->QueryInterface(IID_ZELIRTCXmppSession, reinterpret_cast<void**>(&xmpp));
//   ZELRTCXmppLoginOptions options;
//   options.server = "127.0.0.1"; options.port = 5222;
//   options.user = "alice@localhost"; options.password = "secret";
//   options.caFile = "/path/ca.pem";
//   xmpp->Login(options);   // S_OK: the outcome comes as a ZELRTCLoginNotification
//   ...
//   xmpp->Release();
//
// What the server says comes back as notifications, posted on the platform's
// notification center (ZELNotificationCenter) under the session identifier.
// The operations are asynchronous: S_OK means the request has been queued for
// the session's network thread. Sessions of the other drivers answer E_NOTIMPL
// to Login. Texts are UTF-8; addresses are bare XMPP addresses ("bob@host").
#pragma once

#include "ZELIRTCUser.h"
#include "ZELPlatformTypes.h"
#include "ZELRTCLookupTypes.h"

// {5D0C3E7A-8B21-4F6A-9C55-2E7B1A94D3F0}
constexpr GUID IID_ZELIRTCXmppSession = {0x5D0C3E7A, 0x8B21, 0x4F6A, {0x9C, 0x55, 0x2E, 0x7B, 0x1A, 0x94, 0xD3, 0xF0}};

struct ZELRTCXmppLoginOptions {
  // Host name or address of the server; null: the domain's DNS SRV records
  // (_xmpp-client._tcp), then the domain itself, as every XMPP client does.
  // Several servers (the nodes of a cluster): entries separated by commas,
  // each "host" or "host:port" ("[v6address]:port"), "a.example.org,b.example.org:5223".
  // The login takes them in order until one answers; after a connection loss
  // the session first tries the entry it used (its stream may be resumable
  // there) and, each time an attempt fails (the server does not answer, the
  // stream does not come up), moves on to the next entry, from the last back to
  // the first. The login and session notifications name the entry in use, as
  // written. An empty entry or a port out of range: E_INVALIDARG.
  const char* server = nullptr;
  int port = 5222;                 // 1 to 65535; of the entries without a port
  const char* user = nullptr;      // bare address, "alice@localhost"
  const char* password = nullptr;  // never written to the trace
  unsigned char requireTls = 1;    // 1: TLS mandatory; 0: plain connection
  const char* caFile = nullptr;    // the CA that signed the server certificate (PEM); null: system CAs
  const char* resource = nullptr;  // null: chosen by the server
  unsigned char streamResumption = 1;  // 1: resume the stream after a connection loss
  int splitSize = 32 * 1024;       // data above this many bytes are sent in numbered parts
  // ICE servers of calls when the server offers none (external service
  // discovery): URIs separated by commas, "stun:host:port,turn:host:port".
  const char* iceServers = nullptr;
  // The largest stanza the session sends (bytes, at least 1024): what the
  // server accepts (prosody's default limit). A message or data that would make
  // a larger stanza is not sent: an error notification "StanzaTooLarge" tells.
  int maxStanzaBytes = 256 * 1024;
  // How long an invitation to a call rings at most, in seconds, when a device
  // of the callee may have it; then the call ends with the reason "no-answer".
  int ringTimeoutSeconds = 45;
  // How long a request to the server (iq) waits for its answer, in seconds;
  // then the operation ends with its error notification.
  int requestTimeoutSeconds = 10;
};

// Values of the event types and reasons the XMPP back end puts in its
// notifications (the library stores them as plain integers).
enum ZelRTCXmppLoginEvent : int { ZelRTCXmppLoggedIn = 0, ZelRTCXmppLoginFailed = 1, ZelRTCXmppLoggedOut = 2 };
enum ZelRTCXmppLoginReason : int {
  ZelRTCXmppReasonNone = 0,              // a first login, a requested logout
  ZelRTCXmppReasonAuthentication = 1,    // the server refused the credentials
  ZelRTCXmppReasonConnection = 2,        // the server could not be reached or the TLS handshake failed
  ZelRTCXmppReasonStreamError = 3,       // the server closed the stream with an error
  ZelRTCXmppReasonRelogin = 4            // a fresh login after a connection loss (resumption refused)
};
enum ZelRTCXmppSessionType : int { ZelRTCXmppServerConnection = 0 };
enum ZelRTCXmppSessionEvent : int {
  ZelRTCXmppConnectionLost = 0,
  ZelRTCXmppConnectionResumed = 1,
  ZelRTCXmppConnectionClosed = 2
};
enum ZelRTCXmppBuddyListEvent : int { ZelRTCXmppBuddyListReceived = 0 };
enum ZelRTCXmppGroupEvent : int { ZelRTCXmppGroupAdded = 0, ZelRTCXmppGroupRemoved = 1 };
enum ZelRTCXmppContactEvent : int {
  ZelRTCXmppContactAdded = 0,
  ZelRTCXmppContactRemoved = 1,
  ZelRTCXmppContactMoved = 2,
  ZelRTCXmppContactRenamed = 3
};
enum ZelRTCXmppWatchListEvent : int { ZelRTCXmppWatchListChanged = 0 };
enum ZelRTCXmppWatchListUserEvent : int {
  ZelRTCXmppSubscriptionRequested = 0,
  ZelRTCXmppSubscriptionAccepted = 1,
  ZelRTCXmppSubscriptionRefused = 2
};
enum ZelRTCXmppMessageEvent : int { ZelRTCXmppMessageReceived = 0, ZelRTCXmppConferenceMessageReceived = 1 };
// File transfers: the event type and reason of a ZELRTCFileTransferNotification.
enum ZelRTCXmppFileTransferEvent : int {
  ZelRTCXmppTransferOffered = 1,    // receiver: a file is offered; DownloadFile fetches it
  ZelRTCXmppTransferProgress = 2,   // bytes transferred so far (rising to the size)
  ZelRTCXmppTransferCompleted = 3,  // sender: uploaded and offered; receiver: downloaded
  ZelRTCXmppTransferFailed = 4      // with a reason and the extended error text
};
enum ZelRTCXmppFileTransferReason : int {
  ZelRTCXmppTransferReasonNone = 0,
  ZelRTCXmppTransferReasonRefused = 1,    // the upload service refused the slot (its condition and text)
  ZelRTCXmppTransferReasonNoService = 2,  // the server offers no upload service
  ZelRTCXmppTransferReasonHttp = 3,       // the HTTP server answered with an error status
  ZelRTCXmppTransferReasonNetwork = 4,    // connection failed, timed out, or the size did not match
  ZelRTCXmppTransferReasonFile = 5,       // the local file could not be read or written
  ZelRTCXmppTransferReasonCancelled = 6   // the session closed during the transfer
};
// Roles of the participants of a conference (multi-user chat).
enum ZelRTCXmppConferenceRole : int {
  ZelRTCXmppRoleNone = 0,
  ZelRTCXmppRoleVisitor = 1,
  ZelRTCXmppRoleParticipant = 2,
  ZelRTCXmppRoleModerator = 3
};
// How an invitation came: through the room, or straight from the inviter.
enum ZelRTCXmppMeetingType : int { ZelRTCXmppInvitationMediated = 0, ZelRTCXmppInvitationDirect = 1 };
enum ZelRTCXmppBuddyListExpandedEvent : int { ZelRTCXmppExpandedReceived = 0, ZelRTCXmppExpandedChanged = 1 };

// My own user information, published as my vCard. Null texts are left out;
// a photo of photoLength bytes (photoType "image/png", "image/jpeg"...).
struct ZELRTCXmppUserInfo {
  const char* name = nullptr;
  const char* title = nullptr;
  const char* telephone = nullptr;
  const char* mail = nullptr;
  const char* photo = nullptr;
  int photoLength = 0;
  const char* photoType = nullptr;
};

// The operations stand in this order in the interface.
class ZELIRTCXmppSession {
 public:
  virtual HRESULT QueryInterface(const GUID& iid, void** oInterface) = 0;
  virtual unsigned long AddRef() = 0;
  virtual unsigned long Release() = 0;
  // Connects and logs in. E_INVALIDARG for a missing user or password, an
  // option out of range; E_FAIL when already logged in (or
  // logging in); E_NOTIMPL for the drivers that are not XMPP.
  virtual HRESULT Login(const ZELRTCXmppLoginOptions& options) = 0;
  // Closes the stream; a ZELRTCLoginNotification "logged out" follows.
  // S_FALSE when not logged in.
  virtual HRESULT Logout() = 0;
  // Broadcasts my presence (ZelRTCStatusOffline sends an unavailable presence).
  virtual HRESULT SetMyStatus(ZelRTCUserStatus status, const char* text) = 0;
  virtual HRESULT SendInstantMessage(const char* to, const char* text) = 0;
  // Data of a type (typed 0: message type of a data notification; typed 1:
  // service identifier of a typed-data notification). Above the split size
  // the data go in numbered parts, each received as a split-data notification.
  virtual HRESULT SendData(const char* to, const char* type, const char* bytes, int length, unsigned char typed) = 0;
  // The contact list: add (with a name and a group, either may be null),
  // remove, move from one group to another. Adding also asks for a presence
  // subscription.
  virtual HRESULT AddContact(const char* jid, const char* name, const char* group) = 0;
  virtual HRESULT RemoveContact(const char* jid) = 0;
  virtual HRESULT MoveContact(const char* jid, const char* fromGroup, const char* toGroup) = 0;
  // Accepts (1) or refuses (0) a subscription request of `jid`.
  virtual HRESULT AnswerSubscription(const char* jid, unsigned char accept) = 0;
  // Calls (WebRTC signalling). Invites `to` into the call `roomId` (null: one
  // is made up and given in the invitation-sent notification) of a type
  // ("audio", "video"; null: "audio").
  virtual HRESULT InviteToCall(const char* to, const char* roomId, const char* callType) = 0;
  // Accepts an invitation received.
  virtual HRESULT AcceptCall(const char* roomId) = 0;
  // Ends a call: cancels my invitation, declines one received, or hangs up.
  virtual HRESULT EndCall(const char* roomId) = 0;
  // A session description, and an ICE candidate, for the partner of the call.
  virtual HRESULT SendSdp(const char* roomId, const char* sdp, unsigned char renegotiating,
                          unsigned char secondSwitch) = 0;
  virtual HRESULT SendIceCandidate(const char* roomId, const char* candidate) = 0;
  // File transfers by HTTP upload. Uploads the file at `path` and offers it to
  // `to`; oTransferId identifies the transfer in the notifications (-1 on
  // failure). E_INVALIDARG for a file that cannot be read or is 2 GiB or more.
  virtual HRESULT SendFile(const char* to, const char* path, const char* description, int& oTransferId) = 0;
  // Downloads the file of an offer received into `path`. E_INVALIDARG for an
  // unknown transfer, E_FAIL when it is already downloading or done.
  virtual HRESULT DownloadFile(int transferId, const char* path) = 0;

  // Conferences: multi-user chat rooms ("room@conference.host"). Joining a
  // room that does not exist creates it. After joining comes the participant
  // list, then one participant notification per arrival, departure or change
  // of role; the room's messages come as instant messages from
  // "room@service/nick" with the event ZelRTCXmppConferenceMessageReceived.
  virtual HRESULT JoinConference(const char* room, const char* nick) = 0;
  virtual HRESULT LeaveConference(const char* room) = 0;
  // Invites `jid` through the room (a meeting-invitation notification on its side).
  virtual HRESULT InviteToConference(const char* room, const char* jid, const char* reason) = 0;
  virtual HRESULT SendConferenceMessage(const char* room, const char* text) = 0;
  // A moderator gives the participant `nick` another role (ZelRTCXmppRoleNone: out of the room).
  virtual HRESULT SetConferenceRole(const char* room, const char* nick, ZelRTCXmppConferenceRole role) = 0;
  // The rooms the server offers: one meeting-available notification each.
  virtual HRESULT ListConferences() = 0;

  // User information: the vCard of `jid` (a user-info notification), and
  // publishing mine.
  virtual HRESULT RequestUserInfo(const char* jid) = 0;
  virtual HRESULT PublishMyInfo(const ZELRTCXmppUserInfo& info) = 0;

  // Lookups in the contact list, and among the server's users for an address
  // that is not in it.
  virtual HRESULT ResolveUsers(const char* name, ZelRTCResolveUsersOption option) = 0;
  virtual HRESULT ResolveGroups(const char* name) = 0;
  virtual HRESULT RequestGroupContent(const char* group) = 0;

  // The history of my conversation with `jid` from the server's archive, and
  // clearing it where the server allows (the answer's code: 0, or the error's).
  virtual HRESULT RequestArchive(const char* jid) = 0;
  virtual HRESULT ClearArchive(const char* jid) = 0;

  // Marks a group of the contact list expanded (1) or collapsed (0); the
  // expanded groups are kept on the server from one login to the next.
  virtual HRESULT SetGroupExpanded(const char* group, unsigned char expanded) = 0;

 protected:
  ~ZELIRTCXmppSession() = default;
};

// The number of users, groups and sessions of the component alive in the
// process (for leak checks): exported unmangled from libZELRTCMsgLayer.so.
extern "C" typedef int (*ZELRTCMsgLayerLiveObjectsFn)();
#define ZELRTC_MSGLAYER_LIVE_OBJECTS "ZELRTCMsgLayerLiveObjects"

// The names of the notification classes the XMPP back end posted in the
// process so far, sorted, one a line, written into `buffer` (cut to `size`,
// always ended by a zero); returns the size the whole text needs. Exported
// unmangled from libZELRTCMsgLayer.so.
extern "C" typedef int (*ZELRTCMsgLayerPostedClassesFn)(char* buffer, int size);
#define ZELRTC_MSGLAYER_POSTED_CLASSES "ZELRTCMsgLayerPostedClasses"
