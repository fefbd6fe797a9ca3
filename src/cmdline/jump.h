// The directory jump with its pop-up chooser.
#pragma once

#include <memory>
#include <string>

#include "system/system.h"

enum class MatchMode { kStartsWith, kAnywhere };

struct DerivedPattern {
  std::string pattern;
  MatchMode mode = MatchMode::kStartsWith;
  int driveRestriction = 0;
};

DerivedPattern DerivePattern(const std::string& argument);
// `scanFile` is the scan file, opened for reading by the dispatcher.
void JumpToDirectory(std::unique_ptr<File> scanFile,
                     const DerivedPattern& pattern);
