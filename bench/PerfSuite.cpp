// The performance suite: runs every Suite_ benchmark of this program (the
// usual benchmark report goes to standard error) and then prints one table on
// standard output: each figure, what was measured, the baseline measured in
// the same run, their ratio, the target and whether it is met.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Platform.h"

namespace {

struct Measured {
  std::vector<double> seconds;  // per iteration, one value a repetition
  std::map<std::string, double> counters;
  std::string error;
};

// Passes the report on to the console reporter (on standard error) and keeps
// every repetition's time per iteration, by benchmark function.
class Collector : public benchmark::ConsoleReporter {
 public:
  Collector() : benchmark::ConsoleReporter(OO_None) { SetOutputStream(&std::cerr); }

  void ReportRuns(const std::vector<Run>& runs) override {
    benchmark::ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      Measured& m = results[run.run_name.function_name];
      if (run.error_occurred) {
        m.error = run.error_message;
        continue;
      }
      m.seconds.push_back(run.GetAdjustedRealTime() * UnitSeconds(run.time_unit));
      for (const auto& [name, counter] : run.counters) m.counters[name] = counter.value;
    }
  }

  std::map<std::string, Measured> results;

 private:
  static double UnitSeconds(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kNanosecond: return 1e-9;
      case benchmark::kMicrosecond: return 1e-6;
      case benchmark::kMillisecond: return 1e-3;
      case benchmark::kSecond: return 1.0;
    }
    return 1.0;
  }
};

// The median repetition, in seconds per iteration; negative when there is none.
double Median(const Measured* m) {
  if (!m || m->seconds.empty() || !m->error.empty()) return -1.0;
  std::vector<double> v = m->seconds;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

struct Row {
  std::string figure, measured, baseline, ratio, target, met;
};

class Table {
 public:
  explicit Table(const std::map<std::string, Measured>& results) : results_(results) {}

  const Measured* Find(const std::string& name) const {
    const auto it = results_.find(name);
    return it == results_.end() ? nullptr : &it->second;
  }
  double Counter(const std::string& name, const std::string& counter) const {
    const Measured* m = Find(name);
    if (!m) return 0.0;
    const auto it = m->counters.find(counter);
    return it == m->counters.end() ? 0.0 : it->second;
  }
  void Add(Row row) { rows_.push_back(std::move(row)); }
  void Missing(const std::string& figure, const std::string& target, const std::string& name,
               const std::string& baseline) {
    const Measured* a = Find(name);
    const Measured* b = Find(baseline);
    std::string why = "not measured";
    if (a && !a->error.empty()) why = a->error;
    else if (b && !b->error.empty()) why = b->error;
    Add({figure, "-", "-", "-", target, "no: " + why});
  }

  void Print() const {
    const Row header = {"Figure", "Measured", "Baseline (same run)", "Ratio", "Target", "Met?"};
    std::vector<size_t> widths(6, 0);
    auto widen = [&](const Row& r) {
      const std::string* cells[] = {&r.figure, &r.measured, &r.baseline, &r.ratio, &r.target, &r.met};
      for (int i = 0; i < 6; ++i) widths[i] = std::max(widths[i], cells[i]->size());
    };
    widen(header);
    for (const Row& r : rows_) widen(r);
    auto print = [&](const Row& r) {
      const std::string* cells[] = {&r.figure, &r.measured, &r.baseline, &r.ratio, &r.target, &r.met};
      std::string line = "|";
      for (int i = 0; i < 6; ++i) {
        line += ' ' + *cells[i] + std::string(widths[i] - cells[i]->size(), ' ') + " |";
      }
      std::printf("%s\n", line.c_str());
    };
    print(header);
    std::string rule = "|";
    for (size_t w : widths) rule += std::string(w + 2, '-') + '|';
    std::printf("%s\n", rule.c_str());
    for (const Row& r : rows_) print(r);
  }

 private:
  const std::map<std::string, Measured>& results_;
  std::vector<Row> rows_;
};

const char* Met(bool met) { return met ? "yes" : "NO"; }

void BuildTable(Table& table) {
  {
    const double frame = Median(table.Find("Suite_HeaviestSecondFrame"));
    const double copy = Median(table.Find("Suite_FrameMemcpy"));
    const int second = static_cast<int>(table.Counter("Suite_HeaviestSecondFrame", "second"));
    const std::string figure = "Bundled demo, heaviest second (" + std::to_string(second) + "-" +
                               std::to_string(second + 1) + " s): one frame";
    if (frame > 0 && copy > 0)
      table.Add({figure, Format("%.1f us", frame * 1e6),
                 Format("%.1f us", copy * 1e6) + " (memcpy of the 640x480 frame)",
                 Format("%.2fx", frame / copy), "<= 1.5x memcpy", Met(frame / copy <= 1.5)});
    else
      table.Missing(figure, "<= 1.5x memcpy", "Suite_HeaviestSecondFrame", "Suite_FrameMemcpy");
  }
  {
    const double ring = Median(table.Find("Suite_LargestParticleRing"));
    const double pass = Median(table.Find("Suite_ParticleRingPass"));
    const std::string figure = "99999-particle source: one frame";
    if (ring > 0 && pass > 0)
      table.Add({figure, Format("%.2f ms", ring * 1e3),
                 Format("%.3f ms", pass * 1e3) + " (one pass over the ring)",
                 Format("%.1fx", ring / pass), "< 5 ms", Met(ring < 5e-3)});
    else
      table.Missing(figure, "< 5 ms", "Suite_LargestParticleRing", "Suite_ParticleRingPass");
  }
  {
    const double lex = Median(table.Find("Suite_Lexer"));
    const double scan = Median(table.Find("Suite_ByteScan"));
    const double bytes = table.Counter("Suite_Lexer", "script_bytes");
    const std::string figure =
        "Lexer, generated script (" + Format("%.1f", bytes / 1e6) + " MB, open + every token)";
    if (lex > 0 && scan > 0 && bytes > 0) {
      const double lexRate = bytes / lex / 1e6, scanRate = bytes / scan / 1e6;
      table.Add({figure, Format("%.0f MB/s", lexRate),
                 Format("%.0f MB/s", scanRate) + " (byte scan of the same buffer)",
                 Format("%.3fx", lexRate / scanRate), ">= 100 MB/s", Met(lexRate >= 100.0)});
    } else {
      table.Missing(figure, ">= 100 MB/s", "Suite_Lexer", "Suite_ByteScan");
    }
  }
  // Set-ups of the bundled demo, each against reading the same data's bytes.
  struct SetupRow {
    const char* name;
    const char* baseline;
    const char* figure;
    const char* what;
    double limit;  // seconds
    const char* target;
  };
  for (const SetupRow& row :
       {SetupRow{"Suite_StartupFromArchive", "Suite_ReadArchive",
                 "Start-up from solvane.dat (Setup + first frame)", "reading the archive", 0.1,
                 "< 100 ms"},
        SetupRow{"Suite_StartupFromDirectory", "Suite_ReadDirectory",
                 "Start-up from data/ (Setup + first frame)", "reading every file", 0.1, "< 100 ms"},
        SetupRow{"Suite_LiveReloadFromArchive", "Suite_ReadArchive",
                 "solvane-live reload from solvane.dat", "reading the archive", 0.02, "< 20 ms"},
        SetupRow{"Suite_LiveReloadFromDirectory", "Suite_ReadDirectory",
                 "solvane-live reload from data/", "reading every file", 0.02, "< 20 ms"}}) {
    const double measured = Median(table.Find(row.name));
    const double read = Median(table.Find(row.baseline));
    if (measured > 0 && read > 0)
      table.Add({row.figure, Format("%.2f ms", measured * 1e3),
                 Format("%.3f ms", read * 1e3) + " (" + row.what + ")",
                 Format("%.1fx", measured / read), row.target, Met(measured < row.limit)});
    else
      table.Missing(row.figure, row.target, row.name, row.baseline);
  }
  // solvane-live's frames with the timeline over the music, against the same
  // loop without it; the target is the demo's own 50 frames a second.
  for (const auto& [name, figure] :
       {std::pair<const char*, const char*>{"Suite_LiveFrameTimelineWhole",
                                            "solvane-live frame + timeline over the music, whole demo"},
        {"Suite_LiveFrameTimelineZoomed", "solvane-live frame + timeline over the music, zoomed"}}) {
    const double drawn = Median(table.Find(name));
    const double plain = Median(table.Find("Suite_LiveFramePlain"));
    if (drawn > 0 && plain > 0)
      table.Add({figure, Format("%.0f frames/s", 1.0 / drawn),
                 Format("%.0f frames/s", 1.0 / plain) + " (the frame without the timeline)",
                 Format("%.2fx", drawn / plain), ">= 50 frames/s", Met(1.0 / drawn >= 50.0)});
    else
      table.Missing(figure, ">= 50 frames/s", name, "Suite_LiveFramePlain");
  }
  {
    const double strip = Median(table.Find("Suite_RenderStrip"));
    const double seconds = table.Counter("Suite_RenderStrip", "demo_seconds");
    const std::string figure = "solvane-render --strip, whole demo";
    if (strip > 0 && seconds > 0)
      table.Add({figure, Format("%.3f s", strip),
                 Format("%.0f s", seconds) + " (the demo's length)",
                 Format("%.0fx real time", seconds / strip), ">= 400x real time",
                 Met(seconds / strip >= 400.0)});
    else
      table.Missing(figure, ">= 400x real time", "Suite_RenderStrip", "Suite_RenderStrip");
  }
  {
    const double wall = Median(table.Find("Suite_RenderFrames"));
    const double frames = table.Counter("Suite_RenderFrames", "frames");
    const std::string figure = "solvane-render --frames, whole demo";
    if (wall > 0 && frames > 0) {
      const double fps = frames / wall;
      table.Add({figure, Format("%.0f frames/s", fps) + Format(" (%.2f s)", wall),
                 "50 frames/s (real time)", Format("%.1fx", fps / 50.0), ">= 300 frames/s",
                 Met(fps >= 300.0)});
    } else {
      table.Missing(figure, ">= 300 frames/s", "Suite_RenderFrames", "Suite_RenderFrames");
    }
  }
}

// Rows measured outside this program (bench/run.sh measures the running demo
// as a process of its own): one a line, the six cells separated by tabs.
void AddOutsideRows(Table& table) {
  const char* path = std::getenv("SOLVANE_BENCH_EXTRA_ROWS");
  if (!path || !*path) return;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> cells;
    for (size_t at = 0;;) {
      const size_t tab = line.find('\t', at);
      cells.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
      if (tab == std::string::npos) break;
      at = tab + 1;
    }
    if (cells.size() == 6)
      table.Add({cells[0], cells[1], cells[2], cells[3], cells[4], cells[5]});
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();
  plat::Shutdown();
  Table table(collector.results);
  BuildTable(table);
  AddOutsideRows(table);
  std::fflush(stderr);
  table.Print();
  return 0;
}
