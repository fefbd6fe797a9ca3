#include "scanner/dir_record.h"

#include <algorithm>
#include <cstring>

#include "scanner/rewrite.h"
#include "store/drive_table.h"

namespace {

constexpr char kMagic[4] = {'K', 'S', 'D', 'R'};
constexpr uint8_t kVersion = 2;
constexpr size_t kHeaderSize = 4 + 1 + 1 + 8 + 8;
constexpr size_t kTrailerSize = 8 + 8 + 8;
constexpr int64_t kSecond = 1000000000;

enum : uint8_t {
  kKindMask = 0x03,
  kListed = 0x04,
  kHidden = 0x08,
  kSystem = 0x10,
  kReread = 0x20,
};

// The checksum and the hashes go eight bytes at a time: a rescan hashes the
// drive's lines twice and the record once each way, and a byte at a time
// that was a tenth of an unchanged rescan.  Each step is one-to-one in the
// word, so a single changed word always changes the sum.
uint64_t Mix(uint64_t h, uint64_t word) {
  h = (h ^ word) * 0x9E3779B97F4A7C15ULL;
  return h ^ (h >> 29);
}
// Whole words only; the caller keeps the rest for later.
uint64_t HashWords(uint64_t h, const char* p, size_t n) {
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t word;
    memcpy(&word, p, 8);
    h = Mix(h, word);
  }
  return h;
}
// The end of a run of bytes: its last part word, tagged with its length.
// Taken from the run's last eight bytes where it has them: a copy of a
// varying length, once a line, was half of hashing a drive's lines.
uint64_t Hash(uint64_t h, const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  h = HashWords(h, p, n);
  const size_t rest = n % 8;
  uint64_t word = 0;
  if (rest != 0 && n >= 8) {
    memcpy(&word, p + n - 8, 8);
    word >>= 8 * (8 - rest);
  } else {
    for (size_t i = 0; i < rest; ++i)
      word |= static_cast<uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
  }
  return Mix(h, word | static_cast<uint64_t>(rest) << 56);
}
constexpr uint64_t kHashStart = 0xcbf29ce484222325ULL;

void PutFixed(std::string* out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out->push_back(static_cast<char>(v >> (8 * i)));
}
uint64_t GetFixed(const std::string& in, size_t at) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
  return v;
}

// Into a node's bytes, at most ten.
char* PutVar(char* out, uint64_t v) {
  while (v >= 0x80) {
    *out++ = static_cast<char>(v | 0x80);
    v >>= 7;
  }
  *out++ = static_cast<char>(v);
  return out;
}
char* PutSigned(char* out, int64_t v) {
  return PutVar(out, (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63));
}

bool GetVar(const std::string& in, size_t end, size_t* at, uint64_t* v) {
  *v = 0;
  for (int shift = 0; shift < 64 && *at < end; shift += 7) {
    unsigned char b = static_cast<unsigned char>(in[(*at)++]);
    *v |= static_cast<uint64_t>(b & 0x7F) << shift;
    if ((b & 0x80) == 0) return true;
  }
  return false;
}

// A node's seven stamp values, decoded where they lie (through the pointers
// above, every byte stored the position back to memory); null when they do
// not all end before `end`.
const unsigned char* GetStampValues(const unsigned char* p, const unsigned char* end,
                                    uint64_t values[7]) {
  for (int k = 0; k < 7; ++k) {
    if (p != end && *p < 0x80) {  // most values are one byte
      values[k] = *p++;
      continue;
    }
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Up to eight bytes from one word: a byte at a time, a time's
    // nanoseconds were half of a node's decoding.
    if (end - p >= 8) {
      uint64_t w;
      memcpy(&w, p, 8);
      const uint64_t stops = ~w & 0x8080808080808080ULL;
      if (stops != 0) {
        const int bytes = (__builtin_ctzll(stops) >> 3) + 1;
        uint64_t x = bytes == 8 ? w : w & ((uint64_t{1} << (8 * bytes)) - 1);
        x &= 0x7F7F7F7F7F7F7F7FULL;
        x = (x & 0x007F007F007F007FULL) | ((x & 0x7F007F007F007F00ULL) >> 1);
        x = (x & 0x00003FFF00003FFFULL) | ((x & 0x3FFF00003FFF0000ULL) >> 2);
        x = (x & 0x000000000FFFFFFFULL) | ((x & 0x0FFFFFFF00000000ULL) >> 4);
        values[k] = x;
        p += bytes;
        continue;
      }
    }
#endif
    uint64_t v = 0;
    int shift = 0;
    for (;; shift += 7) {
      if (shift >= 64 || p == end) return nullptr;
      const unsigned char b = *p++;
      v |= static_cast<uint64_t>(b & 0x7F) << shift;
      if (b < 0x80) break;
    }
    values[k] = v;
  }
  return p;
}
int64_t Unzigzag(uint64_t u) { return static_cast<int64_t>((u >> 1) ^ (~(u & 1) + 1)); }

void SplitTime(int64_t t, int64_t* seconds, int64_t* nanos) {
  *seconds = t / kSecond;
  *nanos = t % kSecond;
  if (*nanos < 0) {
    *nanos += kSecond;
    --*seconds;
  }
}

// The drive's lines in KS.DAT, the root line not counted.
uint64_t LinesHash(uint64_t h, std::string_view line) { return Hash(h, line.data(), line.size()); }

bool IsRootEntry(std::string_view path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
         (path.size() == 3 || path[3] == '*');
}

}  // namespace

int64_t RacyWindowNs = kDefaultRacyWindowNs;

std::string DirRecordPath(int driveNumber) {
  return ScanFilePath() + "." + DriveLetter(driveNumber);
}

void LinesHasher::Add(std::string_view line) { h_ = LinesHash(h_, line); }

uint64_t RecordChecksum(std::string_view bytes) {
  return Hash(kHashStart, bytes.data(), bytes.size());
}

uint64_t DriveMapHash() {
  std::string map = theSystem->DriveMapText();
  return Hash(kHashStart, map.data(), map.size());
}

// `expected` bytes are room enough for most records: read straight into
// them, the record costs no copies, and no freeing of a smaller buffer
// while the helpers run on another core.
static bool ReadRecordFile(const std::string& path, size_t expected, std::string* bytes,
                           std::string* why) {
  bytes->clear();
  Opened<File> file = theSystem->OpenFile(path, OpenMode::kRead);
  if (!file.handle) {
    *why = "no record";
    return false;
  }
  constexpr size_t kChunk = 65536;
  bytes->reserve(expected + kChunk);
  size_t have = 0;
  for (;;) {
    bytes->resize(have + kChunk);
    int got = file.handle->Read(&(*bytes)[have], static_cast<int>(kChunk));
    if (got < 0) {
      *why = "record unreadable";
      return false;
    }
    have += static_cast<size_t>(got);
    if (got == 0) break;
  }
  bytes->resize(have);
  file.handle->Close();
  return true;
}

bool DirRecordReader::Load(int driveNumber, const DriveTree& drive, int64_t now, std::string* why) {
  // About twelve bytes a directory, more with hidden ones' names.
  const size_t expected = kHeaderSize + kTrailerSize + 16 * static_cast<size_t>(drive.StoredCount());
  if (!ReadRecordFile(DirRecordPath(driveNumber), expected, &bytes_, why)) return false;
  const std::string& b = bytes_;
  const size_t size = b.size();
  if (size < kHeaderSize + kTrailerSize || memcmp(b.data(), kMagic, 4) != 0) {
    *why = "not a record";
    return false;
  }
  if (static_cast<uint8_t>(b[4]) != kVersion) {
    *why = "record of another version";
    return false;
  }
  if (RecordChecksum(std::string_view(b.data(), size - 8)) != GetFixed(b, size - 8)) {
    *why = "record damaged";
    return false;
  }
  if (b[5] != DriveLetter(driveNumber)) {
    *why = "record of another drive";
    return false;
  }
  scanStart_ = static_cast<int64_t>(GetFixed(b, 6));
  if (GetFixed(b, 14) != DriveMapHash()) {
    *why = "drive map changed";
    return false;
  }
  if (now < scanStart_) {
    *why = "clock went back";
    return false;
  }
  // The names come from the drive's lines: they must be the ones the record
  // was written with.
  const int count = drive.StoredCount();
  LinesHasher lines;
  if (count < 1 || !IsRootEntry(drive.paths[1])) {
    *why = "drive lines changed";
    return false;
  }
  for (int i = 2; i <= count; ++i) lines.Add(drive.paths[static_cast<size_t>(i)]);
  const uint64_t h = lines.value();
  const size_t trailer = size - kTrailerSize;
  if (GetFixed(b, trailer) != static_cast<uint64_t>(count - 1) ||
      GetFixed(b, trailer + 8) != h) {
    *why = "drive lines changed";
    return false;
  }
  linesHash_ = h;
  drive_ = &drive;
  line_ = 2;
  lineEnd_ = static_cast<size_t>(count) + 1;
  at_ = kHeaderSize;
  end_ = trailer;
  prev_ = DirStamp();
  return true;
}

bool DirRecordReader::Next(const std::string* parent, RecordedDir* dir) {
  if (at_ >= end_) return false;
  const std::string& b = bytes_;
  dir->recordAt = at_ - kHeaderSize;
  const uint8_t flags = static_cast<uint8_t>(b[at_++]);
  dir->kind = static_cast<RecordedKind>(flags & kKindMask);
  if (dir->kind != RecordedKind::kRead && dir->kind != RecordedKind::kUnreadable &&
      dir->kind != RecordedKind::kLeftOut)
    return false;
  dir->listed = (flags & kListed) != 0;
  dir->reread = (flags & kReread) != 0;
  dir->attributes = kAttrDirectory | ((flags & kHidden) ? kAttrHidden : 0u) |
                    ((flags & kSystem) ? kAttrSystem : 0u);
  if (dir->listed) {
    if (line_ >= lineEnd_) return false;
    dir->line = static_cast<uint32_t>(line_);
    std::string_view line = drive_->paths[line_++];
    // The name follows the last backslash, which the parent, when known,
    // must end just before.
    const size_t slash = LastBackslash(line);
    if (slash == std::string_view::npos || slash + 1 >= line.size() ||
        (parent && slash != parent->size()))
      return false;
    if (parent && line.compare(0, slash, *parent) != 0) return false;
    dir->name = line.substr(slash + 1);
    dir->path = line;
  } else {
    uint64_t length;
    if (!GetVar(b, end_, &at_, &length) || length > end_ - at_) return false;
    dir->name = std::string_view(b.data() + at_, static_cast<size_t>(length));
    dir->line = 0;
    dir->path = std::string_view();
    at_ += static_cast<size_t>(length);
  }
  dir->children = 0;
  dir->stamp = DirStamp();
  dir->recordEnd = at_ - kHeaderSize;
  if (dir->kind != RecordedKind::kRead) return true;
  const unsigned char* base = reinterpret_cast<const unsigned char*>(b.data());
  uint64_t values[7];
  const unsigned char* after = GetStampValues(base + at_, base + end_, values);
  if (!after) return false;
  at_ = static_cast<size_t>(after - base);
  const int64_t device = Unzigzag(values[0]), id = Unzigzag(values[1]),
                seconds = Unzigzag(values[2]), changedSeconds = Unzigzag(values[4]),
                changedNanos = Unzigzag(values[5]);
  const uint64_t nanos = values[3], children = values[6];
  if (nanos >= kSecond || children > UINT32_MAX) return false;
  int64_t prevSeconds, prevNanos;
  SplitTime(prev_.modified, &prevSeconds, &prevNanos);
  DirStamp& s = dir->stamp;
  s.device = prev_.device + static_cast<uint64_t>(device);
  s.id = prev_.id + static_cast<uint64_t>(id);
  const int64_t modSeconds = prevSeconds + seconds;
  s.modified = modSeconds * kSecond + static_cast<int64_t>(nanos);
  s.changed = (modSeconds + changedSeconds) * kSecond + static_cast<int64_t>(nanos) + changedNanos;
  s.attributes = dir->attributes;
  dir->children = static_cast<uint32_t>(children);
  dir->recordEnd = at_ - kHeaderSize;
  prev_ = s;
  return true;
}

bool DirRecordReader::AtEnd() const { return at_ == end_ && line_ == lineEnd_; }

std::string_view DirRecordReader::Nodes() const {
  return end_ > kHeaderSize ? std::string_view(bytes_).substr(kHeaderSize, end_ - kHeaderSize)
                            : std::string_view();
}

DirRecordWriter::~DirRecordWriter() { Abandon(); }

bool DirRecordWriter::Begin(int driveNumber, int64_t scanStart, std::string_view oldNodes) {
  Abandon();
  driveNumber_ = driveNumber;
  scanStart_ = scanStart;
  header_.assign(kMagic, 4);
  header_.push_back(static_cast<char>(kVersion));
  header_.push_back(DriveLetter(driveNumber));
  PutFixed(&header_, static_cast<uint64_t>(scanStart));
  PutFixed(&header_, DriveMapHash());
  buffer_.clear();
  written_ = 0;
  checksum_ = kHashStart;
  failed_ = false;
  prev_ = DirStamp();
  oldNodes_ = oldNodes;
  matched_ = 0;
  begun_ = true;
  if (oldNodes_.empty()) return Depart();
  return true;
}

bool DirRecordWriter::Depart() {
  const std::string_view matched = oldNodes_.substr(0, matched_);
  oldNodes_ = std::string_view();
  OpenedTemp temp = theSystem->CreateTempBeside(DirRecordPath(driveNumber_));
  if (!temp.handle || temp.error != kIoOk) {
    begun_ = false;
    buffer_.clear();
    return false;
  }
  file_ = std::move(temp.handle);
  tempPath_ = std::move(temp.path);
  RegisterRewriteTemp(tempPath_);
  // The new header, and what was matched: summed and written only now.
  buffer_ = header_;
  for (size_t at = 0; at < matched.size(); at += 65536) {
    buffer_.append(matched.substr(at, 65536));
    Flush(false);
  }
  return true;
}

bool DirRecordWriter::KeepOld(bool sameLines) {
  if (!begun_ || file_) return false;
  if (sameLines && Matching() && matched_ == oldNodes_.size()) {
    Abandon();
    keptOld_ = true;
    return true;
  }
  Depart();
  return false;
}

void DirRecordWriter::Add(const RecordedDir& dir) {
  if (!begun_) return;
  uint8_t flags = static_cast<uint8_t>(dir.kind);
  if (dir.listed) flags |= kListed;
  if (dir.attributes & kAttrHidden) flags |= kHidden;
  if (dir.attributes & kAttrSystem) flags |= kSystem;
  const DirStamp& s = dir.stamp;
  if (dir.kind == RecordedKind::kRead &&
      (dir.reread || s.modified >= scanStart_ - RacyWindowNs ||
       s.changed >= scanStart_ - RacyWindowNs))
    flags |= kReread;
  // The flags and a hidden one's name, then its stamp.
  char head[1 + 10];
  char* headEnd = head;
  *headEnd++ = static_cast<char>(flags);
  const std::string_view name = dir.listed ? std::string_view() : dir.name;
  if (!dir.listed) headEnd = PutVar(headEnd, name.size());
  char tail[10 * 7];
  char* end = tail;
  if (dir.kind == RecordedKind::kRead) {
    int64_t prevSeconds, prevNanos, seconds, nanos, changedSeconds, changedNanos;
    SplitTime(prev_.modified, &prevSeconds, &prevNanos);
    SplitTime(s.modified, &seconds, &nanos);
    SplitTime(s.changed, &changedSeconds, &changedNanos);
    end = PutSigned(end, static_cast<int64_t>(s.device - prev_.device));
    end = PutSigned(end, static_cast<int64_t>(s.id - prev_.id));
    end = PutSigned(end, seconds - prevSeconds);
    end = PutVar(end, static_cast<uint64_t>(nanos));
    end = PutSigned(end, changedSeconds - seconds);
    end = PutSigned(end, changedNanos - nanos);
    end = PutVar(end, dir.children);
    prev_ = s;
  }
  const std::string_view parts[3] = {std::string_view(head, static_cast<size_t>(headEnd - head)),
                                     name, std::string_view(tail, static_cast<size_t>(end - tail))};
  if (Matching()) {
    size_t at = matched_;
    bool same = true;
    for (std::string_view part : parts) {
      same = same && oldNodes_.substr(std::min(at, oldNodes_.size()), part.size()) == part;
      at += part.size();
    }
    if (same) {
      matched_ = at;
      return;
    }
    if (!Depart()) return;
  }
  for (std::string_view part : parts) buffer_.append(part.data(), part.size());
  if (buffer_.size() >= 65536) Flush(false);
}

void DirRecordWriter::AddOld(const RecordedDir& dir, const RecordedDir& old) {
  const uint32_t marks = kAttrHidden | kAttrSystem;
  const DirStamp& s = dir.stamp;
  if (Matching() && old.recordAt == matched_ && dir.kind == RecordedKind::kRead &&
      old.kind == RecordedKind::kRead && !dir.reread && !old.reread && dir.listed == old.listed &&
      (dir.attributes & marks) == (old.attributes & marks) && dir.children == old.children &&
      s == old.stamp && (dir.listed || dir.name == old.name) &&
      s.modified < scanStart_ - RacyWindowNs && s.changed < scanStart_ - RacyWindowNs) {
    matched_ = old.recordEnd;
    prev_ = s;
    return;
  }
  Add(dir);
}

// What does not fill a word of the checksum waits for the next flush; the
// last one ends the sum.
void DirRecordWriter::Flush(bool last) {
  if (!begun_ || !file_) return;
  const size_t n = last ? buffer_.size() : buffer_.size() / 8 * 8;
  checksum_ = last ? Hash(checksum_, buffer_.data(), n) : HashWords(checksum_, buffer_.data(), n);
  if (!failed_ && n > 0 && file_->Write(buffer_.data(), static_cast<int>(n)) != kIoOk)
    failed_ = true;
  written_ += n;
  buffer_.erase(0, n);
}

bool DirRecordWriter::Finish(int count, ScanFileRewrite* rewrite, uint64_t linesHash) {
  if (!begun_ || (!file_ && !Depart())) return false;
  PutFixed(&buffer_, static_cast<uint64_t>(count - 1));
  PutFixed(&buffer_, linesHash);
  Flush(true);
  std::string sum;
  PutFixed(&sum, checksum_);
  if (file_->Write(sum.data(), 8) != kIoOk || file_->Close() != kIoOk) failed_ = true;
  file_.reset();
  if (failed_) {
    // Without it the next rescan walks the drive whole; KS.DAT is what
    // counts.
    theSystem->DeleteFile(tempPath_);
    ForgetRewriteTemp(tempPath_);
    tempPath_.clear();
    return false;
  }
  // The rewrite removes it from now on, should it not reach its place.
  rewrite->records.push_back({tempPath_, DirRecordPath(driveNumber_)});
  tempPath_.clear();
  return true;
}

void DirRecordWriter::Abandon() {
  if (file_) {
    file_->Close();
    file_.reset();
  }
  if (!tempPath_.empty()) {
    theSystem->DeleteFile(tempPath_);
    ForgetRewriteTemp(tempPath_);
    tempPath_.clear();
  }
  buffer_.clear();
  begun_ = false;
  keptOld_ = false;
  oldNodes_ = std::string_view();
}
