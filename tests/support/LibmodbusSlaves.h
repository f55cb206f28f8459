#pragma once
// Real Modbus slaves for tests and benchmarks, built on libmodbus and served
// by a thread of their own from construction to destruction:
//  - LibmodbusTcpSlave listens on 127.0.0.1 on a free port;
//  - LibmodbusRtuSlave answers on the master side of a pseudo-terminal pair,
//    the program under test opening DevicePath() as its serial port.
// Each holds kTableSize coils, discrete inputs, holding and input registers
// (addresses 0 .. kTableSize - 1, all 0 at start), read and changed by the
// test through the accessors below while the slave serves.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "support/PtyPair.h"

typedef struct _modbus modbus_t;
typedef struct _modbus_mapping_t modbus_mapping_t;

namespace mms::test {

class LibmodbusSlave {
 public:
  static constexpr int kTableSize = 2048;

  virtual ~LibmodbusSlave();
  LibmodbusSlave(const LibmodbusSlave&) = delete;
  LibmodbusSlave& operator=(const LibmodbusSlave&) = delete;

  void SetCoil(int address, bool on);
  bool Coil(int address) const;
  void SetDiscreteInput(int address, bool on);
  void SetHoldingRegister(int address, uint16_t value);
  uint16_t HoldingRegister(int address) const;
  void SetInputRegister(int address, uint16_t value);
  // Requests answered so far (exception replies included).
  int Replies() const { return replies_.load(); }

 protected:
  LibmodbusSlave();
  // Must be called by the derived destructor, before its members go.
  void StopServing();
  void StartServing(modbus_t* context);
  // Reads one request from ctx's descriptor and answers it. False when the
  // connection is gone.
  bool ServeOne(modbus_t* ctx);
  virtual void Serve() = 0;

  mutable std::mutex mutex_;
  modbus_mapping_t* mapping_ = nullptr;
  modbus_t* ctx_ = nullptr;
  int wakeFd_ = -1;
  std::atomic<int> replies_{0};
  std::thread thread_;
};

class LibmodbusTcpSlave : public LibmodbusSlave {
 public:
  LibmodbusTcpSlave();
  ~LibmodbusTcpSlave() override;
  uint16_t Port() const { return port_; }

  // A device that goes away and comes back: GoAway() closes every
  // connection and the listening socket, so connects are refused; Listen()
  // takes the same port again and serves the same tables. Not thread-safe
  // against each other; call from the test's thread.
  void GoAway();
  void Listen();

 private:
  void Serve() override;
  bool OpenListener(uint16_t port);
  int listenFd_ = -1;
  uint16_t port_ = 0;
};

class LibmodbusRtuSlave : public LibmodbusSlave {
 public:
  // Answers requests for deviceId only, as a device on a shared line does.
  explicit LibmodbusRtuSlave(int deviceId = 1);
  ~LibmodbusRtuSlave() override;
  const std::string& DevicePath() const { return pty_.SlavePath(); }

 private:
  void Serve() override;
  PtyPair pty_;
};

}  // namespace mms::test
