// Scan-file-format text files: read in large blocks and split into lines
// (a line ends at CR, one LF after it is skipped, a lone LF ends it too; a
// byte 26 ends the file); written as lines ending in CR LF.  Read, write and
// close failures are strict.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/system.h"

class LineReader {
 public:
  explicit LineReader(std::unique_ptr<File> file);
  ~LineReader();
  // Next line, without its line end; valid until the next call.  Inline
  // while the line's end is already known, as it mostly is: a load reads
  // every line of the file twice.
  bool Next(std::string_view* line) {
    size_t at = pos_;
    if (skipLf_) {
      if (at >= size_) return NextFound(line);
      if (buffer_[at] == '\n') ++at;
    }
    if (endsMask_ == 0 || at < endsAt_ || at - endsAt_ >= 64) return NextFound(line);
    const uint64_t mask = endsMask_ & (~uint64_t{0} << (at - endsAt_));
    if (mask == 0) return NextFound(line);
    const size_t end = endsAt_ + static_cast<size_t>(__builtin_ctzll(mask));
    *line = std::string_view(buffer_.data() + at, end - at);
    skipLf_ = buffer_[end] == '\r';
    pos_ = end + 1;
    return true;
  }
  // The longest run of at most `maxLines` whole lines from here that are
  // already as LineWriter writes them (each ends in CR LF, no other CR or
  // LF), to be copied unchanged; *lines says how many.  Empty when the next
  // line is not such a line or not yet read: Next takes that one.  Valid
  // until the next call.
  std::string_view CleanRun(long maxLines, long* lines);
  void Close();  // strict

 private:
  bool NextFound(std::string_view* line);  // the line end looked for
  bool Fill();
  size_t FindLineEnd();
  std::unique_ptr<File> file_;
  std::string buffer_;  // its size is room; the bytes read end at size_
  size_t size_ = 0;
  size_t pos_ = 0;
  bool eof_ = false;
  bool skipLf_ = false;
  size_t scanFrom_ = 0;  // no line end in [pos_, scanFrom_)
  uint64_t endsMask_ = 0;  // the line ends in [endsAt_, endsAt_ + 64)
  size_t endsAt_ = 0;
};

class LineWriter {
 public:
  explicit LineWriter(File* file);
  // text + CR LF; strict.  Inline, with no check but room: a rescan writes
  // every line of a drive through here, and two appends a line were 2 ms
  // of an unchanged one on 200,000 lines.
  void Line(std::string_view text) {
    const size_t n = text.size();
    if (n + 2 > kRoom - used_) return LongLine(text);
    char* p = buffer_.get() + used_;
    memcpy(p, text.data(), n);
    p[n] = '\r';
    p[n + 1] = '\n';
    used_ += n + 2;
  }
  void Raw(std::string_view bytes);  // strict
  void Flush();                      // strict

 private:
  static constexpr size_t kRoom = size_t{1} << 18;
  void LongLine(std::string_view text);
  File* file_;
  std::unique_ptr<char[]> buffer_;
  size_t used_ = 0;
};
