// Completion of the `ks` argument for the shells: the names of the scan file
// and the options that start with what the user typed.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"

// The argument that asks for completion; the word follows it.
constexpr char kCompleteOption[] = "--complete";

// The candidates for `word`, sorted, each once.  Names are last path
// components, matched without regard to letter case; a leading "d:" keeps
// to that drive and a "*" looks anywhere in a name, both kept in the
// candidates as typed.  A word starting with "/" or "-" completes the
// options.  `scanFile` may be null (no scan file: no names).
std::vector<std::string> CompletionCandidates(std::unique_ptr<File> scanFile,
                                              const std::string& word);

// The candidates of the scan file for `word` on standard output, one a line.
void PrintCompletions(const std::string& word);
