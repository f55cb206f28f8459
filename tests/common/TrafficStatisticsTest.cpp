#include "common/TrafficStatistics.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#include <thread>

namespace mms {
namespace {

TEST(FixedText, RoundsToSevenSignificantDigitsThenToTheDecimals) {
  struct Case {
    long double x;
    int decimals;
    char separator;
    const char* text;
  };
  const Case cases[] = {
      {0, 3, '.', "0.000"},
      {0, 2, ',', "0,00"},
      {100.0L / 1024 / 0.2L, 3, '.', "0.488"},
      {5, 2, '.', "5.00"},
      {1.5, 2, ',', "1,50"},
      {1048575.0L / 1024, 2, '.', "1024.00"},
      {0.0004999, 3, '.', "0.000"},
      {0.0005, 3, '.', "0.001"},
      {2.5, 0, '.', "3"},                   // half away from zero
      {1.0049999999L, 2, '.', "1.01"},      // 1.005000 after the first rounding, then 1.01
      {1.0049994L, 2, '.', "1.00"},         // 1.004999 after the first rounding
      {123456.789L, 3, '.', "123456.800"},  // digits beyond the seventh become 0
      {1234567.5L, 0, '.', "1234568"},
      {9999999.4L, 2, '.', "9999999.00"},
      {-1.25, 1, '.', "-1.3"},
      {-0.0001, 2, '.', "0.00"},
      {1e-30L, 3, '.', "0.000"},
      // From 10^7 on (after rounding) the value is written in scientific form.
      {9999999.5L, 2, '.', "1E+007"},
      {10000000, 3, '.', "1E+007"},
      {12345678, 2, '.', "1.234568E+007"},
      {21474836475.0L, 2, ',', "2,147484E+010"},
      {-12345678, 2, '.', "-1.234568E+007"},
      {std::numeric_limits<long double>::infinity(), 2, '.', "INF"},
      {-std::numeric_limits<long double>::infinity(), 2, '.', "-INF"},
      {std::nanl(""), 2, '.', "NAN"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FixedText(c.x, c.decimals, c.separator), c.text) << static_cast<double>(c.x);
  }
}

TEST(ByteSizeText, ChoosesTheUnitAndItsSpacingByRangeAndDirection) {
  struct Case {
    uint32_t n;
    const char* sent;
    const char* received;
  };
  const Case cases[] = {
      {0, "0 B ", "0 B "},
      {1023, "1023 B ", "1023 B "},
      {1024, "1.00 KB ", "1.00 KB "},
      {1536, "1.50 KB ", "1.50 KB "},
      {1048575, "1024.00 KB ", "1024.00 KB "},
      {1048576, "1.00 MB ", "1.00 MB"},
      {1572864, "1.50 MB ", "1.50 MB"},
      {1073741823, "1024.00 MB ", "1024.00 MB"},
      {1073741824, "1.00 GB ", "1.00 GB"},
      {4294967295u, "4.00 GB ", "4.00 GB"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ByteSizeText(c.n, false, '.'), c.sent) << c.n;
    EXPECT_EQ(ByteSizeText(c.n, true, '.'), c.received) << c.n;
  }
  EXPECT_EQ(ByteSizeText(1572864, true, ','), "1,50 MB");
}

TEST(TrafficStatistics, PanelsFollowTheCountersTickByTick) {
  TrafficCounters counters;
  TrafficStatistics statistics;
  struct Step {
    uint32_t txBytes, rxBytes, txFrames, rxFrames;  // counter values before the tick
    const char* tx;
    const char* rx;
    const char* requests;
    const char* responses;
    bool repeats = false;  // the texts of the tick before, which an idle tick skips
  };
  const Step steps[] = {
      {0, 0, 0, 0, "Tx : 0 B    0.000 KB/s", "Rx : 0 B    0.000 KB/s", "Requests : 0   0.00/s",
       "Responses : 0   0.00/s"},
      {100, 0, 1, 0, "Tx : 100 B    0.488 KB/s", "Rx : 0 B    0.000 KB/s", "Requests : 1   5.00/s",
       "Responses : 0   0.00/s"},
      {100, 9, 1, 1, "Tx : 100 B    0.000 KB/s", "Rx : 9 B    0.044 KB/s", "Requests : 1   0.00/s",
       "Responses : 1   5.00/s"},
      {1572864, 1572864, 7, 7, "Tx : 1.50 MB    7679.512 KB/s", "Rx : 1.50 MB   7679.956 KB/s",
       "Requests : 7   30.00/s", "Responses : 7   30.00/s"},
      {1572864, 1572864, 7, 7, "Tx : 1.50 MB    0.000 KB/s", "Rx : 1.50 MB   0.000 KB/s",
       "Requests : 7   0.00/s", "Responses : 7   0.00/s"},
      {1572864, 1572864, 7, 7, "Tx : 1.50 MB    0.000 KB/s", "Rx : 1.50 MB   0.000 KB/s",
       "Requests : 7   0.00/s", "Responses : 7   0.00/s", true},
      // The counters pass 2^32 and start again: the rates stay small and right.
      {4294967000u, 1073741824u, 4294967295u, 7, "Tx : 4.00 GB    2.096384E+007 KB/s",
       "Rx : 1.00 GB   5235200.000 KB/s", "Requests : 4294967295   2.147484E+010/s",
       "Responses : 7   0.00/s"},
      {200, 1073741824u, 1, 8, "Tx : 200 B    2.422 KB/s", "Rx : 1.00 GB   0.000 KB/s",
       "Requests : 1   10.00/s", "Responses : 8   5.00/s"},
  };
  for (const Step& s : steps) {
    counters.TxBytes = s.txBytes;
    counters.RxBytes = s.rxBytes;
    counters.TxFrames = s.txFrames;
    counters.RxFrames = s.rxFrames;
    EXPECT_EQ(statistics.WouldRepeat(counters), s.repeats) << s.tx;
    const TrafficStatistics::Panels panels = statistics.Tick(counters, '.');
    EXPECT_EQ(panels.tx, s.tx);
    EXPECT_EQ(panels.rx, s.rx);
    EXPECT_EQ(panels.requests, s.requests);
    EXPECT_EQ(panels.responses, s.responses);
  }
  EXPECT_EQ(statistics.RequestRateText(), "   10.00/s");
  EXPECT_EQ(statistics.ResponseRateText(), "   5.00/s");
}

TEST(TrafficStatistics, RatesUseTheNominalIntervalAndTheGivenSeparator) {
  TrafficCounters counters;
  TrafficStatistics everySecond(1000);
  counters.TxBytes = 2048;
  counters.TxFrames = 3;
  const TrafficStatistics::Panels panels = everySecond.Tick(counters, ',');
  EXPECT_EQ(panels.tx, "Tx : 2,00 KB    2,000 KB/s");
  EXPECT_EQ(panels.requests, "Requests : 3   3,00/s");
  EXPECT_EQ(everySecond.TxRateText(), "   2,000 KB/s");

  TrafficStatistics badInterval(0);  // taken as 200 ms, never a division by zero
  EXPECT_EQ(badInterval.Tick(counters, '.').requests, "Requests : 3   15.00/s");
}

// While another thread counts, the frames of all the per-tick rates add up
// to the final count: no frame falls between two ticks.
TEST(TrafficStatistics, NoFrameIsLostBetweenTicksWhileCounting) {
  TrafficCounters counters;
  TrafficStatistics statistics;
  constexpr uint32_t kFrames = 200000;
  std::atomic<bool> done{false};
  std::thread producer([&] {
    for (uint32_t i = 0; i < kFrames; ++i) {
      counters.TxFrames.fetch_add(1);
      counters.TxBytes.fetch_add(8);
    }
    done = true;
  });
  double counted = 0;
  auto tick = [&] {
    const std::string text = statistics.Tick(counters, '.').requests;
    counted += std::stod(text.substr(text.rfind(' ') + 1)) * 0.2;
  };
  while (!done) tick();
  producer.join();
  tick();
  EXPECT_NEAR(counted, kFrames, 0.5);
  EXPECT_EQ(statistics.Tick(counters, '.').requests, "Requests : 200000   0.00/s");
}

}  // namespace
}  // namespace mms
