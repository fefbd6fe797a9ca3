// Status calls made ahead of a rescan by helper threads.  On an unchanged
// drive one status call per directory is nearly all a rescan does, and the
// walk itself must go in tree order on one thread.  Every line of the drive
// in KS.DAT is a directory the walk will look at if nothing changed, so the
// helpers need nothing but those lines: they take them in chunks from the
// far end while the walk claims chunks from the front, and the two meet
// somewhere in between.  Needing no record, they start before it is read.
// Once told when the last scan began, they also read ahead the directories
// changed since, which the walk would otherwise read alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/system.h"

struct DriveTree;

class StatPrefetch {
 public:
  struct ReadAhead;
  // One status call's outcome; kFailed carries no words, so the walk makes
  // such a call again itself.
  struct Stat {
    DirStamp stamp;
    WalkStatus status = WalkStatus::kFailed;
    // Read right after the call, or null; kept by the prefetch, so that
    // the many calls without one cost nothing to free.
    ReadAhead* listing = nullptr;
  };
  // A subdirectory of a listing read ahead that KS.DAT does not hold under
  // it, looked at and read the same way.
  struct Fresh {
    std::string name;
    Stat stat;
  };
  struct ReadAhead {
    WalkEntries entries;
    std::vector<Fresh> fresh;  // by name, in byte order
  };

  // `drive` is the drive's lines as loaded, entry 1 its root; they are read
  // in place and must not change while this lives.  `rootPath` is what the
  // walk opens for the root.
  StatPrefetch(const DriveTree& drive, std::string rootPath, int helpers);
  ~StatPrefetch();  // stops the helpers

  // From now on a directory whose times are not older than `since` is read
  // as soon as its status call is made.
  void ReadChangedSince(int64_t since) { since_.store(since, std::memory_order_relaxed); }

  // The helpers' call for the drive's entry `line`, waited for; null when
  // it is the walk's to make.  The walk claims lines in increasing order,
  // and may take the listing.
  Stat* Claim(uint32_t line);

 private:
  static constexpr uint32_t kChunk = 128;
  class Helper;

  bool TakeFromBack(uint32_t* chunk);
  // Room for a listing read ahead of `bytes`, taken from the budget.
  bool Budget(size_t bytes);
  ReadAhead* Keep(std::unique_ptr<ReadAhead> listing);

  const DriveTree& drive_;
  std::string rootPath_;
  uint32_t first_ = 2;  // lines [first_, end_) are subdirectories
  uint32_t end_ = 2;
  uint32_t chunks_ = 0;
  struct Release {
    void operator()(Stat* stats) const { ::operator delete(stats); }
  };
  std::unique_ptr<Stat, Release> stats_;  // by line, made chunk by chunk
  std::unique_ptr<std::atomic<bool>[]> done_;
  // The walk's next chunk in the high half, the helpers' lowest taken in the
  // low half.
  std::atomic<uint64_t> range_{0};
  std::atomic<bool> quit_{false};
  std::atomic<int64_t> since_{INT64_MAX};
  // What listings read ahead may hold, a few bytes a line, so that a drive
  // that changed everywhere costs no more memory than a plain scan.
  std::atomic<int64_t> budget_{0};
  std::mutex keptMutex_;
  std::vector<std::unique_ptr<ReadAhead>> kept_;
  std::vector<std::thread> threads_;
};
