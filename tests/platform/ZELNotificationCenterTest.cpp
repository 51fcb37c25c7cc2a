#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "ZELBaseUnknown.h"
#include "ZELNotificationCenter.h"

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> g_destroyed{0};

// A notification that knows its place in a sequence and counts its destructions.
class Numbered : public ZELBaseUnknown {
 public:
  explicit Numbered(int index) : index(index) {}
  ~Numbered() override { ++g_destroyed; }
  const int index;
};

// `count` notifications, each with the test's own reference, given back at the end of the scope.
struct Batch {
  explicit Batch(int count) {
    for (int i = 0; i < count; ++i) items.push_back(new Numbered(i));
  }
  ~Batch() {
    for (Numbered* n : items) n->Release();
  }
  // Whether every item holds the test's reference and no other.
  bool OnlyOwnReferences() const {
    for (Numbered* n : items)
      if (n->GetRefCount() != 1) return false;
    return true;
  }
  std::vector<Numbered*> items;
};

// Takes notifications until `count` arrived or the subscription ends (each wait bounded); gives back each
// reference and returns the indices in arrival order.
std::vector<int> Drain(int subscription, size_t count) {
  std::vector<int> indices;
  while (indices.size() < count) {
    ZELBaseUnknown* n = nullptr;
    int got = ZELNotificationCenter::Wait(subscription, 5000, n);
    if (got != 1) break;
    indices.push_back(static_cast<Numbered*>(n)->index);
    n->Release();
  }
  return indices;
}

std::vector<int> Sequence(int count) {
  std::vector<int> v;
  for (int i = 0; i < count; ++i) v.push_back(i);
  return v;
}

}  // namespace

TEST(ZELNotificationCenterTest, EverySubscriberGetsEveryNotificationInOrderWithItsOwnReference) {
  const int kCount = 20000;
  Batch batch(kCount);
  int first = ZELNotificationCenter::Subscribe(7);
  int second = ZELNotificationCenter::Subscribe(7);
  int other = ZELNotificationCenter::Subscribe(8);
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  ASSERT_GT(other, 0);
  EXPECT_NE(first, second);

  // Before anything is taken, each queued notification holds one reference per subscription of its source.
  EXPECT_EQ(2, ZELNotificationCenter::Post(7, batch.items[0]));
  EXPECT_EQ(3u, batch.items[0]->GetRefCount());
  EXPECT_EQ(1, ZELNotificationCenter::Pending(first));
  EXPECT_EQ(0, ZELNotificationCenter::Pending(other));
  ZELBaseUnknown* taken = nullptr;
  ASSERT_EQ(1, ZELNotificationCenter::Wait(first, 0, taken));
  EXPECT_EQ(batch.items[0], taken);
  EXPECT_EQ(3u, batch.items[0]->GetRefCount());  // the taker's reference now
  taken->Release();
  EXPECT_EQ(2u, batch.items[0]->GetRefCount());
  ASSERT_EQ(1, ZELNotificationCenter::Wait(second, 0, taken));
  taken->Release();
  EXPECT_TRUE(batch.OnlyOwnReferences());

  std::vector<int> gotFirst, gotSecond;
  std::thread takeFirst([&] { gotFirst = Drain(first, kCount - 1); });
  std::thread takeSecond([&] { gotSecond = Drain(second, kCount - 1); });
  std::thread poster([&] {
    for (int i = 1; i < kCount; ++i) ZELNotificationCenter::Post(7, batch.items[i]);
  });
  poster.join();
  takeFirst.join();
  takeSecond.join();

  std::vector<int> expected = Sequence(kCount);
  expected.erase(expected.begin());
  EXPECT_EQ(expected, gotFirst);
  EXPECT_EQ(expected, gotSecond);
  EXPECT_EQ(0, ZELNotificationCenter::Pending(other));
  EXPECT_TRUE(batch.OnlyOwnReferences());
  ZELNotificationCenter::Unsubscribe(first);
  ZELNotificationCenter::Unsubscribe(second);
  ZELNotificationCenter::Unsubscribe(other);
  EXPECT_EQ(-1, ZELNotificationCenter::Pending(first));
}

TEST(ZELNotificationCenterTest, SlowClientLosesNothing) {
  const int kCount = 100000;
  Batch batch(kCount);
  int subscription = ZELNotificationCenter::Subscribe(3);
  ASSERT_GT(subscription, 0);
  std::thread poster([&] {
    for (int i = 0; i < kCount; ++i) ZELNotificationCenter::Post(3, batch.items[i]);
  });
  // The client sleeps while the poster runs ahead: everything waits in the queue.
  std::vector<int> got;
  while (got.size() < static_cast<size_t>(kCount)) {
    std::vector<int> part = Drain(subscription, 10000);
    if (part.empty()) break;
    got.insert(got.end(), part.begin(), part.end());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  poster.join();
  EXPECT_EQ(Sequence(kCount), got);
  EXPECT_EQ(0, ZELNotificationCenter::Pending(subscription));
  EXPECT_TRUE(batch.OnlyOwnReferences());
  ZELNotificationCenter::Unsubscribe(subscription);
}

TEST(ZELNotificationCenterTest, UnsubscribeEndsAWaitUnderWayAndReleasesWhatWasQueued) {
  g_destroyed = 0;
  {
    Batch batch(3);
    int waited = ZELNotificationCenter::Subscribe(5);
    int queued = ZELNotificationCenter::Subscribe(6);
    for (Numbered* n : batch.items) EXPECT_EQ(1, ZELNotificationCenter::Post(6, n));
    EXPECT_EQ(3, ZELNotificationCenter::Pending(queued));

    int result = 0;
    ZELBaseUnknown* taken = reinterpret_cast<ZELBaseUnknown*>(1);
    Clock::time_point start = Clock::now();
    std::thread waiter([&] { result = ZELNotificationCenter::Wait(waited, 20000, taken); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ZELNotificationCenter::Unsubscribe(waited);
    waiter.join();
    EXPECT_EQ(-1, result);
    EXPECT_EQ(nullptr, taken);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(-1, ZELNotificationCenter::Wait(waited, 0, taken));

    ZELNotificationCenter::Unsubscribe(queued);
    EXPECT_TRUE(batch.OnlyOwnReferences());
    EXPECT_EQ(0, ZELNotificationCenter::Post(6, batch.items[0]));
    ZELNotificationCenter::Unsubscribe(queued);  // unknown now: nothing happens
    ZELNotificationCenter::Unsubscribe(0);
  }
  EXPECT_EQ(3, g_destroyed.load());
}

TEST(ZELNotificationCenterTest, CloseSourceWhileDelivering) {
  g_destroyed = 0;
  const int kCount = 1000;
  {
    Batch batch(kCount);
    int subscriptions[] = {ZELNotificationCenter::Subscribe(11), ZELNotificationCenter::Subscribe(11)};
    int survivor = ZELNotificationCenter::Subscribe(12);
    // The poster goes round the batch until the source is closed under it.
    std::atomic<int> posted{0};
    std::thread poster([&] {
      for (int i = 0;; ++i) {
        if (ZELNotificationCenter::Post(11, batch.items[i % kCount]) == 0) break;
        ZELNotificationCenter::Post(12, batch.items[i % kCount]);
        ++posted;
      }
    });
    std::vector<int> got[2];
    std::thread takers[2];
    for (int t = 0; t < 2; ++t) takers[t] = std::thread([&, t] { got[t] = Drain(subscriptions[t], SIZE_MAX); });
    while (posted.load() < 3 * kCount) std::this_thread::yield();
    ZELNotificationCenter::CloseSource(11);
    poster.join();
    for (std::thread& t : takers) t.join();

    // Each taker got what was posted before the close, or part of it, in order.
    for (const std::vector<int>& g : got) {
      EXPECT_LE(g.size(), static_cast<size_t>(posted.load()));
      for (size_t i = 0; i < g.size(); ++i) {
        if (g[i] != static_cast<int>(i % kCount)) {
          ADD_FAILURE() << "position " << i << " holds " << g[i];
          break;
        }
      }
    }
    EXPECT_EQ(-1, ZELNotificationCenter::Pending(subscriptions[0]));
    EXPECT_EQ(-1, ZELNotificationCenter::Pending(subscriptions[1]));
    EXPECT_EQ(0, ZELNotificationCenter::Post(11, batch.items[0]));
    // Another source is untouched.
    EXPECT_EQ(posted.load(), ZELNotificationCenter::Pending(survivor));
    ZELNotificationCenter::CloseSource(12);
    EXPECT_TRUE(batch.OnlyOwnReferences());
    ZELNotificationCenter::CloseSource(12);  // no subscription left: nothing happens
  }
  EXPECT_EQ(kCount, g_destroyed.load());
}

TEST(ZELNotificationCenterTest, TimeoutsAreBoundedAndPostWithoutSubscribersTakesNoReference) {
  Batch batch(1);
  EXPECT_EQ(0, ZELNotificationCenter::Post(404, batch.items[0]));
  EXPECT_EQ(0, ZELNotificationCenter::Post(404, nullptr));
  EXPECT_TRUE(batch.OnlyOwnReferences());

  int subscription = ZELNotificationCenter::Subscribe(404);
  ASSERT_GT(subscription, 0);
  EXPECT_EQ(0, ZELNotificationCenter::Post(404, nullptr));
  ZELBaseUnknown* taken = reinterpret_cast<ZELBaseUnknown*>(1);
  Clock::time_point start = Clock::now();
  EXPECT_EQ(0, ZELNotificationCenter::Wait(subscription, 0, taken));
  EXPECT_EQ(nullptr, taken);
  EXPECT_EQ(0, ZELNotificationCenter::Wait(subscription, -5, taken));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(50));

  start = Clock::now();
  EXPECT_EQ(0, ZELNotificationCenter::Wait(subscription, 200, taken));
  Clock::duration waited = Clock::now() - start;
  EXPECT_EQ(nullptr, taken);
  EXPECT_GE(waited, std::chrono::milliseconds(200));
  EXPECT_LT(waited, std::chrono::seconds(5));

  // A post during a wait ends it at once.
  start = Clock::now();
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ZELNotificationCenter::Post(404, batch.items[0]);
  });
  EXPECT_EQ(1, ZELNotificationCenter::Wait(subscription, 20000, taken));
  poster.join();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(batch.items[0], taken);
  taken->Release();

  EXPECT_EQ(-1, ZELNotificationCenter::Wait(999999, 100, taken));
  EXPECT_EQ(nullptr, taken);
  EXPECT_EQ(-1, ZELNotificationCenter::Pending(999999));
  ZELNotificationCenter::Unsubscribe(subscription);
  EXPECT_TRUE(batch.OnlyOwnReferences());
}
