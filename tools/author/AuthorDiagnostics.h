// Hints for demo authors around one run of the demo's set-up, shared by the
// author tools (solvane-render, solvane-live, the packer): Begin switches the
// readers' findings on and forgets earlier ones (and the data's case matches),
// End gathers them, and what a release would miss, into lines that
// follow the demo's own log lines ("hint: " explains an error, "warning: "
// names a likely mistake that does not stop the demo). It never changes what
// the demo logs, and may run again for every reload in one process.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "KolDataSource.h"

// The first error, for a one-line message on screen; found is false when the
// set-up recorded no error. line and column are 0 when not known.
struct AuthorError {
  bool found = false;
  std::string file;
  int line = 0;
  int column = 0;
  std::string message;
};

class AuthorDiagnostics {
 public:
  // Before the set-up: findings on, none kept.
  void Begin();
  // After the set-up: takes the findings, switches them off again. data: the
  // demo's data when the set-up opened it (a release without the audio library
  // in it plays silent), else null.
  void End(KolDataSource* data);
  // A time the author asked to see (option: "--frame", "--from") that lies at
  // or past the demo's end (endTime, whole seconds, as VDemo has it): a
  // warning, since the demo stops before it. Times of 0 s pass, so an empty
  // demo is not blamed on an option nobody gave.
  void CheckTime(const char* option, double seconds, int endTime);

  // One line each, without line ends: "hint: ..." and "warning: ...".
  const std::vector<std::string>& Lines() const { return lines_; }
  // The set-up recorded errors in the log (the demo would not start).
  bool HasErrors() const { return errors_; }
  int WarningCount() const { return warnings_; }
  const AuthorError& FirstError() const { return firstError_; }
  // Writes the lines, each with its line end.
  void Print(std::FILE* out) const;

 private:
  std::vector<std::string> lines_;
  bool errors_ = false;
  int warnings_ = 0;
  AuthorError firstError_;
};
