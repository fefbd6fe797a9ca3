// What an unchanged rescan cannot do without: one status call for every
// directory below a tree, each relative to its opened parent, shared over
// the given threads; nothing else is timed.  Prints the median of 7 runs.
//   stat_floor_bench TREE [THREADS]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

struct Listing {
  std::string path;
  std::vector<std::string> names;
};

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const int threads = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
  std::vector<Listing> listings;
  std::vector<fs::path> todo{argv[1]};
  long calls = 0;
  while (!todo.empty()) {
    Listing l{todo.back().string(), {}};
    todo.pop_back();
    std::error_code err;
    for (const fs::directory_entry& e : fs::directory_iterator(l.path, err))
      if (!e.is_symlink() && e.is_directory()) {
        l.names.push_back(e.path().filename().string());
        todo.push_back(e.path());
      }
    calls += static_cast<long>(l.names.size());
    if (!l.names.empty()) listings.push_back(std::move(l));
  }
  std::vector<double> runs;
  for (int run = 0; run < 7; ++run) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
      pool.emplace_back([&, t] {
        for (size_t i = static_cast<size_t>(t); i < listings.size(); i += threads) {
          int fd = open(listings[i].path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
          if (fd < 0) continue;
          for (const std::string& name : listings[i].names) {
            struct statx sx;
            statx(fd, name.c_str(), AT_SYMLINK_NOFOLLOW,
                  STATX_TYPE | STATX_INO | STATX_MTIME | STATX_CTIME, &sx);
          }
          close(fd);
        }
      });
    for (std::thread& t : pool) t.join();
    runs.push_back(std::chrono::duration<double, std::milli>(
                       std::chrono::steady_clock::now() - start).count());
  }
  std::sort(runs.begin(), runs.end());
  std::printf("status calls alone: %ld calls on %d threads, median %.1f ms\n", calls, threads,
              runs[runs.size() / 2]);
  return 0;
}
