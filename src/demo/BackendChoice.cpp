#include "BackendChoice.h"

#include <cstdlib>
#include <vector>

#include "HeadlessControl.h"
#include "Platform.h"
#include "StartResources.h"

namespace {

bool Refuse(const BackendChoice& choice, const std::string& why, std::string& refusal) {
  refusal = std::string(choice.programName) + ": " + why;
  return false;
}

// The program icon's pictures, one per size; null when the program has none.
const std::vector<plat::Picture>* ProgramIcon() {
  const auto& icons = ProgramResources()->icons;
  const auto icon = icons.find(kProgramIconResource);
  return icon == icons.end() || icon->second.empty() ? nullptr : &icon->second;
}

}  // namespace

bool StartChosenBackend(const BackendChoice& choice, std::string& refusal) {
  std::string error;
#ifdef _WIN32
  // The Windows viewer links the real desktop only: no emulated backend to choose.
  if (!plat::StartWin32(error)) return Refuse(choice, error, refusal);
  // Win32 keeps a large and a small icon: both pictures go.
  if (const auto* icon = choice.setProgramIcon ? ProgramIcon() : nullptr)
    for (const plat::Picture& picture : *icon) plat::SetProgramIcon(picture);
  return true;
#else
  const char* platform = std::getenv("SOLVANE_PLATFORM");
  const std::string name = platform ? platform : "";
  if (name == "headless") {
    plat::StartHeadless();
    plat::headless::TheHeadless().tickStep = 1;
    const char* input = std::getenv("SOLVANE_HEADLESS_INPUT");
    std::string keys = input ? input : "";
    if (choice.closeAfterScriptedKeys) keys += " close";
    if (!plat::headless::QueueInputScript(keys, error))
      return Refuse(choice, "SOLVANE_HEADLESS_INPUT: " + error, refusal);
    return true;
  }
  if (!name.empty() && name != "sdl")
    return Refuse(choice, "SOLVANE_PLATFORM must be \"sdl\" or \"headless\", not \"" + name + "\"",
                  refusal);
  if (!plat::StartSdl(error)) return Refuse(choice, error, refusal);
  // SDL keeps the last picture given: the large one alone.
  if (const auto* icon = choice.setProgramIcon ? ProgramIcon() : nullptr)
    plat::SetProgramIcon(icon->front());
  return true;
#endif
}
