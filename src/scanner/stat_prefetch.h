// Status calls made ahead of a rescan by helper threads.  On an unchanged
// drive one status call per directory is nearly all a rescan does, and the
// walk itself must go in tree order on one thread; helpers take the
// recorded listings from the far end of the record while the walk takes them
// from the front, and the two meet somewhere in between.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/system.h"
#include "scanner/dir_record.h"

class StatPrefetch {
 public:
  // One status call's outcome; kFailed carries no words, so the walk makes
  // such a call again itself.
  struct Stat {
    DirStamp stamp;
    WalkStatus status = WalkStatus::kFailed;
  };
  // The recorded subdirectories of one listing, in record order, with their
  // status calls.
  struct Listing {
    const std::string_view* names;
    const Stat* stats;
    uint32_t count;
  };

  // `record` is the drive's record as loaded, read from `start`; it is
  // copied.
  // Listings the scan would not enter (by `excluded` and `dotHidden`) are
  // left alone.
  StatPrefetch(const DirRecordReader& record, const DirRecordReader::Place& start,
               std::string rootPath, uint32_t excluded,
            bool dotHidden, int helpers);
  ~StatPrefetch();  // stops the helpers

  // The walk's claim on a recorded listing (RecordedDir::family): null when
  // it is the walk's to make, otherwise the helpers' calls, waited for.
  const Listing* Claim(uint32_t family);

 private:
  struct Family {
    uint32_t parent;
    std::string_view name;
    uint32_t first;  // into names_
    uint32_t count;
    bool wanted;
    std::unique_ptr<Stat[]> stats;  // null when the helpers made none
    Listing listing;
  };
  class Helper;

  void Prepare();
  void Work();
  bool TakeFromBack(uint32_t* family);

  DirRecordReader record_;
  std::string rootPath_;
  uint32_t excluded_;
  bool dotHidden_;
  int helpers_;
  std::vector<Family> families_;
  std::vector<std::string_view> names_;
  std::unique_ptr<std::atomic<bool>[]> done_;
  // The walk's next listing in the high half, the helpers' lowest taken in
  // the low half (kUnset until the record has been gone through).
  std::atomic<uint64_t> range_;
  std::atomic<bool> quit_{false};
  std::vector<std::thread> threads_;
};
