#include "AuthorDiagnostics.h"

#include "KolLog.h"
#include "ScriptDiagnostics.h"
#include "VDemo.h"

namespace {

std::string Place(const ScriptFinding& f) {
  std::string place = f.file;
  if (f.line > 0) {
    place += (place.empty() ? "line " : " line ") + std::to_string(f.line);
    if (f.column > 0) place += ", column " + std::to_string(f.column);
  }
  return place;
}

std::string Format(const ScriptFinding& f) {
  std::string text = f.error ? "hint: " : "warning: ";
  const std::string place = Place(f);
  if (!place.empty()) text += place + ": ";
  text += f.message;
  if (!f.namedBy.empty()) text += "; named by " + f.namedBy;
  return text;
}

}  // namespace

void AuthorDiagnostics::Begin() {
  ForgetCaseMatches();
  TheScriptDiagnostics().Clear();
  TheScriptDiagnostics().SetEnabled(true);
  lines_.clear();
  errors_ = false;
  warnings_ = 0;
  firstError_ = AuthorError();
}

void AuthorDiagnostics::End(KolDataSource* data) {
  ScriptDiagnostics& diagnostics = TheScriptDiagnostics();
  const KolLog& log = TheLog();
  errors_ = log.RecordCount() != 0;
  lines_.clear();
  warnings_ = 0;
  firstError_ = AuthorError();
  // Errors first: they are why the demo does not start; warnings follow in
  // the order the files were read.
  for (const ScriptFinding& f : diagnostics.Findings()) {
    if (!f.error) continue;
    lines_.push_back(Format(f));
    if (!firstError_.found) {
      firstError_.found = true;
      firstError_.file = f.file;
      firstError_.line = f.line;
      firstError_.column = f.column;
      firstError_.message = f.message;
    }
  }
  for (const ScriptFinding& f : diagnostics.Findings()) {
    if (f.error) continue;
    lines_.push_back(Format(f));
    ++warnings_;
  }
  // The demo only misses it when it plays with sound, which the tools switch
  // off; a release would play silent.
  if (data && !data->Holds(kAudioLibraryMember)) {
    lines_.push_back(std::string("warning: the data holds no \"") + kAudioLibraryMember +
                     "\": the demo will play without sound (copy the audio library into the "
                     "data as " + kAudioLibraryMember + ", or make the release with solvane-pack)");
    ++warnings_;
  }
  if (errors_ && !firstError_.found) {
    // An error no reader explained (a data source, the effect limit): its own
    // log text is the best there is.
    for (int i = 0; i < log.RecordCount(); ++i) {
      if (log.Record(i).kind != 2) continue;
      firstError_.found = true;
      firstError_.message = log.Record(i).text;
      while (!firstError_.message.empty() &&
             (firstError_.message.back() == '\n' || firstError_.message.back() == '\r'))
        firstError_.message.pop_back();
      break;
    }
  }
  diagnostics.SetEnabled(false);
  diagnostics.Clear();
}

void AuthorDiagnostics::CheckTime(const char* option, double seconds, int endTime) {
  if (!(seconds > 0.0 && seconds >= endTime)) return;
  lines_.push_back(std::string("warning: ") + option + " " + ScriptNumberText(seconds) +
                   " s lies at or past the demo's end at " + std::to_string(endTime) +
                   " s: the demo never shows that time");
  ++warnings_;
}

void AuthorDiagnostics::Print(std::FILE* out) const {
  for (const std::string& line : lines_) std::fprintf(out, "%s\n", line.c_str());
  std::fflush(out);
}
