// Findings for demo authors, gathered while the readers load a demo: the real
// cause of an error (the file, line and column where it happened, what was
// expected there, which file named that file) and warnings about things that
// load but are probably mistakes. The author tools switch it on around the
// demo's set-up; it is off by default, so the demo itself only pays a flag
// test. It never writes to the log: the log's lines and records stay exactly
// as the readers make them.
#pragma once

#include <string>
#include <vector>

#include "KolDataSource.h"

struct ScriptFinding {
  bool error = false;    // false: a warning, which does not stop the demo
  std::string file;      // "Script/Effect/Glow.txt", an image name, or empty
  int line = 0;          // 0 when not known
  int column = 0;        // 0 when not known
  std::string message;   // one line, without a trailing full stop
  std::string namedBy;   // "Script/Effect/Glow.txt line 3, named by Script/Demo.txt line 7"
};

// Threshold of "far outside 0 to 1" for alpha and colour values: a value below
// -0.5 or above 2 is taken for a typing slip (a byte value like 255 for 1.0),
// while small overshoots stay quiet, since blends clamp them anyway.
constexpr float kFarBelowUnit = -0.5f;
constexpr float kFarAboveUnit = 2.0f;
inline bool FarOutsideUnit(float value) { return value < kFarBelowUnit || value > kFarAboveUnit; }

// An end time beyond this many seconds makes the demo last over an hour, and
// its strip or video that many rows or frames times the frame rate.
constexpr float kLongDemoSeconds = 3600.0f;

class ScriptDiagnostics {
 public:
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on) { enabled_ = on; }
  // Forgets every finding and every open naming (a new set-up starts).
  void Clear();

  // Both take the current naming chain as namedBy. Nothing happens while off.
  void AddError(const std::string& file, int line, int column, const std::string& message);
  void AddWarning(const std::string& file, int line, int column, const std::string& message);

  // A read that found its file only by ignoring case: a warning on the line
  // that named the file (the innermost naming), said once.
  void AddCaseWarning(const KolCaseMatch& match);

  const std::vector<ScriptFinding>& Findings() const { return findings_; }
  int ErrorCount() const;
  int WarningCount() const;

  // While a file is read because another named it, the naming file and the
  // line of the name are kept here (innermost last), so a finding inside the
  // named file can say where it was named.
  void PushNaming(const std::string& file, int line);
  void PopNaming();
  std::string NamingChain() const;

 private:
  struct Naming {
    std::string file;
    int line;
  };
  void Add(bool error, const std::string& file, int line, int column, const std::string& message);

  bool enabled_ = false;
  std::vector<ScriptFinding> findings_;
  std::vector<Naming> namings_;
};

// The program's one collector.
ScriptDiagnostics& TheScriptDiagnostics();

// Tests only: off, no findings, no open naming.
void ResetScriptDiagnosticsForTest();

// Keeps "file line N" as the naming of whatever is read while it lives; does
// nothing while diagnostics are off.
class ScriptNamingScope {
 public:
  ScriptNamingScope(const std::string& file, int line);
  ~ScriptNamingScope();
  ScriptNamingScope(const ScriptNamingScope&) = delete;
  ScriptNamingScope& operator=(const ScriptNamingScope&) = delete;

 private:
  bool pushed_;
};

// "1", "0.5", "1000000000": a number as an author would write it in a script.
// A float is written with the fewest digits that read back as that float
// (-0.6, not -0.6000000238418579).
std::string ScriptNumberText(double value);
std::string ScriptNumberText(float value);
