#pragma once
#include <atomic>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace mms {

// Headless runs: ModbusMasterSimulator --headless SET.kvs [--csv FILE]
// [--duration SECONDS] polls the windows of a windows set with the settings
// file, without a window or a display, optionally logging to CSV.
struct HeadlessOptions {
  std::string SetPath;
  std::string CsvPath;         // "" for no CSV log
  double DurationSeconds = 0;  // 0: until Ctrl+C or SIGTERM
  std::string SettingsPath;    // "" for SettingsFilePath()
  std::string LogPath = "Transmission.log";
};

inline constexpr int kHeadlessPassed = 0;  // every window had a valid poll and no error
inline constexpr int kHeadlessFailed = 1;
inline constexpr int kHeadlessBadInput = 2;  // bad arguments or files

// Whether the command line asks for a headless run.
bool WantsHeadless(const std::vector<std::string>& arguments);

// The options of `arguments` (the program name left out); nullopt after
// writing what is wrong to `err`.
std::optional<HeadlessOptions> ParseHeadlessArguments(const std::vector<std::string>& arguments,
                                                      std::ostream& err);

// Runs until the duration is over, `stop` becomes true, or SIGINT/SIGTERM
// arrives (the handlers are installed for the run). Then polling stops, the
// CSV log's last rows are written and Transmission.log is closed. Writes one
// line "caption polls valid errors" per window to `out`, errors to `err`,
// and returns one of the exit codes above.
int RunHeadless(const HeadlessOptions& options, std::ostream& out, std::ostream& err,
                const std::atomic<bool>* stop = nullptr);

}  // namespace mms
