#include "common/TrafficStatistics.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace mms {
namespace {

constexpr int kSignificantDigits = 7;
constexpr uint64_t kMantissaLimit = 10000000;  // 10^7
constexpr long double kOneKiB = 1.0L / 1024;

uint64_t PowerOfTen(int n) {
  uint64_t p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

// |x| = mantissa × 10^(exponent − 6) with 7 digits of mantissa, rounded half
// away from zero. The 40 digits printf gives are exact for every value that
// reaches here, so rounding them once more does not round twice.
void SevenDigits(long double x, uint64_t* mantissa, int* exponent) {
  *mantissa = 0;
  *exponent = 0;
  if (x == 0) return;
  char text[96];
  std::snprintf(text, sizeof text, "%.40Le", std::fabs(x));
  uint64_t m = static_cast<uint64_t>(text[0] - '0');
  for (int i = 0; i < kSignificantDigits - 1; ++i) m = m * 10 + (text[2 + i] - '0');
  if (text[2 + kSignificantDigits - 1] >= '5') ++m;
  int e = std::atoi(text + 43);  // after "d." and 40 digits and 'e'
  if (m == kMantissaLimit) {
    m /= 10;
    ++e;
  }
  *mantissa = m;
  *exponent = e;
}

std::string Scientific(bool negative, uint64_t mantissa, int exponent, char separator) {
  std::string digits = std::to_string(mantissa);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string text = negative ? "-" : "";
  text += digits[0];
  if (digits.size() > 1) text += separator + digits.substr(1);
  char power[16];
  std::snprintf(power, sizeof power, "E+%03d", exponent);
  return text + power;
}

}  // namespace

std::string FixedText(long double x, int decimals, char decimalSeparator) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x < 0 ? "-INF" : "INF";
  if (decimals < 0) decimals = 0;
  if (decimals > 9) decimals = 9;
  const bool negative = x < 0;
  uint64_t mantissa = 0;
  int exponent = 0;
  SevenDigits(x, &mantissa, &exponent);
  if (exponent >= kSignificantDigits) {
    return Scientific(negative, mantissa, exponent, decimalSeparator);
  }
  // The value in units of 10^-decimals is mantissa × 10^shift.
  const int shift = exponent - (kSignificantDigits - 1) + decimals;
  uint64_t units = 0;
  if (shift >= 0) {
    units = mantissa * PowerOfTen(shift);
  } else if (shift >= -kSignificantDigits) {
    const uint64_t p = PowerOfTen(-shift);
    units = (mantissa + p / 2) / p;
  }
  const uint64_t scale = PowerOfTen(decimals);
  std::string text = negative && units != 0 ? "-" : "";
  text += std::to_string(units / scale);
  if (decimals > 0) {
    const std::string fraction = std::to_string(units % scale);
    text += decimalSeparator;
    text.append(static_cast<size_t>(decimals) - fraction.size(), '0');
    text += fraction;
  }
  return text;
}

std::string ByteSizeText(uint32_t n, bool received, char decimalSeparator) {
  if (n < 1024u) return std::to_string(n) + " B ";
  const long double kib = n * kOneKiB;
  if (n < 1048576u) return FixedText(kib, 2, decimalSeparator) + " KB ";
  const long double mib = kib * kOneKiB;
  if (n < 1073741824u) return FixedText(mib, 2, decimalSeparator) + (received ? " MB" : " MB ");
  return FixedText(mib * kOneKiB, 2, decimalSeparator) + (received ? " GB" : " GB ");
}

TrafficStatistics::TrafficStatistics(int timerIntervalMs)
    : seconds_(static_cast<float>((timerIntervalMs > 0 ? timerIntervalMs : 200) * 0.001L)) {}

TrafficStatistics::Panels TrafficStatistics::Tick(const TrafficCounters& counters,
                                                         char decimalSeparator) {
  const uint32_t rxBytes = counters.RxBytes.load();
  const uint32_t txBytes = counters.TxBytes.load();
  // Unsigned subtraction is the difference modulo 2^32.
  const float rxKB = static_cast<float>((rxBytes - previousRxBytes_) * kOneKiB);
  const float txKB = static_cast<float>((txBytes - previousTxBytes_) * kOneKiB);
  txRateText_ = "   " + FixedText(txKB / seconds_, 3, decimalSeparator) + " KB/s";
  rxRateText_ = "   " + FixedText(rxKB / seconds_, 3, decimalSeparator) + " KB/s";
  previousTxBytes_ = txBytes;
  previousRxBytes_ = rxBytes;

  Panels panels;
  panels.tx =
      "Tx : " + ByteSizeText(counters.TxBytes.load(), false, decimalSeparator) + txRateText_;
  panels.rx = "Rx : " + ByteSizeText(counters.RxBytes.load(), true, decimalSeparator) + rxRateText_;

  const uint32_t txFrames = counters.TxFrames.load();
  const uint32_t rxFrames = counters.RxFrames.load();
  const float requestRate = static_cast<float>(txFrames - previousTxFrames_) / seconds_;
  const float responseRate = static_cast<float>(rxFrames - previousRxFrames_) / seconds_;
  requestRateText_ = "   " + FixedText(requestRate, 2, decimalSeparator) + "/s";
  responseRateText_ = "   " + FixedText(responseRate, 2, decimalSeparator) + "/s";
  panels.requests = "Requests : " + std::to_string(counters.TxFrames.load()) + requestRateText_;
  panels.responses = "Responses : " + std::to_string(counters.RxFrames.load()) + responseRateText_;
  lastTickMoved_ = rxKB != 0 || txKB != 0 || requestRate != 0 || responseRate != 0;
  previousTxFrames_ = txFrames;
  previousRxFrames_ = rxFrames;
  return panels;
}

bool TrafficStatistics::WouldRepeat(const TrafficCounters& counters) const {
  return !lastTickMoved_ && counters.TxBytes.load() == previousTxBytes_ &&
         counters.RxBytes.load() == previousRxBytes_ &&
         counters.TxFrames.load() == previousTxFrames_ &&
         counters.RxFrames.load() == previousRxFrames_;
}

}  // namespace mms
