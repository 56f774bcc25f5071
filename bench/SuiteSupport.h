// What the performance suite's benchmarks share: where the build keeps the
// bundled demo, a fresh process state between runs of the demo's set-up, the
// bundled demo set up on the headless backend, and the names under which the
// suite's table finds each benchmark.
#pragma once

#include <memory>
#include <string>

#include "VDemo.h"

namespace suite {

// The build directory, with the bundled demo's solvane.dat and data/, and
// solvane-render.
std::string BuildDirectory();
std::string ArchivePath();     // <build>/solvane.dat
std::string DataDirectory();   // <build>/data
// <build>/solvane-render, or the program SOLVANE_BENCH_RENDERER names (another
// build of it, to compare; its default data must lie beside it).
std::string RendererPath();

// Everything process-wide back as at program start, on a new headless
// backend: log, data sources, particle generator, surfaces, windows.
void FreshProcess();

// The bundled demo as the program sets it up: windowed on the headless
// backend, no sound, data from archive (else directory; either may be empty).
class BundledDemo {
 public:
  ~BundledDemo();
  // Fresh process state, then VDemo::Setup. False when the set-up reported
  // anything.
  bool Start(const std::string& archive, const std::string& directory);
  // Releases the demo while the backend that made its surface is still up.
  void Stop();
  VDemo& Demo() { return *demo_; }

 private:
  std::unique_ptr<VDemo> demo_;
};

}  // namespace suite
