// The directory jump with its pop-up chooser.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/system.h"

enum class MatchMode { kStartsWith, kAnywhere };

struct DerivedPattern {
  std::string pattern;
  MatchMode mode = MatchMode::kStartsWith;
  int driveRestriction = 0;
};

// Candidates never exceed this many, exact and partial together.
constexpr int MaxCandidates = 10000;

struct Candidate {
  std::string path;    // the scan-file line as stored
  int matchPosition;   // 1-based; an int, since paths may exceed 255
};

struct CandidateList {
  std::vector<Candidate> items;  // exact ones first, then partial ones
  int exactCount = 0;
  int partialCount = 0;
  int patternLength = 0;
};

DerivedPattern DerivePattern(const std::string& argument);
// `scanFile` is the scan file, opened for reading by the dispatcher.
void JumpToDirectory(std::unique_ptr<File> scanFile,
                     const DerivedPattern& pattern);

// Exact matches, then partial ones, from one reading of the scan file,
// which is closed here.
CandidateList CollectCandidates(std::unique_ptr<File> scanFile,
                                const DerivedPattern& pattern);

// The chooser over two or more candidates: the candidate picked with Enter
// (1-based), or 0 after Esc.
int RunChooser(const CandidateList& list);
