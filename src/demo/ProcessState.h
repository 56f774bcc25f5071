// The state the process keeps outside any object (the log, the default data
// sources, the registries, the particle generator, the dialogs, the sound,
// the surface's input, the demo's data sources, ...), in one place.
#pragma once

// Puts all of it back as a fresh process has it, for tests, fuzz harnesses and
// benchmarks that run many programs' worth of work in one process. The
// platform backend is left as it is: shut it down first when a fresh one is
// wanted.
void ResetProcessState();
