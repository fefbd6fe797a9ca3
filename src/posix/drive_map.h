// Drive letters over a POSIX file system: each letter names a host
// directory (KS95_DRIVES="C=/;D=/mnt/data").  Inside the program paths are
// Windows-style; these functions translate them to and from host paths.
// Portable so that the rules are tested everywhere.
#pragma once

#include <string>
#include <vector>

struct DriveMap {
  // Host directory of drive 1..26, without a trailing slash ("/" for the
  // host root); empty when the letter is not mapped.
  std::string root[27];
};

// Parses the KS95_DRIVES text ("C=/;D=/mnt/data").  nullptr or an empty text
// maps C to "/".  Entries without a letter, "=" or directory are ignored;
// a later entry for the same letter wins.  A directory starting with "~"
// (alone or before "/") starts in `home` when that is given.
DriveMap ParseDriveMap(const char* text, const char* home = nullptr);

// The fields of a list such as KS95_DRIVES or PATH, empty ones included:
// "a;;b;" is "a", "", "b", "".
std::vector<std::string> SplitList(const std::string& list, char separator);

// `dir` with a leading "~" or "~/" put in `home` (unchanged without one).
std::string ExpandHome(const std::string& dir, const char* home);

// What a drive's directory is on the host.  A missing one is an absent
// drive (a removable or network drive that is not mounted), not a mistake.
enum class HostFolder { kFolder, kMissing, kNotFolder };

// Why the KS95_DRIVES text cannot be used, naming the first bad entry and
// the expected form; empty when every entry is LETTER=DIRECTORY with an
// absolute directory that `lookUp` finds to be a folder or missing.  A
// missing directory that holds ",X=" or ":X=" is two entries joined by the
// wrong separator.  Empty entries are allowed.
std::string DriveMapError(const char* text, const char* home,
                          HostFolder (*lookUp)(const std::string& dir));

// The map as LETTER=DIRECTORY entries ("C=/;D=/mnt/data"), for messages.
std::string DriveMapText(const DriveMap& map);

// The mount points that a default drive map gives letters to, in mount
// order, from the text of /proc/self/mountinfo (or of /proc/mounts): the
// whole-device mounts of local disk file systems (ext4, xfs, btrfs, vfat
// and the like), other than "/" and anything under /proc, /sys, /dev, /run
// or /boot.  Network, memory and other pseudo file systems never count.
std::vector<std::string> LocalDiskMounts(const std::string& mountTable);

// C for "/", then D, E, ... for `mounts` in order, as far as letters go.
DriveMap DefaultDriveMap(const std::vector<std::string>& mounts);

// Host path of a drive path ("D:\WORK" -> "/mnt/data/WORK"), or of a host
// path (unchanged).  False when the path names an unmapped drive.
bool ToHostPath(const DriveMap& map, const std::string& path,
                std::string* hostPath);

// Drive path of an absolute host path: the longest mapped root that holds it
// wins ("D:\" for the root itself).  Empty when no mapped root holds it, or
// when a name below the root holds a backslash, which a drive path cannot
// express.
std::string ToDrivePath(const DriveMap& map, const std::string& hostPath);
