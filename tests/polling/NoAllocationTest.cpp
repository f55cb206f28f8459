// Nothing is allocated per poll on the polling thread. The global allocator
// is replaced in this test program only, counting on the polling thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "polling/PollHarness.h"

namespace {
thread_local bool tracked = false;
std::atomic<long> trackedAllocations{0};
}  // namespace

// The replacements pair malloc with free themselves.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  if (tracked) trackedAllocations.fetch_add(1);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace mms::test {
namespace {

class CountingWindows : public PollObserver {
 public:
  void PollSent(int) override { polls.fetch_add(1); }
  void PollAnswered(int, const PollDefinition&, const uint16_t*) override { grids.fetch_add(1); }
  void PollFailed(int, int) override { errors.fetch_add(1); }
  std::atomic<int> polls{0}, grids{0}, errors{0};
};

std::atomic<int> exchanges{0};

int Exchange(Transport&, uint8_t, uint8_t, uint8_t, uint16_t, uint16_t count, uint16_t* values,
             int) {
  tracked = true;  // from here on this is the polling thread
  for (int i = 0; i < count; ++i) values[i] = static_cast<uint16_t>(i);
  return exchanges.fetch_add(1) % 3 == 0 ? trNoReply : trOk;
}

TEST(PollingAllocations, NonePerPollOrWrite) {
  WindowTable table;
  for (int i = 0; i < 3; ++i) table.Add(std::make_shared<WindowRecord>());
  table.Empty(1);
  CountingWindows windows;
  std::atomic<int32_t> scan{0};
  PollingThread pool(table, windows, scan, &Exchange);
  pool.Resume(std::make_shared<TestLink>(), kModbusRtu);
  ASSERT_TRUE(Eventually([] { return exchanges.load() >= 200; }));
  table.Slot(2)->QueueWrite(WriteRequest{6, 1, 1, 1, {1, 0, 0, 0}});
  ASSERT_TRUE(Eventually([&] { return !table.Slot(2)->WritePending(); }));
  const int target = exchanges.load() + 200;
  ASSERT_TRUE(Eventually([&] { return exchanges.load() >= target; }));
  pool.Shutdown();

  EXPECT_EQ(trackedAllocations.load(), 0);
  EXPECT_GT(windows.grids.load(), 0);
  EXPECT_GT(windows.errors.load(), 0);
}

}  // namespace
}  // namespace mms::test
