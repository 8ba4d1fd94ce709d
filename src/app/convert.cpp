#include "app/convert.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

struct Part {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool mainOnly = false;
  std::string printed;              // the printed lines, one after the other
  std::vector<std::size_t> ends;    // where each of them ends in `printed`
  std::exception_ptr failure;       // set when converting stopped early
  bool done = false;                // guarded by the schedule's mutex
};

// Converts one part; lines before a failure are kept.
void ConvertPart(const LineQueue& whole, LineConverter convert, Part& part) {
  try {
    LineQueue queue = PartOf(whole, part.begin, part.end);
    std::string output;
    LogLine line;
    LineMarkers markers;
    // Lines without any marker text cannot be rewritten; they are passed
    // over without a dispatch.
    while (PopMarkedLine(queue, line, markers)) {
      if (convert(line, markers, output) && !output.empty()) {
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

// Parts are claimed in file order by whichever thread comes first; the main
// thread also writes them in that order and frees them.
class Schedule {
 public:
  Schedule(const LineQueue& whole, LineConverter convert, std::vector<Part>& parts,
           const ConvertSettings& settings)
      : whole_(whole), convert_(convert), parts_(parts), settings_(settings) {}

  // The second thread: takes parts while it may run ahead.
  void Help() {
    for (;;) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] {
        return stop_ || next_ == parts_.size() ||
               (!parts_[next_].mainOnly && waiting_ < settings_.aheadLimit);
      });
      if (stop_ || next_ == parts_.size()) return;
      Convert(next_++, lock);
    }
  }

  // The main thread: makes part `index` ready, converting it, or others
  // meanwhile, itself.
  void AwaitPart(std::size_t index) {
    std::unique_lock lock(mutex_);
    while (!parts_[index].done) {
      if (next_ == index || (next_ < parts_.size() && waiting_ < settings_.aheadLimit)) {
        Convert(next_++, lock);
      } else {
        changed_.wait(lock);
      }
    }
  }

  void Written(std::size_t index) {
    Part& part = parts_[index];
    std::lock_guard lock(mutex_);
    waiting_ -= part.printed.size();
    std::string().swap(part.printed);
    std::vector<std::size_t>().swap(part.ends);
    changed_.notify_all();
  }

  void Stop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
  }

 private:
  void Convert(std::size_t index, std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    ConvertPart(whole_, convert_, parts_[index]);
    lock.lock();
    parts_[index].done = true;
    waiting_ += parts_[index].printed.size();
    changed_.notify_all();
  }

  const LineQueue& whole_;
  LineConverter convert_;
  std::vector<Part>& parts_;
  const ConvertSettings& settings_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t next_ = 0;     // the first part nobody has claimed
  std::size_t waiting_ = 0;  // printed bytes converted but not yet written
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

void ConvertLog(LineQueue& queue, LineConverter convert, const LineSink& sink,
                const ConvertSettings& settings) {
  if (!HasLines(queue)) return;
  const std::vector<std::size_t> cuts = LogicalLineCuts(queue, settings.partSize);
  std::vector<Part> parts(cuts.size() - 1);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    parts[i].begin = cuts[i];
    parts[i].end = cuts[i + 1];
    parts[i].mainOnly = cuts[i + 1] - cuts[i] > settings.largestSharedPart;
  }

  Schedule schedule(queue, convert, parts, settings);
  Helper helper{schedule, {}};
  if (settings.secondThread && parts.size() > 1 && std::thread::hardware_concurrency() > 1) {
    try {
      helper.thread = std::thread([&schedule] { schedule.Help(); });
    } catch (const std::system_error&) {
      // No thread to be had: the main thread converts everything itself.
    }
  }

  for (std::size_t i = 0; i < parts.size(); ++i) {
    schedule.AwaitPart(i);
    const Part& part = parts[i];
    std::size_t start = 0;
    for (const std::size_t end : part.ends) {
      sink(std::string_view(part.printed).substr(start, end - start));
      start = end;
    }
    if (part.failure) std::rethrow_exception(part.failure);
    schedule.Written(i);
  }
  queue.front = LineQueue::kDrained;
}
