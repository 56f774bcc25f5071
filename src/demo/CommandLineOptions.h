// The command-line options of the programs (solvane-render, solvane-live and
// the viewer's help), read by one parser so every program words its refusals
// alike: "unknown argument: X", "--x needs a value" / "two values", and
// "--x: not a number[ range]: TEXT". A refusal is data; nothing here exits.
#pragma once

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

// The values a number option takes: finite, at least lowest (above it when
// aboveLowest) and at most highest. The defaults take every finite number.
struct NumberRange {
  double lowest = -std::numeric_limits<double>::infinity();
  double highest = std::numeric_limits<double>::infinity();
  bool aboveLowest = false;
};

struct CommandLineOption {
  const char* name;  // "--data"
  int valueCount;    // the arguments that follow it: 0, 1 or 2
  // Takes the values; false with the refusal set.
  std::function<bool(const char* const* values, std::string& refusal)> take;
};

// -h or --help.
bool IsHelpArgument(const char* argument);
// Reads argv[1..argc) against the options. At a help argument, help is set
// and the rest is not read. False with one line in refusal for an unknown
// argument, a missing value or a value an option refused.
bool ParseCommandLine(int argc, const char* const* argv,
                      const std::vector<CommandLineOption>& options, bool& help,
                      std::string& refusal);
// A number read whole (nothing after it) within range; false with refusal
// "name: not a number[ range]: text".
bool ReadNumber(const char* name, const char* text, const NumberRange& range, double& value,
                std::string& refusal);

// The common kinds of option.
CommandLineOption FlagOption(const char* name, bool& on);
CommandLineOption TextOption(const char* name, std::string& text);
CommandLineOption NumberOption(const char* name, const NumberRange& range, double& value);

// After reading: 0 for the usage asked for (on stdout), 2 for a refusal
// ("program: refusal", a blank line and the usage on stderr), -1 to go on.
int AnswerCommandLine(const char* program, bool parsed, bool help, const std::string& refusal,
                      const char* usage);
