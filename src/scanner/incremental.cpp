#include "scanner/incremental.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

#include "scanner/dir_record.h"
#include "scanner/drive_lines.h"
#include "scanner/rewrite.h"
#include "scanner/scan.h"
#include "scanner/sort.h"
#include "scanner/stat_prefetch.h"
#include "store/drive_table.h"
#include "platform/system.h"
#include "text/ascii.h"

namespace {

ScanFigures figures;
DirRecordWriter writer;
// What the drive's lines in KS.DAT hash to: when the walk gave them back
// unchanged, the record's end needs no second pass over them.
uint64_t knownLinesHash = 0;
bool recordPending = false;  // FinishDriveScan has a record to settle
int pendingDrive = 0;

// The entries of a walk through the record, from the scan list's first
// free place on: a line of the drive as loaded, by its number, or, with
// kMadeLine, the scan-list place of a path the walk made.  Most of a
// rescan's entries are old lines: four bytes each instead of a string.
constexpr uint32_t kMadeLine = 0x80000000u;
std::vector<uint32_t> lineRefs;
size_t refsFrom = 0;  // the entry lineRefs[0] stands for
bool linesByRef = false;
const DriveTree* linesDrive = nullptr;

enum class Mode { kReuse, kWhole, kPlain };

Mode RescanMode() {
  const char* text = std::getenv("KS95_RESCAN");
  std::string_view mode = text ? text : "";
  if (mode == "full") return Mode::kWhole;
  if (mode == "off") return Mode::kPlain;
  return Mode::kReuse;
}

// Sibling order in the scan file: tree order, names with equal keys by
// their bytes.
int NameCompare(std::string_view a, std::string_view b) {
  int c = CompareTreeOrder(a, b);
  return c != 0 ? c : a.compare(b);
}

// The tree-order keys of a name's first eight bytes as one number: names
// whose numbers differ compare as their numbers do (a name that ends sooner
// has zeros there, below every key of a name byte), so a sort compares
// whole names only when the numbers tie.
uint64_t KeyPrefix(std::string_view name) {
  uint64_t key = 0;
  for (size_t i = 0; i < 8; ++i) {
    unsigned char b = i < name.size() ? static_cast<unsigned char>(name[i]) : 0;
    if (b == '\\') b = 0;
    key = (key << 8) | static_cast<unsigned char>(UpperAscii(static_cast<char>(b)));
  }
  return key;
}

enum class WalkEnd { kDone, kInDoubt, kOverLimit };

struct StatResult {
  WalkStatus status = WalkStatus::kFailed;
  DirStamp stamp;
  std::string error;
  // Read by a helper right after the call; the helpers free it.
  StatPrefetch::ReadAhead* listing = nullptr;
};

// The status calls of one directory's subdirectories, shared with a helper
// thread when there are many: on most trees they are nearly all that a
// rescan of unchanged directories does.
class StatBatch {
 public:
  explicit StatBatch(bool parallel) : parallel_(parallel) {}
  ~StatBatch() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }

  void Run(WalkDir* dir, const std::vector<std::string>& names, std::vector<StatResult>* out) {
    out->assign(names.size(), StatResult());
    const size_t n = names.size();
    if (n == 0) return;
    // The first call settles the directory's descriptor; the others only
    // use it.
    Stat(dir, names, out, 0, 1);
    if (!parallel_ || n < 32 || !Started()) return Stat(dir, names, out, 1, n);
    const size_t half = (n + 1) / 2;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      dir_ = dir;
      names_ = &names;
      out_ = out;
      from_ = half;
      to_ = n;
      job_ = true;
    }
    wake_.notify_one();
    Stat(dir, names, out, 1, half);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return !job_; });
  }

 private:
  static void Stat(WalkDir* dir, const std::vector<std::string>& names,
                   std::vector<StatResult>* out, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      StatResult& r = (*out)[i];
      r.status = dir->StatChild(names[i], &r.stamp, &r.error);
    }
  }

  bool Started() {
    if (!tried_) {
      tried_ = true;
      try {
        thread_ = std::thread(&StatBatch::Work, this);
      } catch (const std::system_error&) {
        parallel_ = false;  // no thread to spare
      }
    }
    return parallel_;
  }

  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return job_ || quit_; });
      if (quit_) return;
      lock.unlock();
      Stat(dir_, *names_, out_, from_, to_);
      lock.lock();
      job_ = false;
      done_.notify_one();
    }
  }

  bool parallel_;
  bool tried_ = false;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  bool job_ = false;
  bool quit_ = false;
  WalkDir* dir_ = nullptr;
  const std::vector<std::string>* names_ = nullptr;
  std::vector<StatResult>* out_ = nullptr;
  size_t from_ = 0, to_ = 0;
};

// Depth first in scan-file order, so that the old record is read and the
// new one written front to back alongside the walk.  A directory whose
// stamp is as recorded stands in by its recorded subdirectories; any other
// is read, and its subdirectories are matched by name with the recorded
// ones, whose subtrees may still be reused.
class ReusingWalk {
 public:
  ReusingWalk(DirRecordReader* old, uint32_t excluded, bool dotHidden, bool parallel,
              StatPrefetch* prefetch)
      : old_(old), excluded_(excluded), dotHidden_(dotHidden), batch_(parallel),
        prefetch_(prefetch), lineBase_(scanner.scanList.size() - 2),
        listed_(scanner.scanList.size()), sameLines_(old != nullptr) {
    lineRefs.clear();
    refsFrom = listed_;
  }

  // Every entry so far is the old line of the same number.  While that
  // holds, the entries are not even referred to: they are the drive's lines.
  bool SameLines() const { return sameLines_; }
  // The entries held back are referred to after all.
  void GiveUpSameLines() {
    if (!sameLines_) return;
    sameLines_ = false;
    for (size_t i = refsFrom + lineRefs.size(); i < listed_; ++i)
      lineRefs.push_back(static_cast<uint32_t>(i - lineBase_));
  }

  WalkEnd Run(const std::string& rootPath, std::unique_ptr<WalkDir> root,
              const DirStamp& rootStamp, const RecordedDir* oldRoot) {
    RecordedDir node;
    node.attributes = kAttrDirectory;
    node.stamp = rootStamp;
    if (Unchanged(oldRoot, rootStamp)) {
      ++figures.reused;
      PushReused(std::move(root), rootPath, node, *oldRoot);
    } else {
      ReadAndPush(std::move(root), rootPath, node, oldRoot);
    }
    while (!stack_.empty() && !stop_ && !scanner.scanCanceled) Step();
    if (!stop_ && !scanner.scanCanceled && old_ && !old_->AtEnd()) end_ = WalkEnd::kInDoubt;
    return end_;
  }

 private:
  struct Fresh {
    size_t at;
    size_t length;
    uint32_t attributes;
    uint64_t key;  // KeyPrefix of the name
  };
  struct Frame {
    std::unique_ptr<WalkDir> dir;
    std::string path;
    bool reused = false;
    WalkEntries entries;
    std::vector<Fresh> fresh;  // recordable subdirectories, in scan-file order
    size_t next = 0;
    uint32_t oldLeft = 0;  // recorded subdirectories not yet taken
    bool havePeek = false;
    RecordedDir peek;
    // The subdirectories' status calls, made ahead by fresh index.
    std::vector<std::string> names;
    std::vector<StatResult> stats;
    // A helper's calls of the subdirectories that KS.DAT lacked, when it
    // read this directory.
    const std::vector<StatPrefetch::Fresh>* aheadFresh = nullptr;
    std::string_view FreshName(size_t i) const {
      return std::string_view(entries.names.data() + fresh[i].at, fresh[i].length);
    }
  };

  static bool Unchanged(const RecordedDir* old, const DirStamp& stamp) {
    return old && old->kind == RecordedKind::kRead && !old->reread && stamp == old->stamp;
  }

  void Doubt() {
    end_ = WalkEnd::kInDoubt;
    stop_ = true;
  }

  void Pop() {
    stack_.pop_back();
    if (!stack_.empty()) PollScanKeyboard();
  }

  void Step() {
    Frame& f = stack_.back();
    if (f.reused) {
      if (f.oldLeft == 0) return Pop();
      RecordedDir child;
      if (!old_->Next(&f.path, &child)) return Doubt();
      --f.oldLeft;
      StatResult made;
      return Child(f, child.name, child.attributes, true, &child, Ahead(child, &made));
    }
    if (!f.havePeek && f.oldLeft > 0) {
      if (!old_->Next(&f.path, &f.peek)) return Doubt();
      --f.oldLeft;
      f.havePeek = true;
    }
    if (f.next == f.fresh.size()) {
      if (!f.havePeek) return Pop();
      f.havePeek = false;
      return SkipChildren(f.peek.children);  // gone
    }
    const std::string_view name = f.FreshName(f.next);
    const uint32_t attributes = f.fresh[f.next].attributes;
    if (f.havePeek) {
      int order = NameCompare(name, f.peek.name);
      if (order > 0) {
        f.havePeek = false;
        return SkipChildren(f.peek.children);  // gone
      }
      if (order == 0) {
        f.havePeek = false;
        RecordedDir old = f.peek;
        StatResult made;
        const StatResult* pre = prefetch_ ? Ahead(old, &made) : &f.stats[f.next];
        ++f.next;
        return Child(f, name, attributes, false, &old, pre);
      }
    }
    StatResult made;
    const StatResult* pre = prefetch_ ? AheadFresh(f, name, &made) : &f.stats[f.next];
    ++f.next;
    Child(f, name, attributes, false, nullptr, pre);
  }

  // A helper's status call for a recorded subdirectory that is a line of
  // KS.DAT; null when the walk is to make it (a failed one is made again,
  // for its words).
  const StatResult* Ahead(const RecordedDir& old, StatResult* made) {
    const StatPrefetch::Stat* ahead =
        prefetch_ && old.listed ? prefetch_->Claim(old.line) : nullptr;
    return ahead ? Taken(*ahead, made) : nullptr;
  }

  // A helper's call for a subdirectory new to KS.DAT in a directory it read.
  static const StatResult* AheadFresh(const Frame& f, std::string_view name, StatResult* made) {
    if (!f.aheadFresh) return nullptr;
    auto at = std::lower_bound(
        f.aheadFresh->begin(), f.aheadFresh->end(), name,
        [](const StatPrefetch::Fresh& a, std::string_view b) { return a.name < b; });
    if (at == f.aheadFresh->end() || at->name != name) return nullptr;
    return Taken(at->stat, made);
  }

  static const StatResult* Taken(const StatPrefetch::Stat& ahead, StatResult* made) {
    made->status = ahead.status;
    made->stamp = ahead.stamp;
    made->listing = ahead.listing;
    return made;
  }

  // The status calls of a read directory's subdirectories, in one batch
  // shared with a second thread.  With helpers, and for a reused directory,
  // the walk makes its calls one by one as it goes: looking ahead for a
  // reused one's names would read every subtree's record twice.
  void StatAhead(Frame& f) {
    if (prefetch_ || f.reused) return;
    for (size_t i = 0; i < f.fresh.size(); ++i) f.names.emplace_back(f.FreshName(i));
    batch_.Run(f.dir.get(), f.names, &f.stats);
  }

  // The directory of the frame on top.  With helpers, a reused directory is
  // opened only once the walk needs it: its subdirectories' status calls are
  // mostly theirs, and opening it anyway was one open more than needed for
  // most directories of an unchanged drive.  Null when the walk stops.
  WalkDir* TopDir() {
    WalkDir* dir = stack_.back().dir.get();
    return dir ? dir : DirOf(stack_.size() - 1);
  }
  WalkDir* DirOf(size_t i) {
    Frame& f = stack_[i];
    if (f.dir || i == 0) return f.dir.get();
    WalkDir* parent = DirOf(i - 1);
    if (!parent) return nullptr;
    OpenedWalk opened = parent->OpenChild(f.path.substr(stack_[i - 1].path.size() + 1));
    if (opened.status == WalkStatus::kFailed) {
      FailScan(f.path, opened.error);
      stop_ = true;
      return nullptr;
    }
    // Reused on a status call that found it as recorded, it is no longer a
    // directory of the drive that can be read.
    if (opened.status != WalkStatus::kOk || !opened.dir) {
      Doubt();
      return nullptr;
    }
    f.dir = std::move(opened.dir);
    return f.dir.get();
  }

  // A subdirectory's status call: made ahead in its frame's batch, or now
  // by the walk; kFailed with the walk stopped when its directory could
  // not be opened.
  WalkStatus StatusOf(std::string_view name, const StatResult* pre, DirStamp* stamp,
                      std::string* error) {
    if (!pre) {
      WalkDir* dir = TopDir();
      return dir ? dir->StatChild(std::string(name), stamp, error) : WalkStatus::kFailed;
    }
    *stamp = pre->stamp;
    *error = pre->error;
    return pre->status;
  }

  // A subdirectory this scan does not list.  Hidden by its attributes, its
  // recorded subtree is kept for a scan that takes hidden directories in;
  // reusing it will check it then.
  void NotListed(RecordedDir node, WalkStatus status, const RecordedDir* old,
                 uint32_t oldChildren) {
    if (status == WalkStatus::kOk && (node.attributes & kAttrReparsePoint) == 0 && old &&
        old->kind == RecordedKind::kRead) {
      RecordedDir kept = *old;
      kept.listed = false;
      kept.attributes = node.attributes;
      writer.AddOld(kept, *old);
      return CopyChildren(oldChildren);
    }
    node.kind = RecordedKind::kLeftOut;
    writer.Add(node);
    SkipChildren(oldChildren);
  }

  // One subdirectory: its status call, then listed, reused, read or left
  // out as a full scan would.
  void Child(Frame& parent, std::string_view name, uint32_t attributes, bool fromRecord,
             const RecordedDir* old, const StatResult* pre) {
    DirStamp stamp;
    std::string error;
    const WalkStatus status = StatusOf(name, pre, &stamp, &error);
    if (stop_) return;
    // A line of KS.DAT the walk came to through its parent is its path.
    // Made only when needed: most reused directories need none.
    const bool oldLine =
        old && old->listed && old->path.size() == parent.path.size() + 1 + name.size();
    std::string path;
    auto makePath = [&] {
      if (oldLine) {
        path.assign(old->path);
      } else {
        path.reserve(parent.path.size() + 1 + name.size());
        path.append(parent.path).append(1, '\\').append(name);
      }
    };
    if (status == WalkStatus::kFailed) {
      makePath();
      FailScan(path, error);
      stop_ = true;
      return;
    }
    // A reused listing's attributes may be out of date; the status call's
    // are not.
    if (fromRecord && status == WalkStatus::kOk) attributes = stamp.attributes;
    const uint32_t oldChildren = old ? old->children : 0;
    RecordedDir node;
    node.name = name;
    node.attributes = attributes;
    const bool wanted = status != WalkStatus::kOtherDevice &&
                        (oldLine ? ScanWantsAttributes(attributes, excluded_)
                                 : ScanWants(name, attributes, excluded_, dotHidden_));
    if (!wanted) return NotListed(node, status, old, oldChildren);
    if (scanner.scanCount >= MaxDirsPerDrive) {
      end_ = WalkEnd::kOverLimit;
      stop_ = true;
      return;
    }
    ++scanner.scanCount;
    ShowScanCountNowAndThen(scanner.scanCount);
    node.listed = true;
    node.stamp = stamp;
    const bool same = status == WalkStatus::kOk && Unchanged(old, stamp);
    if (sameLines_ && (!oldLine || old->line + lineBase_ != listed_)) GiveUpSameLines();
    ++listed_;
    // Most directories end here, and their path is needed no more.
    const bool ends = status == WalkStatus::kSkip || (same && oldChildren == 0);
    if (!ends || (!sameLines_ && !oldLine)) makePath();
    if (!sameLines_) {
      if (oldLine) {
        lineRefs.push_back(old->line);
      } else {
        lineRefs.push_back(kMadeLine | static_cast<uint32_t>(scanner.scanList.size()));
        if (ends)
          scanner.scanList.push_back(std::move(path));
        else
          scanner.scanList.push_back(path);
      }
    }
    if (status == WalkStatus::kSkip) return Unreadable(&node, oldChildren);
    if (same && oldChildren == 0) {
      ++figures.reused;
      node.kind = RecordedKind::kRead;
      writer.AddOld(node, *old);
      PollScanKeyboard();
      return;
    }
    if (same && prefetch_) {
      ++figures.reused;
      return PushReused(nullptr, std::move(path), node, *old);
    }
    WalkDir* dir = TopDir();
    if (!dir) return;
    OpenedWalk opened = dir->OpenChild(std::string(name));
    if (opened.status == WalkStatus::kFailed) {
      FailScan(path, opened.error);
      stop_ = true;
      return;
    }
    // Its status call said otherwise a moment ago.
    if (opened.status == WalkStatus::kOtherDevice) return Doubt();
    if (opened.status == WalkStatus::kSkip) return Unreadable(&node, oldChildren);
    if (same) {
      ++figures.reused;
      return PushReused(std::move(opened.dir), std::move(path), node, *old);
    }
    ReadAndPush(std::move(opened.dir), std::move(path), node, old,
                pre ? pre->listing : nullptr);
  }

  void Unreadable(RecordedDir* node, uint32_t oldChildren) {
    node->kind = RecordedKind::kUnreadable;
    writer.Add(*node);
    SkipChildren(oldChildren);
    PollScanKeyboard();
  }

  void PushReused(std::unique_ptr<WalkDir> dir, std::string path, RecordedDir node,
                  const RecordedDir& old) {
    const uint32_t children = old.children;
    node.kind = RecordedKind::kRead;
    node.children = children;
    writer.AddOld(node, old);
    stack_.emplace_back();
    Frame& f = stack_.back();
    f.dir = std::move(dir);
    f.path = std::move(path);
    f.reused = true;
    f.oldLeft = children;
    StatAhead(f);
  }

  // `listing` is what a helper read of the directory, if anything.
  void ReadAndPush(std::unique_ptr<WalkDir> dir, std::string path, RecordedDir node,
                   const RecordedDir* old, StatPrefetch::ReadAhead* listing = nullptr) {
    stack_.emplace_back();
    Frame& f = stack_.back();
    f.dir = std::move(dir);
    f.path = std::move(path);
    std::string error;
    WalkStatus status = WalkStatus::kOk;
    if (listing) {
      f.entries = std::move(listing->entries);
      f.aheadFresh = &listing->fresh;
    }
    else
      status = f.dir->Read(&f.entries, &error);
    if (status == WalkStatus::kFailed) {
      FailScan(f.path, error);
      stop_ = true;
      return;
    }
    ++figures.read;
    const bool atRoot = stack_.size() == 1;
    size_t at = 0;
    for (uint32_t attributes : f.entries.attributes) {
      const std::string_view name(f.entries.names.data() + at);
      bool leftOut = false;
      if (ScanStorable(name, attributes, excluded_, dotHidden_, atRoot, &leftOut))
        f.fresh.push_back(Fresh{at, name.size(), attributes, KeyPrefix(name)});
      // The record cannot hold what was left out: such a directory is read
      // again next time, so that every scan counts it.
      if (leftOut) node.reread = true;
      at += name.size() + 1;
    }
    std::sort(f.fresh.begin(), f.fresh.end(), [&f](const Fresh& a, const Fresh& b) {
      if (a.key != b.key) return a.key < b.key;
      return NameCompare(std::string_view(f.entries.names.data() + a.at, a.length),
                         std::string_view(f.entries.names.data() + b.at, b.length)) < 0;
    });
    node.kind = status == WalkStatus::kOk ? RecordedKind::kRead : RecordedKind::kUnreadable;
    node.children = static_cast<uint32_t>(f.fresh.size());
    writer.Add(node);
    if (old && old->kind == RecordedKind::kRead) f.oldLeft = old->children;
    StatAhead(f);
  }

  // Passes over recorded subtrees that are gone or no longer wanted.
  void SkipChildren(uint64_t count) {
    RecordedDir dir;
    while (count > 0) {
      if (!old_->Next(nullptr, &dir)) return Doubt();
      count += dir.children;
      --count;
    }
  }

  void CopyChildren(uint64_t count) {
    RecordedDir dir;
    while (count > 0) {
      if (!old_->Next(nullptr, &dir)) return Doubt();
      RecordedDir kept = dir;
      kept.listed = false;
      writer.AddOld(kept, dir);
      count += dir.children;
      --count;
    }
  }

  DirRecordReader* old_;
  uint32_t excluded_;
  bool dotHidden_;
  StatBatch batch_;
  StatPrefetch* prefetch_;
  std::deque<Frame> stack_;  // frames stay where they are as it grows
  size_t lineBase_;  // line n of the drive is entry n + lineBase_ when unchanged
  size_t listed_;    // the number of the next entry
  bool sameLines_;
  bool stop_ = false;
  WalkEnd end_ = WalkEnd::kDone;
};

std::string RootOf(int driveNumber) { return std::string(1, DriveLetter(driveNumber)) + ":"; }

void ScanPlain(const std::string& root, const char* why) {
  const int before = scanner.scanCount;
  ScanDirectory(root);
  figures.whole = true;
  figures.why = why;
  figures.read = scanner.scanCount - before + 1;
  figures.reused = 0;
}

// One walk of the drive, through the record `old` where there is one, with
// `prefetch` working ahead on its lines, if any.
// `sameLines` tells whether it gave back the drive's lines as they were;
// the scan list then holds none of them.
WalkEnd WalkOnce(const std::string& root, std::unique_ptr<WalkDir> dir, const DirStamp& rootStamp,
                 DirRecordReader* old, const RecordedDir* oldRoot, const DriveTree& drive,
                 uint32_t excluded, bool dotHidden, StatPrefetch* prefetch, bool* sameLines) {
  // With helpers the walk's own batch stays on its thread.
  ReusingWalk walk(old, excluded, dotHidden, ScanThreadCount() > 1 && !prefetch, prefetch);
  const WalkEnd end = walk.Run(root, std::move(dir), rootStamp, oldRoot);
  // A walk that gave back fewer lines, or others, refers to those it held back.
  *sameLines = walk.SameLines() && scanner.scanCount == drive.StoredCount();
  if (!*sameLines) walk.GiveUpSameLines();
  return end;
}

// What a walk that must start over had found.
void DropWalk(size_t start, int startCount) {
  scanner.scanList.resize(start);
  lineRefs.clear();
  scanner.scanCount = startCount;
  figures = ScanFigures();
  BeginScanProgress();  // the left-out counts start again with the walk
  writer.Abandon();
}

}  // namespace

const ScanFigures& LastScanFigures() { return figures; }

void ScanDriveReusing(int driveNumber) {
  figures = ScanFigures();
  writer.Abandon();
  recordPending = false;
  linesByRef = false;
  linesDrive = &Drive(driveNumber);
  const std::string root = RootOf(driveNumber);
  const Mode mode = RescanMode();
  const int64_t now = theSystem->StampClock();
  if (mode == Mode::kPlain) return ScanPlain(root, "KS95_RESCAN=off");
  if (now == 0) return ScanPlain(root, "no directory times");

  BeginScanProgress();
  const uint32_t excluded = (kAttrHidden | kAttrSystem | kAttrVolume | kAttrDirectory) &
                            ~static_cast<uint32_t>(scanner.scanAttributes);
  const bool dotHidden = scanner.dotNamesHidden;
  const size_t start = scanner.scanList.size();
  const int startCount = scanner.scanCount;

  DirRecordReader old;
  bool haveOld = false;
  std::unique_ptr<StatPrefetch> prefetch;
  if (mode == Mode::kWhole) {
    figures.why = "KS95_RESCAN=full";
  } else {
    // The helpers need only the drive's lines: they start while the record
    // is read, and are stopped should it not serve.
    if (ScanThreadCount() > 1)
      prefetch = std::make_unique<StatPrefetch>(Drive(driveNumber), root, ScanThreadCount() - 1);
    haveOld = old.Load(driveNumber, Drive(driveNumber), now, &figures.why);
    if (prefetch) prefetch->FreeHelpers();
    // Sized once for about what the record holds: growing by doubling would
    // copy the list again and again, and hold two copies at the end.
    if (haveOld) {
      // What changed since the last scan, or too close to it to be trusted,
      // is what the walk will read.
      if (prefetch) prefetch->ReadChangedSince(old.ScanStart() - RacyWindowNs);
      const size_t lines = static_cast<size_t>(Drive(driveNumber).StoredCount());
      lineRefs.reserve(lines + lines / 16 + 16);
    }
  }
  recordPending = true;
  pendingDrive = driveNumber;
  for (;;) {
    OpenedWalk opened = theSystem->OpenWalk(root);
    if (opened.status == WalkStatus::kFailed) return FailScan(root, opened.error);
    DirStamp rootStamp;
    if (opened.status != WalkStatus::kOk || !opened.dir->Stamp(&rootStamp)) {
      // An unreadable root is the root alone; no record stands for it.
      writer.Abandon();
      return ScanPlain(root, "root unreadable");
    }
    RecordedDir oldRoot;
    if (haveOld && (!old.Next(nullptr, &oldRoot) || oldRoot.kind != RecordedKind::kRead ||
                    oldRoot.stamp.device != rootStamp.device || oldRoot.stamp.id != rootStamp.id)) {
      haveOld = false;
      figures.why = "another root";
    }
    if (!haveOld) prefetch.reset();
    writer.Begin(driveNumber, now, haveOld ? old.Nodes() : std::string_view());
    bool sameLines = false;
    const WalkEnd end =
        WalkOnce(root, std::move(opened.dir), rootStamp, haveOld ? &old : nullptr,
                 haveOld ? &oldRoot : nullptr, Drive(driveNumber), excluded, dotHidden,
                 prefetch.get(), &sameLines);
    prefetch.reset();
    if (end == WalkEnd::kDone) {
      linesByRef = true;
      figures.sameLines = sameLines;
      knownLinesHash = old.DriveLinesHash();
      writer.KeepOld(sameLines && !scanner.scanCanceled);
      break;
    }
    DropWalk(start, startCount);
    // Past the limit, which directories are kept depends on the order of the
    // walk: the plain walk decides, and there is no record of a cut tree.
    if (end == WalkEnd::kOverLimit) return ScanPlain(root, "limit reached");
    haveOld = false;
    figures.why = "record in doubt";
  }
  figures.whole = !haveOld;
  figures.inOrder = true;
  EndScanProgress();
}

std::string_view ScannedLine(int entry) {
  const size_t i = static_cast<size_t>(entry);
  if (i < refsFrom || !linesByRef) return scanner.scanList[i];
  if (figures.sameLines) return linesDrive->paths[i - refsFrom + 2];
  const uint32_t ref = lineRefs[i - refsFrom];
  return ref & kMadeLine ? std::string_view(scanner.scanList[ref & ~kMadeLine])
                         : linesDrive->paths[ref];
}

void WriteScannedLines(ScanFileRewrite* rewrite, std::string_view stamp) {
  struct Lines {
    std::string_view operator[](size_t i) const { return ScannedLine(static_cast<int>(i)); }
  };
  WriteDriveLines(rewrite, Lines(), scanner.scanCount, stamp);
}

static uint64_t HashScannedLines() {
  LinesHasher h;
  for (int i = 2; i <= scanner.scanCount; ++i) h.Add(ScannedLine(i));
  return h.value();
}

void FinishDriveScan(ScanFileRewrite* rewrite) {
  if (!recordPending) return;
  recordPending = false;
  // A cut or failed scan leaves no record: the old one would describe other
  // lines.
  bool handed = false;
  if (!scanner.scanCanceled && ScanFailure().empty() && writer.keptOld())
    handed = true;
  else if (!scanner.scanCanceled && ScanFailure().empty() && writer.active())
    handed = writer.Finish(scanner.scanCount, rewrite,
                           figures.sameLines ? knownLinesHash : HashScannedLines());
  else
    writer.Abandon();
  if (!handed) rewrite->records.push_back({std::string(), DirRecordPath(pendingDrive)});
}
