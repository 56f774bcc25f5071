#include "ScriptDiagnostics.h"

#include <charconv>
#include <cmath>

void ScriptDiagnostics::Clear() {
  findings_.clear();
  namings_.clear();
}

void ScriptDiagnostics::Add(bool error, const std::string& file, int line, int column,
                            const std::string& message) {
  if (!enabled_) return;
  ScriptFinding finding;
  finding.error = error;
  finding.file = file;
  finding.line = line;
  finding.column = column;
  finding.message = message;
  finding.namedBy = NamingChain();
  findings_.push_back(std::move(finding));
}

void ScriptDiagnostics::AddError(const std::string& file, int line, int column,
                                 const std::string& message) {
  Add(true, file, line, column, message);
}

void ScriptDiagnostics::AddWarning(const std::string& file, int line, int column,
                                   const std::string& message) {
  Add(false, file, line, column, message);
}

void ScriptDiagnostics::AddCaseWarning(const KolCaseMatch& match) {
  if (!enabled_) return;
  ScriptFinding finding;
  finding.message = "\"" + match.asked + "\" matches the file \"" + match.found +
                    "\" only when case is ignored; write the name as the file has it";
  if (!namings_.empty()) {
    // The name was written there; the namings around it say how that file came in.
    finding.file = namings_.back().file;
    finding.line = namings_.back().line;
    namings_.pop_back();
    finding.namedBy = NamingChain();
    namings_.push_back({finding.file, finding.line});
  }
  // Both maps of a texture may be the one file, read twice.
  for (const ScriptFinding& f : findings_)
    if (f.file == finding.file && f.line == finding.line && f.message == finding.message) return;
  findings_.push_back(std::move(finding));
}

int ScriptDiagnostics::ErrorCount() const {
  int count = 0;
  for (const ScriptFinding& f : findings_) count += f.error ? 1 : 0;
  return count;
}

int ScriptDiagnostics::WarningCount() const {
  return static_cast<int>(findings_.size()) - ErrorCount();
}

void ScriptDiagnostics::PushNaming(const std::string& file, int line) {
  namings_.push_back({file, line});
}

void ScriptDiagnostics::PopNaming() {
  if (!namings_.empty()) namings_.pop_back();
}

std::string ScriptDiagnostics::NamingChain() const {
  std::string chain;
  for (auto n = namings_.rbegin(); n != namings_.rend(); ++n) {
    if (!chain.empty()) chain += ", named by ";
    chain += n->file + " line " + std::to_string(n->line);
  }
  return chain;
}

ScriptDiagnostics& TheScriptDiagnostics() {
  static ScriptDiagnostics diagnostics;
  return diagnostics;
}

void ResetScriptDiagnosticsForTest() {
  TheScriptDiagnostics().Clear();
  TheScriptDiagnostics().SetEnabled(false);
}

ScriptNamingScope::ScriptNamingScope(const std::string& file, int line)
    : pushed_(TheScriptDiagnostics().Enabled()) {
  if (pushed_) TheScriptDiagnostics().PushNaming(file, line);
}

ScriptNamingScope::~ScriptNamingScope() {
  if (pushed_) TheScriptDiagnostics().PopNaming();
}

namespace {

template <typename Number>
std::string NumberText(Number value) {
  char text[64];
  const double size = std::fabs(value);
  // Fixed notation reads back in a script; beyond these sizes it would be
  // unreadably long or lose the value, so the shortest form is given instead.
  const bool plain = std::isfinite(value) && size < 1e16 && (size == 0.0 || size >= 1e-6);
  const auto end = plain ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
                         : std::to_chars(text, text + sizeof text, value);
  return end.ec == std::errc() ? std::string(text, end.ptr) : std::string("?");
}

}  // namespace

std::string ScriptNumberText(double value) { return NumberText(value); }
std::string ScriptNumberText(float value) { return NumberText(value); }
