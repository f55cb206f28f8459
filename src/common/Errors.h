#pragma once
#include <stdexcept>
#include <string>

namespace mms {

inline constexpr const char* kApplicationTitle = "Modbus Master Simulator";

// An error outside a Modbus exchange. Its message is the text the user sees;
// it ends the command that raised it and is shown once by the error box.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The error box text: the message with a full stop appended when its last
// character sorts after '.'.
std::string ErrorBoxText(const std::string& message);

}  // namespace mms
