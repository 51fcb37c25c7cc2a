// Heap allocations on the hot paths, counted: this binary replaces the
// process's malloc family with counting forwarders to the C library's own.
// AddressSanitizer and ThreadSanitizer replace malloc themselves, so under
// them the counter is left out and the tests say why they are skipped.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "ZELRTCArchiveCleanedNotification.h"
#include "ZELRTCFileTransferNotification.h"
#include "ZELRTCQuietTracedMethod.h"
#include "ZELRTCTrace.h"
#include "ZELRTCTracedMethod.h"
#include "ZELTestParams.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ZEL_SANITIZER_OWNS_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ZEL_SANITIZER_OWNS_MALLOC 1
#endif
#endif

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

#ifndef ZEL_SANITIZER_OWNS_MALLOC
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  *out = __libc_memalign(alignment, size);
  return *out ? 0 : 12;  // ENOMEM
}
void free(void* p) { __libc_free(p); }
}
#endif

namespace {

// Allocations made between its construction and Count().
class AllocationCounter {
 public:
  AllocationCounter() : _start(g_allocations.load()) {}
  long Count() const { return g_allocations.load() - _start; }

 private:
  long _start;
};

#ifdef ZEL_SANITIZER_OWNS_MALLOC
constexpr bool kSanitizerOwnsMalloc = true;
#else
constexpr bool kSanitizerOwnsMalloc = false;
#endif
// In the test's own body, so that the skip ends the test.
#define ZEL_SKIP_UNDER_SANITIZERS() \
  if (kSanitizerOwnsMalloc) GTEST_SKIP() << "the sanitizer replaces malloc itself, so allocations cannot be counted here"

// Every operation of a traced scope and a line, with tracing off.
void TraceWithTracingOff() {
  {
    ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCFoo::Ok");
    scope.ExitHR(ZelRTCInfraTrace, "ZELRTCFoo::Ok", 1, S_OK);
  }
  {
    ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCFoo::Failed");
    scope.ExitHR(ZelRTCInfraTrace, "ZELRTCFoo::Failed", 2, E_FAIL);
  }
  { ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCFoo::NotExited"); }
  {
    ZELRTCQuietTracedMethod quiet(ZelRTCInfraTrace, "ZELRTCFoo::Quiet");
    quiet.ExitHR(ZelRTCInfraTrace, "ZELRTCFoo::Quiet", 3, E_FAIL);
  }
  ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityError, "%s %d", "text", 4);
}

}  // namespace

TEST(ZELRTCAllocationTest, CounterSeesAllocations) {
  ZEL_SKIP_UNDER_SANITIZERS();
  AllocationCounter counter;
  void* volatile p = std::malloc(16);
  int* volatile q = new int(1);
  std::free(p);
  delete q;
  EXPECT_EQ(2, counter.Count());
}

TEST(ZELRTCAllocationTest, TracingOffAllocatesNothing) {
  ZEL_SKIP_UNDER_SANITIZERS();
  TraceWithTracingOff();  // the first line of the process reads the environment
  ASSERT_EQ(0, ZELRTCTrace::GetActiveTraces());
  AllocationCounter counter;
  for (int i = 0; i < 100; ++i) TraceWithTracingOff();
  const long allOff = counter.Count();
  // Another channel on does not make these lines of the infrastructure cost.
  ZELRTCTrace::ActivateTrace(ZelRTCUITrace);
  AllocationCounter otherChannel;
  TraceWithTracingOff();
  const long onOtherChannel = otherChannel.Count();
  ZELRTCTrace::DeActivateTrace(ZelRTCUITrace);
  EXPECT_EQ("0 0", std::to_string(allOff) + " " + std::to_string(onOtherChannel));
}

TEST(ZELRTCAllocationTest, BuildIntoWhatTheNotificationHoldsAllocatesNothing) {
  ZEL_SKIP_UNDER_SANITIZERS();
  ZELTestParams transfer;
  transfer.Add(2).Add(0).Str("no error reported here").Str("alice@example.com").Str("Alice Martin");
  transfer.Str("Alice sends you a file").Str("quarterly-report.pdf").Str("The report of the quarter").Str("direct");
  transfer.Add(4711).Add(1048576).Add(65536);
  ZELTestParams other;  // other strings, other values
  other.Add(3).Add(1).Str("timeout").Str("bob@example.com").Str("Bob").Str("Bob sends a file").Str("a.txt");
  other.Str("").Str("relay").Add(1).Add(2).Add(3);
  ZELTestParams archive;
  archive.Str("alice@example.com").Str("Alice Martin").Add(7);

  ZELRTCFileTransferNotification n;
  ZELRTCArchiveCleanedNotification a;
  ASSERT_EQ(S_OK, transfer.Build(&n, 1));
  ASSERT_EQ(S_OK, archive.Build(&a, 2));

  AllocationCounter counter;
  HRESULT hr = S_OK;
  for (int i = 0; i < 100; ++i) {
    hr |= transfer.Build(&n, 1);
    hr |= other.Build(&n, 1);
    hr |= archive.Build(&a, 2);
  }
  hr |= transfer.Build(&n, 1);
  const long allocations = counter.Count();
  EXPECT_EQ(S_OK, hr);
  EXPECT_EQ(0, allocations);
  EXPECT_EQ("alice@example.com|quarterly-report.pdf|65536",
            ZELNarrow(n.GetPartnerId()) + "|" + ZELNarrow(n.GetFileName()) + "|" +
                std::to_string(n.GetNumOfByteTransferred()));
}
