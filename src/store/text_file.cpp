#include "store/text_file.h"

#include <algorithm>
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
  nextCr_ = nextLf_ = std::string::npos;
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

size_t LineReader::Find(char ch, size_t* cache) {
  // A line end found earlier stays valid until the buffer moves, so no byte
  // is searched twice: a file of LF-only lines would otherwise be searched
  // for a CR to the end of the block on every line.
  if (*cache == std::string::npos || *cache < pos_) {
    const void* at = memchr(buffer_.data() + pos_, ch, buffer_.size() - pos_);
    *cache = at ? static_cast<size_t>(static_cast<const char*>(at) - buffer_.data())
                : buffer_.size();
  }
  return *cache;
}

bool LineReader::Next(std::string_view* line) {
  for (;;) {
    if (skipLf_ && pos_ < buffer_.size()) {
      if (buffer_[pos_] == '\n') ++pos_;
      skipLf_ = false;
    }
    size_t end = std::min(Find('\r', &nextCr_), Find('\n', &nextLf_));
    if (end < buffer_.size()) {
      *line = std::string_view(buffer_.data() + pos_, end - pos_);
      skipLf_ = (buffer_[end] == '\r');
      pos_ = end + 1;
      return true;
    }
    if (eof_) {
      if (pos_ >= buffer_.size()) return false;
      *line = std::string_view(buffer_.data() + pos_, buffer_.size() - pos_);
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
