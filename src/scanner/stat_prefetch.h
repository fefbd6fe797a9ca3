// Status calls made ahead of a rescan by helper threads.  On an unchanged
// drive one status call per directory is nearly all a rescan does, and the
// walk itself must go in tree order on one thread.  Every line of the drive
// in KS.DAT is a directory the walk will look at if nothing changed, so the
// helpers need nothing but those lines: they take them in chunks a few
// chunks ahead of the walk, which makes the calls of the chunks it finds
// untaken itself.  Both go on to the last line, so neither waits for the
// other at the end.  Needing no record, they start before it is read.
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

// Lines in one helper's chunk.  Tests make it small, so that the helpers
// take part on small trees.
constexpr uint32_t kDefaultPrefetchChunk = 128;
extern uint32_t PrefetchChunkLines;

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

  // The helpers start on processors other than the walk's
  // (System::PlaceThread); once they run, they may go anywhere.
  void FreeHelpers();

  // From now on a directory whose times are not older than `since` is read
  // as soon as its status call is made.
  void ReadChangedSince(int64_t since) { since_.store(since, std::memory_order_relaxed); }

  // The helpers' call for the drive's entry `line`; null when it is the
  // walk's to make.  The walk claims lines in increasing order, and may
  // take the listing.  It never waits: a helper still at work on the line's
  // chunk is told to leave the rest of it to the walk.
  Stat* Claim(uint32_t line);

 private:
  // How far ahead of the walk's chunk the helpers take theirs: the walk,
  // quicker through a helper's chunk than the helper, should seldom catch
  // one still being worked on, whose rest it then makes alone.
  static constexpr uint32_t kAhead = 4;
  class Helper;
  enum : uint8_t { kFree, kHelpers, kWalks };

  bool TakeAhead(uint32_t* chunk);
  // Room for a listing read ahead of `bytes`, taken from the budget.
  bool Budget(size_t bytes);
  ReadAhead* Keep(std::unique_ptr<ReadAhead> listing);

  const DriveTree& drive_;
  std::string rootPath_;
  const uint32_t chunk_ = PrefetchChunkLines;
  uint32_t first_ = 2;  // lines [first_, end_) are subdirectories
  uint32_t end_ = 2;
  uint32_t chunks_ = 0;
  struct Release {
    void operator()(Stat* stats) const { ::operator delete(stats); }
  };
  std::unique_ptr<Stat, Release> stats_;  // by slot, made chunk by chunk
  std::unique_ptr<uint32_t[]> slot_;      // each helper's chunk's place in it
  std::atomic<uint32_t> slotsTaken_{0};
  std::unique_ptr<std::atomic<uint8_t>[]> whose_;  // each chunk's taker
  // A helper's chunk: how many of its lines have their call made, and
  // kLeftToWalk once the walk has taken the rest.
  static constexpr uint32_t kLeftToWalk = 0x80000000u;
  std::unique_ptr<std::atomic<uint32_t>[]> made_;
  std::atomic<uint32_t> walkChunk_{0};  // where the walk is
  uint32_t walkSeen_ = UINT32_MAX;      // the walk's own copy
  uint32_t walkMade_ = 0;      // calls of walkSeen_ known made
  bool walkTookRest_ = false;  // the walk makes those past walkMade_
  std::atomic<uint32_t> helpersNext_{0};  // where the helpers may look first
  std::atomic<bool> quit_{false};
  std::atomic<int64_t> since_{INT64_MAX};
  // What listings read ahead may hold, a few bytes a line, so that a drive
  // that changed everywhere costs no more memory than a plain scan.
  std::atomic<int64_t> budget_{0};
  std::mutex keptMutex_;
  std::vector<std::unique_ptr<ReadAhead>> kept_;
  std::vector<std::thread> threads_;
};
