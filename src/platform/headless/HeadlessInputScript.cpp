// Scripted input for a whole program run on the headless backend, e.g.
// SOLVANE_HEADLESS_INPUT="tab tab down return": words separated by blanks or
// commas, each a key typed (pressed and released), "shift+KEY" or "ctrl+KEY"
// for a key typed with Shift or Ctrl held, or "close" for the close box.
#include <cctype>
#include <map>
#include <sstream>

#include "HeadlessControl.h"

namespace plat::headless {

namespace {

bool KeyNamed(std::string name, unsigned& key) {
  static const std::map<std::string, unsigned> kNames = {
      {"tab", kKeyTab},     {"return", kKeyReturn}, {"enter", kKeyReturn}, {"escape", kKeyEscape},
      {"esc", kKeyEscape},  {"space", kKeySpace},   {"up", kKeyUp},         {"down", kKeyDown},
      {"left", kKeyLeft},   {"right", kKeyRight},   {"home", kKeyHome},     {"end", kKeyEnd},
      {"pageup", kKeyPageUp}, {"pagedown", kKeyPageDown}, {"backspace", kKeyBack},
      {"[", kKeyOpenBracket}, {"]", kKeyCloseBracket}, {"delete", kKeyDelete},
      {"-", kKeyMinus},       {"minus", kKeyMinus},   {".", kKeyPeriod},     {"period", kKeyPeriod}};
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    key = static_cast<unsigned>(std::toupper(static_cast<unsigned char>(name[0])));
    return true;
  }
  const auto found = kNames.find(name);
  if (found == kNames.end()) return false;
  key = found->second;
  return true;
}

}  // namespace

bool QueueInputScript(const std::string& script, std::string& error) {
  std::string text = script;
  for (char& c : text)
    if (c == ',') c = ' ';
  std::istringstream words(text);
  std::deque<Control::Input> queued;
  for (std::string word; words >> word;) {
    if (word == "close") {
      queued.push_back({Control::Input::kClose});
      continue;
    }
    // "shift+" and "ctrl+" hold their key around the one typed.
    unsigned modifier = 0;
    std::string name = word;
    if (word.rfind("shift+", 0) == 0) modifier = kKeyShift, name = word.substr(6);
    if (word.rfind("ctrl+", 0) == 0) modifier = kKeyControl, name = word.substr(5);
    unsigned key = 0;
    if (!KeyNamed(name, key)) {
      error = "unknown key \"" + word + "\"";
      return false;
    }
    if (modifier) queued.push_back({Control::Input::kKeyDown, modifier});
    queued.push_back({Control::Input::kKeyDown, key});
    queued.push_back({Control::Input::kKeyUp, key});
    if (modifier) queued.push_back({Control::Input::kKeyUp, modifier});
  }
  Control& control = TheHeadless();
  control.pendingInput.insert(control.pendingInput.end(), queued.begin(), queued.end());
  return true;
}

}  // namespace plat::headless
