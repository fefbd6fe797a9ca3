// Scan-file-format text files: read in large blocks and split into lines
// (a line ends at CR, one LF after it is skipped, a lone LF ends it too; a
// byte 26 ends the file); written as lines ending in CR LF.  Read, write and
// close failures are strict.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/system.h"

class LineReader {
 public:
  explicit LineReader(std::unique_ptr<File> file);
  ~LineReader();
  // Next line, without its line end; valid until the next call.
  bool Next(std::string_view* line);
  // The longest run of at most `maxLines` whole lines from here that are
  // already as LineWriter writes them (each ends in CR LF, no other CR or
  // LF), to be copied unchanged; *lines says how many.  Empty when the next
  // line is not such a line or not yet read: Next takes that one.  Valid
  // until the next call.
  std::string_view CleanRun(long maxLines, long* lines);
  void Close();  // strict

 private:
  bool Fill();
  size_t FindLineEnd();
  std::unique_ptr<File> file_;
  std::string buffer_;
  size_t pos_ = 0;
  bool eof_ = false;
  bool skipLf_ = false;
  size_t scanFrom_ = 0;  // no line end in [pos_, scanFrom_)
};

class LineWriter {
 public:
  explicit LineWriter(File* file) : file_(file) {}
  void Line(std::string_view text);  // text + CR LF; strict
  void Raw(std::string_view bytes);  // strict
  void Flush();                      // strict

 private:
  File* file_;
  std::string buffer_;
};
