#include "store/text_file.h"

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "system/process.h"

namespace {
constexpr size_t kBlock = 1 << 16;
}

LineReader::LineReader(std::unique_ptr<File> file) : file_(std::move(file)) {}

LineReader::~LineReader() = default;

bool LineReader::Fill() {
  if (eof_) return false;
  if (pos_ > 0) {
    buffer_.erase(0, pos_);
    scanFrom_ = scanFrom_ > pos_ ? scanFrom_ - pos_ : 0;
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

// First CR or LF at or after pos_, or the buffer's size.  Both are looked
// for in one sweep, sixteen bytes at a time where the processor allows; the
// bytes of a partial line are not searched again after the next block.
size_t LineReader::FindLineEnd() {
  const char* p = buffer_.data();
  const size_t n = buffer_.size();
  size_t i = std::max(pos_, scanFrom_);
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; i + 16 <= n; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < n; ++i)
    if (p[i] == '\r' || p[i] == '\n') return i;
  scanFrom_ = n;
  return n;
}

bool LineReader::Next(std::string_view* line) {
  for (;;) {
    if (skipLf_ && pos_ < buffer_.size()) {
      if (buffer_[pos_] == '\n') ++pos_;
      skipLf_ = false;
    }
    size_t end = FindLineEnd();
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
