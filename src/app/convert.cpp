#include "app/convert.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

struct Part {
  LogPart log;
  bool mainOnly = false;
  std::string printed;            // the printed lines, one after the other
  std::vector<std::size_t> ends;  // where each of them ends in `printed`
  std::exception_ptr failure;     // set when converting stopped early
  bool onMain = false;            // converted by the main thread
  bool done = false;              // guarded by the schedule's mutex
};

// Converts one part afresh; lines before a failure are kept.
void ConvertPart(LineConverter convert, std::string_view log, Part& part) {
  part.printed.clear();
  part.ends.clear();
  part.failure = nullptr;
  try {
    LineQueue queue = part.log.Lines();
    std::string output;
    LogLine line;
    LineMarkers markers;
    LineOrigin origin{log, 0};
    // Lines without any marker text cannot be rewritten; they are passed
    // over without a dispatch.
    while (queue.PopMarked(line, markers)) {
      origin.line = queue.LineNumber();
      if (convert(line, markers, origin, output) && !output.empty()) {
        // A part's first printed line is taken over, not copied: a part
        // with one very long line then holds it only once.
        if (part.printed.empty()) {
          part.printed.swap(output);
        } else {
          part.printed.append(output);
        }
        part.ends.push_back(part.printed.size());
      }
    }
  } catch (...) {
    part.failure = std::current_exception();
  }
}

// The parts read and not yet written, in file order. The main thread reads
// them, writes them and frees them; both threads claim them for converting
// in file order, whichever comes first.
class Schedule {
 public:
  Schedule(LogReader& reader, LineConverter convert, const ConvertSettings& settings)
      : reader_(reader), convert_(convert), settings_(settings) {}

  // The second thread: takes parts while it may run ahead.
  void Help() {
    for (;;) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] {
        return stop_ || (next_ == parts_.size() && readDone_) ||
               (next_ < parts_.size() && !parts_[next_].mainOnly &&
                waiting_ < settings_.aheadLimit);
      });
      if (stop_ || next_ == parts_.size()) return;
      Convert(parts_[next_++], false, lock);
    }
  }

  // The main thread: reads parts ahead, while there is room (only the main
  // thread changes the window, so it looks at it without the lock).
  void Refill() {
    while (!readDone_ && (parts_.empty() || (parts_.size() < settings_.partsAhead &&
                                             windowBytes_ < settings_.bytesAhead))) {
      try {
        LogPart log;
        if (!reader_.NextPart(log)) {
          Finish();
          return;
        }
        const bool last = log.IsLast();
        const std::size_t size = log.Text().size();
        std::lock_guard lock(mutex_);
        Part& part = parts_.emplace_back();
        part.log = std::move(log);
        part.mainOnly = size > settings_.largestSharedPart;
        windowBytes_ += size;
        readDone_ = last;
        changed_.notify_all();
      } catch (...) {
        // The parts read so far are still written; then the failure.
        readFailure_ = std::current_exception();
        Finish();
        return;
      }
    }
  }

  bool MayShare() const { return !readDone_ || parts_.size() > 1; }

  // The main thread: converts and writes every part in order.
  void Run(const LineSink& sink) {
    for (;;) {
      Refill();
      std::unique_lock lock(mutex_);
      if (parts_.empty()) break;
      Part& front = parts_.front();
      if (front.done && front.failure && !front.onMain) {
        // The second thread may have failed for want of memory that is
        // there now: only a failure here ends the run.
        front.done = false;
        waiting_ -= front.printed.size();
        Convert(front, true, lock);
      } else if (front.done) {
        lock.unlock();
        Write(front, sink);
        lock.lock();
        waiting_ -= front.printed.size();
        windowBytes_ -= front.log.Text().size();
        reader_.Recycle(front.log);
        parts_.pop_front();
        --next_;
        changed_.notify_all();
      } else if (next_ < parts_.size() && (next_ == 0 || waiting_ < settings_.aheadLimit)) {
        Convert(parts_[next_++], true, lock);
      } else {
        changed_.wait(lock);
      }
    }
    if (readFailure_) std::rethrow_exception(readFailure_);
  }

  void Stop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
  }

 private:
  void Finish() {
    std::lock_guard lock(mutex_);
    readDone_ = true;
    changed_.notify_all();
  }

  void Convert(Part& part, bool onMain, std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    ConvertPart(convert_, settings_.log, part);
    part.onMain = onMain;
    lock.lock();
    part.done = true;
    waiting_ += part.printed.size();
    changed_.notify_all();
  }

  static void Write(const Part& part, const LineSink& sink) {
    std::size_t start = 0;
    for (const std::size_t end : part.ends) {
      sink(std::string_view(part.printed).substr(start, end - start));
      start = end;
    }
    if (part.failure) std::rethrow_exception(part.failure);
  }

  LogReader& reader_;
  const LineConverter convert_;
  const ConvertSettings& settings_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Part> parts_;          // read and not yet written
  std::size_t next_ = 0;            // the first part in `parts_` nobody has claimed
  std::size_t waiting_ = 0;         // printed bytes converted but not yet written
  std::size_t windowBytes_ = 0;     // log bytes in `parts_`
  bool readDone_ = false;           // written by the main thread under the mutex
  std::exception_ptr readFailure_;  // main thread only
  bool stop_ = false;
};

// Stops and joins the second thread however the main thread leaves.
struct Helper {
  Schedule& schedule;
  std::thread thread;
  ~Helper() {
    schedule.Stop();
    if (thread.joinable()) thread.join();
  }
};

}  // namespace

void ConvertLog(LogReader& reader, LineConverter convert, const LineSink& sink,
                const ConvertSettings& settings) {
  Schedule schedule(reader, convert, settings);
  Helper helper{schedule, {}};
  schedule.Refill();
  if (settings.secondThread && schedule.MayShare() && std::thread::hardware_concurrency() > 1) {
    try {
      helper.thread = std::thread([&schedule] { schedule.Help(); });
    } catch (const std::system_error&) {
      // No thread to be had: the main thread converts everything itself.
    }
  }
  schedule.Run(sink);
}
