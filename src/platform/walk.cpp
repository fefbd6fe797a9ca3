// The scan's directory walk over the path-based enumeration, for systems
// without a walk of their own.
#include "platform/system.h"

namespace {

class PathWalkDir : public WalkDir {
 public:
  PathWalkDir(System* system, std::string path, std::unique_ptr<DirReader> reader)
      : system_(system), path_(std::move(path)), reader_(std::move(reader)) {}

  WalkStatus Read(WalkEntries* entries, std::string*) override {
    entries->names.clear();
    entries->attributes.clear();
    DirEntry entry;
    while (reader_->Next(&entry)) {
      if ((entry.attributes & kAttrDirectory) == 0) continue;
      if (entry.name == "." || entry.name == "..") continue;
      entries->names.append(entry.name).push_back('\0');
      entries->attributes.push_back(entry.attributes);
    }
    reader_.reset();
    return WalkStatus::kOk;
  }

  OpenedWalk OpenChild(const std::string& name) override {
    return system_->OpenWalk(path_ + "\\" + name);
  }

  bool Stamp(DirStamp* stamp) override { return system_->StatDirectory(path_, stamp); }

  WalkStatus StatChild(const std::string& name, DirStamp* stamp, std::string* error) override {
    if (system_->StatDirectory(path_ + "\\" + name, stamp)) return WalkStatus::kOk;
    *stamp = DirStamp();
    error->clear();
    return WalkStatus::kSkip;
  }

 private:
  System* system_;
  std::string path_;
  std::unique_ptr<DirReader> reader_;
};

}  // namespace

OpenedWalk System::OpenWalk(const std::string& path) {
  // The path enumeration cannot tell a denied folder from a failing one;
  // both are taken as unreadable, as they always were.
  OpenedWalk opened;
  std::unique_ptr<DirReader> reader = OpenDirectory(path);
  if (!reader)
    opened.status = WalkStatus::kSkip;
  else
    opened.dir = std::make_unique<PathWalkDir>(this, path, std::move(reader));
  return opened;
}
