// ZELRTCXmppContacts: the contact list (roster), presence and subscriptions
// of an XMPP session. It fetches the contact list on each fresh login, follows
// the server's changes to it, keeps the presence of each contact, and posts
// the contact-list, presence and watch-list notifications. Connection's thread
// only, but for the constructor.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ZELRTCXmppChannel.h"
#include "ZELRTCXmppContactObjects.h"

class ZELRTCXmppContacts : public ZELRTCXmppFeature {
 public:
  explicit ZELRTCXmppContacts(ZELRTCXmppChannel& channel) : _channel(channel) {}

  // Presence (the rooms' presences are claimed before) and roster pushes from my own account.
  bool HandlePresence(xmpp_stanza_t* stanza) override;
  bool HandleRequest(xmpp_stanza_t* iq) override;
  void Online(bool fresh) override;
  void DiscoFeatures(std::vector<std::string>& features) const override;
  // The entity capabilities my presence carries (node, verification string, the features it stands for).
  void SetCapabilities(const std::string& node, const std::string& version, const std::vector<std::string>& features) {
    _capsNode = node;
    _capsVersion = version;
    _capsFeatures[version] = features;
  }

  void SetMyStatus(ZelRTCUserStatus status, const std::string& text);
  void AddContact(const std::string& jid, const std::string& name, const std::string& group);
  void RemoveContact(const std::string& jid);
  void MoveContact(const std::string& jid, const std::string& from, const std::string& to);
  void AnswerSubscription(const std::string& jid, bool accept);
  // The contact's name in the list, or its address.
  std::string NameOf(const std::string& bare) const;
  // Whether a device of `bare` is available now.
  bool IsAvailable(const std::string& bare) const { return _presence.count(bare) > 0; }
  // Whether I learn the presence of `bare` (the list says I am subscribed to it).
  bool KnowsPresence(const std::string& bare) const;
  // Whether a device of `bare` announced the discovery feature `feature`
  // (its entity capabilities), now or earlier in this session.
  bool Supports(const std::string& bare, const std::string& feature) const;
  // The bare addresses in the list, in order.
  std::vector<std::string> Jids() const;
  // A new user (one reference for the caller) as the list and presence know it now.
  // `formerName`, when given, names it (a contact just removed from the list).
  ZELRTCXmppUser* Snapshot(const std::string& bare, const std::string& formerName = std::string()) const;
  // A new group (one reference for the caller) with the users the list puts in it.
  ZELRTCXmppGroup* GroupSnapshot(const std::string& group) const;
  // The groups of the list, in order (a contact in none is in "Contacts").
  std::vector<std::string> Groups() const;

 private:
  struct Contact {
    std::string name;
    std::vector<std::string> groups;
    std::string subscription;  // "none", "to", "from", "both"
  };
  struct Presence {
    std::map<std::string, std::pair<ZelRTCUserStatus, std::string>> resources;
  };

  void HandleCapabilities(const std::string& from, xmpp_stanza_t* presence);
  void HandleRosterItems(xmpp_stanza_t* query, bool initial);
  void SendMyPresence();
  void SendRosterSet(const std::string& jid, const std::string& name, const std::vector<std::string>& groups,
                     bool remove);
  void PostContact(int eventType, const std::string& jid, const std::string& groupId, const std::string& newName,
                   const std::string& formerName = std::string());
  void PostGroup(int eventType, const std::string& group);
  void PostWatch(int eventType, const std::string& jid, const char* watchList);
  void PostStanzaError(xmpp_stanza_t* stanza);

  ZELRTCXmppChannel& _channel;
  std::map<std::string, Contact> _roster;
  std::map<std::string, Presence> _presence;
  std::string _capsNode, _capsVersion;
  std::map<std::string, std::vector<std::string>> _capsFeatures;  // by verification string, once asked
  std::map<std::string, std::vector<std::string>> _supported;  // bare address -> features seen
  ZelRTCUserStatus _myStatus = ZelRTCStatusActive;
  std::string _myText;
  // The answer to the list's request came (result, error or none in time) on this stream.
  bool _rosterAnswered = false;
};
