#include "posix/drive_map.h"

#include <algorithm>
#include <set>
#include <sstream>

#include "text/ascii.h"

namespace {

int LetterNumber(char c) { return DriveNumberOfLetter(UpperAscii(c)); }

std::string WithoutTrailingSlashes(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace

std::string ExpandHome(const std::string& dir, const char* home) {
  if (!home || !*home || dir.empty() || dir[0] != '~') return dir;
  if (dir.size() > 1 && dir[1] != '/') return dir;  // ~user is not ours
  std::string base = WithoutTrailingSlashes(home);
  if (dir.size() == 1) return base;
  return (base == "/" ? std::string() : base) + dir.substr(1);
}

std::vector<std::string> SplitList(const std::string& list, char separator) {
  std::vector<std::string> fields;
  size_t pos = 0;
  for (;;) {
    size_t end = list.find(separator, pos);
    if (end == std::string::npos) break;
    fields.push_back(list.substr(pos, end - pos));
    pos = end + 1;
  }
  fields.push_back(list.substr(pos));
  return fields;
}

namespace {

// ",D=" or ":D=" inside a directory: the next entry, after a separator
// other than ";".
bool HoldsJoinedEntry(const std::string& dir) {
  for (size_t i = 0; i + 2 < dir.size(); ++i) {
    if ((dir[i] == ',' || dir[i] == ':') && LetterNumber(dir[i + 1]) != 0 &&
        dir[i + 2] == '=')
      return true;
  }
  return false;
}

}  // namespace

std::string DriveMapError(const char* text, const char* home,
                          HostFolder (*lookUp)(const std::string& dir)) {
  static const char kForm[] =
      "; write LETTER=DIRECTORY entries separated by \";\", "
      "e.g. KS95_DRIVES=\"C=/;D=~/data\"";
  for (const std::string& entry : SplitList(text ? text : "", ';')) {
    if (entry.empty()) continue;
    const std::string quoted = "KS95_DRIVES entry \"" + entry + "\"";
    if (entry.size() < 3 || entry[1] != '=' || LetterNumber(entry[0]) == 0)
      return quoted + " is not LETTER=DIRECTORY" + kForm;
    std::string dir = ExpandHome(entry.substr(2), home);
    if (dir[0] != '/')
      return quoted + ": the directory must start with / or ~" + kForm;
    const HostFolder found = lookUp ? lookUp(dir) : HostFolder::kFolder;
    if (found == HostFolder::kFolder) continue;
    // A real folder may be named so; only a missing one reads as two entries.
    if (HoldsJoinedEntry(dir))
      return quoted + " holds two entries" + kForm;
    if (found == HostFolder::kNotFolder)
      return quoted + ": \"" + dir + "\" is not a folder" + kForm;
  }
  return std::string();
}

std::string DriveMapText(const DriveMap& map) {
  std::string text;
  for (int d = 1; d <= 26; ++d) {
    if (map.root[d].empty()) continue;
    if (!text.empty()) text += ';';
    text += LetterOfDrive(d);
    text += '=';
    text += map.root[d];
  }
  return text;
}

DriveMap ParseDriveMap(const char* text, const char* home) {
  DriveMap map;
  std::string list = text ? text : "";
  if (list.empty()) {
    map.root[3] = "/";
    return map;
  }
  for (const std::string& entry : SplitList(list, ';')) {
    if (entry.size() < 3 || entry[1] != '=') continue;
    int d = LetterNumber(entry[0]);
    if (d == 0) continue;
    map.root[d] = WithoutTrailingSlashes(ExpandHome(entry.substr(2), home));
  }
  return map;
}

namespace {

// Mount tables write blanks, tabs, newlines and backslashes in octal.
std::string Unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
        field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
        field[i + 3] >= '0' && field[i + 3] <= '7') {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                               (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

bool DiskFileSystem(const std::string& type) {
  static const std::set<std::string> kDisk = {
      "ext2", "ext3",  "ext4",    "xfs",  "btrfs", "jfs",   "reiserfs",
      "f2fs", "vfat",  "msdos",   "exfat", "ntfs", "ntfs3", "fuseblk",
      "hfs",  "hfsplus", "zfs",   "bcachefs", "nilfs2", "ufs"};
  return kDisk.count(type) > 0;
}

bool SystemArea(const std::string& mountPoint) {
  for (const char* area : {"/proc", "/sys", "/dev", "/run", "/boot"}) {
    size_t n = std::char_traits<char>::length(area);
    if (mountPoint.compare(0, n, area) == 0 &&
        (mountPoint.size() == n || mountPoint[n] == '/'))
      return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> LocalDiskMounts(const std::string& mountTable) {
  std::vector<std::string> mounts;
  std::set<std::string> seen;
  std::istringstream lines(mountTable);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    std::vector<std::string> f;
    for (std::string word; in >> word;) f.push_back(word);
    std::string mountPoint, type, source;
    size_t dash = std::find(f.begin(), f.end(), "-") - f.begin();
    if (dash < f.size() && f.size() >= dash + 3 && dash >= 6) {
      // mountinfo: id parent major:minor root mount-point options ... - type
      // source.  A root other than "/" is a bind mount of a folder inside a
      // file system, not a file system of its own (btrfs shows its
      // subvolumes the same way, and those are).
      if (f[3] != "/" && f[dash + 1] != "btrfs") continue;
      mountPoint = Unescape(f[4]);
      type = f[dash + 1];
      source = f[2];
    } else if (f.size() >= 3) {
      // /proc/mounts: source mount-point type options dump pass.
      source = f[0];
      mountPoint = Unescape(f[1]);
      type = f[2];
    } else {
      continue;
    }
    if (!DiskFileSystem(type) || mountPoint.empty() || mountPoint[0] != '/' ||
        mountPoint == "/" || SystemArea(mountPoint) ||
        mountPoint.find('\\') != std::string::npos)
      continue;
    // A file system mounted twice gets one letter, at its first place.
    if (!seen.insert(source).second) continue;
    if (std::find(mounts.begin(), mounts.end(), mountPoint) != mounts.end()) continue;
    mounts.push_back(mountPoint);
  }
  return mounts;
}

DriveMap DefaultDriveMap(const std::vector<std::string>& mounts) {
  DriveMap map;
  map.root[3] = "/";
  int d = 4;
  for (const std::string& m : mounts) {
    if (d > 26) break;
    map.root[d++] = WithoutTrailingSlashes(m);
  }
  return map;
}

bool ToHostPath(const DriveMap& map, const std::string& path,
                std::string* hostPath) {
  if (!IsDrivePath(path)) {
    *hostPath = path;
    return true;
  }
  const std::string& root = map.root[LetterNumber(path[0])];
  if (root.empty()) return false;
  std::string rest = path.substr(2);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  size_t first = rest.find_first_not_of('/');
  rest = first == std::string::npos ? std::string() : rest.substr(first);
  if (rest.empty()) {
    *hostPath = root;
  } else if (root == "/") {
    *hostPath = "/" + rest;
  } else {
    *hostPath = root + "/" + rest;
  }
  return true;
}

std::string ToDrivePath(const DriveMap& map, const std::string& hostPath) {
  std::string host = WithoutTrailingSlashes(hostPath);
  int best = 0;
  size_t bestLength = 0;
  for (int d = 1; d <= 26; ++d) {
    const std::string& root = map.root[d];
    if (root.empty()) continue;
    bool holds;
    if (root == "/") {
      holds = !host.empty() && host[0] == '/';
    } else {
      holds = host.compare(0, root.size(), root) == 0 &&
              (host.size() == root.size() || host[root.size()] == '/');
    }
    if (holds && root.size() > bestLength) {
      best = d;
      bestLength = root.size();
    }
  }
  if (best == 0) return std::string();
  std::string rest = host.substr(std::min(bestLength, host.size()));
  size_t first = rest.find_first_not_of('/');
  rest = first == std::string::npos ? std::string() : rest.substr(first);
  if (rest.find('\\') != std::string::npos) return std::string();
  std::replace(rest.begin(), rest.end(), '/', '\\');
  std::string out(1, LetterOfDrive(best));
  return out + ":\\" + rest;
}
