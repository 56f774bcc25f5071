#include "PngEncoders.h"

#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

FramePngPool::FramePngPool(int threads, int width, int height) : width_(width), height_(height) {
  if (threads < 1) threads = 1;
  const size_t words = static_cast<size_t>(width) * height;
  // Two buffers a worker and one more: the renderer fills one while every
  // worker encodes one and has the next waiting.
  buffers_.resize(static_cast<size_t>(threads) * 2 + 1);
  for (auto& buffer : buffers_) {
    buffer.resize(words);
    free_.push_back(&buffer);
  }
  for (int i = 0; i < threads; ++i) {
    // Starting a thread reports failure only as an exception; with fewer
    // workers (or none) the frames are still written, just more slowly.
    try {
      workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      break;
    }
  }
}

FramePngPool::~FramePngPool() {
  std::string ignored;
  Finish(ignored);
}

bool FramePngPool::Submit(long long index, const std::uint32_t* pixels, const std::string& path) {
  if (workers_.empty()) {
    Write(Job{index, path, nullptr}, pixels);
    return !failed_;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  bufferFree_.wait(lock, [this] { return !free_.empty() || failed_; });
  if (failed_) return false;
  std::vector<std::uint32_t>* buffer = free_.back();
  free_.pop_back();
  lock.unlock();
  std::memcpy(buffer->data(), pixels, buffer->size() * sizeof(std::uint32_t));
  lock.lock();
  jobs_.push_back(Job{index, path, buffer});
  lock.unlock();
  jobReady_.notify_one();
  return true;
}

bool FramePngPool::Finish(std::string& error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  jobReady_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
  if (!failed_) return true;
  error = failure_;
  return false;
}

void FramePngPool::Work() {
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      jobReady_.wait(lock, [this] { return !jobs_.empty() || closing_; });
      if (jobs_.empty()) return;  // closing, and nothing left to write
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    Write(job, job.pixels->data());
    {
      std::lock_guard<std::mutex> lock(mutex_);
      free_.push_back(job.pixels);
    }
    bufferFree_.notify_one();
  }
}

void FramePngPool::Write(const Job& job, const std::uint32_t* pixels) {
  std::string error;
  if (WritePng(job.path, pixels, width_, height_, error)) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Workers finish out of order; the earliest frame's reason is the one told.
    if (!failed_ || job.index < failedIndex_) {
      failedIndex_ = job.index;
      failure_ = error;
    }
    failed_ = true;
  }
  bufferFree_.notify_all();  // a renderer waiting for a buffer stops instead
}

namespace {
// The worker is woken once this many rows have come: one wake-up a row costs
// more than encoding it.
constexpr int kRowsPerWake = 32;
}  // namespace

PngRowStream::PngRowStream(const std::string& path, const std::uint32_t* rows, int width,
                           int height)
    : path_(path), rows_(rows), width_(width), height_(height) {
  opened_ = writer_.Open(path, width, height, PngRows::kVarying);
  if (!opened_) return;  // Finish reports why
  try {
    worker_ = std::thread([this] { Work(); });
  } catch (const std::system_error&) {
    // No thread: Finish encodes everything.
  }
}

PngRowStream::~PngRowStream() {
  if (!finished_) {
    std::string ignored;
    Finish(false, ignored);
  }
}

void PngRowStream::Publish(int rows) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ready_ = rows;
    if (rows - signalled_ < kRowsPerWake && rows < height_) return;
    signalled_ = rows;
  }
  published_.notify_one();
}

bool PngRowStream::Drain(std::unique_lock<std::mutex>& lock) {
  while (written_ < ready_) {
    const int from = written_;
    const int count = ready_ - from;
    lock.unlock();
    const bool ok = writer_.WriteRows(rows_ + static_cast<size_t>(from) * width_, count);
    lock.lock();
    if (!ok) return false;
    written_ = from + count;
  }
  return true;
}

void PngRowStream::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    published_.wait(lock, [this] { return written_ < ready_ || stopping_; });
    if (!Drain(lock) || written_ == height_) return;
    if (stopping_) return;
  }
}

bool PngRowStream::Finish(bool complete, std::string& error) {
  finished_ = true;
  if (worker_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      // An abandoned picture leaves the rest unencoded.
      if (!complete) ready_ = written_;
    }
    published_.notify_one();
    worker_.join();
  }
  if (complete && opened_) {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_ = height_;
    Drain(lock);  // the rest, when there was no thread
  }
  if (complete && writer_.Close()) return true;
  error = writer_.Error();
  writer_.Close();
  if (opened_) {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  return false;
}
