#include "system/drive_map.h"

#include <algorithm>

namespace {

int LetterNumber(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A' + 1;
  if (c >= 'a' && c <= 'z') return c - 'a' + 1;
  return 0;
}

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

std::string DriveMapError(const char* text, const char* home,
                          bool (*isFolder)(const std::string& dir)) {
  static const char kForm[] =
      "; write LETTER=DIRECTORY entries separated by \";\", "
      "e.g. KS95_DRIVES=\"C=/;D=~/data\"";
  std::string list = text ? text : "";
  size_t pos = 0;
  while (pos < list.size()) {
    size_t end = list.find(';', pos);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(pos, end - pos);
    pos = end + 1;
    if (entry.empty()) continue;
    const std::string quoted = "KS95_DRIVES entry \"" + entry + "\"";
    if (entry.size() < 3 || entry[1] != '=' || LetterNumber(entry[0]) == 0)
      return quoted + " is not LETTER=DIRECTORY" + kForm;
    std::string dir = ExpandHome(entry.substr(2), home);
    if (dir[0] != '/')
      return quoted + ": the directory must start with / or ~" + kForm;
    if (isFolder && !isFolder(dir))
      return quoted + ": no folder \"" + dir + "\"" + kForm;
  }
  return std::string();
}

std::string DriveMapText(const DriveMap& map) {
  std::string text;
  for (int d = 1; d <= 26; ++d) {
    if (map.root[d].empty()) continue;
    if (!text.empty()) text += ';';
    text += static_cast<char>('A' + d - 1);
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
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t end = list.find(';', pos);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(pos, end - pos);
    pos = end + 1;
    if (entry.size() < 3 || entry[1] != '=') continue;
    int d = LetterNumber(entry[0]);
    if (d == 0) continue;
    map.root[d] = WithoutTrailingSlashes(ExpandHome(entry.substr(2), home));
  }
  return map;
}

bool IsDrivePath(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' && LetterNumber(path[0]) != 0;
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
  std::string out(1, static_cast<char>('A' + best - 1));
  return out + ":\\" + rest;
}
