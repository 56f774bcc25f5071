// PNG encoding beside the rendering, for the offline renderer: the frames of
// --frames on a pool of worker threads, and the strip on a thread of its own
// that follows its rows as they are rendered. The renderer itself stays on
// one thread and renders in order; these threads touch nothing of the demo,
// only pixels handed to them.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PngWriter.h"

// Writes whole frames as PNG files on worker threads. Each frame is copied
// into one of a fixed set of buffers, so memory stays bounded however long the
// run; when every buffer is taken, Submit waits for a worker to give one back.
class FramePngPool {
 public:
  // threads workers (at least one; none when the system refuses to start
  // them, in which case Submit writes each frame itself) for frames of
  // width x height pixels.
  FramePngPool(int threads, int width, int height);
  ~FramePngPool();  // waits for the frames already handed over
  FramePngPool(const FramePngPool&) = delete;
  FramePngPool& operator=(const FramePngPool&) = delete;

  // Hands over frame number index to be written to path; the pixels are
  // copied before it returns. False once any frame has failed, so the caller
  // can stop rendering.
  bool Submit(long long index, const std::uint32_t* pixels, const std::string& path);
  // Waits until every frame handed over is written. Returns true when all of
  // them were; otherwise error holds the reason for the earliest failed frame.
  bool Finish(std::string& error);

  int Workers() const { return static_cast<int>(workers_.size()); }

 private:
  struct Job {
    long long index = 0;
    std::string path;
    std::vector<std::uint32_t>* pixels = nullptr;
  };

  void Work();
  // Encodes one frame from pixels, noting a failure.
  void Write(const Job& job, const std::uint32_t* pixels);

  int width_;
  int height_;
  std::vector<std::vector<std::uint32_t>> buffers_;
  std::vector<std::thread> workers_;

  std::mutex mutex_;
  std::condition_variable jobReady_;   // a job was queued, or the pool is closing
  std::condition_variable bufferFree_; // a worker gave a buffer back
  std::deque<Job> jobs_;
  std::vector<std::vector<std::uint32_t>*> free_;
  bool closing_ = false;
  bool failed_ = false;
  long long failedIndex_ = -1;
  std::string failure_;
};

// Encodes a picture of varying rows (a strip) on its own thread while its rows
// are still being made, as far as they are done: rows below the count given
// to Publish must not change any more. Without a thread (the system refused
// one) the rows are encoded in Finish.
class PngRowStream {
 public:
  // rows: width x height pixels, filled from the top while the stream runs.
  PngRowStream(const std::string& path, const std::uint32_t* rows, int width, int height);
  ~PngRowStream();  // abandons an unfinished picture
  PngRowStream(const PngRowStream&) = delete;
  PngRowStream& operator=(const PngRowStream&) = delete;

  // Rows 0 .. rows - 1 are final.
  void Publish(int rows);
  // Waits for the encoder. When complete, every row must have been published,
  // and the result says whether the file was written (error: why not). When
  // not, the picture is abandoned and its partial file removed.
  bool Finish(bool complete, std::string& error);

 private:
  void Work();
  // Encodes the published rows not yet written; false once the writer failed.
  bool Drain(std::unique_lock<std::mutex>& lock);

  std::string path_;
  const std::uint32_t* rows_;
  int width_;
  int height_;
  PngRowWriter writer_;
  bool opened_ = false;
  std::thread worker_;

  std::mutex mutex_;
  std::condition_variable published_;
  int ready_ = 0;     // rows published
  int signalled_ = 0; // rows published when the worker was last woken
  int written_ = 0;   // rows handed to the writer
  bool stopping_ = false;
  bool finished_ = false;
};
