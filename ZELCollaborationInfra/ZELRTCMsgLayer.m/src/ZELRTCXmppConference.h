// ZELRTCXmppConference: conferences of an XMPP session over multi-user chat
// rooms. It finds the server's rooms service at each fresh login, joins and
// leaves rooms (creating them when they do not exist), keeps each joined
// room's occupants and their roles, sends and receives room messages and
// invitations, lists the rooms the service offers, and posts the conference
// and meeting notifications. After a fresh login it joins again the rooms it
// was in. Connection's thread only, but for the constructor.
#pragma once

#include <map>
#include <string>

#include "ZELRTCXmppChannel.h"

class ZELRTCXmppContacts;

class ZELRTCXmppConference : public ZELRTCXmppFeature {
 public:
  ZELRTCXmppConference(ZELRTCXmppChannel& channel, const ZELRTCXmppContacts& contacts)
      : _channel(channel), _contacts(contacts) {}

  // The presences and messages of the rooms I am in or asked to join, and invitations.
  bool HandlePresence(xmpp_stanza_t* stanza) override;
  bool HandleMessage(xmpp_stanza_t* stanza) override;
  void Online(bool fresh) override;
  void DiscoFeatures(std::vector<std::string>& features) const override;

  void Join(const std::string& room, const std::string& nick);
  void Leave(const std::string& room);
  void Invite(const std::string& room, const std::string& jid, const std::string& reason);
  void SendText(const std::string& room, const std::string& text);
  void SetRole(const std::string& room, const std::string& nick, int role);
  void ListRooms();

 private:
  struct Occupant {
    std::string id;  // the real bare address when the room shows it, else room/nick
    int role = 0;    // ZelRTCXmppConferenceRole
  };
  struct Room {
    std::string nick;
    bool joined = false;       // my own presence came back: the list has been posted
    bool configuring = false;  // a room I made: its configuration is under way, the list comes after
    bool leaving = false;      // I asked to leave: not joined again
    std::map<std::string, Occupant> occupants;  // by nick
  };
  // Where the search for the rooms service stands.
  enum class Search { Unknown, Finding, Found, Missing };

  // Whether stanzas from `bare` are this feature's: the rooms service and the rooms I am in or asked to join.
  bool IsRoom(const std::string& bare) const;
  void RoomPresence(xmpp_stanza_t* stanza);
  void SendJoin(const std::string& room, const std::string& nick);
  void Discover();
  // The search ended: `service` found (empty: none), or `outcome` when it did not end with an answer.
  void SearchEnded(const std::string& service, ZELRTCXmppRequestTracker::Outcome outcome);
  void Configure(const std::string& room);
  void PostParticipant(const std::string& room, const std::string& nick, const Occupant& occupant, int event);
  void PostList(const std::string& room, const Room& state);

  ZELRTCXmppChannel& _channel;
  const ZELRTCXmppContacts& _contacts;
  std::string _service;  // the rooms service's address, once found
  Search _search = Search::Unknown;
  unsigned _searchNumber = 0;  // the answers of an earlier search are not this one's
  bool _listWanted = false;  // a list asked for before the service was found
  std::map<std::string, Room> _rooms;  // by the room's bare address
};
