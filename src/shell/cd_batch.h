// The change-directory handoff: the cd file the launcher runs after the
// program has ended.
#pragma once

#include <string>

void WriteCdBatch();

// The two lines of KS95CD.BAT for `directory` ("%" written as "%%").
std::string CdBatchText(const std::string& directory);
// A POSIX shell script that changes to `hostPath`, quoted so that no name
// can run shell code.
std::string CdScriptText(const std::string& hostPath);
