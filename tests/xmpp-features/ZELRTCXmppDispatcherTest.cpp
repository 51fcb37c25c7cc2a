// The dispatcher and the request tracker of an XMPP session, in process.
#include <gtest/gtest.h>

#include <algorithm>

#include "ZELXmppFeatureHarness.h"

namespace {

using Outcome = ZELRTCXmppRequestTracker::Outcome;

// Asks `to` something and records each outcome the tracker gives the request.
struct Asked {
  std::vector<std::string> outcomes;
  ZELXmppXml request;
};

void Ask(ZELXmppFeatureHarness& h, const std::string& to, Asked& asked, int timeoutMs = 0) {
  auto& requests = h.channel.Requests();
  xmpp_stanza_t* iq = requests.NewIq("get", to);
  auto answer = [&asked](Outcome outcome, xmpp_stanza_t* stanza) {
    asked.outcomes.push_back(std::string(ZELRTCXmppOutcomeName(outcome)) + (stanza ? "+stanza" : ""));
  };
  if (timeoutMs > 0)
    requests.Send(iq, answer, std::chrono::milliseconds(timeoutMs));
  else
    requests.Send(iq, answer);
  xmpp_stanza_release(iq);
  auto sent = h.Sent();
  if (!sent.empty()) asked.request = sent.back();
}

}  // namespace

TEST(XmppFeatureDispatcher, RequestsNobodyServesGetServiceUnavailableAndDiscoveryListsTheFeatures) {
  ZELXmppFeatureHarness h;
  h.Online();
  h.Sent();
  // A request of an unknown namespace: an error of type cancel, service-unavailable, same id.
  ASSERT_TRUE(h.Feed("<iq type='get' id='q1' from='bob@localhost/x'><query xmlns='urn:example:unknown'/></iq>"));
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("type"), "error");
  EXPECT_EQ(sent[0].Attr("id"), "q1");
  EXPECT_EQ(sent[0].Attr("to"), "bob@localhost/x");
  EXPECT_TRUE(sent[0].Child("error").Child("service-unavailable", "urn:ietf:params:xml:ns:xmpp-stanzas").Valid());
  // Answers and requests without an id get nothing back.
  h.Feed("<iq type='set' from='bob@localhost/x'><query xmlns='urn:example:unknown'/></iq>");
  h.Feed("<iq type='result' id='nobody-asked' from='bob@localhost/x'/>");
  h.Feed("<iq type='error' id='nobody-asked' from='bob@localhost/x'/>");
  EXPECT_TRUE(h.Sent().empty());

  // My own server's request comes without an address: the answer goes without one.
  h.Feed("<iq type='get' id='q2'><query xmlns='urn:example:unknown'/></iq>");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("type"), "error");
  EXPECT_EQ(sent[0].Attr("id"), "q2");
  EXPECT_EQ(sent[0].Attr("to"), "");
  EXPECT_EQ(sent[0].Child("error").Attr("type"), "cancel");

  // Ping: an empty result.
  h.Feed("<iq type='get' id='p1' from='localhost'><ping xmlns='urn:xmpp:ping'/></iq>");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("type"), "result");
  EXPECT_EQ(sent[0].Attr("id"), "p1");
  EXPECT_TRUE(sent[0].Children().empty());

  // disco#info: one identity, the features of every feature of the session.
  h.Feed("<iq type='get' id='d1' from='bob@localhost/x'><query xmlns='http://jabber.org/protocol/disco#info'/></iq>");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  ZELXmppXml query = sent[0].Child("query", "http://jabber.org/protocol/disco#info");
  ASSERT_TRUE(query.Valid()) << sent[0].Xml();
  EXPECT_EQ(query.Child("identity").Attr("category"), "client");
  std::vector<std::string> vars;
  for (const ZELXmppXml& f : query.Children("feature")) vars.push_back(f.Attr("var"));
  EXPECT_TRUE(std::is_sorted(vars.begin(), vars.end()));
  for (const char* expected :
       {"http://jabber.org/protocol/caps", "http://jabber.org/protocol/disco#info", "urn:xmpp:ping",
        "urn:zelrtc:reliable:0", "urn:zelrtc:data:0", "http://jabber.org/protocol/muc", "jabber:x:conference",
        "urn:xmpp:jingle-message:0", "urn:zelrtc:webrtc:0", "jabber:x:oob"})
    EXPECT_NE(std::find(vars.begin(), vars.end(), expected), vars.end()) << expected;
  EXPECT_EQ(vars, h.features.dispatcher.DiscoFeatures());

  // The same asked for the capabilities' node: answered with that node; another node is not known.
  const std::string node = std::string(ZELRTCXmppDispatcher::kCapsNode) + "#" + h.features.dispatcher.CapsVersion();
  h.Feed("<iq type='get' id='d2' from='bob@localhost/x'><query xmlns='http://jabber.org/protocol/disco#info' node='" +
         node + "'/></iq>");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Child("query").Attr("node"), node);
  h.Feed("<iq type='get' id='d3' from='bob@localhost/x'><query xmlns='http://jabber.org/protocol/disco#info' "
         "node='urn:other#x'/></iq>");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(sent[0].Child("error").Child("item-not-found").Valid());
}

// The verification string of XEP-0115 over this identity and these features (its own example's algorithm).
TEST(XmppFeatureDispatcher, CapabilitiesVerificationIsTheBase64OfTheSha1OfIdentityAndSortedFeatures) {
  ZELXmppFeatureHarness h;
  std::string s = "client/pc//ZELRTCItf<";
  for (const std::string& f : h.features.dispatcher.DiscoFeatures()) s += f + "<";
  unsigned char digest[20];
  xmpp_sha1_digest(reinterpret_cast<const unsigned char*>(s.data()), s.size(), digest);
  char* encoded = xmpp_base64_encode(h.channel.Context(), digest, sizeof digest);
  ASSERT_NE(encoded, nullptr);
  EXPECT_EQ(h.features.dispatcher.CapsVersion(), encoded);
  xmpp_free(h.channel.Context(), encoded);
}

TEST(XmppFeatureTracker, AnswerIsAcceptedOnlyFromTheAddressAskedAndEachRequestEndsOnce) {
  ZELXmppFeatureHarness h;
  h.Online();
  h.Sent();
  const size_t atLogin = h.channel.Requests().Pending();  // what the features ask at login
  Asked a;
  Ask(h, "bob@localhost/x", a);
  ASSERT_TRUE(a.request.Valid());
  const std::string id = a.request.Attr("id");
  EXPECT_GE(id.size(), 32u) << "ids nobody can guess";
  // Another sender with the right id is not an answer; neither is a request of the same id.
  h.Feed("<iq type='result' id='" + id + "' from='mallory@localhost/x'/>");
  h.Feed("<iq type='result' id='" + id + "' from='bob@localhost'/>");
  h.Feed("<iq type='result' id='" + id + "'/>");
  EXPECT_TRUE(a.outcomes.empty());
  EXPECT_EQ(h.channel.Requests().Pending(), atLogin + 1);
  h.Feed("<iq type='error' id='" + id + "' from='BOB@localhost/x'><error type='cancel'/></iq>");
  EXPECT_EQ(a.outcomes, std::vector<std::string>{"error+stanza"});
  // A second answer, the deadline and the connection's end change nothing for it.
  h.Feed("<iq type='result' id='" + id + "' from='bob@localhost/x'/>");
  h.Tick(60000);
  h.Offline();
  EXPECT_EQ(a.outcomes, std::vector<std::string>{"error+stanza"});

  // A request to my own account: answered without an address, or from my bare or full address; not my domain.
  h.Online();
  Asked mine, mine2, mine3;
  Ask(h, "", mine);
  Ask(h, "", mine2);
  Ask(h, "", mine3);
  h.Feed("<iq type='result' id='" + mine.request.Attr("id") + "' from='localhost'/>");
  h.Feed("<iq type='result' id='" + mine.request.Attr("id") + "' from='alice@localhost/other'/>");
  EXPECT_TRUE(mine.outcomes.empty());
  h.Feed("<iq type='result' id='" + mine.request.Attr("id") + "'/>");
  h.Feed("<iq type='result' id='" + mine2.request.Attr("id") + "' from='alice@localhost'/>");
  h.Feed("<iq type='result' id='" + mine3.request.Attr("id") + "' from='alice@localhost/desk'/>");
  EXPECT_EQ(mine.outcomes, std::vector<std::string>{"result+stanza"});
  EXPECT_EQ(mine2.outcomes, std::vector<std::string>{"result+stanza"});
  EXPECT_EQ(mine3.outcomes, std::vector<std::string>{"result+stanza"});
  EXPECT_NE(mine.request.Attr("id"), mine2.request.Attr("id"));
}

TEST(XmppFeatureTracker, DeadlineAndLostConnectionEndEveryRequestExactlyOnce) {
  ZELXmppFeatureHarness h;
  h.channel.settings.requestTimeout = std::chrono::seconds(10);
  h.Online();
  Asked slow, quick, gone;
  Ask(h, "localhost", slow);
  Ask(h, "localhost", quick, 500);
  h.Tick(499);
  EXPECT_TRUE(quick.outcomes.empty());
  h.Tick(1);
  EXPECT_EQ(quick.outcomes, std::vector<std::string>{"timeout"});
  h.Tick(9499);
  EXPECT_TRUE(slow.outcomes.empty());
  h.Tick(1);
  EXPECT_EQ(slow.outcomes, std::vector<std::string>{"timeout"});
  // The late answer is no answer any more.
  h.Feed("<iq type='result' id='" + slow.request.Attr("id") + "' from='localhost'/>");
  EXPECT_EQ(slow.outcomes, std::vector<std::string>{"timeout"});

  Ask(h, "localhost", gone);
  h.Offline();
  EXPECT_EQ(gone.outcomes, std::vector<std::string>{"gone"});
  EXPECT_EQ(h.channel.Requests().Pending(), 0u);
  // Offline, a request ends at once, and sends nothing.
  Asked offline;
  Ask(h, "localhost", offline);
  EXPECT_EQ(offline.outcomes, std::vector<std::string>{"gone"});
  EXPECT_FALSE(offline.request.Valid());
}

// A stanza goes to the first feature that claims it: an invitation to a room
// is the conference's, never a chat message; a groupchat message of a room I am
// not in reaches nobody.
TEST(XmppFeatureDispatcher, StanzasGoToTheFirstFeatureThatClaimsThem) {
  ZELXmppFeatureHarness h;
  h.Online();
  h.Sent();
  h.Posted();
  h.Feed("<message from='room@conference.localhost' to='alice@localhost'><x "
         "xmlns='http://jabber.org/protocol/muc#user'><invite from='bob@localhost/x'><reason>come</reason></invite></x>"
         "<body>bob invites you</body></message>");
  auto posted = h.Posted();
  ASSERT_EQ(posted.size(), 1u) << ZELXmppLines(posted);
  EXPECT_EQ(posted[0].rfind("ZELRTCMeetingInvitationReceivedNotification", 0), 0u) << posted[0];
  // A file link: an offer, not a chat message with the link.
  h.Feed("<message type='chat' from='bob@localhost/x' id='f1'><body>http://127.0.0.1/f/a.txt</body>"
         "<x xmlns='jabber:x:oob'><url>http://127.0.0.1/f/a.txt</url></x></message>");
  posted = h.Posted();
  ASSERT_EQ(posted.size(), 1u) << ZELXmppLines(posted);
  EXPECT_EQ(posted[0].rfind("ZELRTCFileTransferNotification event=1", 0), 0u) << posted[0];
  // A plain chat message: the messaging's.
  h.Feed("<message type='chat' from='bob@localhost/x' id='c1'><body>hello</body></message>");
  posted = h.Posted();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0], "ZELRTCInstantMessageReceivedNotification from=bob@localhost name=bob@localhost text=hello "
                       "encrypted=0 event=0");
  // Unknown top-level elements and presence of rooms I am not in reach no feature's notification but the contacts'.
  h.Feed("<a xmlns='urn:xmpp:sm:3' h='3'/>");
  EXPECT_TRUE(h.Posted().empty());
  EXPECT_TRUE(h.Sent().empty());
}
