// ZELRTCXmppDirectory: what an XMPP session learns of users and groups: the
// users' vCards (name, title, telephone, mail address, photo), publishing my
// own, and the lookups of names into users and groups, from the contact list
// and, for an address not in it, the server's vCards. It posts the user-info,
// resolved and group-content notifications. Connection's thread only, but for
// the constructor. An empty vCard is no evidence of a user (some servers
// answer one for every address): an address outside the list is found when
// its vCard has a field, or when the server's service discovery of the
// address shows an account.
#pragma once

#include <string>

#include <functional>

#include "ZELRTCXmppChannel.h"

class ZELRTCXmppContacts;

// A vCard's fields; the photo as bytes ("" for none).
struct ZELRTCXmppCard {
  std::string name, title, telephone, mail, photo, photoType;
};

class ZELRTCXmppDirectory : public ZELRTCXmppFeature {
 public:
  ZELRTCXmppDirectory(ZELRTCXmppChannel& channel, const ZELRTCXmppContacts& contacts)
      : _channel(channel), _contacts(contacts) {}

  void RequestUserInfo(const std::string& jid);
  // Publishes my vCard; once the server has it, my user information follows.
  void PublishMyInfo(const ZELRTCXmppCard& card);
  void ResolveUsers(const std::string& name, int option);
  void ResolveGroups(const std::string& name);
  void GroupContent(const std::string& group);

 private:
  using Then = std::function<void(ZELRTCXmppRequestTracker::Outcome, xmpp_stanza_t* answer, const ZELRTCXmppCard&)>;
  // Asks for the vCard of `jid` (mine when it is my own address).
  void FetchCard(const std::string& jid, Then then);
  // Whether the server says `jid` is an account (disco#info answered with an account identity).
  void CheckAccount(const std::string& jid, std::function<void(bool exists, int code)> then);

  ZELRTCXmppChannel& _channel;
  const ZELRTCXmppContacts& _contacts;
};
