// Messages per second from one session of the XMPP back end to another
// through a private prosody server (archive off), beside a bare libstrophe
// client pair doing the same over the same server in the same run. The back
// end's figure covers the network, Build, posting and the client reading each
// notification through its getters. Each message carries its send time; the
// receiver takes the latency. Read "ratio" (back end / bare pair, target 0.8
// or more), "msgs_per_s", "p50_us" and "p99_us".
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ZELProsodyServer.h"
#include "ZELXmppRawClient.h"
#include "ZELXmppSessionClient.h"

namespace {

constexpr int kMessages = 2000;
constexpr int kWaitMs = 60000;
double g_rawRate = 0;

long long NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

ZELProsodyServer* Server() {
  static std::unique_ptr<ZELProsodyServer> server = [] {
    auto s = std::make_unique<ZELProsodyServer>();
    ZELProsodyServer::Options options;
    options.archive = false;
    if (!s->Start(options) || !s->Register("alice", "alice-pw") || !s->Register("bob", "bob-pw") ||
        !s->Register("carol", "carol-pw") || !s->Register("dave", "dave-pw"))
      return std::unique_ptr<ZELProsodyServer>();
    return s;
  }();
  return server.get();
}

// Latencies taken by the receiver, from the "t=<send time>" text of each message.
struct Latencies {
  std::mutex lock;
  std::vector<long long> us;
  void Take(const std::string& text) {
    size_t at = text.find(" t=");
    if (at == std::string::npos) return;
    long long sent = std::atoll(text.c_str() + at + 3);
    std::lock_guard<std::mutex> hold(lock);
    us.push_back(NowUs() - sent);
  }
  void Report(benchmark::State& state) {
    std::lock_guard<std::mutex> hold(lock);
    if (us.empty()) return;
    std::sort(us.begin(), us.end());
    state.counters["p50_us"] = static_cast<double>(us[us.size() / 2]);
    state.counters["p99_us"] = static_cast<double>(us[us.size() * 99 / 100]);
  }
};

void BM_Baseline_RawClientPair(benchmark::State& state) {
  ZELProsodyServer* server = Server();
  if (!server) return state.SkipWithError("prosody did not start");
  Latencies latencies;
  std::atomic<int> received{0};
  ZELXmppRawClient sender, receiver;
  receiver.onMessage = [&](const std::string&, const std::string& body) {
    latencies.Take(body);
    received.fetch_add(1);
  };
  if (!sender.Connect(*server, "carol", "carol-pw") || !receiver.Connect(*server, "dave", "dave-pw") ||
      !receiver.SendPresence())
    return state.SkipWithError("the bare clients did not connect");
  double seconds = 0;
  for (auto _ : state) {
    int target = received.load() + kMessages;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kMessages; ++i) sender.SendMessage("dave@localhost", "m t=" + std::to_string(NowUs()));
    if (!receiver.WaitForMessages(static_cast<size_t>(target), kWaitMs)) return state.SkipWithError("messages lost");
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  g_rawRate = static_cast<double>(state.iterations()) * kMessages / seconds;
  state.counters["msgs_per_s"] = g_rawRate;
  latencies.Report(state);
}
BENCHMARK(BM_Baseline_RawClientPair)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_XmppSessionPair(benchmark::State& state) {
  ZELProsodyServer* server = Server();
  if (!server) return state.SkipWithError("prosody did not start");
  Latencies latencies;
  std::atomic<int> received{0};
  ZELXmppSessionClient alice, bob;
  bob.onLine = [&](const std::string& line) {
    if (line.compare(0, 40, "ZELRTCInstantMessageReceivedNotification") != 0) return;
    latencies.Take(line);
    received.fetch_add(1);
  };
  if (!alice.Login("127.0.0.1", server->Port(), "alice@localhost", "alice-pw", server->CaFile()) ||
      !bob.Login("127.0.0.1", server->Port(), "bob@localhost", "bob-pw", server->CaFile()) ||
      !bob.WaitFor("ZELRTCMyStatusChangedNotification", 1, kWaitMs))
    return state.SkipWithError("the sessions did not log in");
  double seconds = 0;
  for (auto _ : state) {
    int target = received.load() + kMessages;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kMessages; ++i)
      alice.Xmpp()->SendInstantMessage("bob@localhost", ("m t=" + std::to_string(NowUs())).c_str());
    if (!bob.WaitFor("ZELRTCInstantMessageReceivedNotification", static_cast<size_t>(target), kWaitMs))
      return state.SkipWithError("messages lost");
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  double rate = static_cast<double>(state.iterations()) * kMessages / seconds;
  state.counters["msgs_per_s"] = rate;
  if (g_rawRate > 0) state.counters["ratio"] = rate / g_rawRate;
  latencies.Report(state);
}
BENCHMARK(BM_XmppSessionPair)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
