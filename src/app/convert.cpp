#include "app/convert.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/second_thread.h"

namespace {

struct Part {
  LogPart log;
  // Converted before its turn: the printed lines, their ends, any failure.
  std::string printed;
  std::vector<std::size_t> ends;
  std::exception_ptr failure;
  bool done = false;  // guarded by the schedule's mutex
};

// The main thread reads parts ahead and writes them in order, converting
// the one it writes unless that was done before; the second thread, and the
// main thread while it waits for it, convert the parts after that one.
struct Schedule {
  LogReader& reader_;
  const LineConverter convert_;
  const LineSink& sink_;
  const ConvertSettings& settings_;

  // Main thread only.
  void* helper_ = nullptr;
  bool shared_ = settings_.secondThread && std::thread::hardware_concurrency() > 1;
  LogPart heldLog_{};            // read, but not yet in `parts_`
  bool held_ = false;            //   (taking it in ran out of memory)
  bool readDone_ = false;        // the last part is in `parts_`
  bool caughtUp_ = false;        // the last part read ends what the input delivered
  std::size_t windowBytes_ = 0;  // log bytes in `parts_`
  std::exception_ptr readFailure_{};

  // Guarded by the mutex; `parts_` changes only on the main thread, which
  // looks at its size without the lock.
  std::mutex mutex_{};
  std::condition_variable changed_{};
  std::deque<Part> parts_{};  // read and not yet written
  std::size_t claimed_ = 0;   // parts_[0, claimed_) are being or have been converted
  bool alone_ = false;        // the second thread is to stop

  ~Schedule() { GoAlone(); }

  void Run() {
    ReadAhead();
    if (shared_ && (!readDone_ || parts_.size() > 1)) {
      helper_ = StartSecondThread([](void* self) { static_cast<Schedule*>(self)->Help(); }, this);
      shared_ = helper_ != nullptr;  // without a thread the main thread does it all
    }
    for (;; ReadAhead()) {
      std::unique_lock lock(mutex_);
      if (parts_.empty()) break;
      Part& front = parts_.front();
      if (claimed_ > 0 && !front.done) {
        // The second thread has the front part: convert the next meanwhile.
        (shared_ && Claimable()) ? ConvertNext(lock) : changed_.wait(lock);
        continue;
      }
      if (claimed_ == 0) claimed_ = 1;
      lock.unlock();
      if (front.failure) GoAlone();
      if (!WriteFront(front, front.done && !front.failure)) return;
      windowBytes_ -= front.log.Text().size();
      reader_.Recycle(front.log);
      lock.lock();
      parts_.pop_front();
      --claimed_;
    }
    if (readFailure_) std::rethrow_exception(readFailure_);
  }

  // The second thread: converts parts in order until it is told to stop.
  void Help() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return alone_ || Claimable(); });
      if (alone_) return;
      ConvertNext(lock);
    }
  }

  // Hands the printed lines of `log` to `print`; false once `print` returns false.
  template <typename Print>
  bool ConvertLines(const LogPart& log, const Print& print) const {
    LineQueue queue = log.Lines();
    std::string output;
    LogLine line;
    LineMarkers markers;
    // Lines without any marker text cannot be rewritten; they are passed over
    // without a dispatch.
    while (queue.PopMarked(line, markers)) {
      const LineOrigin origin{settings_.log, queue.LineNumber()};
      const bool printed = convert_(line, markers, origin, output) && !output.empty();
      if (printed && !print(std::string_view(output))) return false;
    }
    return true;
  }

  void ConvertNext(std::unique_lock<std::mutex>& lock) {
    Part& part = parts_[claimed_++];
    lock.unlock();
    try {
      ConvertLines(part.log, [&part](std::string_view text) {
        part.printed.append(text);
        part.ends.push_back(part.printed.size());
        return true;
      });
    } catch (...) {
      // The part is converted again when it is written, with this freed.
      part.failure = std::current_exception();
      std::string().swap(part.printed);
      std::vector<std::size_t>().swap(part.ends);
    }
    lock.lock();
    part.done = true;
    changed_.notify_all();
  }

  // A very long line's part waits for its turn: its output is never held.
  bool Claimable() const {
    return claimed_ < parts_.size() &&
           parts_[claimed_].log.Text().size() <= settings_.sharedPartLogBytes;
  }

  // Ends the second thread, if any; the main thread goes on alone.
  void GoAlone() {
    {
      std::lock_guard lock(mutex_);
      alone_ = true;
      changed_.notify_all();
    }
    if (helper_ != nullptr) JoinSecondThread(std::exchange(helper_, nullptr));
    shared_ = false;
  }

  // Reads while the window has room, but not past a part that ends what the
  // input has delivered so far: the next read may wait long for the writer.
  void ReadAhead() {
    while (!readDone_ &&
           (parts_.empty() || (shared_ && !caughtUp_ && parts_.size() < settings_.readAheadParts &&
                               windowBytes_ < settings_.readAheadLogBytes))) {
      try {
        if (!held_ && !reader_.NextPart(heldLog_)) {
          readDone_ = true;
          break;
        }
        held_ = true;
        std::lock_guard lock(mutex_);
        const LogPart& log = (parts_.emplace_back().log = std::move(heldLog_));
        changed_.notify_all();
        held_ = false;
        windowBytes_ += log.Text().size();
        readDone_ = log.IsLast();
        caughtUp_ = log.CaughtUp();
      } catch (...) {
        // Alone, the parts read so far are still written; then the failure.
        readDone_ = !shared_;
        if (readDone_) readFailure_ = std::current_exception();
        GoAlone();
      }
    }
  }

  // Writes the front part; false once the sink takes no more lines. A
  // failure while the second thread runs ends that thread, and the part goes
  // on from the line that failed.
  bool WriteFront(Part& part, bool converted) {
    std::size_t written = 0;
    for (;;) {
      try {
        std::size_t line = 0;
        const auto print = [&](std::string_view text) {
          if (line++ < written) return true;
          const bool more = sink_(text);
          ++written;
          return more;
        };
        if (!converted) return ConvertLines(part.log, print);
        std::size_t start = 0;
        for (const std::size_t end : part.ends) {
          if (!print(std::string_view(part.printed).substr(start, end - start))) return false;
          start = end;
        }
        return true;
      } catch (...) {
        if (!shared_) throw;
        GoAlone();
      }
    }
  }
};

}  // namespace

void ConvertLog(LogReader& reader, LineConverter convert, const LineSink& sink,
                const ConvertSettings& settings) {
  Schedule{reader, convert, sink, settings}.Run();
}
