#include "scanner/stat_prefetch.h"

#include <algorithm>
#include <memory>
#include <new>
#include <type_traits>
#include <system_error>

#include "store/drive_table.h"

namespace {

// The block of calls is freed without running destructors: a call holds
// plain data and a pointer into the prefetch's own list.
static_assert(std::is_trivially_destructible<StatPrefetch::Stat>::value, "plain data");

}  // namespace

uint32_t PrefetchChunkLines = kDefaultPrefetchChunk;

// One helper's open directories: the chain from the root down to the
// parent of the line it works on, kept for the next line, which mostly has
// the same parent.
class StatPrefetch::Helper {
 public:
  explicit Helper(StatPrefetch* owner) : owner_(owner) {}

  void Run() {
    uint32_t c;
    while (!Quit() && owner_->TakeAhead(&c)) {
      const uint32_t from = owner_->first_ + c * owner_->chunk_;
      const uint32_t to = std::min(from + owner_->chunk_, owner_->end_);
      // Made here, in the chunk's place in the block.
      Stat* stats = owner_->stats_.get() + size_t{owner_->slot_[c]} * owner_->chunk_;
      std::uninitialized_value_construct_n(stats, to - from);
      std::atomic<uint32_t>& made = owner_->made_[c];
      for (uint32_t line = from; line < to && !Quit(); ++line) {
        Make(line, &stats[line - from]);
        // Each call is handed over as soon as it is made; once the walk has
        // caught up, the rest of the chunk is its own.
        if (made.fetch_add(1, std::memory_order_acq_rel) & kLeftToWalk) break;
      }
    }
  }

 private:
  bool Quit() const { return owner_->quit_.load(std::memory_order_relaxed); }

  // The status call for `line`, and its listing when it changed lately; a
  // line whose parent cannot be opened is left kFailed, for the walk.
  void Make(uint32_t line, Stat* s) {
    const std::string_view path = owner_->drive_.paths[line];
    const size_t slash = LastBackslash(path);
    if (slash == std::string_view::npos || slash + 1 == path.size()) return;
    WalkDir* dir = Open(path.substr(0, slash));
    if (!dir) return;
    name_.assign(path.substr(slash + 1));
    s->status = dir->StatChild(name_, &s->stamp, &error_);
    const int64_t since = owner_->since_.load(std::memory_order_relaxed);
    if (s->status == WalkStatus::kOk && (s->stamp.modified >= since || s->stamp.changed >= since))
      ReadChanged(dir, line, s);
  }

  // The listing of the subdirectory just looked at (`line`), as the walk
  // would read it after the same status call; and the subdirectories in it
  // that KS.DAT does not hold under it, which the walk would look at and
  // read next.
  void ReadChanged(WalkDir* parent, uint32_t line, Stat* s) {
    OpenedWalk opened = parent->OpenChild(name_);
    if (opened.status != WalkStatus::kOk || !opened.dir) return;
    auto listing = std::make_unique<ReadAhead>();
    std::string error;
    if (opened.dir->Read(&listing->entries, &error) != WalkStatus::kOk) return;
    if (!owner_->Budget(listing->entries.names.size() + 4 * listing->entries.attributes.size()))
      return;
    // The lines right below it are its subtree: its own subdirectories are
    // those one level down.
    const std::string_view path = owner_->drive_.paths[line];
    known_.clear();
    for (uint32_t k = line + 1; k < owner_->end_; ++k) {
      const std::string_view below = owner_->drive_.paths[k];
      if (below.size() <= path.size() + 1 || below.compare(0, path.size(), path) != 0 ||
          below[path.size()] != '\\')
        break;
      const std::string_view rest = below.substr(path.size() + 1);
      if (rest.find('\\') == std::string_view::npos) known_.push_back(rest);
    }
    std::sort(known_.begin(), known_.end());
    const WalkEntries& entries = listing->entries;
    size_t at = 0;
    for (size_t i = 0; i < entries.attributes.size(); ++i) {
      const std::string_view name(entries.names.data() + at);
      at += name.size() + 1;
      if (name.empty() || std::binary_search(known_.begin(), known_.end(), name)) continue;
      // A folder that gained a great many is left to the walk past the budget.
      if (!owner_->Budget(sizeof(Fresh) + name.size())) break;
      Fresh fresh{std::string(name), Stat()};
      fresh.stat.status = opened.dir->StatChild(fresh.name, &fresh.stat.stamp, &error);
      if (fresh.stat.status == WalkStatus::kFailed) continue;
      if (fresh.stat.status == WalkStatus::kOk) {
        OpenedWalk child = opened.dir->OpenChild(fresh.name);
        auto read = std::make_unique<ReadAhead>();
        if (child.status == WalkStatus::kOk && child.dir &&
            child.dir->Read(&read->entries, &error) == WalkStatus::kOk &&
            owner_->Budget(read->entries.names.size() + 4 * read->entries.attributes.size()))
          fresh.stat.listing = owner_->Keep(std::move(read));
      }
      listing->fresh.push_back(std::move(fresh));
    }
    std::sort(listing->fresh.begin(), listing->fresh.end(),
              [](const Fresh& a, const Fresh& b) { return a.name < b.name; });
    s->listing = owner_->Keep(std::move(listing));
  }

  // The directory at `parent` ("D:" or "D:\a\b"), opened down from the
  // deepest one the chain shares with it; null when it cannot be opened.
  WalkDir* Open(std::string_view parent) {
    if (parent == path_) return broken_ ? nullptr : chain_.back().second.get();
    size_t same = 0;
    const size_t n = std::min(parent.size(), path_.size());
    while (same < n && parent[same] == path_[same]) ++same;
    // Levels end where their path does; one is kept when the new parent
    // goes on below it.
    while (!chain_.empty()) {
      const size_t end = chain_.back().first;
      if (end <= same && (end == parent.size() || parent[end] == '\\')) break;
      chain_.pop_back();
    }
    path_.assign(parent);
    size_t at = chain_.empty() ? 0 : chain_.back().first;
    while (at < parent.size()) {
      OpenedWalk opened;
      if (chain_.empty()) {
        at = parent.find('\\');
        if (at == std::string_view::npos) at = parent.size();
        if (std::string_view(parent.data(), at) != owner_->rootPath_) break;
        opened = theSystem->OpenWalk(owner_->rootPath_);
      } else {
        size_t next = parent.find('\\', at + 1);
        if (next == std::string_view::npos) next = parent.size();
        opened = chain_.back().second->OpenChild(std::string(parent.substr(at + 1, next - at - 1)));
        at = next;
      }
      if (opened.status != WalkStatus::kOk || !opened.dir) break;
      chain_.emplace_back(at, std::move(opened.dir));
    }
    // Not tried again for its other subdirectories: the walk will say why.
    broken_ = chain_.empty() || chain_.back().first != parent.size();
    return broken_ ? nullptr : chain_.back().second.get();
  }

  StatPrefetch* owner_;
  std::string path_;  // the parent last asked for
  bool broken_ = false;  // it could not be opened
  std::string name_;
  std::string error_;
  std::vector<std::string_view> known_;
  // Each opened directory with the length of its path.
  std::vector<std::pair<size_t, std::unique_ptr<WalkDir>>> chain_;
};

StatPrefetch::StatPrefetch(const DriveTree& drive, std::string rootPath, int helpers)
    : drive_(drive), rootPath_(std::move(rootPath)) {
  const int count = drive.StoredCount();
  if (count >= 2) end_ = static_cast<uint32_t>(count) + 1;
  budget_.store(8 * static_cast<int64_t>(end_), std::memory_order_relaxed);
  chunks_ = (end_ - first_ + chunk_ - 1) / chunk_;
  // One block with room for every chunk, left unmade: a chunk's calls cost
  // no allocation of their own, and the helpers fill it from the front in
  // the order they take chunks, so only their chunks take memory.
  stats_.reset(static_cast<Stat*>(::operator new(sizeof(Stat) * chunks_ * chunk_)));
  slot_ = std::make_unique<uint32_t[]>(chunks_);
  whose_ = std::make_unique<std::atomic<uint8_t>[]>(chunks_);
  made_ = std::make_unique<std::atomic<uint32_t>[]>(chunks_);
  for (uint32_t c = 0; c < chunks_; ++c) {
    whose_[c].store(kFree, std::memory_order_relaxed);
    made_[c].store(0, std::memory_order_relaxed);
  }
  if (chunks_ == 0) return;
  for (int i = 0; i < std::max(helpers, 1); ++i) {
    try {
      threads_.emplace_back([this] { Helper(this).Run(); });
      theSystem->PlaceThread(threads_.back(), i);
    } catch (const std::system_error&) {
      break;  // no thread to spare: the walk makes every call itself
    }
  }
}

void StatPrefetch::FreeHelpers() {
  for (std::thread& t : threads_) theSystem->FreeThread(t);
}

StatPrefetch::~StatPrefetch() {
  quit_.store(true, std::memory_order_relaxed);
  for (std::thread& t : threads_) t.join();
}

bool StatPrefetch::TakeAhead(uint32_t* chunk) {
  uint32_t c = std::max(helpersNext_.load(std::memory_order_relaxed),
                        walkChunk_.load(std::memory_order_relaxed) + kAhead);
  for (; c < chunks_; ++c) {
    uint8_t free = kFree;
    if (whose_[c].compare_exchange_strong(free, kHelpers, std::memory_order_acq_rel)) {
      slot_[c] = slotsTaken_.fetch_add(1, std::memory_order_relaxed);
      helpersNext_.store(c + 1, std::memory_order_relaxed);
      *chunk = c;
      return true;
    }
  }
  return false;
}

bool StatPrefetch::Budget(size_t bytes) {
  return budget_.fetch_sub(static_cast<int64_t>(bytes), std::memory_order_relaxed) >=
         static_cast<int64_t>(bytes);
}

StatPrefetch::ReadAhead* StatPrefetch::Keep(std::unique_ptr<ReadAhead> listing) {
  std::lock_guard<std::mutex> lock(keptMutex_);
  kept_.push_back(std::move(listing));
  return kept_.back().get();
}

StatPrefetch::Stat* StatPrefetch::Claim(uint32_t line) {
  if (line < first_ || line >= end_) return nullptr;
  const uint32_t c = (line - first_) / chunk_;
  if (c != walkSeen_) {
    walkSeen_ = c;
    walkMade_ = 0;
    walkTookRest_ = false;
    walkChunk_.store(c, std::memory_order_relaxed);
    uint8_t free = kFree;
    if (whose_[c].compare_exchange_strong(free, kWalks, std::memory_order_acq_rel))
      walkTookRest_ = true;
  }
  const uint32_t at = (line - first_) % chunk_;
  if (at >= walkMade_) {
    if (walkTookRest_) return nullptr;
    walkMade_ = made_[c].load(std::memory_order_acquire);
    // Waiting for the helper would idle the walk, the slower of the two:
    // the walk makes the rest itself, at worst one call twice.
    if (at >= walkMade_) {
      walkMade_ = made_[c].fetch_or(kLeftToWalk, std::memory_order_acq_rel) & ~kLeftToWalk;
      walkTookRest_ = true;
      if (at >= walkMade_) return nullptr;
    }
  }
  Stat& s = stats_.get()[size_t{slot_[c]} * chunk_ + at];
  return s.status == WalkStatus::kFailed ? nullptr : &s;
}
