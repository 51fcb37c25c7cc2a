// Sessions of the XMPP back end on the two nodes of a private ejabberd cluster:
// presence, messages and a room across the nodes, then a failover. Each session
// lists both nodes, its node of choice first; when the node that Alice and
// Carol use is killed, their sessions move to the other node, and every message
// sent before, during and after arrives once, in order.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ZELEjabberdCluster.h"
#include "ZELXmppSessionClient.h"
#include "ZELXmppTestSession.h"

namespace {

const std::string kRoom = "meeting@conference.localhost";

// alice and carol prefer node 0, bob and dave node 1; alice talks with bob, carol with dave.
struct User {
  const char* name;
  size_t node;
  const char* partner;
};
const User kUsers[] = {{"alice", 0, "bob"}, {"bob", 1, "alice"}, {"carol", 0, "dave"}, {"dave", 1, "carol"}};

class XmppEjabberdClusterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZELXmppUseCatalog();
    ZELXmppServerOptions options;
    options.conference = true;
    ASSERT_TRUE(_cluster.Start(options)) << _cluster.Error() << _cluster.Log();
    for (const User& u : kUsers)
      ASSERT_TRUE(_cluster.Register(u.name, std::string(u.name) + "-pw")) << _cluster.Error();
  }
  void TearDown() override { _cluster.Stop(); }

  // "127.0.0.1:<port of node>,127.0.0.1:<port of the other>".
  std::string Servers(size_t node) {
    return "127.0.0.1:" + std::to_string(_cluster.Node(node).Port()) + ",127.0.0.1:" +
           std::to_string(_cluster.Node(1 - node).Port());
  }
  std::string NodeName(size_t node) { return "127.0.0.1:" + std::to_string(_cluster.Node(node).Port()); }

  ZELEjabberdCluster _cluster;
};


// "a 1..a 250, b 1..b 3": runs of consecutive numbers.
std::string Summary(const std::vector<std::string>& texts) {
  std::string out;
  for (size_t i = 0; i < texts.size();) {
    size_t j = i;
    auto number = [&](size_t k) { return std::stoi(texts[k].substr(texts[k].rfind(' ') + 1)); };
    auto prefix = [&](size_t k) { return texts[k].substr(0, texts[k].rfind(' ')); };
    while (j + 1 < texts.size() && prefix(j + 1) == prefix(i) && number(j + 1) == number(j) + 1) ++j;
    out += (out.empty() ? "" : ", ") + texts[i] + (j > i ? ".." + std::to_string(number(j)) : "");
    i = j + 1;
  }
  return out;
}

// The lines that do not begin with `prefix`.
std::vector<std::string> Besides(const std::vector<std::string>& lines, const std::string& prefix) {
  std::vector<std::string> kept;
  for (const std::string& line : lines)
    if (line.rfind(prefix, 0) != 0) kept.push_back(line);
  return kept;
}


std::vector<std::string> Concatenated(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(XmppEjabberdClusterTest, XmppSessionsAcrossTheNodesAndThroughAFailover) {
  std::vector<std::unique_ptr<ZELXmppSessionClient>> clients;
  for (const User& u : kUsers) {
    clients.push_back(std::make_unique<ZELXmppSessionClient>());
    ZELXmppSessionClient& c = *clients.back();
    ASSERT_TRUE(c.Login(Servers(u.node), 5222, std::string(u.name) + "@localhost", std::string(u.name) + "-pw",
                        _cluster.CaFile(), kXmppWaitMs))
        << ZELXmppJoin(c.Lines());
    EXPECT_EQ(c.LinesStartingWith("ZELRTCLoginNotification")[0], "ZELRTCLoginNotification event=0 host=" +
                                                                      NodeName(u.node) + " user=" + u.name +
                                                                      "@localhost(Active) reason=0");
  }
  ZELXmppSessionClient &alice = *clients[0], &bob = *clients[1], &carol = *clients[2], &dave = *clients[3];
  // Presence across the nodes.
  ZELXmppBefriend(alice, "alice", bob, "bob");
  ZELXmppBefriend(carol, "carol", dave, "dave");

  // 1,000 messages across the nodes, 250 each way of each pair, all sent at once.
  auto sendAll = [&](const std::string& what, int first, int last) {
    for (int i = first; i <= last; ++i)
      for (size_t u = 0; u < clients.size(); ++u) {
        const std::string partner = std::string(kUsers[u].partner) + "@localhost";
        const std::string text = std::string(kUsers[u].name) + " " + what + " " + std::to_string(i);
        ASSERT_EQ(clients[u]->Xmpp()->SendInstantMessage(partner.c_str(), text.c_str()), S_OK);
      }
  };
  ASSERT_NO_FATAL_FAILURE(sendAll("before", 1, 250));
  for (size_t u = 0; u < clients.size(); ++u) {
    const std::string partner = std::string(kUsers[u].partner) + "@localhost";
    ASSERT_TRUE(clients[u]->WaitFor("ZELRTCInstantMessageReceivedNotification from=" + partner, 250, kXmppWaitMs))
        << kUsers[u].name << " read " << ZELXmppTexts(*clients[u], partner).size();
  }

  // All four meet in one room; each reads what Alice says there.
  for (size_t u = 0; u < clients.size(); ++u) {
    std::string nick = kUsers[u].name;
    nick[0] = static_cast<char>(nick[0] - 32);
    ASSERT_EQ(clients[u]->Xmpp()->JoinConference(kRoom.c_str(), nick.c_str()), S_OK);
    ASSERT_TRUE(clients[u]->WaitFor("ZELRTCConferenceParticipantListNotification", 1, kXmppWaitMs))
        << ZELXmppJoin(clients[u]->Lines());
  }
  EXPECT_EQ(dave.LinesStartingWith("ZELRTCConferenceParticipantListNotification")[0],
            "ZELRTCConferenceParticipantListNotification room=" + kRoom +
                " ids=alice@localhost,bob@localhost,carol@localhost,dave@localhost names=Alice,Bob,Carol,Dave "
                "roles=3,2,2,2");
  ASSERT_EQ(alice.Xmpp()->SendConferenceMessage(kRoom.c_str(), "hello room"), S_OK);
  for (auto& c : clients)
    EXPECT_TRUE(c->WaitFor("ZELRTCInstantMessageReceivedNotification from=" + kRoom +
                               "/Alice name=Alice text=hello room encrypted=0 event=1",
                           1, kXmppWaitMs))
        << ZELXmppJoin(c->Lines());

  // Node 0 dies under Alice and Carol while everyone is sending.
  ASSERT_NO_FATAL_FAILURE(sendAll("during", 1, 50));
  _cluster.Kill(0);
  ASSERT_NO_FATAL_FAILURE(sendAll("during", 51, 100));
  for (ZELXmppSessionClient* moved : {&alice, &carol}) {
    ASSERT_TRUE(moved->WaitFor("ZELRTCLoginNotification event=0", 2, kXmppWaitMs)) << ZELXmppJoin(moved->Lines());
    // The stream could not be resumed on the other node: a fresh login there.
    EXPECT_EQ(ZELXmppJoin(moved->LinesStartingWith("ZELRTCSessionNotification")),
              "ZELRTCSessionNotification type=0 event=0 partner=" + NodeName(0) + " reason=2\n");
    EXPECT_EQ(moved->LinesStartingWith("ZELRTCLoginNotification")[1],
              "ZELRTCLoginNotification event=0 host=" + NodeName(1) + " user=" +
                  (moved == &alice ? "alice" : "carol") + "@localhost(Active) reason=4");
  }
  for (ZELXmppSessionClient* stayed : {&bob, &dave})
    EXPECT_TRUE(stayed->LinesStartingWith("ZELRTCSessionNotification").empty()) << ZELXmppJoin(stayed->Lines());
  ASSERT_NO_FATAL_FAILURE(sendAll("after", 1, 50));

  for (size_t u = 0; u < clients.size(); ++u) {
    const std::string partner = kUsers[u].partner;
    const std::vector<std::string> expected =
        Concatenated(Concatenated(ZELXmppNumbered(partner + " before ", 1, 250), ZELXmppNumbered(partner + " during ", 1, 100)),
                     ZELXmppNumbered(partner + " after ", 1, 50));
    ASSERT_TRUE(clients[u]->WaitFor("ZELRTCInstantMessageReceivedNotification from=" + partner + "@localhost",
                                    expected.size(), kXmppWaitMs))
        << kUsers[u].name << " read " << Summary(ZELXmppTexts(*clients[u], partner + "@localhost")) << "\n"
        << ZELXmppJoin(Besides(clients[u]->Lines(), "ZELRTCInstantMessageReceivedNotification")) << _cluster.Log();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // anything sent twice would be here by now
  for (size_t u = 0; u < clients.size(); ++u) {
    const std::string partner = kUsers[u].partner;
    EXPECT_EQ(ZELXmppTexts(*clients[u], partner + "@localhost"),
              Concatenated(Concatenated(ZELXmppNumbered(partner + " before ", 1, 250), ZELXmppNumbered(partner + " during ", 1, 100)),
                           ZELXmppNumbered(partner + " after ", 1, 50)))
        << kUsers[u].name;
  }
}

}  // namespace
