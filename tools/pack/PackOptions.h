// Command-line options of solvane-pack, which makes a demo's releases and
// checks them the way demo parties check entries.
#pragma once

#include <string>

struct PackOptions {
  std::string dataPath;      // --data: a data folder or a zip archive
  std::string name;          // --name: the release's file names
  std::string title;         // --title: written to the data's Release.txt
  std::string musicPath;     // --music; empty: the demo's own by the renderer's rule
  std::string outDir = ".";  // --out
  bool windows = false;
  bool linux = false;
  bool web = false;          // OUT/NAME.html: the demo in a browser
  bool video = false;
  double screenshot = -1.0;  // --screenshot; negative: the middle of the demo
  std::string windowsBuild;  // --windows-build; empty: looked for beside the tool
  std::string webBuild;      // --web-build: where solvane.wasm is; empty: looked for
  std::string preflight;     // --preflight RELEASE: check instead of making
  bool help = false;
};

// Fills options from the arguments; false with a message for bad ones.
bool ParsePackOptions(int argc, const char* const* argv, PackOptions& options, std::string& error);
const char* PackUsage();
// A release name is a file name on every system: letters, digits, '.', '_'
// and '-', not starting with '.' or '-', at most 64 characters.
bool IsReleaseName(const std::string& name);
