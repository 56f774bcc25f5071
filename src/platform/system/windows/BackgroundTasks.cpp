// Background work on Windows threads: one thread per task, waited for and
// closed when the caller finishes it. The done flag is released after the
// work's last write, so a caller that sees it set also sees the result.
#include <atomic>
#include <memory>

#include "WindowsHeaders.h"
#include "Platform.h"
#include "SystemServices.h"

namespace plat {

struct Task {
  void (*work)(void*) = nullptr;
  void* data = nullptr;
  HANDLE thread = nullptr;
  std::atomic<bool> done{false};
};

namespace {

DWORD WINAPI RunTask(LPVOID argument) {
  Task* task = static_cast<Task*>(argument);
  task->work(task->data);
  task->done.store(true, std::memory_order_release);
  return 0;
}

}  // namespace

TaskHandle StartTask(void (*work)(void* data), void* data) {
  if (!work) return nullptr;
  auto task = std::make_unique<Task>();
  task->work = work;
  task->data = data;
  task->thread = CreateThread(nullptr, 0, RunTask, task.get(), 0, nullptr);
  if (!task->thread) return nullptr;
  return task.release();
}

bool TaskDone(TaskHandle task) {
  return !task || task->done.load(std::memory_order_acquire);
}

void FinishTask(TaskHandle task) {
  if (!task) return;
  WaitForSingleObject(task->thread, INFINITE);
  CloseHandle(task->thread);
  std::unique_ptr<Task> owned(task);
}

namespace {
SRWLOCK gLibraryTable = SRWLOCK_INIT;
}  // namespace

LibraryTableLock::LibraryTableLock() { AcquireSRWLockExclusive(&gLibraryTable); }
LibraryTableLock::~LibraryTableLock() { ReleaseSRWLockExclusive(&gLibraryTable); }

}  // namespace plat
