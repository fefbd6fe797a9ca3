// The record of a drive's directories kept beside KS.DAT, from which a
// rescan reuses the listings of directories that have not changed.  One file
// per drive; never needed: without it, or when anything about it is in
// doubt, the drive is walked whole.
//
// Layout: a header (magic, version, drive letter, the clock when the scan
// began, a hash of the drive map), then one node per directory in tree order
// (each directory followed by its subtree, siblings in scan-file order), then
// a trailer (the number and a hash of the drive's lines in KS.DAT, and a
// checksum of all bytes before it).  A node names itself only when KS.DAT
// does not hold it (a hidden directory a scan left out, a mount point); every
// other name is the next line of the drive in KS.DAT.  Stamps are stored as
// differences from the node before, so a node takes about a dozen bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"

struct DriveTree;
struct ScanFileRewrite;

enum class RecordedKind : uint8_t {
  kRead = 0,        // listing recorded: `children` nodes follow
  kUnreadable = 1,  // listed, but could not be read
  kLeftOut = 2,     // seen in its parent, neither listed nor read
};

struct RecordedDir {
  RecordedKind kind = RecordedKind::kRead;
  bool listed = false;  // a line of KS.DAT
  bool reread = false;  // changed too close to its reading to be trusted
  uint32_t attributes = 0;  // hidden and system bits
  std::string_view name;
  DirStamp stamp;  // kRead only
  uint32_t children = 0;
  uint32_t line = 0;  // its entry in the drive's lines when listed, else 0
  std::string_view path;  // that entry, when listed
  // Where the node's bytes lie among the record's nodes, when read from one.
  size_t recordAt = 0;
  size_t recordEnd = 0;
};

// A directory whose times lie this close before the scan (or after it) is
// read again next time: coarser than any file system's clock tick (FAT's is
// two seconds).  A variable only so that tests can do without the wait.
constexpr int64_t kDefaultRacyWindowNs = 3000000000LL;
extern int64_t RacyWindowNs;

std::string DirRecordPath(int driveNumber);
// Hash of the drive map the records are valid for.
uint64_t DriveMapHash();
// The checksum that ends a record, over all the bytes before it.
uint64_t RecordChecksum(std::string_view bytes);

// What a drive's lines (entries 2..count, in order) hash to in the record.
class LinesHasher {
 public:
  void Add(std::string_view line);
  uint64_t value() const { return h_; }

 private:
  uint64_t h_ = 0xcbf29ce484222325ULL;
};

class DirRecordReader {
 public:
  // Loads drive d's record and checks it against the drive's lines as loaded
  // from KS.DAT; false, with the reason, when it must not be used.
  bool Load(int driveNumber, const DriveTree& drive, int64_t now, std::string* why);
  // The next node in tree order; `parent` is the path its name must extend
  // in KS.DAT, or null to take the line unchecked.  False when the record
  // ends or does not fit KS.DAT.
  bool Next(const std::string* parent, RecordedDir* dir);
  bool AtEnd() const;
  int64_t ScanStart() const { return scanStart_; }
  // What Load found the drive's lines to hash to.
  uint64_t DriveLinesHash() const { return linesHash_; }
  // The nodes' bytes, between the header and the trailer.
  std::string_view Nodes() const;

 private:
  std::string bytes_;
  size_t at_ = 0;
  size_t end_ = 0;
  const DriveTree* drive_ = nullptr;
  size_t line_ = 2;
  size_t lineEnd_ = 0;  // one past the last
  DirStamp prev_;
  int64_t scanStart_ = 0;
  uint64_t linesHash_ = 0;
};

class DirRecordWriter {
 public:
  ~DirRecordWriter();
  // A temporary file beside the record; false when none can be made.  With
  // the old record's nodes given, the file is made only once the new nodes
  // depart from them.
  bool Begin(int driveNumber, int64_t scanStart, std::string_view oldNodes = {});
  // Nodes in tree order.  A directory whose times are not clearly older than
  // the scan is marked to be read again next time: a change within the same
  // tick of the file system's clock would not move them.
  void Add(const RecordedDir& dir);
  // `dir` in the place of `old`, the node just read from the old record:
  // when nothing about it changed and every node before it was as before,
  // its bytes are the old ones, and they are neither made nor compared.
  void AddOld(const RecordedDir& dir, const RecordedDir& old);
  // Ends the record with the drive's lines as they go to KS.DAT (entries
  // 2..count, hashed by LinesHasher) and hands it to the rewrite, to
  // replace the drive's record when KS.DAT is replaced.  False when it
  // could not be written.
  bool Finish(int count, ScanFileRewrite* rewrite, uint64_t linesHash);
  // After the last node, while the old nodes are still at hand: true when
  // the new nodes are the old ones, byte for byte, and `sameLines` says the
  // drive's lines are too.  The old record then stands as it is (its older
  // scan start only makes the next rescan read a little more) and nothing
  // is written; otherwise the new record is written on.
  bool KeepOld(bool sameLines);
  // Drops the new record.
  void Abandon();
  bool active() const { return begun_; }
  bool keptOld() const { return keptOld_; }

 private:
  void Flush(bool last);
  // Stops matching the old nodes: the file is made and given what was
  // matched so far.
  bool Depart();
  // Still in step with the old nodes: nothing is buffered, hashed or
  // written until the new ones depart from them.
  bool Matching() const { return !file_ && !oldNodes_.empty(); }
  int driveNumber_ = 0;
  bool begun_ = false;
  bool keptOld_ = false;
  std::string_view oldNodes_;  // while the new ones still match them
  size_t matched_ = 0;         // of their bytes, so far
  std::string header_;
  int64_t scanStart_ = 0;
  std::unique_ptr<File> file_;
  std::string tempPath_;
  std::string buffer_;
  size_t written_ = 0;
  uint64_t checksum_ = 0;
  bool failed_ = false;
  DirStamp prev_;
};
