#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace mms {

// How a window writes addresses for the user. The wire always carries the
// protocol address (0..65535).
enum class AddressBase {
  Zero,    // the protocol address itself
  One,     // the user's 1 is the wire's 0
  Modicon  // 00001-, 10001-, 30001-, 40001- by function; five digits while they fit, else six
};
inline constexpr int kAddressBaseCount = 3;

struct AddressStyle {
  AddressBase Base = AddressBase::Zero;
  uint8_t Function = 1;  // 1 coils, 2 inputs, 3 holding registers, 4 input registers
  bool operator==(const AddressStyle&) const = default;
};

// The texts of the Address base drop-down and the window-file values: "0", "1", "Modicon".
const char* AddressBaseName(AddressBase base);
std::optional<AddressBase> AddressBaseFromName(const std::string& name);  // any case

// The text of a protocol address. `address` may run past 65535 (a grid
// header does not wrap) and is numbered on in the same way. A function
// outside 1..4 has no Modicon prefix and is numbered from 1.
std::string AddressText(int64_t address, const AddressStyle& style);

// The protocol address of a typed text. Base 0 reads an integer as StrToInt
// does and keeps its low 16 bits, as the Address field always has. Base 1
// takes 1..65536; Modicon takes five digits (prefix, then 0001..9999) or six
// (prefix, then 00001..65536). Anything else throws Error naming the text and
// what may be typed; the Try form returns nullopt instead.
uint16_t ProtocolAddress(const std::string& text, const AddressStyle& style);
std::optional<uint16_t> TryProtocolAddress(const std::string& text, const AddressStyle& style);

}  // namespace mms
