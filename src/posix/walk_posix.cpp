// Each directory is opened relative to its parent's descriptor and read in
// large batches; an entry costs a stat only when the file system does not
// say its type.  Descriptors are kept open for opening children only while
// a process-wide budget allows, so no depth can run the process out of
// them; a directory whose parent's descriptor was given up is reached by
// opening the names from its nearest open ancestor one by one.
#include "posix/walk_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/openat2.h>
#include <sys/syscall.h>
#endif
#include <climits>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unordered_set>
#include <vector>

namespace {

constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::atomic<int> keptDescriptors{0};

// A quarter of the descriptors the process may open, at most 256: deeper
// levels are reopened on demand.
int DescriptorBudget() {
  static const int budget = [] {
    struct rlimit limit;
    long cur = 1024;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
      cur = static_cast<long>(limit.rlim_cur);
    return static_cast<int>(std::clamp((cur - 32) / 4, 0L, 256L));
  }();
  return budget;
}

struct Node {
  std::shared_ptr<Node> parent;  // null at the walk's root
  std::string name;              // the root's host path at the root
  int fd = -1;
  bool kept = false;
  ~Node() {
    if (fd >= 0) ::close(fd);
    if (kept) keptDescriptors.fetch_sub(1, std::memory_order_relaxed);
  }
};

// Which mounted file system a directory is on.  The mount's own number
// tells a bind mount of the same device apart; the device is what is left
// where the system does not give that number.
struct Mount {
  dev_t device = 0;
  uint64_t id = 0;
  bool hasId = false;
  bool operator!=(const Mount& o) const {
    return device != o.device || (hasId && o.hasId && id != o.id);
  }
};

bool MountOf(int fd, Mount* mount) {
#if defined(__linux__) && defined(STATX_MNT_ID)
  struct statx sx;
  if (statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &sx) == 0) {
    mount->device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    mount->hasId = (sx.stx_mask & STATX_MNT_ID) != 0;
    mount->id = sx.stx_mnt_id;
    return true;
  }
  if (errno != ENOSYS) return false;
#endif
  struct stat st;
  if (fstat(fd, &st) != 0) return false;
  mount->device = st.st_dev;
  return true;
}

// A folder whose mount cannot be told is not walked: *fd is closed and set
// to -1, with the errno that says why.
void KeepIfMountKnown(int* fd, Mount* mount) {
  if (*fd < 0 || MountOf(*fd, mount)) return;
  int err = errno;
  ::close(*fd);
  *fd = -1;
  errno = err;
}

// What every directory of one walk compares itself with.  Only a name that
// some mount point below the root carries is worth asking about its mount:
// that spares a system call per directory.  Without the mount table every
// directory is asked.
struct WalkRoot {
  Mount mount;
  bool askEvery = true;
  std::unordered_set<std::string> mountNames;
  // Most drives have no mount point below them: no name is hashed then.
  bool MayMount(const std::string& name) const {
    return askEvery || (!mountNames.empty() && mountNames.count(name) != 0);
  }
};

// The mount table's names are escaped as octal (\040 for a blank).
std::string Unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && isdigit(static_cast<unsigned char>(text[i + 1]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

void ReadMountNames(const std::string& rootPath, WalkRoot* root) {
#ifdef __linux__
  std::ifstream table("/proc/self/mountinfo");
  if (!table) return;
  std::string prefix = rootPath == "/" ? "/" : rootPath + "/";
  std::string line;
  while (std::getline(table, line)) {
    // Fields: id, parent id, major:minor, root, mount point, ...
    std::istringstream fields(line);
    std::string skip, point;
    if (!(fields >> skip >> skip >> skip >> skip >> point)) return;
    point = Unescaped(point);
    if (point.size() <= prefix.size() || point.compare(0, prefix.size(), prefix) != 0) continue;
    root->mountNames.insert(point.substr(point.rfind('/') + 1));
  }
  root->askEvery = false;
#else
  (void)rootPath;
  (void)root;
#endif
}

std::string ErrorText(int err) { return std::generic_category().message(err); }

// Denied, gone, or turned into a file or a link since it was listed: the
// scan lists it and goes on.  Anything else (no descriptors left, an I/O
// error) would leave a hole in the tree.
WalkStatus StatusOf(int err, std::string* error) {
  switch (err) {
    case EACCES:
    case EPERM:
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
      return WalkStatus::kSkip;
    default:
      *error = ErrorText(err);
      return WalkStatus::kFailed;
  }
}

OpenedWalk NotOpened(WalkStatus status) {
  OpenedWalk opened;
  opened.status = status;
  return opened;
}

OpenedWalk NotOpened(int err) {
  OpenedWalk opened;
  opened.status = StatusOf(err, &opened.error);
  return opened;
}

int OpenThroughAncestors(const Node* node, const std::string& name) {
  std::vector<const std::string*> names{&name};
  while (node->fd < 0 && node->parent) {
    names.push_back(&node->name);
    node = node->parent.get();
  }
  int dir = node->fd;
  bool own = false;
  if (dir < 0) {
    dir = ::open(node->name.c_str(), kOpenFlags & ~O_NOFOLLOW);
    if (dir < 0) return -1;
    own = true;
  }
#if defined(__linux__) && defined(SYS_openat2)
  // All the names in one call where the kernel can refuse every link on
  // the way: the name-by-name walk below costs one call per level.
  std::string relative;
  for (size_t i = names.size(); i-- > 0;) relative.append(*names[i]).append(i ? "/" : "");
  if (relative.size() < PATH_MAX) {
    struct open_how how = {};
    how.flags = kOpenFlags;
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;
    int fd = static_cast<int>(syscall(SYS_openat2, dir, relative.c_str(), &how, sizeof how));
    int err = errno;
    if (fd >= 0 || (err != ENOSYS && err != EAGAIN && err != EINVAL && err != E2BIG)) {
      if (own) ::close(dir);
      errno = err;  // EXDEV: the name is a mount point
      return fd;
    }
  }
#endif
  for (size_t i = names.size(); i-- > 0;) {
    int next = ::openat(dir, names[i]->c_str(), kOpenFlags);
    int err = errno;
    if (own) ::close(dir);
    if (next < 0) {
      errno = err;
      return -1;
    }
    dir = next;
    own = true;
  }
  return dir;
}

struct LinuxDirent64 {
  uint64_t ino;
  int64_t off;
  unsigned short reclen;
  unsigned char type;
  char name[1];
};

class PosixWalkDir : public WalkDir {
 public:
  PosixWalkDir(std::shared_ptr<Node> node, std::shared_ptr<const WalkRoot> root)
      : node_(std::move(node)), root_(std::move(root)) {}

  WalkStatus Read(WalkEntries* entries, std::string* error) override {
    entries->names.clear();
    entries->attributes.clear();
    int err = ReadEntries(entries);
    Node& node = *node_;
    settled_ = true;
    if (err != 0 || entries->attributes.empty() ||
        keptDescriptors.fetch_add(1, std::memory_order_relaxed) >= DescriptorBudget()) {
      if (err == 0 && !entries->attributes.empty())
        keptDescriptors.fetch_sub(1, std::memory_order_relaxed);
      ::close(node.fd);
      node.fd = -1;
    } else {
      node.kept = true;
    }
    if (err == 0) return WalkStatus::kOk;
    entries->names.clear();
    entries->attributes.clear();
    return StatusOf(err, error);
  }

  bool Stamp(DirStamp* stamp) override {
    int fd = OwnDescriptor();
    if (fd < 0) return false;
    bool ok = StampAt(fd, "", AT_EMPTY_PATH, false, stamp, nullptr);
    if (fd != node_->fd) ::close(fd);
    return ok;
  }

  WalkStatus StatChild(const std::string& name, DirStamp* stamp, std::string* error) override {
    Settle();
    int fd = OwnDescriptor();
    if (fd < 0) return StatusOf(errno, error);
    const bool ask = root_->MayMount(name);
    Mount mount;
    bool ok = StampAt(fd, name.c_str(), AT_SYMLINK_NOFOLLOW, ask, stamp, &mount);
    int err = errno;
    if (fd != node_->fd) ::close(fd);
    if (!ok) {
      // A link or a file where a directory was: the walk would not list it.
      if (err == ENOTDIR) return WalkStatus::kSkip;
      return StatusOf(err, error);
    }
    if (ask && mount != root_->mount) return WalkStatus::kOtherDevice;
    if (name[0] == '.') stamp->attributes |= kAttrHidden;
    return WalkStatus::kOk;
  }

  OpenedWalk OpenChild(const std::string& name) override {
    int fd = node_->fd >= 0 ? ::openat(node_->fd, name.c_str(), kOpenFlags)
                            : OpenThroughAncestors(node_.get(), name);
    Mount mount = root_->mount;
    bool ask = root_->MayMount(name);
    if (ask) KeepIfMountKnown(&fd, &mount);
    if (fd < 0)
      return errno == EXDEV ? NotOpened(WalkStatus::kOtherDevice) : NotOpened(errno);
    if (mount != root_->mount) {
      ::close(fd);
      return NotOpened(WalkStatus::kOtherDevice);
    }
    auto child = std::make_shared<Node>();
    child->parent = node_;
    child->name = name;
    child->fd = fd;
    OpenedWalk opened;
    opened.dir = std::make_unique<PosixWalkDir>(std::move(child), root_);
    return opened;
  }

 private:
  void Add(WalkEntries* entries, const char* name, unsigned char type) {
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) return;
    if (type == DT_UNKNOWN) {
      struct stat st;
      if (fstatat(node_->fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
      if (S_ISDIR(st.st_mode)) type = DT_DIR;
    }
    // Links are never walked; their targets are not worth a stat.
    if (type != DT_DIR) return;
    entries->names.append(name).push_back('\0');
    entries->attributes.push_back(name[0] == '.' ? kAttrDirectory | kAttrHidden
                                                 : kAttrDirectory);
  }

  // 0, or the error that stopped the reading.
  int ReadEntries(WalkEntries* entries) {
#ifdef __linux__
    thread_local std::vector<char> buffer(128 * 1024);
    for (;;) {
      long got = syscall(SYS_getdents64, node_->fd, buffer.data(), buffer.size());
      if (got == 0) return 0;
      if (got < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      for (long at = 0; at < got;) {
        const auto* d = reinterpret_cast<const LinuxDirent64*>(buffer.data() + at);
        Add(entries, d->name, d->type);
        at += d->reclen;
      }
    }
#else
    int copy = ::dup(node_->fd);
    if (copy < 0) return errno;
    DIR* dir = fdopendir(copy);
    if (!dir) {
      int err = errno;
      ::close(copy);
      return err;
    }
    errno = 0;
    while (struct dirent* d = readdir(dir)) Add(entries, d->d_name, d->d_type);
    int err = errno;
    closedir(dir);
    return err;
#endif
  }

  // A directory that is only looked into, never read, keeps its descriptor
  // for its children under the same budget as a read one.
  void Settle() {
    if (settled_) return;
    settled_ = true;
    if (node_->fd < 0) return;
    if (keptDescriptors.fetch_add(1, std::memory_order_relaxed) < DescriptorBudget()) {
      node_->kept = true;
      return;
    }
    keptDescriptors.fetch_sub(1, std::memory_order_relaxed);
    ::close(node_->fd);
    node_->fd = -1;
  }

  // This directory's descriptor, or a fresh one the caller closes; -1 with
  // errno when it cannot be opened again.
  int OwnDescriptor() {
    if (node_->fd >= 0) return node_->fd;
    if (!node_->parent) return ::open(node_->name.c_str(), kOpenFlags & ~O_NOFOLLOW);
    return OpenThroughAncestors(node_->parent.get(), node_->name);
  }

  // A directory's stamp by one status call; false with errno (ENOTDIR when
  // it is not a directory).
  static bool StampAt(int fd, const char* name, int flags, bool withMount, DirStamp* stamp,
                      Mount* mount) {
#if defined(__linux__) && defined(STATX_MNT_ID)
    struct statx sx;
    unsigned mask = STATX_TYPE | STATX_INO | STATX_MTIME | STATX_CTIME;
    if (withMount) mask |= STATX_MNT_ID;
    if (statx(fd, name, flags, mask, &sx) == 0) {
      if (!S_ISDIR(sx.stx_mode)) {
        errno = ENOTDIR;
        return false;
      }
      stamp->device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
      stamp->id = sx.stx_ino;
      stamp->modified = sx.stx_mtime.tv_sec * 1000000000LL + sx.stx_mtime.tv_nsec;
      stamp->changed = sx.stx_ctime.tv_sec * 1000000000LL + sx.stx_ctime.tv_nsec;
      stamp->attributes = kAttrDirectory;
      if (mount) {
        mount->device = stamp->device;
        mount->hasId = (sx.stx_mask & STATX_MNT_ID) != 0;
        mount->id = sx.stx_mnt_id;
      }
      return true;
    }
    if (errno != ENOSYS) return false;
#endif
    struct stat st;
    if ((name[0] ? fstatat(fd, name, &st, flags & ~AT_EMPTY_PATH) : fstat(fd, &st)) != 0)
      return false;
    if (!S_ISDIR(st.st_mode)) {
      errno = ENOTDIR;
      return false;
    }
    stamp->device = st.st_dev;
    stamp->id = st.st_ino;
    stamp->modified = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    stamp->changed = st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec;
    stamp->attributes = kAttrDirectory;
    if (mount) mount->device = st.st_dev;
    return true;
  }

  std::shared_ptr<Node> node_;
  std::shared_ptr<const WalkRoot> root_;
  bool settled_ = false;
};

}  // namespace

OpenedWalk OpenPosixWalk(const std::string& hostPath) {
  // The root is where the drive map points; a link there is the user's own.
  int fd = ::open(hostPath.c_str(), kOpenFlags & ~O_NOFOLLOW);
  auto root = std::make_shared<WalkRoot>();
  KeepIfMountKnown(&fd, &root->mount);
  if (fd < 0) return NotOpened(errno);
  auto node = std::make_shared<Node>();
  node->name = hostPath;
  node->fd = fd;
  ReadMountNames(hostPath, root.get());
  OpenedWalk opened;
  opened.dir = std::make_unique<PosixWalkDir>(std::move(node), std::move(root));
  return opened;
}
