// The contact list, presence and subscriptions of an XMPP session, in process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZELBaseUnknown.h"
#include "ZELNotificationCenter.h"
#include "ZELRTCBuddyListUserNotification.h"
#include "ZELRTCUserStatusChangedNotification.h"
#include "ZELRTCUtilities.h"
#include "ZELRTCWatchListUserNotification.h"
#include "ZELXmppFeatureHarness.h"

namespace {

constexpr const char* kRosterNs = "jabber:iq:roster";
constexpr const char* kDiscoInfoNs = "http://jabber.org/protocol/disco#info";
constexpr const char* kCapsNs = "http://jabber.org/protocol/caps";

// What was posted but the lines of the other features' requests at login.
std::string PostedOfContacts(ZELXmppFeatureHarness& h) {
  std::vector<std::string> lines;
  for (const std::string& line : h.Posted())
    if (line.find("request expanded groups") == std::string::npos) lines.push_back(line);
  return ZELXmppLines(lines);
}

const char* kRoster =
    "<item jid='bob@localhost' name='Bob B' subscription='both'><group>Friends</group></item>"
    "<item jid='carol@localhost' name='Carol' subscription='to'><group>Friends</group><group>Work</group></item>"
    "<item jid='dave@localhost' subscription='from'/>";

std::string Presence(const std::string& from, const std::string& inner, const std::string& type = "") {
  return "<presence from='" + from + "' to='alice@localhost/desk'" + (type.empty() ? "" : " type='" + type + "'") +
         ">" + inner + "</presence>";
}

// The names of the users that the notifications posted under the session carry, read from the objects
// (the lines show addresses and statuses only).
class UserNames {
 public:
  explicit UserNames(ZELXmppFeatureHarness& h) : _subscription(ZELNotificationCenter::Subscribe(h.channel.SessionId())) {}
  ~UserNames() { ZELNotificationCenter::Unsubscribe(_subscription); }
  std::vector<std::string> Take() {
    std::vector<std::string> names;
    ZELBaseUnknown* n = nullptr;
    while (ZELNotificationCenter::Wait(_subscription, 0, n) == 1) {
      if (auto* u = dynamic_cast<ZELRTCBuddyListUserNotification*>(n)) Add(names, u->GetUser());
      if (auto* w = dynamic_cast<ZELRTCWatchListUserNotification*>(n)) Add(names, w->GetUser());
      if (auto* s = dynamic_cast<ZELRTCUserStatusChangedNotification*>(n)) {
        ZELListPtrZELIRTCUser users;
        s->GetUsers(users);
        for (int i = 1; i <= users.Size(); ++i) {
          users[i]->AddRef();
          Add(names, users[i]);
        }
        ZELRTCUtilities::Release(users);
      }
      n->Release();
    }
    return names;
  }

 private:
  static void Add(std::vector<std::string>& names, ZELIRTCUser* user) {
    if (!user) {
      names.push_back("null");
      return;
    }
    const ZELUnicodeString name = user->GetName();
    names.push_back(name.CastToCharPtr() ? name.CastToCharPtr() : "");
    user->Release();
  }
  int _subscription;
};

}  // namespace

TEST(XmppFeatureContacts, EveryShowValueGivesItsStatusAndTheMostAvailableDeviceTells) {
  ZELXmppFeatureHarness h;
  h.LoginWithRoster(kRoster);
  UserNames names(h);
  const struct {
    const char* inner;
    const char* type;
    const char* line;
  } cases[] = {
      {"", "", "ZELRTCUserStatusChangedNotification bob@localhost(Active)"},
      {"<show>chat</show><status>free</status>", "", "ZELRTCUserStatusChangedNotification bob@localhost(Active) \"free\""},
      {"<show>away</show>", "", "ZELRTCUserStatusChangedNotification bob@localhost(Away)"},
      {"<show>xa</show>", "", "ZELRTCUserStatusChangedNotification bob@localhost(Idle)"},
      {"<show>dnd</show><status>meeting</status>", "", "ZELRTCUserStatusChangedNotification bob@localhost(DND) \"meeting\""},
      {"<show>busy</show>", "", "ZELRTCUserStatusChangedNotification bob@localhost(Unknown)"},
      {"<show>away</show><status>gone</status>", "unavailable", "ZELRTCUserStatusChangedNotification bob@localhost(Offline)"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(h.Feed(Presence("bob@localhost/phone", c.inner, c.type)));
    EXPECT_EQ(ZELXmppLines(h.Posted()), std::string(c.line) + "\n") << c.inner << " " << c.type;
  }
  // The contact's name in the list is the users' name.
  EXPECT_EQ(names.Take(), std::vector<std::string>(7, "Bob B"));

  // Two devices: the most available one tells, with its own text; one leaving leaves the other.
  h.Feed(Presence("bob@localhost/phone", "<show>xa</show><status>on the road</status>"));
  h.Feed(Presence("bob@localhost/desk", "<show>dnd</show><status>busy here</status>"));
  h.Feed(Presence("bob@localhost/laptop", "<show>away</show><status>lunch</status>"));
  h.Feed(Presence("bob@localhost/tablet", "<show>chat</show>"));
  h.Feed(Presence("bob@localhost/tablet", "", "unavailable"));
  h.Feed(Presence("bob@localhost/laptop", "", "unavailable"));
  h.Feed(Presence("bob@localhost/desk", "", "unavailable"));
  h.Feed(Presence("bob@localhost/phone", "<show>weird</show>"));
  h.Feed(Presence("bob@localhost/phone", "", "unavailable"));
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCUserStatusChangedNotification bob@localhost(Idle) \"on the road\"\n"
            "ZELRTCUserStatusChangedNotification bob@localhost(DND) \"busy here\"\n"
            "ZELRTCUserStatusChangedNotification bob@localhost(Away) \"lunch\"\n"
            "ZELRTCUserStatusChangedNotification bob@localhost(Active)\n"
            "ZELRTCUserStatusChangedNotification bob@localhost(Away) \"lunch\"\n"
            "ZELRTCUserStatusChangedNotification bob@localhost(DND) \"busy here\"\n"
            "ZELRTCUserStatusChangedNotification bob@localhost(Idle) \"on the road\"\n"
            "ZELRTCUserStatusChangedNotification bob@localhost(Unknown)\n"
            "ZELRTCUserStatusChangedNotification bob@localhost(Offline)\n");
  EXPECT_FALSE(h.features.contacts.IsAvailable("bob@localhost"));

  // An address outside the list is named by its address.
  h.Feed(Presence("erin@localhost/x", "<show>away</show>"));
  EXPECT_EQ(ZELXmppLines(h.Posted()), "ZELRTCUserStatusChangedNotification erin@localhost(Away)\n");
  names.Take();
  h.Feed(Presence("erin@localhost/x", "", "unavailable"));
  EXPECT_EQ(names.Take(), std::vector<std::string>{"erin@localhost"});
  h.Posted();

  // Bad input: no sender, an unknown type, a probe, an unsubscribe: nothing.
  h.Feed("<presence><show>away</show></presence>");
  h.Feed("<presence from='bob@localhost/x' type='probe'/>");
  h.Feed("<presence from='bob@localhost/x' type='unsubscribe'/>");
  h.Feed("<presence from='bob@localhost/x' type='bogus'/>");
  EXPECT_TRUE(h.Posted().empty());
  EXPECT_TRUE(h.Sent().empty());
}

TEST(XmppFeatureContacts, MyOwnPresenceComesFromMyBoundResourceOnly) {
  ZELXmppFeatureHarness h;
  h.LoginWithRoster(kRoster);
  h.Feed(Presence("alice@localhost/desk", "<show>away</show><status>lunch</status>"));
  h.Feed(Presence("alice@localhost/phone", "<show>dnd</show><status>other</status>"));
  h.Feed(Presence("alice@localhost", "<show>dnd</show>"));
  h.Feed(Presence("alice@localhost/phone", "", "unavailable"));
  h.Feed(Presence("alice@localhost/desk", "<show>xa</show>"));
  h.Feed(Presence("alice@localhost/desk", "", "unavailable"));
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCMyStatusChangedNotification status=Away text=lunch\n"
            "ZELRTCMyStatusChangedNotification status=Idle text=\n"
            "ZELRTCMyStatusChangedNotification status=Offline text=\n");
  EXPECT_FALSE(h.features.contacts.IsAvailable("alice@localhost"));
}

TEST(XmppFeatureContacts, SetMyStatusSendsTheShowOfEachStatusWithMyCapabilities) {
  ZELXmppFeatureHarness h;
  // Offline nothing goes; the status is kept for the login.
  h.features.contacts.SetMyStatus(ZelRTCStatusDND, "busy");
  h.LoginWithRoster(kRoster);
  h.Offline();
  h.Online(false);  // resumed: nothing asked again
  EXPECT_TRUE(h.Sent().empty());
  h.features.contacts.SetMyStatus(ZelRTCStatusDND, "busy");
  const struct {
    ZelRTCUserStatus status;
    const char* text;
    const char* show;
    const char* type;
  } cases[] = {
      {ZelRTCStatusActive, "", "", ""},       {ZelRTCStatusAway, "out", "away", ""},
      {ZelRTCStatusDND, "busy", "dnd", ""},   {ZelRTCStatusIdle, "", "xa", ""},
      {ZelRTCStatusOnThePhone, "call", "away", ""}, {ZelRTCStatusUnknown, "", "", ""},
      {ZelRTCStatusOffline, "bye", "", "unavailable"},
  };
  h.Sent();
  for (const auto& c : cases) {
    h.features.contacts.SetMyStatus(c.status, c.text);
    auto sent = h.Sent();
    ASSERT_EQ(sent.size(), 1u) << c.status;
    const ZELXmppXml& p = sent[0];
    EXPECT_EQ(p.Name(), "presence");
    EXPECT_EQ(p.Attr("to"), "");
    EXPECT_EQ(p.Attr("type"), c.type) << c.status;
    EXPECT_EQ(p.Child("show").Valid(), *c.show != 0) << c.status;
    EXPECT_EQ(p.Child("show").Text(), c.show) << c.status;
    EXPECT_EQ(p.Child("status").Valid(), *c.text != 0) << c.status;
    EXPECT_EQ(p.Child("status").Text(), c.text) << c.status;
    ZELXmppXml caps = p.Child("c", kCapsNs);
    if (c.status == ZelRTCStatusOffline) {
      EXPECT_FALSE(caps.Valid());
      continue;
    }
    ASSERT_TRUE(caps.Valid()) << p.Xml();
    EXPECT_EQ(caps.Attr("node"), ZELRTCXmppDispatcher::kCapsNode);
    EXPECT_EQ(caps.Attr("ver"), h.features.dispatcher.CapsVersion());
    EXPECT_FALSE(caps.Attr("ver").empty());
    EXPECT_EQ(caps.Attr("hash"), "sha-1");
  }
  EXPECT_TRUE(h.Posted().empty());
}

TEST(XmppFeatureContacts, RosterIsAskedAtAFreshLoginAndMyPresenceFollowsItsAnswer) {
  ZELXmppFeatureHarness h;
  h.channel.settings.requestTimeout = std::chrono::seconds(5);
  h.features.contacts.SetMyStatus(ZelRTCStatusAway, "later");
  h.Online();
  auto sent = h.Sent();
  ZELXmppXml roster = ZELXmppRequestOf(sent, "query", kRosterNs);
  ASSERT_TRUE(roster.Valid());
  EXPECT_EQ(roster.Attr("type"), "get");
  EXPECT_EQ(roster.Attr("to"), "");
  EXPECT_TRUE(roster.Child("query", kRosterNs).Children().empty());
  EXPECT_TRUE(ZELXmppOfName(sent, "presence").empty());
  // My status set before the list is known waits for it.
  h.features.contacts.SetMyStatus(ZelRTCStatusDND, "wait");
  EXPECT_TRUE(ZELXmppOfName(h.Sent(), "presence").empty());
  // An answer from someone else is no answer.
  h.Answer(roster, "<query xmlns='jabber:iq:roster'/>", "mallory@localhost");
  EXPECT_TRUE(h.Posted().empty());
  h.Answer(roster, std::string("<query xmlns='jabber:iq:roster'>") + kRoster + "</query>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCBuddyListNotification event=0 reason=0 groups=Contacts{dave@localhost(Offline)},"
            "Friends{bob@localhost(Offline),carol@localhost(Offline)},Work{carol@localhost(Offline)}\n");
  sent = ZELXmppOfName(h.Sent(), "presence");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Child("show").Text(), "dnd");
  EXPECT_EQ(sent[0].Child("status").Text(), "wait");
  EXPECT_EQ(sent[0].Attr("type"), "");

  // A resumed stream: the server still has the list and my presence.
  h.Offline();
  h.Online(false);
  EXPECT_FALSE(ZELXmppRequestOf(h.Sent(), "query", kRosterNs).Valid());
  EXPECT_TRUE(h.Posted().empty());

  // A fresh login whose roster request fails: an error, and my presence goes anyway.
  h.Offline();
  h.Online();
  roster = ZELXmppRequestOf(h.Sent(), "query", kRosterNs);
  ASSERT_TRUE(roster.Valid());
  h.AnswerError(roster, "internal-server-error");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification alice@localhost answered with the error internal-server-error. \n");
  EXPECT_EQ(ZELXmppOfName(h.Sent(), "presence").size(), 1u);

  // Without an answer in time: "NoAnswer", and my presence goes anyway.
  h.Offline();
  h.Online();
  ASSERT_TRUE(ZELXmppRequestOf(h.Sent(), "query", kRosterNs).Valid());
  h.Tick(4900);
  EXPECT_TRUE(ZELXmppOfName(h.Sent(), "presence").empty());
  h.Tick(200);
  EXPECT_EQ(PostedOfContacts(h), "ZELRTCErrorNotification The request roster ended without an answer (timeout).\n");
  EXPECT_EQ(ZELXmppOfName(h.Sent(), "presence").size(), 1u);

  // The connection gone before the answer: no presence, no error; a resumed stream asks again.
  h.Offline();
  h.Online();
  ASSERT_TRUE(ZELXmppRequestOf(h.Sent(), "query", kRosterNs).Valid());
  h.Offline();
  EXPECT_TRUE(h.Posted().empty());
  h.Online(false);
  sent = h.Sent();
  roster = ZELXmppRequestOf(sent, "query", kRosterNs);
  ASSERT_TRUE(roster.Valid());
  EXPECT_TRUE(ZELXmppOfName(sent, "presence").empty());
  h.Answer(roster, "<query xmlns='jabber:iq:roster'/>");
  EXPECT_EQ(ZELXmppLines(h.Posted()), "ZELRTCBuddyListNotification event=0 reason=0 groups=\n");
  EXPECT_EQ(ZELXmppOfName(h.Sent(), "presence").size(), 1u);
}

TEST(XmppFeatureContacts, RosterPushesFromMyAccountAddMoveRenameAndRemoveWithTheirGroups) {
  ZELXmppFeatureHarness h;
  h.LoginWithRoster(kRoster);
  UserNames names(h);
  auto push = [&h](const std::string& id, const std::string& from, const std::string& item) {
    h.Feed("<iq type='set' id='" + id + "'" + (from.empty() ? "" : " from='" + from + "'") +
           " to='alice@localhost/desk'><query xmlns='jabber:iq:roster'>" + item + "</query></iq>");
  };

  // A contact of a new group: the group first, then the contact; answered with an empty result of the same id.
  push("p1", "", "<item jid='erin@localhost' name='Erin' subscription='none'><group>Family</group></item>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCBuddyListGroupNotification event=0 group=Family id=Family name=Family\n"
            "ZELRTCBuddyListUserNotification event=0 user=erin@localhost(Offline) id=erin@localhost group=Family "
            "newName=Erin\n");
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Name(), "iq");
  EXPECT_EQ(sent[0].Attr("type"), "result");
  EXPECT_EQ(sent[0].Attr("id"), "p1");
  EXPECT_EQ(sent[0].Attr("to"), "");
  EXPECT_TRUE(sent[0].Children().empty()) << sent[0].Xml();
  EXPECT_EQ(names.Take(), std::vector<std::string>{"Erin"});

  // Renamed, from my bare address; then moved to another existing group.
  push("p2", "alice@localhost", "<item jid='bob@localhost' name='Robert' subscription='both'><group>Friends</group></item>");
  push("p3", "alice@localhost",
       "<item jid='bob@localhost' name='Robert' subscription='both'><group>Work</group><group>Family</group></item>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCBuddyListUserNotification event=3 user=bob@localhost(Offline) id=bob@localhost group=Friends "
            "newName=Robert\n"
            "ZELRTCBuddyListUserNotification event=2 user=bob@localhost(Offline) id=bob@localhost group=Work newName=\n");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].Attr("id"), "p2");
  EXPECT_EQ(sent[0].Attr("to"), "alice@localhost");
  EXPECT_EQ(sent[1].Attr("id"), "p3");
  EXPECT_EQ(names.Take(), (std::vector<std::string>{"Robert", "Robert"}));
  EXPECT_EQ(h.features.contacts.NameOf("bob@localhost"), "Robert");

  // Moved and renamed at once, the last of its group ("Contacts" for a contact without group) leaving it.
  push("p4", "", "<item jid='dave@localhost' name='David' subscription='from'><group>Work</group></item>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCBuddyListUserNotification event=2 user=dave@localhost(Offline) id=dave@localhost group=Work newName=\n"
            "ZELRTCBuddyListUserNotification event=3 user=dave@localhost(Offline) id=dave@localhost group=Work "
            "newName=David\n"
            "ZELRTCBuddyListGroupNotification event=1 group=Contacts id=Contacts name=Contacts\n");
  h.Sent();
  names.Take();

  // Removed: its group before; the group it leaves empty goes after it; the user keeps the name it had.
  push("p5", "", "<item jid='erin@localhost' subscription='remove'/>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCBuddyListUserNotification event=1 user=erin@localhost(Offline) id=erin@localhost group=Family "
            "newName=\n");
  EXPECT_EQ(names.Take(), std::vector<std::string>{"Erin"});
  push("p6", "", "<item jid='bob@localhost' subscription='remove'/>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCBuddyListUserNotification event=1 user=bob@localhost(Offline) id=bob@localhost group=Work newName=\n"
            "ZELRTCBuddyListGroupNotification event=1 group=Family id=Family name=Family\n");
  EXPECT_EQ(h.features.contacts.Groups(), (std::vector<std::string>{"Friends", "Work"}));
  h.Sent();

  // Removing an unknown contact, an item without address, a foreign element: answered, nothing told.
  push("p7", "", "<item jid='nobody@localhost' subscription='remove'/><item name='x'/><junk jid='z@localhost'/>");
  EXPECT_TRUE(h.Posted().empty());
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("type"), "result");

  // Pushes from anyone but my account: service-unavailable, and the list does not change.
  for (const char* from : {"mallory@localhost", "mallory@localhost/x", "localhost", "alice@localhost/phone",
                           "alice@evil.example"}) {
    push("f1", from, "<item jid='mallory@localhost' name='M'><group>Evil</group></item>");
    EXPECT_TRUE(h.Posted().empty()) << from;
    sent = h.Sent();
    ASSERT_EQ(sent.size(), 1u) << from;
    EXPECT_EQ(sent[0].Attr("type"), "error") << from;
    EXPECT_EQ(sent[0].Attr("id"), "f1");
    EXPECT_EQ(sent[0].Attr("to"), from);
    EXPECT_TRUE(sent[0].Child("error").Child("service-unavailable", "urn:ietf:params:xml:ns:xmpp-stanzas").Valid());
  }
  EXPECT_EQ(h.features.contacts.Jids(), (std::vector<std::string>{"carol@localhost", "dave@localhost"}));
  // A roster get from anyone is no push either.
  h.Feed("<iq type='get' id='g1' from='bob@localhost/x'><query xmlns='jabber:iq:roster'/></iq>");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("type"), "error");
  EXPECT_TRUE(h.Posted().empty());
}

TEST(XmppFeatureContacts, SubscriptionsGoToTheWatchListsAndPresenceErrorsAreTold) {
  ZELXmppFeatureHarness h;
  h.LoginWithRoster(kRoster);
  UserNames names(h);
  h.Feed("<presence from='erin@localhost' type='subscribe'/>");
  h.Feed("<presence from='bob@localhost' type='subscribed'/>");
  h.Feed("<presence from='carol@localhost/x' type='unsubscribed'/>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCWatchListUserNotification event=0 user=erin@localhost(Offline) id=erin@localhost list=pending\n"
            "ZELRTCWatchListNotification event=0 list=pending\n"
            "ZELRTCWatchListUserNotification event=1 user=bob@localhost(Offline) id=bob@localhost list=subscriptions\n"
            "ZELRTCWatchListNotification event=0 list=subscriptions\n"
            "ZELRTCWatchListUserNotification event=2 user=carol@localhost(Offline) id=carol@localhost "
            "list=subscriptions\n"
            "ZELRTCWatchListNotification event=0 list=subscriptions\n");
  EXPECT_EQ(names.Take(), (std::vector<std::string>{"erin@localhost", "Bob B", "Carol"}));

  h.Feed("<presence from='bob@localhost' type='error'><error type='cancel'><remote-server-not-found "
         "xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/></error></presence>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification bob@localhost answered with the error remote-server-not-found. \n");

  // The answers to a request.
  h.features.contacts.AnswerSubscription("erin@localhost", true);
  h.features.contacts.AnswerSubscription("frank@localhost", false);
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].Xml(), "<presence type=\"subscribed\" to=\"erin@localhost\"/>");
  EXPECT_EQ(sent[1].Xml(), "<presence type=\"unsubscribed\" to=\"frank@localhost\"/>");
}

TEST(XmppFeatureContacts, AddRemoveAndMoveSendRosterSetsAndARefusalIsTold) {
  ZELXmppFeatureHarness h;
  h.LoginWithRoster(kRoster);
  h.features.contacts.AddContact("erin@localhost", "Erin", "Family");
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 2u);
  ZELXmppXml set = sent[0];
  EXPECT_EQ(set.Name(), "iq");
  EXPECT_EQ(set.Attr("type"), "set");
  EXPECT_EQ(set.Attr("to"), "");
  ZELXmppXml item = set.Child("query", kRosterNs).Child("item");
  EXPECT_EQ(item.Attr("jid"), "erin@localhost");
  EXPECT_EQ(item.Attr("name"), "Erin");
  EXPECT_EQ(item.Attr("subscription"), "");
  ASSERT_EQ(item.Children("group").size(), 1u);
  EXPECT_EQ(item.Child("group").Text(), "Family");
  EXPECT_EQ(sent[1].Xml(), "<presence type=\"subscribe\" to=\"erin@localhost\"/>");
  // Refused: the server's error is told.
  h.AnswerError(set, "not-acceptable");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification alice@localhost answered with the error not-acceptable. \n");

  // Without group or name: an item of the address alone.
  h.features.contacts.AddContact("frank@localhost", "", "");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].Child("query", kRosterNs).Xml(),
            "<query xmlns=\"jabber:iq:roster\"><item jid=\"frank@localhost\"/></query>");
  h.Answer(sent[0]);
  EXPECT_TRUE(h.Posted().empty());

  h.features.contacts.RemoveContact("bob@localhost");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("type"), "set");
  EXPECT_EQ(sent[0].Child("query", kRosterNs).Xml(),
            "<query xmlns=\"jabber:iq:roster\"><item jid=\"bob@localhost\" subscription=\"remove\"/></query>");
  h.Answer(sent[0]);

  // Moving keeps the name and the other groups.
  h.features.contacts.MoveContact("carol@localhost", "Friends", "Family");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  item = sent[0].Child("query", kRosterNs).Child("item");
  EXPECT_EQ(item.Attr("jid"), "carol@localhost");
  EXPECT_EQ(item.Attr("name"), "Carol");
  std::vector<std::string> groups;
  for (const ZELXmppXml& g : item.Children("group")) groups.push_back(g.Text());
  EXPECT_EQ(groups, (std::vector<std::string>{"Work", "Family"}));
  // Without answer in time: "NoAnswer".
  h.Tick(11000);
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification The request roster carol@localhost ended without an answer (timeout).\n");
  // The list changes only with the server's push.
  ZELRTCXmppGroup* family = h.features.contacts.GroupSnapshot("Family");
  EXPECT_EQ(family->GetUserCount(), 0);
  family->Release();
}

TEST(XmppFeatureContacts, CapabilitiesOfADeviceAreAskedOnceAndTellWhatTheContactSupports) {
  ZELXmppFeatureHarness h;
  h.LoginWithRoster(kRoster);
  const std::string caps = "<c xmlns='http://jabber.org/protocol/caps' hash='sha-1' node='urn:other' ver='V1='/>";
  h.Feed(Presence("bob@localhost/phone", caps));
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  ZELXmppXml ask = sent[0];
  EXPECT_EQ(ask.Name(), "iq");
  EXPECT_EQ(ask.Attr("type"), "get");
  EXPECT_EQ(ask.Attr("to"), "bob@localhost/phone");
  EXPECT_EQ(ask.Child("query", kDiscoInfoNs).Attr("node"), "urn:other#V1=");
  // Another device with the same string while the question is under way: not asked again.
  h.Feed(Presence("bob@localhost/desk", caps));
  h.Feed(Presence("carol@localhost/x", caps));
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_FALSE(h.features.contacts.Supports("bob@localhost", "urn:x:feature"));
  // Only the device asked answers.
  h.Answer(ask, "<query xmlns='http://jabber.org/protocol/disco#info'><feature var='urn:x:forged'/></query>",
           "mallory@localhost/x");
  EXPECT_FALSE(h.features.contacts.Supports("bob@localhost", "urn:x:forged"));
  h.Answer(ask,
           "<query xmlns='http://jabber.org/protocol/disco#info' node='urn:other#V1='><identity category='client' "
           "type='pc'/><feature var='urn:x:feature'/><feature var='urn:x:other'/><feature/></query>");
  EXPECT_TRUE(h.features.contacts.Supports("bob@localhost", "urn:x:feature"));
  EXPECT_TRUE(h.features.contacts.Supports("bob@localhost", "urn:x:other"));
  EXPECT_FALSE(h.features.contacts.Supports("bob@localhost", "urn:x:forged"));
  EXPECT_FALSE(h.features.contacts.Supports("bob@localhost", ""));
  EXPECT_FALSE(h.features.contacts.Supports("dave@localhost", "urn:x:feature"));
  // Known now: another contact with it is not asked.
  h.Feed(Presence("dave@localhost/y", caps));
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_TRUE(h.features.contacts.Supports("dave@localhost", "urn:x:feature"));

  // A question that failed is asked again with the next presence carrying the string.
  const std::string caps2 = "<c xmlns='http://jabber.org/protocol/caps' hash='sha-1' node='urn:other' ver='V2='/>";
  h.Feed(Presence("erin@localhost/a", caps2));
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  h.AnswerError(sent[0], "item-not-found");
  EXPECT_FALSE(h.features.contacts.Supports("erin@localhost", "urn:x:feature"));
  h.Feed(Presence("erin@localhost/a", caps2));
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Child("query", kDiscoInfoNs).Attr("node"), "urn:other#V2=");

  // Presence without node or ver, and my own: nothing asked.
  h.Feed(Presence("frank@localhost/a", "<c xmlns='http://jabber.org/protocol/caps' ver='V3='/>"));
  h.Feed(Presence("frank@localhost/a", "<c xmlns='http://jabber.org/protocol/caps' node='n'/>"));
  h.Feed(Presence("frank@localhost/a", "<c xmlns='urn:other:ns' node='n' ver='V4='/>"));
  h.Feed(Presence("alice@localhost/phone", caps2));
  EXPECT_TRUE(h.Sent().empty());
  h.Posted();
}
