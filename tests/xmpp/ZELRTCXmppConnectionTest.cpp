// What only a network and a real server show of a session's connection: a
// connection cut while the server stays up (the stream resumed, nothing sent
// twice, to a session of this back end or to a standard client), requests in
// flight when it goes, and stanzas the server will not take.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ZELXmppRawClient.h"
#include "ZELXmppServerProcess.h"
#include "ZELXmppSessionClient.h"
#include "ZELXmppTcpProxy.h"
#include "ZELXmppTestSession.h"

namespace {

class XmppConnectionTest : public ZELXmppEachServerTest {
 protected:
  ZELXmppServer::Options Options() override {
    ZELXmppServer::Options o;
    o.vcard = true;
    o.archive = true;
    return o;
  }

  // Logs `user` in through the relay.
  bool LoginThrough(ZELXmppSessionClient& client, const ZELXmppTcpProxy& proxy, const std::string& user) {
    return client.Login("127.0.0.1", proxy.Port(), user + "@localhost", user + "-pw", _server->CaFile());
  }


};

// The TCP connection of Alice is cut with the server up: her stream is
// resumed ("resumed", not a new login), and neither Bob (a session of this back
// end, which acknowledges) nor Mallory (a standard client, which does not)
// gets any message twice, before, across or after the cut.
TEST_P(XmppConnectionTest, XmppCutConnectionIsResumedAndNothingArrivesTwice) {
  ZELXmppTcpProxy proxy(_server->Port());
  ZELXmppSessionClient alice, bob;
  ASSERT_TRUE(LoginThrough(alice, proxy, "alice")) << ZELXmppJoin(alice.Lines());
  ASSERT_TRUE(Login(bob, "bob"));
  ZELXmppBefriend(alice, "alice", bob, "bob");
  ZELXmppRawClient mallory;
  mallory.recordStanzas = true;
  ASSERT_TRUE(mallory.Connect(*_server, "mallory", "mallory-pw")) << mallory.Error();
  ASSERT_TRUE(mallory.SendPresence());

  for (const std::string& text : ZELXmppNumbered("to bob ", 1, 20)) ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", text.c_str()), S_OK);
  for (const std::string& text : ZELXmppNumbered("to mallory ", 1, 20))
    ASSERT_EQ(alice.Xmpp()->SendInstantMessage("mallory@localhost", text.c_str()), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification", 20, kWaitMs));
  ASSERT_TRUE(mallory.WaitForMessages(20, kWaitMs));

  proxy.Cut();
  for (const std::string& text : ZELXmppNumbered("to bob ", 21, 40)) ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", text.c_str()), S_OK);
  for (const std::string& text : ZELXmppNumbered("to mallory ", 21, 40))
    ASSERT_EQ(alice.Xmpp()->SendInstantMessage("mallory@localhost", text.c_str()), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCSessionNotification type=0 event=1", 1, kWaitMs)) << ZELXmppJoin(alice.Lines());
  EXPECT_EQ(ZELXmppJoin(alice.LinesStartingWith("ZELRTCSessionNotification")),
            "ZELRTCSessionNotification type=0 event=0 partner=127.0.0.1 reason=2\n"
            "ZELRTCSessionNotification type=0 event=1 partner=127.0.0.1 reason=0\n");
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCLoginNotification").size(), 1u) << "resumed, not logged in again";
  EXPECT_EQ(proxy.Accepted(), 3) << "one connection, the probe, one resumption";

  ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification", 40, kWaitMs)) << ZELXmppJoin(bob.Lines());
  ASSERT_TRUE(mallory.WaitForMessages(40, kWaitMs));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // anything sent twice would be here by now
  EXPECT_EQ(ZELXmppTexts(bob), ZELXmppNumbered("to bob ", 1, 40));
  EXPECT_EQ(mallory.Messages(), ZELXmppNumbered("to mallory ", 1, 40));
  // A standard client sees plain messages: no sequence marker in their ids, no acknowledgement asked.
  std::set<std::string> ids;
  for (const std::string& stanza : mallory.Stanzas()) {
    if (stanza.rfind("<message", 0) != 0) continue;
    EXPECT_EQ(stanza.find("id=\"zr-"), std::string::npos) << stanza;
    EXPECT_EQ(stanza.find("urn:zelrtc:reliable"), std::string::npos) << stanza;
    const size_t at = stanza.find(" id=\"");
    if (at != std::string::npos) {
      EXPECT_TRUE(ids.insert(stanza.substr(at, stanza.find('"', at + 5) - at)).second) << stanza;
    }
  }
}

// The network stalls while Alice sends large messages: they queue in her
// session, one half written when the connection is cut. The server resumes the
// stream, or, when the half stanza made it end the session, Alice logs in
// afresh: either way every message arrives, once, at Bob's session and at
// Mallory's standard client alike.
TEST_P(XmppConnectionTest, XmppMessagesQueuedBehindAStalledNetworkArriveOnceAfterTheCut) {
  ZELXmppTcpProxy proxy(_server->Port());
  ZELXmppSessionClient alice, bob;
  ASSERT_TRUE(LoginThrough(alice, proxy, "alice")) << ZELXmppJoin(alice.Lines());
  ASSERT_TRUE(Login(bob, "bob"));
  ZELXmppBefriend(alice, "alice", bob, "bob");
  ZELXmppRawClient mallory;
  ASSERT_TRUE(mallory.Connect(*_server, "mallory", "mallory-pw")) << mallory.Error();
  ASSERT_TRUE(mallory.SendPresence());

  proxy.StallUpstream(true);
  // More than the sockets' buffers on the way hold: the rest queues in libstrophe (16 MB; ejabberd, which
  // takes large stanzas far more slowly, gets 4 MB).
  const bool prosody = GetParam() == std::string("prosody");
  const int count = prosody ? 40 : 20;
  const std::string filler((prosody ? 200 : 100) * 1024, 'f');
  std::vector<std::string> toBob, toMallory;
  for (int i = 1; i <= count; ++i) {
    toBob.push_back("to bob " + std::to_string(i) + " " + filler);
    toMallory.push_back("to mallory " + std::to_string(i) + " " + filler);
    ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", toBob.back().c_str()), S_OK);
    ASSERT_EQ(alice.Xmpp()->SendInstantMessage("mallory@localhost", toMallory.back().c_str()), S_OK);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // the socket's buffers full, the rest queued
  proxy.Cut();
  proxy.StallUpstream(false);
  ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification", count, kWaitMs)) << ZELXmppTexts(bob).size();
  ASSERT_TRUE(mallory.WaitForMessages(count, kWaitMs)) << mallory.Messages().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // anything sent twice would be here by now
  // Compared by their heads ("to bob 7"), each checked whole.
  auto heads = [&filler](const std::vector<std::string>& texts) {
    std::string found;
    for (const std::string& t : texts) {
      found += t.substr(0, t.find(' ', t.find(' ', 3) + 1)) + "\n";
      EXPECT_EQ(t.substr(t.size() - filler.size()), filler);
    }
    return found;
  };
  EXPECT_EQ(heads(ZELXmppTexts(bob)), heads(toBob));
  EXPECT_EQ(heads(mallory.Messages()), heads(toMallory));
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCSessionNotification type=0 event=0").size(), 1u);
}

// Requests under way when the connection goes end once each, with an error,
// and the session comes back (a released connection is never touched).
TEST_P(XmppConnectionTest, XmppRequestsInFlightWhenTheConnectionGoesEndOnceAndTheSessionComesBack) {
  ZELXmppTcpProxy proxy(_server->Port());
  ZELXmppSessionClient alice;
  ASSERT_TRUE(LoginThrough(alice, proxy, "alice")) << ZELXmppJoin(alice.Lines());
  ASSERT_TRUE(alice.WaitFor("ZELRTCMyStatusChangedNotification", 1, kWaitMs));
  proxy.Stall(true);  // the server's answers wait in the relay
  ASSERT_EQ(alice.Xmpp()->RequestUserInfo("bob@localhost"), S_OK);
  ASSERT_EQ(alice.Xmpp()->RequestArchive("bob@localhost"), S_OK);
  ASSERT_EQ(alice.Xmpp()->ClearArchive("bob@localhost"), S_OK);
  ASSERT_EQ(alice.Xmpp()->SetGroupExpanded("Friends", 1), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  proxy.Cut();
  proxy.Stall(false);
  ASSERT_TRUE(alice.WaitFor("ZELRTCSessionNotification type=0 event=1", 1, kWaitMs)) << ZELXmppJoin(alice.Lines());
  ASSERT_TRUE(alice.WaitFor("ZELRTCArchiveCleanedNotification", 1, kWaitMs)) << ZELXmppJoin(alice.Lines());
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  std::vector<std::string> errors = alice.LinesStartingWith("ZELRTCErrorNotification");
  std::sort(errors.begin(), errors.end());
  EXPECT_EQ(ZELXmppJoin(errors),
            "ZELRTCErrorNotification The request archive with bob@localhost ended without an answer (gone).\n"
            "ZELRTCErrorNotification The request expanded groups ended without an answer (gone).\n"
            "ZELRTCErrorNotification The request vCard of bob@localhost ended without an answer (gone).\n");
  EXPECT_EQ(ZELXmppJoin(alice.LinesStartingWith("ZELRTCArchiveCleanedNotification")),
            "ZELRTCArchiveCleanedNotification partner=bob@localhost name=bob@localhost code=504\n");
  // The session works on: a request now is answered. Alice has published no vCard: prosody says so with an
  // error, ejabberd answers an empty vCard (as it does for any address).
  ASSERT_EQ(alice.Xmpp()->RequestUserInfo("alice@localhost"), S_OK);
  const std::string answer =
      Ejabberd() ? "ZELRTCUserInfoReceivedNotification user=alice@localhost(Offline) name= title= tel= mail= "
                   "photo=0:cbf29ce484222325"
                 : "ZELRTCErrorNotification alice@localhost answered with the error item-not-found";
  ASSERT_TRUE(alice.WaitFor(answer, 1, kWaitMs)) << ZELXmppJoin(alice.Lines());
}

// A message larger than the server accepts is never sent (an error says so),
// and one that made the server close the stream is not sent again: no storm
// of reconnections.
TEST_P(XmppConnectionTest, XmppStanzasTheServerWillNotTakeAreGivenUpNotSentAgain) {
  ZELXmppSessionClient alice, bob;
  ASSERT_TRUE(Login(alice, "alice") && Login(bob, "bob"));
  ZELXmppBefriend(alice, "alice", bob, "bob");
  const std::string big(300 * 1024, 'x');
  ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", big.c_str()), S_OK);
  ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", "after the big one"), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification", 1, kWaitMs));
  ASSERT_TRUE(alice.WaitFor("ZELRTCErrorNotification", 1, kWaitMs));
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCErrorNotification")[0].rfind(
                "ZELRTCErrorNotification A message to bob@localhost was not sent: ", 0),
            0u)
      << alice.LinesStartingWith("ZELRTCErrorNotification")[0];
  EXPECT_TRUE(alice.LinesStartingWith("ZELRTCSessionNotification").empty()) << "the stream stayed up";

  // A session that believes the server takes more: the server closes its
  // stream once, and the message is given up.
  ZELXmppSessionClient carol(ZelRTCXMPPJavaDriver);
  ZELRTCXmppLoginOptions options;
  const std::string ca = _server->CaFile();
  options.server = "127.0.0.1";
  options.port = _server->Port();
  options.user = "mallory@localhost";
  options.password = "mallory-pw";
  options.caFile = ca.c_str();
  options.maxStanzaBytes = 1024 * 1024;
  ASSERT_EQ(carol.Xmpp()->Login(options), S_OK);
  ASSERT_TRUE(carol.WaitFor("ZELRTCLoginNotification event=0", 1, kWaitMs)) << ZELXmppJoin(carol.Lines());
  ZELXmppBefriend(carol, "mallory", bob, "bob");
  ASSERT_EQ(carol.Xmpp()->SendInstantMessage("bob@localhost", big.c_str()), S_OK);
  ASSERT_TRUE(carol.WaitFor("ZELRTCErrorNotification The server closed the stream after a message to bob@localhost",
                            1, kWaitMs))
      << ZELXmppJoin(carol.Lines());
  ASSERT_TRUE(carol.WaitFor("ZELRTCLoginNotification event=0", 2, kWaitMs)) << ZELXmppJoin(carol.Lines());
  ASSERT_EQ(carol.Xmpp()->SendInstantMessage("bob@localhost", "small"), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification from=mallory@localhost", 1, kWaitMs));
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_EQ(carol.LinesStartingWith("ZELRTCLoginNotification event=0").size(), 2u) << ZELXmppJoin(carol.Lines());
  EXPECT_EQ(carol.LinesStartingWith("ZELRTCErrorNotification The server closed the stream after").size(), 1u);
  EXPECT_EQ(bob.LinesStartingWith("ZELRTCInstantMessageReceivedNotification from=mallory@localhost").size(), 1u);
}

// Several server addresses: the login takes the first that answers, and a
// session whose relay goes away moves on to the next entry, wrapping around to
// the first (which answers by then), and resumes its stream there. The
// notifications name the entry in use; no message is lost or sent twice.
TEST_P(XmppConnectionTest, XmppServerListIsTriedInOrderAndTheNextEntryTakesOverWhenTheOneInUseStopsAnswering) {
  const int first = ZELXmppProcess::FreePort();  // nothing listens there yet
  auto second = std::make_unique<ZELXmppTcpProxy>(_server->Port());
  ASSERT_NE(first, 0);
  ASSERT_NE(second->Port(), 0);
  const std::string firstName = "127.0.0.1:" + std::to_string(first);
  const std::string secondName = "127.0.0.1:" + std::to_string(second->Port());
  const std::string servers = firstName + ", " + secondName;
  const std::string ca = _server->CaFile();
  ZELXmppSessionClient alice, bob;
  ZELRTCXmppLoginOptions options;
  options.server = servers.c_str();
  options.port = 1;  // every entry has its own
  options.user = "alice@localhost";
  options.password = "alice-pw";
  options.caFile = ca.c_str();
  ASSERT_EQ(alice.Xmpp()->Login(options), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCLoginNotification", 1, kWaitMs)) << ZELXmppJoin(alice.Lines());
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCLoginNotification")[0],
            "ZELRTCLoginNotification event=0 host=" + secondName + " user=alice@localhost(Active) reason=0");
  ASSERT_TRUE(Login(bob, "bob"));
  ZELXmppBefriend(alice, "alice", bob, "bob");
  for (const std::string& text : ZELXmppNumbered("to bob ", 1, 20))
    ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", text.c_str()), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification", 20, kWaitMs)) << ZELXmppJoin(bob.Lines());

  ZELXmppTcpProxy revived(_server->Port(), first);  // the first entry answers now
  ASSERT_EQ(revived.Port(), first);
  second.reset();  // the entry in use stops answering
  for (const std::string& text : ZELXmppNumbered("to bob ", 21, 40))
    ASSERT_EQ(alice.Xmpp()->SendInstantMessage("bob@localhost", text.c_str()), S_OK);
  // Another entry is another server as far as the session knows: the stream is not resumed there but
  // logged in afresh, and what Bob had not acknowledged goes again.
  ASSERT_TRUE(alice.WaitFor("ZELRTCLoginNotification event=0 host=" + firstName, 1, kWaitMs))
      << ZELXmppJoin(alice.Lines());
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCLoginNotification")[1],
            "ZELRTCLoginNotification event=0 host=" + firstName + " user=alice@localhost(Active) reason=4");
  EXPECT_EQ(ZELXmppJoin(alice.LinesStartingWith("ZELRTCSessionNotification")),
            "ZELRTCSessionNotification type=0 event=0 partner=" + secondName + " reason=2\n");
  EXPECT_EQ(revived.Accepted(), 1) << "one login, no resumption attempt";
  ASSERT_TRUE(bob.WaitFor("ZELRTCInstantMessageReceivedNotification", 40, kWaitMs)) << ZELXmppJoin(bob.Lines());
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // anything sent twice would be here by now
  EXPECT_EQ(ZELXmppTexts(bob), ZELXmppNumbered("to bob ", 1, 40));
}

// A server option that names no usable entry is refused at once; a list none
// of whose entries answers fails the login once, naming the last one tried.
TEST_P(XmppConnectionTest, XmppServerListWithoutUsableEntryFailsTheLogin) {
  ZELXmppSessionClient alice;
  ZELRTCXmppLoginOptions options;
  options.user = "alice@localhost";
  options.password = "alice-pw";
  for (const char* bad : {"127.0.0.1,,127.0.0.2", "127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:x", "[::1", "[::1]x",
                          ":5222", " , "}) {
    options.server = bad;
    EXPECT_EQ(alice.Xmpp()->Login(options), E_INVALIDARG) << bad;
  }
  const int a = ZELXmppProcess::FreePort(), b = ZELXmppProcess::FreePortBesides({a});
  const std::string servers = "127.0.0.1:" + std::to_string(a) + ",127.0.0.1";
  options.server = servers.c_str();
  options.port = b;
  ASSERT_EQ(alice.Xmpp()->Login(options), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCErrorNotification", 1, kWaitMs)) << ZELXmppJoin(alice.Lines());
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(ZELXmppJoin(alice.Lines()),
            "ZELRTCLoginNotification event=1 host=127.0.0.1 user=alice@localhost(Offline) reason=2\n"
            "ZELRTCErrorNotification The server 127.0.0.1 could not be reached on port " + std::to_string(b) +
                ".\n");
}

ZEL_XMPP_EACH_SERVER(XmppConnectionTest);

}  // namespace
