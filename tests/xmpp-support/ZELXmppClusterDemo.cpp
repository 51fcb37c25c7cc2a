// Two users across the nodes of a private two-node ejabberd cluster, and through a failover: alice on node 1 and
// bob on node 2 exchange messages; node 1 is killed; alice, cut off, logs in again on node 2 and the talk goes on.
// Bare libstrophe clients over TLS verified against the cluster's throwaway CA. Exit status 0 when everything
// arrived; the cluster is stopped at the end whatever happens (and dies with this process).
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "ZELEjabberdCluster.h"
#include "ZELXmppRawClient.h"

namespace {

const int kWaitMs = 10000;

void Say(const char* who, const std::string& text) {
  std::printf("[%s] %s\n", who, text.c_str());
  std::fflush(stdout);
}

// Prints what `name` receives as it arrives.
void Show(ZELXmppRawClient& client, const char* name) {
  client.onMessage = [name](const std::string& from, const std::string& body) {
    Say(name, "received from " + from + ": " + body);
  };
}

bool Connect(ZELXmppRawClient& client, const char* name, ZELEjabberdServer& node) {
  auto start = std::chrono::steady_clock::now();
  if (!client.Connect(node, name, std::string(name) + "-secret", kWaitMs)) {
    Say(name, "could not log in on " + node.NodeName() + ": " + client.Error());
    return false;
  }
  long ms = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
  Say(name, "logged in on " + node.NodeName() + " (127.0.0.1:" + std::to_string(node.Port()) + ", TLS verified) as " +
                client.Jid() + " in " + std::to_string(ms) + " ms");
  return client.SendPresence();
}

bool Send(ZELXmppRawClient& from, const char* name, ZELXmppRawClient& to, const std::string& toJid,
          const std::string& text) {
  size_t before = to.Messages().size();
  Say(name, "sends to " + toJid + ": " + text);
  if (!from.SendMessage(toJid, text) || !to.WaitForMessages(before + 1, kWaitMs)) {
    Say(name, "the message did not arrive");
    return false;
  }
  return true;
}

int Run() {
  ZELEjabberdCluster cluster;
  auto start = std::chrono::steady_clock::now();
  if (!cluster.Start()) {
    std::fprintf(stderr, "the cluster did not start: %s\n", cluster.Error().c_str());
    return 1;
  }
  long ms = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
  std::string members;
  for (const std::string& m : cluster.Members(1)) members += (members.empty() ? "" : ", ") + m;
  Say("cluster", "two ejabberd nodes joined in " + std::to_string(ms) + " ms; node 2 sees: " + members);
  for (const char* user : {"alice", "bob"}) {
    if (!cluster.Register(user, std::string(user) + "-secret")) {
      std::fprintf(stderr, "register %s: %s\n", user, cluster.Error().c_str());
      return 1;
    }
  }
  Say("cluster", "alice and bob registered once, on " + cluster.Node(0).NodeName());

  ZELXmppRawClient alice, bob;
  Show(alice, "alice");
  Show(bob, "bob");
  if (!Connect(alice, "alice", cluster.Node(0)) || !Connect(bob, "bob", cluster.Node(1))) return 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // both presences reach the server
  if (!Send(alice, "alice", bob, "bob@localhost", "Hello Bob, I am on node 1.") ||
      !Send(bob, "bob", alice, "alice@localhost", "Hi Alice, node 2 here.")) {
    return 1;
  }

  Say("cluster", "killing " + cluster.Node(0).NodeName() + " (SIGKILL)");
  cluster.Kill(0);
  for (int i = 0; i < 1000 && alice.Connected(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  Say("alice", alice.Connected() ? "still connected?" : "lost her connection: " + alice.Error());
  Say("bob", bob.Connected() ? "still connected to " + cluster.Node(1).NodeName() : "lost his connection");
  if (!Connect(alice, "alice", cluster.Node(1))) return 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  if (!Send(alice, "alice", bob, "bob@localhost", "Back, through node 2.") ||
      !Send(bob, "bob", alice, "alice@localhost", "Welcome back.")) {
    return 1;
  }
  alice.Disconnect();
  bob.Disconnect();
  cluster.Stop();
  Say("cluster", "stopped");
  return 0;
}

}  // namespace

int main() {
  // A write to a connection whose node was killed must not end the demo.
  signal(SIGPIPE, SIG_IGN);
  return Run();
}
