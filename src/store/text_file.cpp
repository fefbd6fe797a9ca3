#include "store/text_file.h"

#include <cstring>

#include "shell/process.h"

namespace {
constexpr size_t kBlock = 1 << 16;
}

LineReader::LineReader(std::unique_ptr<File> file) : file_(std::move(file)) {}

LineReader::~LineReader() = default;

bool LineReader::Fill() {
  if (eof_) return false;
  if (pos_ > 0) {
    buffer_.erase(0, pos_);
    pos_ = 0;
  }
  size_t old = buffer_.size();
  buffer_.resize(old + kBlock);
  int got = file_->Read(&buffer_[old], static_cast<int>(kBlock));
  if (got < 0) RunTimeError(-got);
  buffer_.resize(old + static_cast<size_t>(got));
  // A Ctrl-Z ends the file: nothing after it is ever looked at.
  if (const void* z = memchr(buffer_.data() + old, 26, static_cast<size_t>(got))) {
    buffer_.resize(static_cast<const char*>(z) - buffer_.data());
    eof_ = true;
  }
  if (got == 0) eof_ = true;
  return got > 0 || buffer_.size() > old;
}

bool LineReader::Next(std::string_view* line) {
  for (;;) {
    if (skipLf_ && pos_ < buffer_.size()) {
      if (buffer_[pos_] == '\n') ++pos_;
      skipLf_ = false;
    }
    const char* start = buffer_.data() + pos_;
    size_t avail = buffer_.size() - pos_;
    const char* end = static_cast<const char*>(memchr(start, '\r', avail));
    const char* lf = static_cast<const char*>(memchr(start, '\n', end ? end - start : avail));
    if (lf) end = lf;
    if (end) {
      *line = std::string_view(start, static_cast<size_t>(end - start));
      pos_ += static_cast<size_t>(end - start) + 1;
      skipLf_ = (*end == '\r');
      return true;
    }
    if (eof_) {
      if (avail == 0) return false;
      *line = std::string_view(start, avail);
      pos_ = buffer_.size();
      return true;
    }
    // Keep what is left of the partial line and read on; views handed out
    // earlier are no longer used by the caller.
    Fill();
  }
}

void LineReader::Close() {
  if (file_) {
    Strict(file_->Close());
    file_.reset();
  }
}

void LineWriter::Raw(std::string_view bytes) {
  buffer_.append(bytes);
  if (buffer_.size() >= kBlock) Flush();
}

void LineWriter::Line(std::string_view text) {
  buffer_.append(text);
  buffer_.append("\r\n");
  if (buffer_.size() >= kBlock) Flush();
}

void LineWriter::Flush() {
  if (buffer_.empty()) return;
  Strict(file_->Write(buffer_.data(), static_cast<int>(buffer_.size())));
  buffer_.clear();
}
