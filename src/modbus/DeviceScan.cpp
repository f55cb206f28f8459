#include "modbus/DeviceScan.h"

#include <algorithm>

#include "common/UiDispatcher.h"
#include "modbus/ErrorTexts.h"
#include "modbus/ModbusProtocol.h"
#include "modbus/PollingThread.h"
#include "modbus/TimeoutTransport.h"

namespace mms {

namespace {
constexpr int kShownValues = 16;
}

DeviceScan::DeviceScan(PollingThread& pool, UiDispatcher& dispatcher, const ScanSettings& settings,
                       Report report)
    : pool_(pool),
      dispatcher_(dispatcher),
      settings_(settings),
      report_(std::move(report)),
      values_(std::max<size_t>(settings.Count, 1)) {}

std::shared_ptr<DeviceScan> DeviceScan::Start(PollingThread& pool, UiDispatcher& dispatcher,
                                              const ScanSettings& settings, Report report) {
  std::shared_ptr<DeviceScan> scan(new DeviceScan(pool, dispatcher, settings, std::move(report)));
  scan->Submit(settings.FirstId);
  return scan;
}

void DeviceScan::Submit(uint8_t deviceId) {
  auto self = shared_from_this();
  pool_.Submit([self, deviceId](Transport* transport, uint8_t protocolMode) {
    self->Step(transport, protocolMode, deviceId);
  });
}

void DeviceScan::Step(Transport* transport, uint8_t protocolMode, uint8_t deviceId) {
  if (stopped_.load()) return;
  ScanStep step;
  step.DeviceId = deviceId;
  if (!transport) {
    step.Cancelled = true;
    Post(step);
    return;
  }
  TimeoutTransport quick(*transport, settings_.TimeoutMs);
  step.Result =
      ModbusTransaction(quick, protocolMode, settings_.Function, deviceId, settings_.Address,
                        settings_.Count, values_.data(), static_cast<int>(values_.size()));
  const ExchangeFacts facts = quick.LastExchange();
  step.ExceptionCode = facts.ExceptionCode;
  step.ResponseMicros = facts.ResponseMicros;
  step.Answered = step.Result == trOk || facts.ResponseMicros >= 0;
  step.ReplyText = step.Result == trOk ? ValuesText(values_.data(), settings_.Count)
                                       : ExchangeErrorText(step.Result, step.ExceptionCode);
  step.Finished = deviceId >= settings_.LastId;
  Post(step);
  if (!step.Finished) Submit(static_cast<uint8_t>(deviceId + 1));
}

void DeviceScan::Post(const ScanStep& step) {
  if (stopped_.load()) return;
  auto self = shared_from_this();
  dispatcher_.Post([self, step] {
    if (!self->stopped_.load()) self->report_(step);
  });
}

std::string DeviceScan::ValuesText(const uint16_t* values, int count) {
  std::string text;
  for (int i = 0; i < count && i < kShownValues; ++i) {
    if (i > 0) text += ' ';
    text += std::to_string(values[i]);
  }
  if (count > kShownValues) text += " ...";
  return text;
}

}  // namespace mms
