#include "shell/Errors.h"

#include <gtest/gtest.h>

namespace mms {
namespace {

TEST(ErrorBoxText, AddsAFullStopOnlyAfterCharactersSortingAfterIt) {
  const std::pair<std::string, std::string> cases[] = {
      {"Unable to write to /x/a.ini", "Unable to write to /x/a.ini."},
      {"'abc' is not a valid integer value", "'abc' is not a valid integer value."},
      {"Ends with a stop.", "Ends with a stop."},
      {"Ends with a comma,", "Ends with a comma,"},
      {"Ends with a slash/", "Ends with a slash/."},
      {"Ends with a blank ", "Ends with a blank "},
      {"Ends with a quote'", "Ends with a quote'"},
      {"Digit 9", "Digit 9."},
      {"Byte \xE9", "Byte \xE9."},
      {"", ""},
  };
  for (const auto& [message, shown] : cases) EXPECT_EQ(ErrorBoxText(message), shown) << message;
}

}  // namespace
}  // namespace mms
