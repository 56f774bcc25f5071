// Background work on POSIX threads: one thread per task, joined when the
// caller finishes it. The done flag is released after the work's last write,
// so a caller that sees it set also sees the result.
#include <pthread.h>

#include <atomic>
#include <memory>

#include "Platform.h"
#include "SystemServices.h"

namespace plat {

struct Task {
  void (*work)(void*) = nullptr;
  void* data = nullptr;
  pthread_t thread{};
  std::atomic<bool> done{false};
};

namespace {

void* RunTask(void* argument) {
  Task* task = static_cast<Task*>(argument);
  task->work(task->data);
  task->done.store(true, std::memory_order_release);
  return nullptr;
}

}  // namespace

TaskHandle StartTask(void (*work)(void* data), void* data) {
  if (!work) return nullptr;
  auto task = std::make_unique<Task>();
  task->work = work;
  task->data = data;
  if (pthread_create(&task->thread, nullptr, RunTask, task.get()) != 0) return nullptr;
  return task.release();
}

bool TaskDone(TaskHandle task) {
  return !task || task->done.load(std::memory_order_acquire);
}

void FinishTask(TaskHandle task) {
  if (!task) return;
  pthread_join(task->thread, nullptr);
  std::unique_ptr<Task> owned(task);
}

namespace {
pthread_mutex_t gLibraryTable = PTHREAD_MUTEX_INITIALIZER;
}  // namespace

LibraryTableLock::LibraryTableLock() { pthread_mutex_lock(&gLibraryTable); }
LibraryTableLock::~LibraryTableLock() { pthread_mutex_unlock(&gLibraryTable); }

}  // namespace plat
