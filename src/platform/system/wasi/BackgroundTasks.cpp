// The web module has no threads: no task starts, the caller does the work
// itself (as it does wherever a thread cannot be had), and the table of
// loaded libraries needs no lock.
#include "Platform.h"
#include "SystemServices.h"

namespace plat {

struct Task {};

TaskHandle StartTask(void (*)(void*), void*) { return nullptr; }

bool TaskDone(TaskHandle) { return true; }

void FinishTask(TaskHandle) {}

LibraryTableLock::LibraryTableLock() = default;
LibraryTableLock::~LibraryTableLock() = default;

}  // namespace plat
