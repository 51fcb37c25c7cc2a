// Each private XMPP server behind ZELXmppServer (prosody, ejabberd), and the ejabberd cluster: bare libstrophe
// clients over TLS verified against the server's CA, restarts, rooms, vCards, the options, and the cluster's
// shared users and failover. The parameterised tests carry the server's name (.../prosody, .../ejabberd), the
// cluster's tests "Ejabberd": ctest labels them by server (ctest -L prosody, ctest -L ejabberd).
#include <arpa/inet.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ZELEjabberdCluster.h"
#include "ZELEjabberdServer.h"
#include "ZELTestSupport.h"
#include "ZELXmppRawClient.h"
#include "ZELXmppServer.h"

namespace {

const int kWaitMs = 10000;

bool ProcessExists(pid_t pid) { return kill(pid, 0) == 0 || errno != ESRCH; }

// The processes whose command line or standard output mentions `text`: with a server's folder, the server and
// every helper it started (epmd's command line names no file, but its output goes to the folder).
std::vector<pid_t> ProcessesMentioning(const std::string& text) {
  std::vector<pid_t> found;
  DIR* proc = opendir("/proc");
  if (!proc) return found;
  while (dirent* entry = readdir(proc)) {
    pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
    if (pid <= 0 || pid == getpid()) continue;
    std::string line = ZELReadFile(std::string("/proc/") + entry->d_name + "/cmdline");
    for (char& c : line)
      if (c == '\0') c = ' ';
    char output[4096] = {};
    ssize_t length = readlink((std::string("/proc/") + entry->d_name + "/fd/1").c_str(), output, sizeof output - 1);
    if (length > 0) line += " " + std::string(output, static_cast<size_t>(length));
    if (line.find(text) != std::string::npos) found.push_back(pid);
  }
  closedir(proc);
  return found;
}

template <class Predicate>
bool Eventually(Predicate predicate, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!predicate()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

::testing::AssertionResult Connect(ZELXmppRawClient& client, const ZELXmppServer& server, const std::string& user) {
  if (client.Connect(server, user, user + "-secret", kWaitMs) && client.Secured() && client.SendPresence())
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << user << " on " << server.Name() << ":" << server.Port() << ": "
                                       << client.Error();
}

// `from` sends `text` to `toUser`@localhost, and `to` receives it.
::testing::AssertionResult Exchange(ZELXmppRawClient& from, ZELXmppRawClient& to, const std::string& toUser,
                                    const std::string& text) {
  size_t before = to.Messages().size();
  if (!from.SendMessage(toUser + "@localhost", text)) return ::testing::AssertionFailure() << "not connected";
  if (!to.WaitForMessages(before + 1, kWaitMs))
    return ::testing::AssertionFailure() << "\"" << text << "\" did not reach " << toUser;
  if (to.Messages().back() != text) return ::testing::AssertionFailure() << "received " << to.Messages().back();
  return ::testing::AssertionSuccess();
}

class XmppServerTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    _server = ZELXmppServer::Create(GetParam());
    ASSERT_TRUE(_server);
  }
  // Starts the server with alice and bob registered.
  void StartWithUsers(const ZELXmppServer::Options& options = ZELXmppServer::Options()) {
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(_server->Start(options)) << _server->Error();
    for (const char* user : {"alice", "bob"})
      ASSERT_TRUE(_server->Register(user, std::string(user) + "-secret")) << _server->Error() << _server->Log();
    long ms = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    RecordProperty("start_and_register_ms", std::to_string(ms));
  }
  std::string Log() const { return _server->Log(); }
  std::unique_ptr<ZELXmppServer> _server;
};

TEST_P(XmppServerTest, XmppTwoClientsExchangeAMessageOverVerifiedTlsThenAfterARestart) {
  StartWithUsers();
  EXPECT_EQ(GetParam(), _server->Name());
  EXPECT_EQ("localhost", _server->Domain());
  EXPECT_GT(_server->Port(), 0);
  EXPECT_EQ(0, _server->HttpPort());
  EXPECT_NE(std::string::npos, ZELReadFile(_server->CaFile()).find("-----BEGIN CERTIFICATE-----"));
  ZELXmppRawClient alice, bob;
  ASSERT_TRUE(Connect(alice, *_server, "alice")) << Log();
  ASSERT_TRUE(Connect(bob, *_server, "bob"));
  EXPECT_EQ(0u, alice.Jid().find("alice@localhost/")) << alice.Jid();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // bob's presence reaches the server
  ASSERT_TRUE(Exchange(alice, bob, "bob", "hello <&'\"> éà")) << Log();
  ASSERT_TRUE(Exchange(bob, alice, "alice", "hello back"));
  EXPECT_FALSE(alice.Connect(*_server, "alice", "wrong", kWaitMs));

  // A clean stop ends the streams; a restart keeps port and users.
  int port = _server->Port();
  pid_t first = _server->Pid();
  _server->Stop();
  EXPECT_EQ(-1, _server->Pid());
  EXPECT_FALSE(ProcessExists(first));
  EXPECT_TRUE(Eventually([&] { return !bob.Connected(); }, kWaitMs));
  ASSERT_TRUE(_server->Restart()) << _server->Error();
  EXPECT_EQ(port, _server->Port());
  ASSERT_TRUE(Connect(alice, *_server, "alice")) << Log();
  ASSERT_TRUE(Connect(bob, *_server, "bob"));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(Exchange(alice, bob, "bob", "after the restart")) << Log();

  // A crash, and a restart after it.
  _server->Kill();
  EXPECT_TRUE(Eventually([&] { return !alice.Connected(); }, kWaitMs));
  ASSERT_TRUE(_server->Restart()) << _server->Error();
  EXPECT_TRUE(Connect(alice, *_server, "alice")) << Log();
}

// Bob (a participant) sees alice's (the owner's) real address in her presence only where rooms show real
// addresses; alice, a moderator, sees bob's either way.
void CheckRoom(ZELXmppServer& server, bool shown) {
  ZELXmppRawClient alice, bob;
  alice.recordStanzas = bob.recordStanzas = true;
  ASSERT_TRUE(Connect(alice, server, "alice"));
  ASSERT_TRUE(Connect(bob, server, "bob"));
  const std::string room = "lobby@conference.localhost";
  ASSERT_TRUE(alice.SendRaw("<presence to='" + room + "/alice'><x xmlns='http://jabber.org/protocol/muc'/></presence>"));
  ASSERT_TRUE(alice.WaitForStanza("from=\"" + room + "/alice\"", kWaitMs)) << server.Log();
  // Accepts the default configuration: prosody keeps a new room locked until its owner does.
  ASSERT_TRUE(alice.SendRaw("<iq type='set' id='instant' to='" + room +
                            "'><query xmlns='http://jabber.org/protocol/muc#owner'>"
                            "<x xmlns='jabber:x:data' type='submit'/></query></iq>"));
  ASSERT_TRUE(alice.WaitForStanza("id=\"instant\"", kWaitMs));
  ASSERT_TRUE(bob.SendRaw("<presence to='" + room + "/bob'><x xmlns='http://jabber.org/protocol/muc'/></presence>"));
  std::string aliceSeenByBob, bobSeenByAlice;
  ASSERT_TRUE(bob.WaitForStanza("from=\"" + room + "/alice\"", kWaitMs, &aliceSeenByBob)) << server.Log();
  ASSERT_TRUE(alice.WaitForStanza("from=\"" + room + "/bob\"", kWaitMs, &bobSeenByAlice));
  EXPECT_NE(std::string::npos, aliceSeenByBob.find("role=\"moderator\"")) << aliceSeenByBob;
  EXPECT_EQ(shown, aliceSeenByBob.find("jid=\"alice@localhost/") != std::string::npos) << aliceSeenByBob;
  EXPECT_NE(std::string::npos, bobSeenByAlice.find("jid=\"bob@localhost/")) << bobSeenByAlice;
}

TEST_P(XmppServerTest, XmppRoomsHideRealAddressesWithTheServersDefaultConfiguration) {
  ZELXmppServer::Options options;
  options.conference = true;
  options.roomsShowRealAddresses = false;
  StartWithUsers(options);
  CheckRoom(*_server, false);
}

TEST_P(XmppServerTest, XmppRoomsShowRealAddressesWhenAsked) {
  ZELXmppServer::Options options;
  options.conference = true;
  StartWithUsers(options);
  CheckRoom(*_server, true);
}

// What each server answers for the vCard of a user who does not exist, and of one who has published none.
TEST_P(XmppServerTest, XmppVCardOfAUserWhoDoesNotExist) {
  ZELXmppServer::Options options;
  options.vcard = true;
  StartWithUsers(options);
  ZELXmppRawClient alice;
  alice.recordStanzas = true;
  ASSERT_TRUE(Connect(alice, *_server, "alice"));
  ASSERT_TRUE(alice.SendRaw("<iq type='get' id='nobody' to='nobody@localhost'><vCard xmlns='vcard-temp'/></iq>"));
  ASSERT_TRUE(alice.SendRaw("<iq type='get' id='bob' to='bob@localhost'><vCard xmlns='vcard-temp'/></iq>"));
  std::string nobody, bob;
  ASSERT_TRUE(alice.WaitForStanza("id=\"nobody\"", kWaitMs, &nobody));
  ASSERT_TRUE(alice.WaitForStanza("id=\"bob\"", kWaitMs, &bob));
  if (GetParam() == "ejabberd") {
    // ejabberd: an empty vCard for every address, existing or not.
    for (const std::string& answer : {nobody, bob}) {
      EXPECT_NE(std::string::npos, answer.find("type=\"result\"")) << answer;
      EXPECT_NE(std::string::npos, answer.find("<vCard xmlns=\"vcard-temp\"/>")) << answer;
    }
  } else {
    // prosody: item-not-found wherever no vCard is stored, whether the account exists or not.
    for (const std::string& answer : {nobody, bob}) {
      EXPECT_NE(std::string::npos, answer.find("type=\"error\"")) << answer;
      EXPECT_NE(std::string::npos, answer.find("<item-not-found")) << answer;
    }
  }
  // Once bob has published one, both servers give it back.
  ZELXmppRawClient bobClient;
  bobClient.recordStanzas = true;
  ASSERT_TRUE(Connect(bobClient, *_server, "bob"));
  ASSERT_TRUE(bobClient.SendRaw("<iq type='set' id='publish'><vCard xmlns='vcard-temp'><FN>Bob</FN></vCard></iq>"));
  ASSERT_TRUE(bobClient.WaitForStanza("id=\"publish\"", kWaitMs));
  ASSERT_TRUE(alice.SendRaw("<iq type='get' id='again' to='bob@localhost'><vCard xmlns='vcard-temp'/></iq>"));
  std::string again;
  ASSERT_TRUE(alice.WaitForStanza("id=\"again\"", kWaitMs, &again));
  EXPECT_NE(std::string::npos, again.find("<FN>Bob</FN>")) << again;
}

// Every option together starts; the upload service and the external services answer as configured; the stanza
// limit holds.
TEST_P(XmppServerTest, XmppEveryOptionTogetherAndTheStanzaLimit) {
  ZELXmppServer::Options options;
  options.archive = options.vcard = options.conference = true;
  options.stanzaSizeLimit = 16 * 1024;
  options.httpUploadLimit = 1000;
  options.httpsUpload = true;
  options.externalServices = "{type=\"stun\", host=\"127.0.0.1\", port=3478, transport=\"udp\"}";
  StartWithUsers(options);
  ASSERT_GT(_server->HttpPort(), 0);
  EXPECT_NE(_server->HttpPort(), _server->Port());
  ZELXmppRawClient alice, bob;
  alice.recordStanzas = true;
  ASSERT_TRUE(Connect(alice, *_server, "alice"));
  ASSERT_TRUE(Connect(bob, *_server, "bob"));

  ASSERT_TRUE(alice.SendRaw("<iq type='get' id='ext' to='localhost'><services xmlns='urn:xmpp:extdisco:2'/></iq>"));
  std::string services;
  ASSERT_TRUE(alice.WaitForStanza("id=\"ext\"", kWaitMs, &services));
  EXPECT_NE(std::string::npos, services.find("host=\"127.0.0.1\"")) << services;
  EXPECT_NE(std::string::npos, services.find("port=\"3478\"")) << services;
  EXPECT_NE(std::string::npos, services.find("type=\"stun\"")) << services;

  const std::string slot = "<iq type='get' id='ID' to='upload.localhost'><request xmlns='urn:xmpp:http:upload:0' "
                           "filename='a.txt' size='SIZE' content-type='text/plain'/></iq>";
  auto request = [&](const std::string& id, const std::string& size) {
    std::string xml = slot;
    xml.replace(xml.find("ID"), 2, id);
    xml.replace(xml.find("SIZE"), 4, size);
    return xml;
  };
  ASSERT_TRUE(alice.SendRaw(request("small", "1000")));
  ASSERT_TRUE(alice.SendRaw(request("big", "1001")));
  std::string small, big;
  ASSERT_TRUE(alice.WaitForStanza("id=\"small\"", kWaitMs, &small));
  ASSERT_TRUE(alice.WaitForStanza("id=\"big\"", kWaitMs, &big));
  EXPECT_NE(std::string::npos, small.find("https://127.0.0.1:" + std::to_string(_server->HttpPort()) + "/")) << small;
  EXPECT_NE(std::string::npos, big.find("type=\"error\"")) << big;
  EXPECT_NE(std::string::npos, big.find("file-too-large")) << big;

  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_TRUE(Exchange(alice, bob, "bob", std::string(8 * 1024, 'a')));
  ASSERT_TRUE(alice.SendMessage("bob@localhost", std::string(32 * 1024, 'b')));
  EXPECT_TRUE(Eventually([&] { return !alice.Connected(); }, kWaitMs));
  EXPECT_NE(std::string::npos, alice.Error().find("policy-violation")) << alice.Error();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(1u, bob.Messages().size());
}

TEST_P(XmppServerTest, XmppStopLeavesNothingBehind) {
  std::string folder;
  pid_t pid = -1;
  {
    ZELXmppServer& server = *_server;
    server.Stop();  // before Start: nothing happens
    EXPECT_FALSE(server.Restart());
    ASSERT_TRUE(server.Start()) << server.Error();
    EXPECT_FALSE(server.Start());  // once per server
    folder = server.Folder();
    pid = server.Pid();
    ASSERT_GT(pid, 0);
    EXPECT_FALSE(ProcessesMentioning(folder).empty());
    server.Stop();
    EXPECT_FALSE(ProcessExists(pid));
    server.Stop();  // again: nothing happens
    ASSERT_TRUE(server.Restart()) << server.Error();
    pid = server.Pid();
    _server.reset();  // running when it goes away
  }
  EXPECT_FALSE(ProcessExists(pid));
  EXPECT_TRUE(Eventually([&] { return ProcessesMentioning(folder).empty(); }, 2000)) << folder;
  EXPECT_FALSE(ZELFileExists(folder));
}

TEST_P(XmppServerTest, XmppRestartFailsQuicklyWhileAnotherProcessHoldsThePort) {
  ASSERT_TRUE(_server->Start()) << _server->Error();
  _server->Stop();
  int holder = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(holder, 0);
  int on = 1;
  setsockopt(holder, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(_server->Port()));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(0, bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address)) << errno;
  ASSERT_EQ(0, listen(holder, 1));
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(_server->Restart());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
  EXPECT_NE(std::string::npos, _server->Error().find(std::to_string(_server->Port()))) << _server->Error();
  EXPECT_EQ(-1, _server->Pid());
  close(holder);
  EXPECT_TRUE(_server->Restart()) << _server->Error();
}

INSTANTIATE_TEST_SUITE_P(Servers, XmppServerTest, ::testing::ValuesIn(ZELXmppServer::Names()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(XmppEjabberdServerTest, RefusesAnArchivePageSizeItCannotConfigure) {
  ZELEjabberdServer server;
  ZELXmppServer::Options options;
  options.archive = true;
  options.archivePageSize = 10;
  EXPECT_FALSE(server.Start(options));
  EXPECT_NE(std::string::npos, server.Error().find("page size")) << server.Error();
  EXPECT_EQ(-1, server.Pid());
}

TEST(XmppServerFactoryTest, UnknownServerNameMakesNoServer) {
  EXPECT_FALSE(ZELXmppServer::Create("other"));
  for (const std::string& name : ZELXmppServer::Names()) EXPECT_EQ(name, ZELXmppServer::Create(name)->Name());
}

TEST(XmppEjabberdClusterTest, UsersOnDifferentNodesTalkAndOneMovesWhenItsNodeDies) {
  ZELEjabberdCluster cluster;
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(cluster.Start()) << cluster.Error();
  long ms = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
  RecordProperty("cluster_start_ms", std::to_string(ms));
  ASSERT_EQ(2u, cluster.Size());
  std::vector<std::string> members = {"ejabberd1@localhost", "ejabberd2@localhost"};
  for (size_t node = 0; node < 2; ++node) {
    std::vector<std::string> seen = cluster.Members(node);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(members, seen) << "as node " << node + 1 << " sees it";
  }
  EXPECT_NE(cluster.Node(0).Port(), cluster.Node(1).Port());
  EXPECT_EQ(cluster.CaFile(), cluster.Node(1).CaFile());

  // Registered once, on the first node: the second knows them.
  for (const char* user : {"alice", "bob"}) ASSERT_TRUE(cluster.Register(user, std::string(user) + "-secret"));
  std::string users;
  ASSERT_TRUE(cluster.Node(1).Control({"registered_users", "localhost"}, &users)) << cluster.Node(1).Error();
  EXPECT_EQ("alice\nbob\n", users);

  ZELXmppRawClient alice, bob;
  ASSERT_TRUE(Connect(alice, cluster.Node(0), "alice")) << cluster.Log();
  ASSERT_TRUE(Connect(bob, cluster.Node(1), "bob")) << cluster.Log();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(Exchange(alice, bob, "bob", "from node 1")) << cluster.Log();
  ASSERT_TRUE(Exchange(bob, alice, "alice", "from node 2")) << cluster.Log();

  pid_t first = cluster.Node(0).Pid();
  cluster.Kill(0);
  EXPECT_FALSE(ProcessExists(first));
  EXPECT_TRUE(Eventually([&] { return !alice.Connected(); }, kWaitMs));
  EXPECT_TRUE(bob.Connected());
  EXPECT_FALSE(alice.Connect(cluster.Node(0), "alice", "alice-secret", 2000));
  ASSERT_TRUE(Connect(alice, cluster.Node(1), "alice")) << cluster.Log();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(Exchange(alice, bob, "bob", "from node 2 too")) << cluster.Log();
  EXPECT_TRUE(Exchange(bob, alice, "alice", "welcome")) << cluster.Log();
  // A user registered now, with one node down, exists on the survivor.
  ASSERT_TRUE(cluster.Register("carol", "carol-secret")) << cluster.Error();
  ZELXmppRawClient carol;
  EXPECT_TRUE(Connect(carol, cluster.Node(1), "carol"));
}

// Without join_cluster the nodes keep their own users: what the cluster test above relies on is the join.
TEST(XmppEjabberdClusterTest, NodesLeftApartDoNotShareUsers) {
  std::string folder;
  {
    ZELEjabberdCluster cluster;
    ASSERT_TRUE(cluster.Start(ZELXmppServerOptions(), 2, false)) << cluster.Error();
    folder = cluster.Folder();
    EXPECT_EQ(std::vector<std::string>{"ejabberd2@localhost"}, cluster.Members(1));
    ASSERT_TRUE(cluster.Register("alice", "alice-secret"));
    ZELXmppRawClient alice;
    EXPECT_TRUE(Connect(alice, cluster.Node(0), "alice"));
    EXPECT_FALSE(alice.Connect(cluster.Node(1), "alice", "alice-secret", kWaitMs));
  }
  EXPECT_TRUE(Eventually([&] { return ProcessesMentioning(folder).empty(); }, 2000)) << folder;
  EXPECT_FALSE(ZELFileExists(folder));
}

}  // namespace
