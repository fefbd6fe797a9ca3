#include "scanner/stat_prefetch.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "scanner/scan.h"

namespace {

constexpr uint32_t kUnset = UINT32_MAX;
constexpr uint32_t kNone = RecordedDir::kNoFamily;

uint64_t Pack(uint32_t front, uint32_t back) {
  return (static_cast<uint64_t>(front) << 32) | back;
}
uint32_t Front(uint64_t range) { return static_cast<uint32_t>(range >> 32); }
uint32_t Back(uint64_t range) { return static_cast<uint32_t>(range); }

}  // namespace

// One helper's open directories: the chain from the root down to the
// listing it works on, kept for the next one, which is mostly a sibling.
class StatPrefetch::Helper {
 public:
  explicit Helper(StatPrefetch* owner) : owner_(owner) {}

  void Run() {
    uint32_t k;
    while (!owner_->quit_.load(std::memory_order_relaxed) && owner_->TakeFromBack(&k)) {
      Family& f = owner_->families_[k];
      WalkDir* dir = f.wanted ? Open(k) : nullptr;
      if (dir) {
        auto stats = std::make_unique<Stat[]>(f.count);
        std::string name, error;
        for (uint32_t i = 0; i < f.count && !owner_->quit_.load(std::memory_order_relaxed); ++i) {
          name.assign(owner_->names_[f.first + i]);
          stats[i].status = dir->StatChild(name, &stats[i].stamp, &error);
        }
        f.stats = std::move(stats);
        f.listing = Listing{&owner_->names_[f.first], f.stats.get(), f.count};
      }
      owner_->done_[k].store(true, std::memory_order_release);
    }
  }

 private:
  WalkDir* Open(uint32_t k) {
    std::vector<uint32_t> line;
    for (uint32_t f = k; f != kNone; f = owner_->families_[f].parent) line.push_back(f);
    std::reverse(line.begin(), line.end());
    size_t keep = 0;
    while (keep < chain_.size() && keep < line.size() && chain_[keep].first == line[keep]) ++keep;
    chain_.resize(keep);
    for (size_t i = keep; i < line.size(); ++i) {
      OpenedWalk opened =
          i == 0 ? theSystem->OpenWalk(owner_->rootPath_)
                 : chain_.back().second->OpenChild(std::string(owner_->families_[line[i]].name));
      if (opened.status != WalkStatus::kOk || !opened.dir) return nullptr;
      chain_.emplace_back(line[i], std::move(opened.dir));
    }
    return chain_.empty() ? nullptr : chain_.back().second.get();
  }

  StatPrefetch* owner_;
  std::vector<std::pair<uint32_t, std::unique_ptr<WalkDir>>> chain_;
};

StatPrefetch::StatPrefetch(const DirRecordReader& record, const DirRecordReader::Place& start,
               std::string rootPath, uint32_t excluded,
                     bool dotHidden, int helpers)
    : record_(record),
      rootPath_(std::move(rootPath)),
      excluded_(excluded),
      dotHidden_(dotHidden),
      helpers_(std::max(helpers, 1)),
      range_(Pack(0, kUnset)) {
  record_.GoTo(start);
  try {
    threads_.emplace_back(&StatPrefetch::Work, this);
  } catch (const std::system_error&) {
    // No thread to spare: the walk makes every call itself.
  }
}

StatPrefetch::~StatPrefetch() {
  quit_.store(true, std::memory_order_relaxed);
  for (std::thread& t : threads_) t.join();
}

// Goes through the record once to find each listing's place and names.
void StatPrefetch::Prepare() {
  struct Open {
    uint32_t family;
    uint32_t taken;
  };
  std::vector<Open> stack;
  RecordedDir d;
  while (record_.Next(nullptr, &d)) {
    if (quit_.load(std::memory_order_relaxed)) return families_.clear();
    uint32_t parent = kNone;
    bool parentWanted = true;
    if (!stack.empty()) {
      Open& top = stack.back();
      Family& p = families_[top.family];
      names_[p.first + top.taken++] = d.name;
      parent = top.family;
      parentWanted = p.wanted;
      if (top.taken == p.count) stack.pop_back();
    }
    if (d.family == kNone) continue;
    if (d.family != families_.size()) return families_.clear();
    Family f;
    f.parent = parent;
    f.name = d.name;
    f.first = static_cast<uint32_t>(names_.size());
    f.count = d.children;
    f.wanted = parentWanted &&
               (parent == kNone || ScanWants(d.name, d.attributes, excluded_, dotHidden_));
    f.listing = Listing{nullptr, nullptr, 0};
    families_.push_back(std::move(f));
    names_.resize(names_.size() + d.children);
    stack.push_back(Open{d.family, 0});
  }
  // A record that does not fit is the walk's to find out; nothing is done
  // ahead for it.
  if (!stack.empty() || !record_.AtEnd()) families_.clear();
}

void StatPrefetch::Work() {
  Prepare();
  done_ = std::make_unique<std::atomic<bool>[]>(families_.size());
  for (size_t i = 0; i < families_.size(); ++i) done_[i].store(false, std::memory_order_relaxed);
  std::vector<std::thread> more;
  for (int i = 1; i < helpers_; ++i) {
    try {
      more.emplace_back([this] { Helper(this).Run(); });
    } catch (const std::system_error&) {
      break;
    }
  }
  Helper(this).Run();
  for (std::thread& t : more) t.join();
}

bool StatPrefetch::TakeFromBack(uint32_t* family) {
  uint64_t range = range_.load(std::memory_order_acquire);
  for (;;) {
    uint32_t back = Back(range);
    if (back == kUnset) back = static_cast<uint32_t>(families_.size());
    if (back == 0 || back - 1 < Front(range)) return false;
    if (range_.compare_exchange_weak(range, Pack(Front(range), back - 1),
                                     std::memory_order_acq_rel)) {
      *family = back - 1;
      return true;
    }
  }
}

const StatPrefetch::Listing* StatPrefetch::Claim(uint32_t family) {
  if (family == kNone) return nullptr;
  uint64_t range = range_.load(std::memory_order_acquire);
  while (family < Back(range)) {
    const uint64_t taken = Pack(std::max(Front(range), family + 1), Back(range));
    if (range_.compare_exchange_weak(range, taken, std::memory_order_acq_rel)) return nullptr;
  }
  // A helper has it; it is at most one listing's calls away.
  if (family >= families_.size()) return nullptr;
  while (!done_[family].load(std::memory_order_acquire)) std::this_thread::yield();
  const Family& f = families_[family];
  return f.stats ? &f.listing : nullptr;
}
