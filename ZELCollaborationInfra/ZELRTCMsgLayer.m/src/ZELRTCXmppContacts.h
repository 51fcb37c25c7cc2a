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

#include "ZELRTCXmppConnection.h"
#include "ZELRTCXmppContactObjects.h"

class ZELRTCXmppContacts : public ZELRTCXmppFeature {
 public:
  explicit ZELRTCXmppContacts(ZELRTCXmppConnection& connection) : _connection(connection) {}

  void Attach(xmpp_conn_t* conn) override;
  void Online(bool fresh) override;

  // Called with the bare address of a contact that comes online.
  std::function<void(const std::string&)> onAvailable;

  void SetMyStatus(ZelRTCUserStatus status, const std::string& text);
  void AddContact(const std::string& jid, const std::string& name, const std::string& group);
  void RemoveContact(const std::string& jid);
  void MoveContact(const std::string& jid, const std::string& from, const std::string& to);
  void AnswerSubscription(const std::string& jid, bool accept);
  // The contact's name in the list, or its address.
  std::string NameOf(const std::string& bare) const;
  // A new user (one reference for the caller): its name in the list and its presence now.
  ZELRTCXmppUser* Snapshot(const std::string& bare) const;

 private:
  struct Contact {
    std::string name;
    std::vector<std::string> groups;
  };
  struct Presence {
    std::map<std::string, std::pair<ZelRTCUserStatus, std::string>> resources;
  };

  static int OnPresence(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self);
  static int OnRosterPush(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self);
  static int OnRosterResult(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self);
  static int OnIqAnswer(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self);
  static int OnOtherIq(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* self);

  void HandlePresence(xmpp_stanza_t* stanza);
  void HandleRosterItems(xmpp_stanza_t* query, bool initial);
  void SendMyPresence();
  void SendRosterSet(const std::string& jid, const std::string& name, const std::vector<std::string>& groups,
                     bool remove);
  ZELRTCXmppGroup* GroupSnapshot(const std::string& group) const;
  std::vector<std::string> Groups() const;
  void PostContact(int eventType, const std::string& jid, const std::string& groupId, const std::string& newName);
  void PostGroup(int eventType, const std::string& group);
  void PostWatch(int eventType, const std::string& jid, const char* watchList);
  void PostStanzaError(xmpp_stanza_t* stanza);

  ZELRTCXmppConnection& _connection;
  std::map<std::string, Contact> _roster;
  std::map<std::string, Presence> _presence;
  ZelRTCUserStatus _myStatus = ZelRTCStatusActive;
  std::string _myText;
  int _nextId = 0;
};
