// Conferences of an XMPP session in process: the rooms service found at a
// fresh login, rooms joined, listed, configured, left and joined again,
// invitations, room messages and roles, down to the stanzas sent and the
// notification lines posted.
#include <gtest/gtest.h>

#include "ZELXmppFeatureHarness.h"

namespace {

constexpr const char* kRoom = "room1@conference.localhost";
constexpr const char* kItemsNs = "http://jabber.org/protocol/disco#items";
constexpr const char* kInfoNs = "http://jabber.org/protocol/disco#info";
constexpr const char* kMucNs = "http://jabber.org/protocol/muc";
constexpr const char* kMucUserNs = "http://jabber.org/protocol/muc#user";

// The presences sent to `to`.
std::vector<ZELXmppXml> PresencesTo(const std::vector<ZELXmppXml>& sent, const std::string& to) {
  std::vector<ZELXmppXml> found;
  for (const ZELXmppXml& s : ZELXmppOfName(sent, "presence"))
    if (s.Attr("to") == to) found.push_back(s);
  return found;
}

std::string Identity(const char* category) {
  return std::string("<query xmlns='") + kInfoNs + "'><identity category='" + category +
         "' type='text' name='x'/><feature var='" + kMucNs + "'/></query>";
}

// A room presence from room1/`nick` (real address `jid` when not empty), with the status codes given.
std::string RoomPresence(const std::string& nick, const std::string& jid, const std::string& role,
                         const std::vector<std::string>& codes = {}, const std::string& type = "") {
  std::string xml = std::string("<presence from='") + kRoom + "/" + nick + "' to='alice@localhost/desk'" +
                    (type.empty() ? "" : " type='" + type + "'") + "><x xmlns='" + kMucUserNs +
                    "'><item affiliation='none' role='" + role + "'" + (jid.empty() ? "" : " jid='" + jid + "'") +
                    "/>";
  for (const std::string& code : codes) xml += "<status code='" + code + "'/>";
  return xml + "</x></presence>";
}

// Online, with the rooms service found as conference.localhost; nothing sent or posted left over.
void OnlineWithService(ZELXmppFeatureHarness& h) {
  h.Online();
  auto items = h.SettleLogin({kItemsNs});
  ASSERT_EQ(items.size(), 1u);
  h.Answer(items[0], std::string("<query xmlns='") + kItemsNs + "'><item jid='conference.localhost'/></query>");
  auto info = ZELXmppRequestsTo(h.Sent(), "conference.localhost", "query", kInfoNs);
  ASSERT_EQ(info.size(), 1u);
  h.Answer(info[0], Identity("conference"));
  h.Sent();
  h.Posted();
}

// Joins kRoom as alice and brings my own presence back: the list is posted.
void Joined(ZELXmppFeatureHarness& h) {
  h.features.conference.Join(kRoom, "");
  h.Sent();
  h.Feed(RoomPresence("alice", "alice@localhost/desk", "moderator", {"110"}));
  ASSERT_EQ(h.Posted().size(), 1u);
}

}  // namespace

TEST(XmppFeatureConference, RoomsServiceFoundAtAFreshLoginAndItsRoomsListed) {
  ZELXmppFeatureHarness h;
  h.Online();
  auto items = h.SettleLogin({kItemsNs});
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].Attr("type"), "get");
  // Asked before the service is known: asked once it is found, not before.
  h.features.conference.ListRooms();
  EXPECT_TRUE(h.Sent().empty());
  h.Answer(items[0], std::string("<query xmlns='") + kItemsNs +
                         "'><item/><item jid='upload.localhost'/><item jid='conference.localhost'/></query>");
  auto sent = h.Sent();
  auto uploadInfo = ZELXmppRequestsTo(sent, "upload.localhost", "query", kInfoNs);
  auto roomsInfo = ZELXmppRequestsTo(sent, "conference.localhost", "query", kInfoNs);
  ASSERT_EQ(uploadInfo.size(), 1u);
  ASSERT_EQ(roomsInfo.size(), 1u);
  EXPECT_EQ(sent.size(), 2u);
  EXPECT_EQ(roomsInfo[0].Attr("type"), "get");
  h.Answer(uploadInfo[0], Identity("store"));
  EXPECT_TRUE(h.Sent().empty());
  // The answer of another sender is not the service's.
  h.Answer(roomsInfo[0], Identity("conference"), "mallory@localhost/x");
  EXPECT_TRUE(h.Sent().empty());
  h.Answer(roomsInfo[0], Identity("conference"));
  auto list = ZELXmppRequestsTo(h.Sent(), "conference.localhost", "query", kItemsNs);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Attr("type"), "get");
  const std::string rooms = std::string("<query xmlns='") + kItemsNs + "'><item jid='" + kRoom +
                            "' name='One'/><item name='no address'/><item jid='room2@conference.localhost'/></query>";
  h.Answer(list[0], rooms, "mallory@localhost/x");
  EXPECT_TRUE(h.Posted().empty());
  h.Answer(list[0], rooms);
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCMeetingAvailableNotification id=room1@conference.localhost "
            "url=xmpp:room1@conference.localhost?join\n"
            "ZELRTCMeetingAvailableNotification id=room2@conference.localhost "
            "url=xmpp:room2@conference.localhost?join\n");
  // Known now: asked at once; a refusal is an error.
  h.features.conference.ListRooms();
  list = ZELXmppRequestsTo(h.Sent(), "conference.localhost", "query", kItemsNs);
  ASSERT_EQ(list.size(), 1u);
  h.AnswerError(list[0], "forbidden");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification conference.localhost answered with the error forbidden. \n");
  // A resumed stream does not look again; a fresh login does.
  h.Offline();
  h.Online(false);
  EXPECT_TRUE(ZELXmppRequestsTo(h.Sent(), "localhost", "query", kItemsNs).empty());
  h.Offline();
  h.Online(true);
  EXPECT_EQ(ZELXmppRequestsTo(h.Sent(), "localhost", "query", kItemsNs).size(), 1u);
}

TEST(XmppFeatureConference, ServerWithoutRoomsServiceAnswersNoConferenceService) {
  ZELXmppFeatureHarness h;
  h.Online();
  auto items = h.SettleLogin({kItemsNs});
  ASSERT_EQ(items.size(), 1u);
  h.features.conference.ListRooms();
  h.Answer(items[0], std::string("<query xmlns='") + kItemsNs + "'><item jid='upload.localhost'/><item jid='pubsub.localhost'/></query>");
  auto sent = h.Sent();
  auto upload = ZELXmppRequestsTo(sent, "upload.localhost", "query", kInfoNs);
  auto pubsub = ZELXmppRequestsTo(sent, "pubsub.localhost", "query", kInfoNs);
  ASSERT_EQ(upload.size(), 1u);
  ASSERT_EQ(pubsub.size(), 1u);
  h.Answer(upload[0], Identity("store"));
  EXPECT_TRUE(h.Posted().empty());  // one item has not answered yet
  h.AnswerError(pubsub[0], "item-not-found");
  const std::string none = "ZELRTCErrorNotification The server offers no conference service.\n";
  EXPECT_EQ(ZELXmppLines(h.Posted()), none);
  // Known to be missing: answered at once, nothing asked.
  h.features.conference.ListRooms();
  EXPECT_EQ(ZELXmppLines(h.Posted()), none);
  EXPECT_TRUE(h.Sent().empty());

  // A server without items, after a fresh login.
  h.Offline();
  h.Online();
  items = h.SettleLogin({kItemsNs});
  ASSERT_EQ(items.size(), 1u);
  h.features.conference.ListRooms();
  h.Answer(items[0], std::string("<query xmlns='") + kItemsNs + "'/>");
  EXPECT_EQ(ZELXmppLines(h.Posted()), none);

  // The search without an answer in time: the list asked for ends, the next one looks again.
  h.Offline();
  h.Online();
  items = h.SettleLogin({kItemsNs});
  ASSERT_EQ(items.size(), 1u);
  h.features.conference.ListRooms();
  h.Tick(10000);
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification The request rooms service of localhost ended without an answer (timeout).\n");
  h.features.conference.ListRooms();
  items = ZELXmppRequestsTo(h.Sent(), "localhost", "query", kItemsNs);
  ASSERT_EQ(items.size(), 1u);
  h.Answer(items[0], std::string("<query xmlns='") + kItemsNs + "'><item jid='conference.localhost'/></query>");
  auto info = ZELXmppRequestsTo(h.Sent(), "conference.localhost", "query", kInfoNs);
  ASSERT_EQ(info.size(), 1u);
  h.Answer(info[0], Identity("conference"));
  EXPECT_EQ(ZELXmppRequestsTo(h.Sent(), "conference.localhost", "query", kItemsNs).size(), 1u);
  EXPECT_TRUE(h.Posted().empty());
}

TEST(XmppFeatureConference, JoinListsTheParticipantsThenTellsArrivalsDeparturesAndRoles) {
  ZELXmppFeatureHarness h;
  OnlineWithService(h);
  h.features.conference.Join(kRoom, "");
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Name(), "presence");
  EXPECT_EQ(sent[0].Attr("to"), "room1@conference.localhost/alice");  // my node is the default nick
  EXPECT_EQ(sent[0].Attr("type"), "");
  EXPECT_EQ(sent[0].Child("x", kMucNs).Child("history").Attr("maxstanzas"), "0");
  h.features.conference.Join("room2@conference.localhost", "Al");
  EXPECT_EQ(PresencesTo(h.Sent(), "room2@conference.localhost/Al").size(), 1u);

  // The others come first: nothing until my own presence does.
  h.Feed(RoomPresence("bob", "bob@localhost/phone", "participant"));
  h.Feed(RoomPresence("carol", "", "visitor"));
  EXPECT_TRUE(h.Posted().empty());
  h.Feed(RoomPresence("alice", "alice@localhost/desk", "moderator", {"100", "110"}));
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCConferenceParticipantListNotification room=room1@conference.localhost "
            "ids=alice@localhost,bob@localhost,room1@conference.localhost/carol names=alice,bob,carol roles=3,2,1\n");

  h.Feed(RoomPresence("dave", "dave@localhost/x", "participant"));
  h.Feed(RoomPresence("carol", "", "participant"));
  h.Feed(RoomPresence("carol", "", "participant"));  // nothing new
  h.Feed(RoomPresence("bob", "bob@localhost/phone", "none", {}, "unavailable"));
  h.Feed(RoomPresence("nobody", "", "none", {}, "unavailable"));
  h.Feed(RoomPresence("eve", "", "participant", {}, "probe"));
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCConferenceParticipantNotification room=room1@conference.localhost id=dave@localhost name=dave "
            "event=0\n"
            "ZELRTCConferenceParticipantNotification room=room1@conference.localhost "
            "id=room1@conference.localhost/carol name=carol event=2\n"
            "ZELRTCConferenceParticipantNotification room=room1@conference.localhost id=bob@localhost name=bob "
            "event=1\n");

  // Presences of rooms I am not in, and of the room itself, are the rooms' and dropped.
  h.Feed("<presence from='room9@conference.localhost/zed'/>");
  h.Feed(std::string("<presence from='") + kRoom + "'/>");
  h.Feed("<presence from='room1@conference.localhost/'/>");
  EXPECT_TRUE(h.Posted().empty());

  // Room messages: from room/nick; subject and messages without body, other rooms, the room itself: dropped.
  h.Feed(std::string("<message type='groupchat' from='") + kRoom + "/dave'><body>hello all</body></message>");
  h.Feed(std::string("<message type='groupchat' from='") + kRoom + "/dave'><subject>topic</subject></message>");
  h.Feed(std::string("<message type='groupchat' from='") + kRoom + "'><body>the room speaks</body></message>");
  h.Feed("<message type='groupchat' from='room9@conference.localhost/zed'><body>elsewhere</body></message>");
  h.Feed("<message type='groupchat' from='room2@conference.localhost/zed'><body>not joined yet</body></message>");
  h.Feed("<message type='groupchat' from='bob@localhost/x'><body>no room</body></message>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCInstantMessageReceivedNotification from=room1@conference.localhost/dave name=dave "
            "text=hello all encrypted=0 event=1\n");
  // An error from the room.
  h.Feed(std::string("<message type='error' from='") + kRoom +
         "'><error type='modify'><not-acceptable xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/></error></message>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification room1@conference.localhost answered with the error not-acceptable. \n");

  // What I say goes to the room.
  h.features.conference.SendText(kRoom, "hi");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Name(), "message");
  EXPECT_EQ(sent[0].Attr("type"), "groupchat");
  EXPECT_EQ(sent[0].Attr("to"), kRoom);
  EXPECT_EQ(sent[0].Child("body").Text(), "hi");

  // Leaving: my unavailable presence; out when the room says so.
  h.features.conference.Leave(kRoom);
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("to"), "room1@conference.localhost/alice");
  EXPECT_EQ(sent[0].Attr("type"), "unavailable");
  h.Feed(RoomPresence("alice", "alice@localhost/desk", "none", {"110"}, "unavailable"));
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCConferenceParticipantNotification room=room1@conference.localhost id=alice@localhost name=alice "
            "event=1\n");
  h.Feed(std::string("<message type='groupchat' from='") + kRoom + "/dave'><body>gone</body></message>");
  h.Feed(RoomPresence("frank", "", "participant"));
  EXPECT_TRUE(h.Posted().empty());
  h.features.conference.Leave(kRoom);  // not in it: nothing
  EXPECT_TRUE(h.Sent().empty());
}

TEST(XmppFeatureConference, RoomIMadeIsConfiguredBeforeItsListAndARefusedJoinIsForgotten) {
  ZELXmppFeatureHarness h;
  OnlineWithService(h);
  h.features.conference.Join(kRoom, "boss");
  h.Sent();
  h.Feed(RoomPresence("boss", "alice@localhost/desk", "moderator", {"110", "201"}));
  EXPECT_TRUE(h.Posted().empty());
  auto owner = ZELXmppRequestsTo(h.Sent(), kRoom, "query", "http://jabber.org/protocol/muc#owner");
  ASSERT_EQ(owner.size(), 1u);
  EXPECT_EQ(owner[0].Attr("type"), "set");
  ZELXmppXml form = owner[0].Child("query").Child("x", "jabber:x:data");
  ASSERT_TRUE(form.Valid()) << owner[0].Xml();
  EXPECT_EQ(form.Attr("type"), "submit");
  // My presence again, and the answer of another sender: still configuring.
  h.Feed(RoomPresence("boss", "alice@localhost/desk", "moderator", {"110", "201"}));
  h.Answer(owner[0], "", "mallory@localhost/x");
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_TRUE(h.Posted().empty());
  h.Answer(owner[0]);
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCConferenceParticipantListNotification room=room1@conference.localhost ids=alice@localhost "
            "names=boss roles=3\n");
  h.Feed(RoomPresence("bob", "bob@localhost/x", "participant"));
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCConferenceParticipantNotification room=room1@conference.localhost id=bob@localhost name=bob "
            "event=0\n");

  // A refused join: the error, and the room is forgotten (not joined again at the next login).
  h.features.conference.Join("closed@conference.localhost", "");
  h.Sent();
  h.Feed("<presence type='error' from='closed@conference.localhost/alice'><x xmlns='http://jabber.org/protocol/muc'/>"
         "<error type='auth'><registration-required xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/></error></presence>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification closed@conference.localhost/alice answered with the error "
            "registration-required. \n");
  h.Feed("<message type='groupchat' from='closed@conference.localhost/x'><body>no</body></message>");
  EXPECT_TRUE(h.Posted().empty());
  h.Offline();
  h.Online(true);
  auto sent = h.Sent();
  EXPECT_TRUE(PresencesTo(sent, "closed@conference.localhost/alice").empty());
  EXPECT_EQ(PresencesTo(sent, "room1@conference.localhost/boss").size(), 1u);
}

TEST(XmppFeatureConference, RoomsJoinedAgainAfterAFreshLoginNotAfterAResumedStream) {
  ZELXmppFeatureHarness h;
  OnlineWithService(h);
  Joined(h);
  h.features.conference.Join("room2@conference.localhost", "");
  h.Feed("<presence from='room2@conference.localhost/alice'><x xmlns='http://jabber.org/protocol/muc#user'>"
         "<item role='participant'/><status code='110'/></x></presence>");
  h.features.conference.Join("room3@conference.localhost", "");
  h.features.conference.Leave("room3@conference.localhost");  // leaving when the connection went
  h.Sent();
  h.Posted();

  h.Offline();
  h.Online(false);
  auto sent = h.Sent();
  EXPECT_TRUE(PresencesTo(sent, "room1@conference.localhost/alice").empty());
  EXPECT_TRUE(PresencesTo(sent, "room2@conference.localhost/alice").empty());
  // The rooms are still mine after a resumed stream.
  h.Feed(std::string("<message type='groupchat' from='") + kRoom + "/bob'><body>still here</body></message>");
  EXPECT_EQ(h.Posted().size(), 1u);

  h.Offline();
  h.Online(true);
  sent = h.Sent();
  auto again = PresencesTo(sent, "room1@conference.localhost/alice");
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].Child("x", kMucNs).Child("history").Attr("maxstanzas"), "0");
  EXPECT_EQ(PresencesTo(sent, "room2@conference.localhost/alice").size(), 1u);
  EXPECT_TRUE(PresencesTo(sent, "room3@conference.localhost/alice").empty());
  // Until my presence comes back, nothing of the room; then its list again.
  h.Feed(std::string("<message type='groupchat' from='") + kRoom + "/bob'><body>early</body></message>");
  EXPECT_TRUE(h.Posted().empty());
  h.Feed(RoomPresence("alice", "alice@localhost/desk", "moderator", {"110"}));
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCConferenceParticipantListNotification room=room1@conference.localhost ids=alice@localhost "
            "names=alice roles=3\n");

  // Left while offline: out at once, not joined again.
  h.Offline();
  h.features.conference.Leave(kRoom);
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCConferenceParticipantNotification room=room1@conference.localhost id=alice@localhost name=alice "
            "event=1\n");
  h.Online(true);
  EXPECT_TRUE(PresencesTo(h.Sent(), "room1@conference.localhost/alice").empty());
}

TEST(XmppFeatureConference, InvitationsNameTheRealInviterOrItsPlaceInTheRoom) {
  ZELXmppFeatureHarness h;
  OnlineWithService(h);
  const std::string mediated = std::string("<message from='") + kRoom + "' to='alice@localhost'><x xmlns='" +
                               kMucUserNs + "'>";
  h.Feed(mediated + "<invite from='bob@localhost/phone'><reason>join us</reason></invite></x></message>");
  // A room that hides real addresses names the inviter by its place in the room.
  h.Feed(mediated + "<invite from='room1@conference.localhost/Bobby'/></x></message>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCMeetingInvitationReceivedNotification meeting=room1@conference.localhost name=room1 "
            "from=bob@localhost sender=bob@localhost text=join us type=0\n"
            "ZELRTCMeetingInvitationReceivedNotification meeting=room1@conference.localhost name=room1 "
            "from=room1@conference.localhost/Bobby sender=Bobby text= type=0\n");
  // Naming nobody, or the room itself; sent by a user rather than a room: dropped, and not a chat message either.
  h.Feed(mediated + "<invite/></x></message>");
  h.Feed(mediated + "<invite from='room1@conference.localhost'/></x></message>");
  h.Feed(std::string("<message from='mallory@localhost/x' type='chat'><body>click</body><x xmlns='") + kMucUserNs +
         "'><invite from='bob@localhost/phone'/></x></message>");
  EXPECT_TRUE(h.Posted().empty());

  // A direct invitation: the sender is the inviter.
  h.Feed("<message from='bob@localhost/phone'><x xmlns='jabber:x:conference' jid='room2@conference.localhost' "
         "reason='talk'/></message>");
  h.Feed("<message from='bob@localhost/phone'><x xmlns='jabber:x:conference'/></message>");
  h.Feed("<message><x xmlns='jabber:x:conference' jid='room3@conference.localhost'/></message>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCMeetingInvitationReceivedNotification meeting=room2@conference.localhost name=room2 "
            "from=bob@localhost sender=bob@localhost text=talk type=1\n");

  // Mine go through the room.
  h.features.conference.Invite(kRoom, "bob@localhost", "come");
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Name(), "message");
  EXPECT_EQ(sent[0].Attr("to"), kRoom);
  ZELXmppXml invite = sent[0].Child("x", kMucUserNs).Child("invite");
  EXPECT_EQ(invite.Attr("to"), "bob@localhost");
  EXPECT_EQ(invite.Child("reason").Text(), "come");
}

TEST(XmppFeatureConference, RoleChangeAsksTheRoomAndItsRefusalIsAnError) {
  ZELXmppFeatureHarness h;
  OnlineWithService(h);
  Joined(h);
  h.features.conference.SetRole(kRoom, "bob", 1);
  auto admin = ZELXmppRequestsTo(h.Sent(), kRoom, "query", "http://jabber.org/protocol/muc#admin");
  ASSERT_EQ(admin.size(), 1u);
  EXPECT_EQ(admin[0].Attr("type"), "set");
  ZELXmppXml item = admin[0].Child("query").Child("item");
  EXPECT_EQ(item.Attr("nick"), "bob");
  EXPECT_EQ(item.Attr("role"), "visitor");
  h.AnswerError(admin[0], "not-allowed", "mallory@localhost/x");  // not the room's answer
  EXPECT_TRUE(h.Posted().empty());
  h.AnswerError(admin[0], "not-allowed");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification room1@conference.localhost answered with the error not-allowed. \n");
  const char* names[] = {"none", "visitor", "participant", "moderator"};
  for (int role = 0; role <= 3; ++role) {
    h.features.conference.SetRole(kRoom, "bob", role);
    admin = ZELXmppRequestsTo(h.Sent(), kRoom, "query", "http://jabber.org/protocol/muc#admin");
    ASSERT_EQ(admin.size(), 1u);
    EXPECT_EQ(admin[0].Child("query").Child("item").Attr("role"), names[role]);
    h.Answer(admin[0]);
  }
  EXPECT_TRUE(h.Posted().empty());
}
