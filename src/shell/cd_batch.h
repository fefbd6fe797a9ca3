// The change-directory handoff: the cd file the launcher runs after the
// program has ended.
#pragma once

#include <string>

void WriteCdBatch();

// True when `directory` can stand between the quotes of a cd line: no
// control character, no quote and nothing else Windows forbids in a name.
bool CdBatchCanHold(const std::string& directory);
// The two lines of KS95CD.BAT for `directory` ("%" written as "%%"); empty
// when CdBatchCanHold refuses it.
std::string CdBatchText(const std::string& directory);
// A POSIX shell script that changes to `hostPath`, quoted so that no name
// can run shell code.
std::string CdScriptText(const std::string& hostPath);
