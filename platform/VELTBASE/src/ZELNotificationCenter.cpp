// The notification pump: one lock over every subscription, one condition per subscription.
#include "ZELNotificationCenter.h"

#include <chrono>
#include <climits>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <set>

#include "ZELBaseUnknown.h"

namespace {

struct Subscription {
  int source = 0;
  bool ended = false;
  std::deque<ZELBaseUnknown*> queue;
  std::condition_variable arrived;
};

struct Center {
  std::mutex lock;
  int lastId = 0;
  std::map<int, std::shared_ptr<Subscription>> subscriptions;
  std::map<int, std::set<int>> sources;  // source -> its subscriptions
};

// Never destroyed: threads may still pump while the process exits.
Center& TheCenter() {
  static Center* center = new Center;
  return *center;
}

void ReleaseAll(std::deque<ZELBaseUnknown*>& queue) {
  for (ZELBaseUnknown* n : queue) n->Release();
  queue.clear();
}

// Ends `id` (the lock held): the subscription leaves the maps, its waiters wake, its queue moves to `dropped`.
void End(Center& c, int id, std::deque<ZELBaseUnknown*>& dropped) {
  auto it = c.subscriptions.find(id);
  if (it == c.subscriptions.end()) return;
  Subscription& s = *it->second;
  s.ended = true;
  for (ZELBaseUnknown* n : s.queue) dropped.push_back(n);
  s.queue.clear();
  s.arrived.notify_all();
  auto src = c.sources.find(s.source);
  if (src != c.sources.end()) {
    src->second.erase(id);
    if (src->second.empty()) c.sources.erase(src);
  }
  c.subscriptions.erase(it);
}

}  // namespace

int ZELNotificationCenter::Subscribe(int source) {
  Center& c = TheCenter();
  try {
    std::lock_guard<std::mutex> guard(c.lock);
    if (c.lastId == INT_MAX) return 0;
    int id = c.lastId + 1;
    auto s = std::make_shared<Subscription>();
    s->source = source;
    c.sources[source].insert(id);
    c.subscriptions.emplace(id, std::move(s));
    c.lastId = id;
    return id;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

void ZELNotificationCenter::Unsubscribe(int subscription) {
  Center& c = TheCenter();
  std::deque<ZELBaseUnknown*> dropped;
  {
    std::lock_guard<std::mutex> guard(c.lock);
    End(c, subscription, dropped);
  }
  ReleaseAll(dropped);  // outside the lock: a destructor may call back in
}

int ZELNotificationCenter::Post(int source, ZELBaseUnknown* notification) {
  if (!notification) return 0;
  Center& c = TheCenter();
  std::lock_guard<std::mutex> guard(c.lock);
  auto src = c.sources.find(source);
  if (src == c.sources.end()) return 0;
  int queued = 0;
  for (int id : src->second) {
    Subscription& s = *c.subscriptions.at(id);
    try {
      s.queue.push_back(notification);
    } catch (const std::bad_alloc&) {
      continue;
    }
    notification->AddRef();
    s.arrived.notify_one();
    ++queued;
  }
  return queued;
}

int ZELNotificationCenter::Wait(int subscription, int timeoutMs, ZELBaseUnknown*& oNotification) {
  oNotification = nullptr;
  Center& c = TheCenter();
  std::unique_lock<std::mutex> guard(c.lock);
  auto it = c.subscriptions.find(subscription);
  if (it == c.subscriptions.end()) return -1;
  std::shared_ptr<Subscription> s = it->second;  // keeps the condition alive if the subscription ends
  if (timeoutMs > 0) {
    s->arrived.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                        [&] { return s->ended || !s->queue.empty(); });
  }
  if (s->ended) return -1;
  if (s->queue.empty()) return 0;
  oNotification = s->queue.front();
  s->queue.pop_front();
  return 1;
}

void ZELNotificationCenter::CloseSource(int source) {
  Center& c = TheCenter();
  std::deque<ZELBaseUnknown*> dropped;
  {
    std::lock_guard<std::mutex> guard(c.lock);
    for (auto src = c.sources.find(source); src != c.sources.end(); src = c.sources.find(source)) {
      End(c, *src->second.begin(), dropped);  // the last one takes the source out of the map
    }
  }
  ReleaseAll(dropped);
}

int ZELNotificationCenter::Pending(int subscription) {
  Center& c = TheCenter();
  std::lock_guard<std::mutex> guard(c.lock);
  auto it = c.subscriptions.find(subscription);
  return it == c.subscriptions.end() ? -1 : static_cast<int>(it->second->queue.size());
}
