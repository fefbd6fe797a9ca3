#include "scanner/scan.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "crt32/console.h"
#include "crt32/keyboard.h"
#include "store/drive_table.h"
#include "platform/system.h"

namespace {

using Clock = std::chrono::steady_clock;

// The keyboard is asked at the first step and then at most this often, and
// the count redrawn likewise: on a console each question or redraw is a
// system call or three, costing far more than a directory entry.
constexpr std::chrono::milliseconds kPollInterval(50);
constexpr std::chrono::milliseconds kCountInterval(50);
// How long the main thread sleeps between looks at the keyboard while
// workers scan: short enough that Esc stops them well within 100 ms.
constexpr std::chrono::milliseconds kWakeInterval(20);

Clock::time_point polledAt;
bool polled = false;
unsigned pollCalls = 0;
unsigned countCalls = 0;
Clock::time_point countShownAt;
int countShown = 0;
int threadSetting = 0;
std::string failure;

// What the walk needs to know, taken on the main thread before any worker
// starts.
struct Walk {
  System* system;
  uint32_t excluded;  // attribute bits that drop an entry
  bool dotHidden;
  int limit;
};

// Directories left out because the scan file cannot hold their names, by
// why; workers of a parallel walk count into them at once.
std::atomic<int> leftOutNoName{0};      // the system gave no name the program can hold
std::atomic<int> leftOutBackslash{0};
std::atomic<int> leftOutControl{0};     // CR, LF or Ctrl-Z
std::atomic<int> leftOutStarAtRoot{0};  // "D:\*x" would read as the root's stamp line

void ResetLeftOut() {
  leftOutNoName = 0;
  leftOutBackslash = 0;
  leftOutControl = 0;
  leftOutStarAtRoot = 0;
}

enum class Verdict { kTaken, kSkipped, kNoName, kBackslash, kControl, kStarAtRoot };

// A name that would break the scan file's line structure or its path syntax
// cannot be stored, and neither can anything below it; the scan counts such
// directories, so that none goes missing without a word.  Where a full stop
// marks a hidden name, the attribute filter decides instead.
Verdict Judge(const Walk& walk, const char* name, size_t length, uint32_t attributes,
              bool atRoot) {
  if (!ScanWantsAttributes(attributes, walk.excluded)) return Verdict::kSkipped;
  if (length == 0) return Verdict::kNoName;
  if (name[0] == '.') {
    if (!walk.dotHidden || length == 1 || (length == 2 && name[1] == '.'))
      return Verdict::kSkipped;
  }
  for (size_t i = 0; i < length; ++i) {
    char c = name[i];
    if (c == '\\') return Verdict::kBackslash;
    if (c == '\r' || c == '\n' || c == 26) return Verdict::kControl;
  }
  if (atRoot && name[0] == '*') return Verdict::kStarAtRoot;
  return Verdict::kTaken;
}

bool Wanted(const Walk& walk, const char* name, size_t length, uint32_t attributes,
            bool atRoot) {
  switch (Judge(walk, name, length, attributes, atRoot)) {
    case Verdict::kTaken: return true;
    case Verdict::kSkipped: return false;
    case Verdict::kNoName: ++leftOutNoName; return false;
    case Verdict::kBackslash: ++leftOutBackslash; return false;
    case Verdict::kControl: ++leftOutControl; return false;
    case Verdict::kStarAtRoot: ++leftOutStarAtRoot; return false;
  }
  return false;
}

// Walks a directory's listing entry by entry.
struct Listing {
  WalkEntries entries;
  size_t nameAt = 0;
  size_t index = 0;
  bool atRoot = false;  // the drive's root directory

  bool Next(const Walk& walk, std::string_view* name) {
    while (index < entries.attributes.size()) {
      const char* n = entries.names.data() + nameAt;
      size_t length = strlen(n);
      uint32_t attributes = entries.attributes[index++];
      nameAt += length + 1;
      if (Wanted(walk, n, length, attributes, atRoot)) {
        *name = std::string_view(n, length);
        return true;
      }
    }
    return false;
  }
};

std::string FailureText(const std::string& path, const std::string& why) {
  std::string shown = path.size() == 2 ? path + "\\" : path;
  return "Error reading " + shown + (why.empty() ? "" : ": " + why);
}

void Fail(const std::string& path, const std::string& why) {
  failure = FailureText(path, why);
}

void ShowCount(int count) {
  countShown = count;
  countShownAt = Clock::now();
  char digits[16];
  snprintf(digits, sizeof digits, "%3d", count);
  MoveCursor(55, prog.ScreenRows - 1);
  WriteText(digits);
}

void ShowCountNowAndThen(int count) {
  if (!scanner.quietScan &&
      (countShown == 0 || Clock::now() - countShownAt >= kCountInterval))
    ShowCount(count);
}

void PollForEsc() {
  Clock::time_point now = Clock::now();
  if (polled && now - polledAt < kPollInterval) return;
  polled = true;
  polledAt = now;
  // Polls are far apart, so every key typed since the last one is taken.
  for (int keys = 0; keys < 16 && KeyWaiting(); ++keys) {
    uint8_t ch = ReadKeyChar();
    if (ch == 0) {
      // An extended key: its scan code is dropped at once so that it can
      // never be taken for Esc.
      ReadKeyChar();
    } else if (ch == 27) {
      scanner.scanCanceled = true;
      return;
    }
  }
}

// The one-thread walk: pre-order, each directory's entries in the file
// system's order, the keyboard polled after each entry (after a directory's
// whole subtree).  An explicit stack, so that depth costs no call stack.
void WalkInOrder(const Walk& walk, std::unique_ptr<WalkDir> root, const std::string& rootPath) {
  struct Frame {
    std::unique_ptr<WalkDir> dir;
    Listing listing;
    std::string path;
  };
  std::vector<Frame> stack(1);
  stack[0].dir = std::move(root);
  stack[0].path = rootPath;
  stack[0].listing.atRoot = true;
  std::string error;
  if (stack[0].dir->Read(&stack[0].listing.entries, &error) == WalkStatus::kFailed) {
    Fail(rootPath, error);
    return;
  }
  while (!stack.empty() && scanner.scanCount < walk.limit && !scanner.scanCanceled) {
    Frame& frame = stack.back();
    std::string_view name;
    if (!frame.listing.Next(walk, &name)) {
      stack.pop_back();
      if (!stack.empty()) PollForEsc();
      continue;
    }
    std::string child;
    child.reserve(frame.path.size() + 1 + name.size());
    child.append(frame.path).append(1, '\\').append(name);
    OpenedWalk opened = frame.dir->OpenChild(std::string(name));
    const WalkStatus status = opened.status;
    if (status == WalkStatus::kFailed) {
      Fail(child, opened.error);
      return;
    }
    if (status != WalkStatus::kOtherDevice) {
      ++scanner.scanCount;
      ShowCountNowAndThen(scanner.scanCount);
      scanner.scanList.push_back(child);
      if (status == WalkStatus::kOk) {
        Frame next;
        next.dir = std::move(opened.dir);
        next.path = std::move(child);
        if (next.dir->Read(&next.listing.entries, &error) == WalkStatus::kFailed) {
          Fail(next.path, error);
          return;
        }
        stack.push_back(std::move(next));
        continue;
      }
    }
    PollForEsc();
  }
}

// The parallel walk: workers take unopened directories from a shared stack
// (last in, first out, which keeps it short and the walk near depth-first),
// open and read them, and put back their subdirectories.  Only the main
// thread touches the program's state; it polls the keyboard and draws the
// count meanwhile.
class ParallelWalk {
 public:
  explicit ParallelWalk(const Walk& walk) : walk_(walk) {}

  // False when the limit was passed: the result is then not the one the
  // one-thread walk keeps, and the caller walks again with one thread.
  bool Run(std::unique_ptr<WalkDir> root, const std::string& rootPath, int threads) {
    std::string error;
    WalkEntries entries;
    if (root->Read(&entries, &error) == WalkStatus::kFailed) {
      Fail(rootPath, error);
      return true;
    }
    PushChildren(std::shared_ptr<WalkDir>(std::move(root)), rootPath, std::move(entries),
                 &pending_, true);
    results_.resize(static_cast<size_t>(threads));
    std::vector<std::thread> workers;
    try {
      for (int i = 0; i < threads; ++i) {
        workers.emplace_back(&ParallelWalk::Work, this, &results_[static_cast<size_t>(i)]);
        theSystem->PlaceThread(workers.back(), i);
      }
    } catch (const std::system_error&) {
      // No thread to spare: the workers that did start do the walk.
      if (workers.empty()) Work(&results_[0]);
    }
    Supervise(&workers);
    for (std::thread& t : workers) t.join();

    if (!failure_.empty()) {
      failure = failure_;
      return true;
    }
    if (overLimit_ && !scanner.scanCanceled) return false;
    size_t found = 0;
    for (const auto& r : results_) found += r.size();
    scanner.scanList.reserve(scanner.scanList.size() + found);
    for (auto& r : results_)
      for (std::string& path : r) scanner.scanList.push_back(std::move(path));
    scanner.scanCount += static_cast<int>(found);
    return true;
  }

 private:
  struct Item {
    std::shared_ptr<WalkDir> parent;
    std::string path;
    size_t nameAt;  // where the name begins in path
  };

  void PushChildren(const std::shared_ptr<WalkDir>& dir, const std::string& path,
                    WalkEntries entries, std::vector<Item>* out, bool atRoot = false) {
    Listing listing;
    listing.entries = std::move(entries);
    listing.atRoot = atRoot;
    std::string_view name;
    size_t first = out->size();
    while (listing.Next(walk_, &name)) {
      std::string child;
      child.reserve(path.size() + 1 + name.size());
      child.append(path).append(1, '\\').append(name);
      out->push_back(Item{dir, std::move(child), path.size() + 1});
    }
    // The first entry goes on top, to be taken first.
    std::reverse(out->begin() + static_cast<long>(first), out->end());
  }

  void Stop() {
    stop_.store(true);
    work_.notify_all();
    done_.notify_all();
  }

  // The workers were placed on processors of their own (System::PlaceThread):
  // by the first wake they run there, and are let go.
  void Supervise(std::vector<std::thread>* workers) {
    std::unique_lock<std::mutex> lock(mutex_);
    bool placed = true;
    while (!stop_.load() && !(pending_.empty() && busy_ == 0)) {
      done_.wait_for(lock, kWakeInterval);
      lock.unlock();
      if (placed) {
        for (std::thread& t : *workers) theSystem->FreeThread(t);
        placed = false;
      }
      PollForEsc();
      if (scanner.scanCanceled) Stop();
      ShowCountNowAndThen(1 + std::min(found_.load(), walk_.limit - 1));
      lock.lock();
    }
  }

  void Work(std::vector<std::string>* out) {
    std::vector<Item> children;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      ++waiting_;
      work_.wait(lock, [&] { return stop_.load() || !pending_.empty() || busy_ == 0; });
      --waiting_;
      if (stop_.load() || pending_.empty()) break;
      Item item = std::move(pending_.back());
      pending_.pop_back();
      ++busy_;
      lock.unlock();
      Visit(std::move(item), out, &children);
      lock.lock();
      --busy_;
      bool more = children.size() > 1;
      for (Item& child : children) pending_.push_back(std::move(child));
      children.clear();
      if (pending_.empty() && busy_ == 0) {
        work_.notify_all();
        done_.notify_all();
      } else if (more && waiting_ > 0) {
        work_.notify_all();
      }
    }
  }

  void Visit(Item item, std::vector<std::string>* out, std::vector<Item>* children) {
    if (stop_.load(std::memory_order_relaxed)) return;
    OpenedWalk opened = item.parent->OpenChild(item.path.substr(item.nameAt));
    item.parent.reset();
    const WalkStatus status = opened.status;
    if (status == WalkStatus::kOtherDevice) return;
    if (status == WalkStatus::kFailed) return Failed(item.path, opened.error);
    if (found_.fetch_add(1) + 1 > walk_.limit - 1) {
      overLimit_ = true;
      Stop();
      return;
    }
    if (status == WalkStatus::kOk) {
      WalkEntries entries;
      if (opened.dir->Read(&entries, &opened.error) == WalkStatus::kFailed)
        return Failed(item.path, opened.error);
      PushChildren(std::shared_ptr<WalkDir>(std::move(opened.dir)), item.path,
                   std::move(entries), children);
    }
    out->push_back(std::move(item.path));
  }

  void Failed(const std::string& path, const std::string& error) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (failure_.empty()) failure_ = FailureText(path, error);
    }
    Stop();
  }

  const Walk& walk_;
  std::mutex mutex_;
  std::condition_variable work_, done_;
  std::vector<Item> pending_;
  int busy_ = 0;
  int waiting_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> found_{0};  // directories listed, the root not counted
  std::atomic<bool> overLimit_{false};
  std::string failure_;
  std::vector<std::vector<std::string>> results_;
};

int ScanThreads() {
  if (threadSetting > 0) return threadSetting;
  if (const char* text = std::getenv("KS95_SCAN_THREADS")) {
    int n = std::atoi(text);
    if (n >= 1) return std::min(n, 64);
  }
  unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min(cores, 8u));
}

}  // namespace

const std::string& ScanFailure() { return failure; }

std::string ScanLeftOutText() {
  const int noName = leftOutNoName, backslash = leftOutBackslash,
            control = leftOutControl, star = leftOutStarAtRoot;
  const int total = noName + backslash + control + star;
  if (total == 0) return std::string();
  const bool one = total == 1;
  std::string why;
  auto add = [&](const char* singular, const char* plural, const std::string& rest) {
    if (!why.empty()) why += ", or ";
    why += one ? singular : plural;
    why += rest;
  };
  if (noName > 0) {
    const unsigned cp = theSystem->NameCodePage();
    add("does not fit ", "do not fit ",
        cp ? "code page " + std::to_string(cp) : std::string("the scan file"));
  }
  if (backslash > 0) add("holds ", "hold ", "a backslash");
  if (control > 0) add("holds ", "hold ", "a line break or Ctrl-Z");
  if (star > 0) add("begins ", "begin ", "with * at the root");
  return std::to_string(total) + (one ? " directory left out: its name "
                                      : " directories left out: their names ") + why;
}

bool ScanWants(std::string_view name, uint32_t attributes, uint32_t excluded, bool dotHidden) {
  Walk walk{nullptr, excluded, dotHidden, 0};
  return Wanted(walk, name.data(), name.size(), attributes, false);
}

bool ScanWantsAttributes(uint32_t attributes, uint32_t excluded) {
  // Links and junctions are neither listed nor entered: they can lead back
  // up the tree and make the scan endless.
  return (attributes & excluded) == 0 && (attributes & kAttrDirectory) != 0 &&
         (attributes & kAttrReparsePoint) == 0;
}

bool ScanStorable(std::string_view name, uint32_t attributes, uint32_t excluded,
                  bool dotHidden, bool atRoot, bool* leftOut) {
  const Walk any{nullptr, 0, dotHidden, 0};
  const Verdict verdict = Judge(any, name.data(), name.size(), kAttrDirectory, atRoot);
  *leftOut = verdict != Verdict::kTaken && verdict != Verdict::kSkipped;
  if (*leftOut) {
    // Counted only where this scan's filter would have taken the entry.
    const Walk walk{nullptr, excluded, dotHidden, 0};
    Wanted(walk, name.data(), name.size(), attributes, atRoot);
  }
  return verdict == Verdict::kTaken;
}

void BeginScanProgress() {
  polled = false;
  countShown = 0;
  failure.clear();
  ResetLeftOut();
}

// A rescan asks once per directory, a few hundred nanoseconds apart: even
// the clock is read only every 32nd time.
void PollScanKeyboard() {
  if (polled && ++pollCalls % 32 != 0) return;
  PollForEsc();
}

// As for the keyboard above: a rescan comes here for every directory, so
// the clock is read every 32nd time.
void ShowScanCountNowAndThen(int count) {
  if (countShown != 0 && ++countCalls % 32 != 0) return;
  ShowCountNowAndThen(count);
}

void EndScanProgress() {
  if (!scanner.quietScan && countShown != 0 && countShown != scanner.scanCount)
    ShowCount(scanner.scanCount);
}

void FailScan(const std::string& path, const std::string& why) { Fail(path, why); }

int ScanThreadCount() { return ScanThreads(); }

void SetScanThreads(int threads) { threadSetting = threads; }

void ScanDirectory(const std::string& path) {
  BeginScanProgress();
  Walk walk;
  walk.system = theSystem;
  walk.excluded = (kAttrHidden | kAttrSystem | kAttrVolume | kAttrDirectory) &
                  ~static_cast<uint32_t>(scanner.scanAttributes);
  walk.dotHidden = scanner.dotNamesHidden;
  walk.limit = MaxDirsPerDrive;
  size_t start = scanner.scanList.size();
  int startCount = scanner.scanCount;

  auto openRoot = [&]() -> std::unique_ptr<WalkDir> {
    OpenedWalk root = walk.system->OpenWalk(path);
    if (root.status == WalkStatus::kFailed) Fail(path, root.error);
    return root.status == WalkStatus::kOk ? std::move(root.dir) : nullptr;
  };
  std::unique_ptr<WalkDir> root = openRoot();
  if (!root) return;
  int threads = ScanThreads();
  bool done = false;
  if (threads > 1 && scanner.scanCount < walk.limit) {
    ParallelWalk parallel(walk);
    done = parallel.Run(std::move(root), path, threads);
    if (!done) {
      // Past the limit: which directories are kept depends on the order
      // of the walk, so the one-thread walk decides.
      scanner.scanList.resize(start);
      scanner.scanCount = startCount;
      ResetLeftOut();
      root = openRoot();
      if (!root) return;
    }
  }
  if (!done) WalkInOrder(walk, std::move(root), path);
  // The last count found always shows.
  EndScanProgress();
}
