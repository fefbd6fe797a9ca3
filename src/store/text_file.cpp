#include "store/text_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/process.h"

namespace {
constexpr size_t kBlock = 1 << 16;
}

LineReader::LineReader(std::unique_ptr<File> file) : file_(std::move(file)) {}

LineReader::~LineReader() = default;

bool LineReader::Fill() {
  if (eof_) return false;
  endsMask_ = 0;  // the bytes move
  if (pos_ > 0) {
    memmove(&buffer_[0], buffer_.data() + pos_, size_ - pos_);
    size_ -= pos_;
    scanFrom_ = scanFrom_ > pos_ ? scanFrom_ - pos_ : 0;
    pos_ = 0;
  }
  // The buffer only grows, for a long line: zeroing a block before every
  // read was a tenth of a load.
  const size_t old = size_;
  if (buffer_.size() < old + kBlock) buffer_.resize(old + kBlock);
  int got = file_->Read(&buffer_[old], static_cast<int>(kBlock));
  if (got < 0) RunTimeError(-got);
  size_ = old + static_cast<size_t>(got);
  // A Ctrl-Z ends the file: nothing after it is ever looked at.
  if (const void* z = memchr(buffer_.data() + old, 26, static_cast<size_t>(got))) {
    size_ = static_cast<size_t>(static_cast<const char*>(z) - buffer_.data());
    eof_ = true;
  }
  if (got == 0) eof_ = true;
  return got > 0 || size_ > old;
}

// First CR or LF at or after pos_, or the buffer's size.  Both are looked
// for in one sweep, sixteen bytes at a time where the processor allows; the
// bytes of a partial line are not searched again after the next block.
size_t LineReader::FindLineEnd() {
  const char* p = buffer_.data();
  const size_t n = size_;
  size_t i = std::max(pos_, scanFrom_);
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  auto ends = [&](size_t at) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
    return _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf));
  };
  // The line ends of the last 64 bytes looked at are kept: most lines are
  // shorter, and the next one's end is then known without a look.
  if (endsMask_ != 0 && i >= endsAt_ && i - endsAt_ < 64) {
    const uint64_t mask = endsMask_ & (~uint64_t{0} << (i - endsAt_));
    if (mask != 0) return endsAt_ + static_cast<size_t>(__builtin_ctzll(mask));
    i = endsAt_ + 64;
  }
  // Four blocks are tested with one branch.
  for (; i + 64 <= n; i += 64) {
    __m128i e0 = ends(i), e1 = ends(i + 16), e2 = ends(i + 32), e3 = ends(i + 48);
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(e0, e1), _mm_or_si128(e2, e3))) == 0)
      continue;
    endsMask_ = static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(e0))) |
                static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(e1))) << 16 |
                static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(e2))) << 32 |
                static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(e3))) << 48;
    endsAt_ = i;
    return i + static_cast<size_t>(__builtin_ctzll(endsMask_));
  }
  for (; i + 16 <= n; i += 16) {
    int mask = _mm_movemask_epi8(ends(i));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < n; ++i)
    if (p[i] == '\r' || p[i] == '\n') return i;
  scanFrom_ = n;
  return n;
}

bool LineReader::NextFound(std::string_view* line) {
  for (;;) {
    if (skipLf_ && pos_ < size_) {
      if (buffer_[pos_] == '\n') ++pos_;
      skipLf_ = false;
    }
    size_t end = FindLineEnd();
    if (end < size_) {
      *line = std::string_view(buffer_.data() + pos_, end - pos_);
      skipLf_ = (buffer_[end] == '\r');
      pos_ = end + 1;
      return true;
    }
    if (eof_) {
      if (pos_ >= size_) return false;
      *line = std::string_view(buffer_.data() + pos_, size_ - pos_);
      pos_ = size_;
      return true;
    }
    // Keep what is left of the partial line and read on; views handed out
    // earlier are no longer used by the caller.
    Fill();
  }
}

std::string_view LineReader::CleanRun(long maxLines, long* lines) {
  *lines = 0;
  // The LF of the CR LF that ended the line Next gave.
  if (skipLf_ && pos_ < size_) {
    if (buffer_[pos_] == '\n') ++pos_;
    skipLf_ = false;
  }
  if (skipLf_ || maxLines <= 0) return std::string_view();
  const char* p = buffer_.data();
  const size_t n = size_;
  const size_t start = pos_;
  size_t i = pos_;
  size_t end = pos_;  // just past the last LF of the run
  bool crBefore = false;
#ifdef __SSE2__
  // Sixteen bytes at a time while they are clean and the count allows; the
  // bytewise loop below finishes from the chunk where either stops.
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; i + 16 <= n; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    unsigned crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)));
    unsigned lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
    // Clean: every LF right after a CR, and every CR right before an LF.
    if (lfs != (((crs << 1) | (crBefore ? 1u : 0u)) & 0xFFFFu)) break;
    const int inChunk = __builtin_popcount(lfs);
    if (*lines + inChunk > maxLines) break;
    *lines += inChunk;
    if (lfs != 0) end = i + 16 - static_cast<size_t>(__builtin_clz(lfs) - 16);
    crBefore = (crs & 0x8000u) != 0;
  }
#endif
  for (; i < n; ++i) {
    const char c = p[i];
    if (crBefore) {
      if (c != '\n' || *lines >= maxLines) break;
      ++*lines;
      end = i + 1;
      crBefore = false;
    } else if (c == '\r') {
      crBefore = true;
    } else if (c == '\n') {
      break;
    }
  }
  pos_ = end;
  return std::string_view(p + start, end - start);
}

void LineReader::Close() {
  if (file_) {
    Strict(file_->Close());
    file_.reset();
  }
}

LineWriter::LineWriter(File* file) : file_(file), buffer_(new char[kRoom]) {}

void LineWriter::LongLine(std::string_view text) {
  Flush();
  if (text.size() + 2 <= kRoom) return Line(text);
  Strict(file_->Write(text.data(), static_cast<int>(text.size())));
  Strict(file_->Write("\r\n", 2));
}

void LineWriter::Raw(std::string_view bytes) {
  // A big run goes out as it is, without a copy into the buffer.
  if (bytes.size() > kRoom - used_) {
    Flush();
    if (bytes.size() >= kBlock) {
      Strict(file_->Write(bytes.data(), static_cast<int>(bytes.size())));
      return;
    }
  }
  memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
  used_ += bytes.size();
}

void LineWriter::Flush() {
  if (used_ == 0) return;
  Strict(file_->Write(buffer_.get(), static_cast<int>(used_)));
  used_ = 0;
}
