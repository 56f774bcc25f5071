#include "CommandLineOptions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A bound as the user would type it: 1000, 0.5, 2000000.
std::string BoundText(double bound) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", bound);
  return text;
}

// " from 1 to 1000", " above 0 and at most 1000", " of at least 0", or nothing.
std::string RangeText(const NumberRange& range) {
  const bool low = std::isfinite(range.lowest), high = std::isfinite(range.highest);
  if (!low && !high) return "";
  if (!low) return " of at most " + BoundText(range.highest);
  if (range.aboveLowest)
    return " above " + BoundText(range.lowest) +
           (high ? " and at most " + BoundText(range.highest) : "");
  return high ? " from " + BoundText(range.lowest) + " to " + BoundText(range.highest)
              : " of at least " + BoundText(range.lowest);
}

}  // namespace

bool IsHelpArgument(const char* argument) {
  return argument && (!std::strcmp(argument, "--help") || !std::strcmp(argument, "-h"));
}

bool ReadNumber(const char* name, const char* text, const NumberRange& range, double& value,
                std::string& refusal) {
  char* end = nullptr;
  const double number = text && *text ? std::strtod(text, &end) : 0.0;
  const bool within = end && *end == '\0' && std::isfinite(number) &&
                      (range.aboveLowest ? number > range.lowest : number >= range.lowest) &&
                      number <= range.highest;
  if (!within) {
    refusal = std::string(name) + ": not a number" + RangeText(range) + ": " + (text ? text : "");
    return false;
  }
  value = number;
  return true;
}

bool ParseCommandLine(int argc, const char* const* argv,
                      const std::vector<CommandLineOption>& options, bool& help,
                      std::string& refusal) {
  for (int i = 1; i < argc; ++i) {
    if (IsHelpArgument(argv[i])) {
      help = true;
      return true;
    }
    const CommandLineOption* option = nullptr;
    for (const CommandLineOption& o : options)
      if (!std::strcmp(argv[i], o.name)) option = &o;
    if (!option) {
      refusal = std::string("unknown argument: ") + argv[i];
      return false;
    }
    if (i + option->valueCount >= argc) {
      refusal = std::string(option->name) + " needs " +
                (option->valueCount == 1 ? "a value" : "two values");
      return false;
    }
    if (!option->take(argv + i + 1, refusal)) return false;
    i += option->valueCount;
  }
  return true;
}

CommandLineOption FlagOption(const char* name, bool& on) {
  return {name, 0, [&on](const char* const*, std::string&) { return on = true; }};
}

CommandLineOption TextOption(const char* name, std::string& text) {
  return {name, 1, [&text](const char* const* values, std::string&) {
            text = values[0];
            return true;
          }};
}

CommandLineOption NumberOption(const char* name, const NumberRange& range, double& value) {
  return {name, 1, [name, range, &value](const char* const* values, std::string& refusal) {
            return ReadNumber(name, values[0], range, value, refusal);
          }};
}

int AnswerCommandLine(const char* program, bool parsed, bool help, const std::string& refusal,
                      const char* usage) {
  if (!parsed) {
    std::fprintf(stderr, "%s: %s\n\n%s", program, refusal.c_str(), usage);
    return 2;
  }
  if (help) {
    std::fputs(usage, stdout);
    return 0;
  }
  return -1;
}
