// The script lexer's throughput on a large generated script: opening it (the
// file read whole through the default load source) and reading every token
// the way the script readers ask for them, against a plain scan of the same
// bytes in memory. The script has as many lines as the lexer takes (just under
// 20000), mixing what the demo's scripts hold: comments of both kinds, key
// tracks, assignments, quoted and joined strings, tabs, blank lines, LF and
// CR LF line ends.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "KolData.h"
#include "KolDataSource.h"
#include "KolText.h"
#include "SuiteSupport.h"
#include "TestSupport.h"

namespace {

constexpr int kLines = 19990;  // the lexer refuses a 20001st line

struct Script {
  std::string text;
  long long tokens = 0;
};

Script Generate() {
  Script script;
  char line[256];
  for (int i = 0; i < kLines; ++i) {
    const char* end = i % 3 == 0 ? "\r\n" : "\n";
    int tokens = 0;
    switch (i % 6) {
      case 0:
        std::snprintf(line, sizeof line, "// Key track %d: times and values, linear between keys%s",
                      i, end);
        break;
      case 1:
        std::snprintf(line, sizeof line, "%d.%03d : %d.%02d ; %d.5 : -%d.25f ; %d : +0.%d ;%s", i,
                      i % 1000, i % 7, i % 100, i + 1, i % 13, i + 2, i % 10, end);
        tokens = 12;
        break;
      case 2:
        std::snprintf(line, sizeof line, "Alpha = Track_%d ; Add = zero_%d ; /* mixed: %d */%s", i,
                      i % 17, i, end);
        tokens = 8;
        break;
      case 3:
        std::snprintf(line, sizeof line,
                      "\tColorMap = \"Image/sky_%d.jpg\" \"_part\" ; Alpha = %d ;%s", i, i % 2,
                      end);
        tokens = 8;
        break;
      case 4:
        std::snprintf(line, sizeof line,
                      "Scroller : Delta = D%d ; Speed = S%d ; YDelta = Y%d ; YSpeed = V%d ; "
                      "Tex = T%d ;%s",
                      i, i, i, i, i, end);
        tokens = 22;
        break;
      default:
        std::snprintf(line, sizeof line, "    %s", end);
        break;
    }
    script.text += line;
    script.tokens += tokens;
  }
  return script;
}

// Reads every token; the number read, or -1 when the lexer reported an error.
long long ReadAllTokens(KolText& lexer) {
  long long tokens = 0;
  while (lexer.Current() != 0) {
    const char c = lexer.Current();
    int r;
    if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.')
      r = lexer.ReadNumber();
    else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_')
      r = lexer.ReadWord();
    else if (c == '"')
      r = lexer.ReadQuoted();
    else
      r = lexer.Expect(c);
    if (r != kTextOk) return -1;
    ++tokens;
  }
  return tokens;
}

void Suite_Lexer(benchmark::State& state) {
  suite::FreshProcess();
  const Script script = Generate();
  TempDir dir;
  dir.Write("Big.txt", script.text);
  KolData source;
  source.Open(kKindDirectory, dir.Path().c_str());
  source.SetDefault(false);
  for (auto _ : state) {
    KolText lexer;
    if (lexer.OpenText("Big.txt") != kTextOk || ReadAllTokens(lexer) != script.tokens) {
      state.SkipWithError("the lexer did not read the script as generated");
      break;
    }
    lexer.CloseFile();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * script.text.size()));
  state.counters["script_bytes"] = static_cast<double>(script.text.size());
  state.counters["tokens"] = static_cast<double>(script.tokens);
}

void Suite_ByteScan(benchmark::State& state) {
  const Script script = Generate();
  for (auto _ : state) {
    long long lineFeeds = 0;
    for (char c : script.text) lineFeeds += c == '\n';
    benchmark::DoNotOptimize(lineFeeds);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * script.text.size()));
}

}  // namespace

BENCHMARK(Suite_Lexer)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Suite_ByteScan)->Unit(benchmark::kMicrosecond)->Repetitions(3);
