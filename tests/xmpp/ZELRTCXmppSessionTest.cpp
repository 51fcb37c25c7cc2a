// The XMPP back end of the session component against a private prosody
// server: login over TLS, contact list and presence, 1,000 messages in order
// exactly once (also across a server crash), data in one piece and in parts,
// a refused password, hostile stanzas, the trace and the objects left behind.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ZELProsodyServer.h"
#include "ZELTestSupport.h"
#include "ZELXmppRawClient.h"
#include "ZELXmppSessionClient.h"
#include "ZELXmppTestSession.h"

namespace {

class XmppTest : public ZELXmppEachServerTest {
 protected:
  // Alice and Bob put each other in their lists and accept each other.
  static void Befriend(ZELXmppSessionClient& alice, ZELXmppSessionClient& bob) {
    ZELXmppBefriend(alice, "alice", bob, "bob");
  }


};

TEST_P(XmppTest, XmppTwoSessionsOverTlsSeePresenceAndExchangeMessagesInOrder) {
  {
    ZELXmppSessionClient alice, bob;
    ASSERT_TRUE(Login(alice, "alice")) << ZELXmppJoin(alice.Lines());
    ASSERT_TRUE(Login(bob, "bob")) << ZELXmppJoin(bob.Lines());
    EXPECT_EQ(alice.Lines().front(),
              "ZELRTCLoginNotification event=0 host=127.0.0.1 user=alice@localhost(Active) reason=0");
    ASSERT_TRUE(alice.WaitFor("ZELRTCBuddyListNotification", 1, kWaitMs));
    EXPECT_EQ(alice.LinesStartingWith("ZELRTCBuddyListNotification")[0],
              "ZELRTCBuddyListNotification event=0 reason=0 groups=");
    Befriend(alice, bob);
    // The contact list's changes as the server pushed them.
    EXPECT_EQ(ZELXmppJoin(alice.LinesStartingWith("ZELRTCBuddyListGroupNotification")),
              "ZELRTCBuddyListGroupNotification event=0 group=Friends id=Friends name=Friends\n");
    EXPECT_EQ(alice.LinesStartingWith("ZELRTCBuddyListUserNotification")[0],
              "ZELRTCBuddyListUserNotification event=0 user=bob@localhost(Offline) id=bob@localhost group=Friends "
              "newName=Bob");

    ASSERT_EQ(bob.Xmpp()->SetMyStatus(ZelRTCStatusAway, "at lunch"), S_OK);
    ASSERT_TRUE(alice.WaitFor("ZELRTCUserStatusChangedNotification bob@localhost(Away) \"at lunch\"", 1, kWaitMs));
    ASSERT_TRUE(bob.WaitFor("ZELRTCMyStatusChangedNotification status=Away text=at lunch", 1, kWaitMs))
        << ZELXmppJoin(bob.Lines());

    for (const std::string& text : ZELXmppNumbered("message ", 1, 1000))
      ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", text.c_str()), S_OK);
    ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification", 1000, 60000)) << ZELXmppTexts(bob).size();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // nothing more may come
    EXPECT_EQ(ZELXmppTexts(bob), ZELXmppNumbered("message ", 1, 1000));
    EXPECT_EQ(bob.LinesStartingWith("ZELRTCInstantMessageReceivedNotification")[0],
              "ZELRTCInstantMessageReceivedNotification from=alice@localhost name=Alice text=message 1 encrypted=0 "
              "event=0");
    EXPECT_GT(ZELXmppLiveObjects(), 0);
  }
  // Sessions released, subscriptions ended: no user, group or session is left.
  EXPECT_EQ(ZELXmppLiveObjects(), 0);
}

TEST_P(XmppTest, XmppServerKilledAndRestartedEveryMessageArrivesOnce) {
  ZELXmppSessionClient alice, bob;
  ASSERT_TRUE(Login(alice, "alice") && Login(bob, "bob"));
  Befriend(alice, bob);
  const std::vector<std::string> texts = ZELXmppNumbered("message ", 1, 1000);
  for (int i = 0; i < 400; ++i) ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", texts[i].c_str()), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification", 100, kWaitMs));
  _server->Kill();
  for (int i = 400; i < 700; ++i) ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", texts[i].c_str()), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCSessionNotification type=0 event=0", 1, kWaitMs)) << ZELXmppJoin(alice.Lines());
  ASSERT_TRUE(bob.WaitFor("ZELRTCSessionNotification type=0 event=0", 1, kWaitMs)) << ZELXmppJoin(bob.Lines());
  std::this_thread::sleep_for(std::chrono::seconds(1));  // both try again, and fail, while no server listens
  ASSERT_TRUE(_server->Restart()) << _server->Error();
  for (int i = 700; i < 1000; ++i) ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", texts[i].c_str()), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification", 1000, 60000))
      << ZELXmppTexts(bob).size() << "\n"
      << ZELXmppJoin(bob.LinesStartingWith("ZELRTCSe")) << ZELXmppJoin(bob.LinesStartingWith("ZELRTCL"))
      << ZELXmppJoin(alice.LinesStartingWith("ZELRTCL")) << ZELXmppJoin(alice.LinesStartingWith("ZELRTCE"));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(ZELXmppTexts(bob), texts);
  // The server forgot the streams: a fresh login, the contact list sent again.
  EXPECT_EQ(ZELXmppJoin(bob.LinesStartingWith("ZELRTCSessionNotification")),
            "ZELRTCSessionNotification type=0 event=0 partner=127.0.0.1 reason=2\n");
  EXPECT_EQ(bob.LinesStartingWith("ZELRTCLoginNotification").back(),
            "ZELRTCLoginNotification event=0 host=127.0.0.1 user=bob@localhost(Active) reason=4");
  EXPECT_EQ(bob.LinesStartingWith("ZELRTCBuddyListNotification").size(), 2u);
}

TEST_P(XmppTest, XmppSessionsLoggingInTogetherAllGetIn) {
  // Logins whose handshakes overlap (as after a server restart) must not spoil
  // each other's authentication.
  const char* const users[] = {"alice", "bob", "mallory"};
  for (int round = 0; round < 4; ++round) {
    ZELXmppSessionClient clients[3];
    bool loggedIn[3] = {};
    std::vector<std::thread> logins;
    for (int i = 0; i < 3; ++i) logins.emplace_back([&, i] { loggedIn[i] = Login(clients[i], users[i]); });
    for (std::thread& login : logins) login.join();
    for (int i = 0; i < 3; ++i)
      EXPECT_TRUE(loggedIn[i]) << "round " << round << ": " << ZELXmppJoin(clients[i].Lines());
  }
}

TEST_P(XmppTest, XmppWrongPasswordGivesOneFailureAndNoRetry) {
  ZELTempDir folder;
  ZELTraceCapture trace;
  ZELXmppSessionClient alice;
  EXPECT_FALSE(alice.Login("127.0.0.1", _server->Port(), "alice@localhost", "not-the-secret", _server->CaFile()));
  ASSERT_TRUE(alice.WaitFor("ZELRTCErrorNotification", 1, kWaitMs));
  std::this_thread::sleep_for(std::chrono::seconds(2));  // a retry would show by now
  EXPECT_EQ(ZELXmppJoin(alice.Lines()),
            "ZELRTCLoginNotification event=1 host=127.0.0.1 user=alice@localhost(Offline) reason=1\n"
            "ZELRTCErrorNotification The server 127.0.0.1 refused the login of alice@localhost.\n");
  int attempts = 0;
  for (const std::string& line : trace.Lines())
    if (line.find("[>]") != std::string::npos &&
        line.find("ZELRTCXmppConnection::Connect server=") != std::string::npos)
      ++attempts;
  EXPECT_EQ(attempts, 1);
  for (const std::string& line : trace.Lines()) {
    EXPECT_EQ(line.find("not-the-secret"), std::string::npos) << line;
  }
}

TEST_P(XmppTest, XmppPasswordNeverInTheTrace) {
  ZELTraceCapture trace;
  {
    ZELXmppSessionClient alice;
    ASSERT_TRUE(Login(alice, "alice"));
    ASSERT_EQ(alice.Xmpp()->Logout(), S_OK);
    ASSERT_TRUE(alice.WaitFor("ZELRTCLoginNotification event=2", 1, kWaitMs)) << ZELXmppJoin(alice.Lines());
  }
  std::vector<std::string> lines = trace.Lines();
  bool sawLogin = false;
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find("alice-pw"), std::string::npos) << line;
    EXPECT_EQ(line.find("YWxpY2UtcHc"), std::string::npos) << line;  // nor its base64
    sawLogin |= line.find("ZELRTCMainSessionImpl::Login server=127.0.0.1 port=") != std::string::npos;
  }
  EXPECT_TRUE(sawLogin) << ZELXmppJoin(lines);
}

TEST_P(XmppTest, XmppDataInOnePieceAndInParts) {
  ZELXmppSessionClient alice, bob;
  ASSERT_TRUE(Login(alice, "alice") && Login(bob, "bob"));
  Befriend(alice, bob);
  ASSERT_EQ(alice.Xmpp()->SendData("bob@localhost", "shape", "a\0b", 3, 0), S_OK);
  ASSERT_EQ(alice.Xmpp()->SendData("bob@localhost", "svc.render", "xyz", 3, 1), S_OK);
  std::string big(100 * 1024, 'q');  // above the 32 KiB split size: 4 parts
  ASSERT_EQ(alice.Xmpp()->SendData("bob@localhost", "model", big.data(), static_cast<int>(big.size()), 1), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCSplittedDataReceivedNotification", 4, kWaitMs)) << ZELXmppJoin(bob.Lines());
  EXPECT_EQ(ZELXmppJoin(bob.LinesStartingWith("ZELRTCDataReceivedNotification")),
            "ZELRTCDataReceivedNotification from=alice@localhost type=shape data=a\\x00b event=0\n");
  EXPECT_EQ(ZELXmppJoin(bob.LinesStartingWith("ZELRTCTypedDataReceivedNotification")),
            "ZELRTCTypedDataReceivedNotification from=alice@localhost service=svc.render data=xyz event=0\n");
  EXPECT_EQ(
      ZELXmppJoin(bob.LinesStartingWith("ZELRTCSplittedDataReceivedNotification")),
      "ZELRTCSplittedDataReceivedNotification from=alice@localhost type=model/1/4 data=<32768 bytes> typed=1 event=0\n"
      "ZELRTCSplittedDataReceivedNotification from=alice@localhost type=model/2/4 data=<32768 bytes> typed=1 event=0\n"
      "ZELRTCSplittedDataReceivedNotification from=alice@localhost type=model/3/4 data=<32768 bytes> typed=1 event=0\n"
      "ZELRTCSplittedDataReceivedNotification from=alice@localhost type=model/4/4 data=<4096 bytes> typed=1 event=0\n");
  EXPECT_EQ(alice.Xmpp()->SendData("bob@localhost", "", "x", 1, 0), E_INVALIDARG);
  EXPECT_EQ(alice.Xmpp()->SendInstantMessage(nullptr, "x"), E_INVALIDARG);
}


TEST(XmppOtherDrivers, XmppLoginOfOtherDriversIsNotImplemented) {
  for (ZelRTCDriver driver : {ZelRTCSametimeDriver, ZelRTCUCCPDriver, ZelRTCLyncDriver, ZelRTCNodejsDriver}) {
    ZELXmppSessionClient client(driver);
    ASSERT_NE(client.Xmpp(), nullptr);
    ZELRTCXmppLoginOptions options;
    options.server = "127.0.0.1";
    options.user = "alice@localhost";
    options.password = "x";
    EXPECT_EQ(client.Xmpp()->Login(options), E_NOTIMPL) << driver;
    EXPECT_EQ(client.Xmpp()->SendInstantMessage("bob@localhost", "x"), E_NOTIMPL) << driver;
  }
  ZELXmppSessionClient xmpp(ZelRTCXMPPIOSDriver);
  ZELRTCXmppLoginOptions options;
  EXPECT_EQ(xmpp.Xmpp()->Login(options), E_INVALIDARG);
  EXPECT_EQ(xmpp.Xmpp()->SendInstantMessage("bob@localhost", "x"), E_FAIL);  // not logged in
  EXPECT_EQ(xmpp.Xmpp()->Logout(), S_FALSE);
}

ZEL_XMPP_EACH_SERVER(XmppTest);

// Input that only prosody lets through as written (ejabberd treats a stranger's
// presence, an unknown show and invalid UTF-8 otherwise).
class XmppProsodyTest : public ZELXmppServerTest {};

// Raw stanzas from a bare client through prosody, and what Bob's session
// makes of each: the line it posts, or nothing. After each row a plain marker
// message shows that the row has been handled.
TEST_F(XmppProsodyTest, XmppBadInputIsIgnoredOrReported) {
  struct Row {
    const char* what;
    std::string xml;
    std::string expected;  // the lines posted, joined; "" for none
  };
  const std::string to = "to='bob@localhost' ";
  // Requests and errors to the bare address are the server's to answer: these go to Bob's device.
  const std::string toDevice = "to='bob@localhost/desk' ";
  std::string deep;
  for (int i = 0; i < 500; ++i) deep += "<x>";
  for (int i = 0; i < 500; ++i) deep += "</x>";
  const std::string from = "from=mallory@localhost ";
  const Row rows[] = {
      {"message without type", "<message " + to + "><body>plain</body></message>",
       "ZELRTCInstantMessageReceivedNotification " + from + "name=mallory@localhost text=plain encrypted=0 event=0"},
      {"message of an unknown type", "<message " + to + "type='bogus'><body>odd</body></message>", "?"},
      {"chat without body",
       "<message " + to + "type='chat'><active xmlns='http://jabber.org/protocol/chatstates'/></message>", ""},
      {"unknown namespace payload", "<message " + to + "type='chat'><thing xmlns='urn:nobody:0'>x</thing></message>",
       ""},
      {"deep nesting",
       "<message " + to + "type='chat'><body>deep</body><n xmlns='urn:nobody:1'>" + deep + "</n></message>",
       "ZELRTCInstantMessageReceivedNotification " + from + "name=mallory@localhost text=deep encrypted=0 event=0"},
      {"data without type", "<message " + to + "type='chat'><data xmlns='urn:zelrtc:data:0'>eHl6</data></message>",
       "ZELRTCErrorNotification Data from mallory@localhost could not be read: no type."},
      {"data not base64",
       "<message " + to + "type='chat'><data xmlns='urn:zelrtc:data:0' type='t'>@@@!</data></message>",
       "ZELRTCErrorNotification Data from mallory@localhost could not be read: not base64."},
      {"split part beyond the parts",
       "<message " + to +
           "type='chat'><data xmlns='urn:zelrtc:data:0' type='t' part='5' parts='3'>eHl6</data></message>",
       "ZELRTCErrorNotification Data from mallory@localhost came as part 5 of 3, which cannot be."},
      {"split part not a number",
       "<message " + to +
           "type='chat'><data xmlns='urn:zelrtc:data:0' type='t' part='one' parts='3'>eHl6</data></message>",
       "ZELRTCErrorNotification Data from mallory@localhost came as part one of 3, which cannot be."},
      {"sequence that is not a number", "<message " + to + "type='chat' id='zr-x-abc-1'><body>seq</body></message>",
       "ZELRTCInstantMessageReceivedNotification " + from + "name=mallory@localhost text=seq encrypted=0 event=0"},
      {"forged acknowledgement",
       "<message " + to + "type='headline'><ack xmlns='urn:zelrtc:reliable:0' e='x' h='99999999999'/></message>", ""},
      {"error message",
       "<message " + toDevice +
           "type='error'><error type='cancel'><item-not-found "
           "xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/></error></message>",
       "ZELRTCErrorNotification mallory@localhost answered with the error item-not-found. "},
      {"presence of an unknown type", "<presence " + to + "type='sideways'/>", ""},
      {"presence with an unknown show", "<presence " + to + "><show>sleepy</show></presence>",
       "ZELRTCUserStatusChangedNotification mallory@localhost(Unknown)"},
      {"subscription request", "<presence " + to + "type='subscribe'/>",
       "ZELRTCWatchListUserNotification event=0 user=mallory@localhost(Unknown) id=mallory@localhost list=pending\n"
       "ZELRTCWatchListNotification event=0 list=pending"},
      {"roster push from a stranger",
       "<iq " + toDevice +
           "type='set' id='r1'><query xmlns='jabber:iq:roster'><item jid='mallory@localhost' "
           "name='Boss'/></query></iq>",
       ""},
      {"request nobody serves", "<iq " + toDevice + "type='get' id='q1'><query xmlns='urn:nobody:2'/></iq>", ""},
      {"answer nobody asked", "<iq " + toDevice + "type='result' id='not-asked'/>", ""},
  };
  ZELXmppSessionClient bob;
  bob.resource = "desk";
  ASSERT_TRUE(Login(bob, "bob"));
  ZELXmppRawClient mallory;
  mallory.recordStanzas = true;
  ASSERT_TRUE(mallory.Connect(_server, "mallory", "mallory-pw")) << mallory.Error();
  // Bob's session is the one mallory's stanzas go to.
  ASSERT_TRUE(bob.WaitFor("ZELRTCBuddyListNotification", 1, kWaitMs));
  int marker = 0;
  for (const Row& row : rows) {
    size_t before = bob.Lines().size();
    ASSERT_TRUE(mallory.SendRaw(row.xml)) << row.what;
    std::string text = "marker " + std::to_string(++marker);
    ASSERT_TRUE(mallory.SendMessage("bob@localhost", text)) << row.what;
    ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification " + from + "name=mallory@localhost text=" + text,
                            1, kWaitMs))
        << row.what << "\n"
        << ZELXmppJoin(bob.Lines());
    std::vector<std::string> lines = bob.Lines();
    std::vector<std::string> posted(lines.begin() + static_cast<long>(before), lines.end() - 1);
    std::string got = ZELXmppJoin(posted);
    if (!got.empty()) got.pop_back();
    if (row.expected != "?") {
      EXPECT_EQ(got, row.expected) << row.what;
    }
  }
  // Bob's device answered both requests that reached it with service-unavailable: the stranger's roster push too.
  for (const char* id : {"r1", "q1"}) {
    std::string answer;
    ASSERT_TRUE(mallory.WaitForStanza(std::string("id=\"") + id + "\"", kWaitMs, &answer)) << id;
    EXPECT_NE(answer.find("type=\"error\""), std::string::npos) << answer;
    EXPECT_NE(answer.find("<service-unavailable"), std::string::npos) << answer;
    EXPECT_NE(answer.find("from=\"bob@localhost/desk\""), std::string::npos) << answer;
  }
  EXPECT_TRUE(bob.LinesStartingWith("ZELRTCBuddyListUserNotification").empty()) << "the stranger's push changed nothing";
  EXPECT_TRUE(bob.LinesStartingWith("ZELRTCBuddyListGroupNotification").empty());
  // A huge body within the server's limit arrives whole.
  std::string huge(200 * 1024, 'h');
  ASSERT_TRUE(mallory.SendMessage("bob@localhost", huge));
  ASSERT_TRUE(
      bob.WaitFor("ZELRTCInstantMessageReceivedNotification " + from + "name=mallory@localhost text=hh", 1, kWaitMs));
  EXPECT_TRUE(bob.Lines().back().find(huge) != std::string::npos);
  // Invalid UTF-8: the server ends mallory's stream; nothing reaches Bob, who stays online.
  size_t before = bob.Lines().size();
  mallory.SendRaw("<message " + to + "type='chat'><body>\xff\xfe</body></message>");
  ASSERT_TRUE(bob.WaitFor("ZELRTCUserStatusChangedNotification mallory@localhost(Offline)", 1, kWaitMs));
  std::vector<std::string> after = bob.Lines();
  EXPECT_EQ(ZELXmppJoin({after.begin() + static_cast<long>(before), after.end()}),
            "ZELRTCUserStatusChangedNotification mallory@localhost(Offline)\n");
  ZELXmppSessionClient alice;
  ASSERT_TRUE(Login(alice, "alice"));
  ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", "still there?"), S_OK);
  EXPECT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification from=alice@localhost", 1, kWaitMs));
}

}  // namespace
