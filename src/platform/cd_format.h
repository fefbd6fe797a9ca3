// The text of the cd files the launchers run after the program: the Windows
// cd batch, and the POSIX cd file in the forms a launcher can ask for
// (KS95_CDFORMAT).
#pragma once

#include <string>

#include "platform/system.h"

// True when `directory` can stand between the quotes of a cd line: no
// control character, no quote and nothing else Windows forbids in a name.
bool CdBatchCanHold(const std::string& directory);
// The two lines of KS95CD.BAT for `directory` ("%" written as "%%"); empty
// when CdBatchCanHold refuses it.
std::string CdBatchText(const std::string& directory);
// A POSIX shell script that changes to `hostPath`, quoted so that no name
// can run shell code.
std::string CdScriptText(const std::string& hostPath);

// `format` "plain": the host path and one NUL byte, for shells that cannot
// run a POSIX script but can read up to a NUL (fish: `read -z`).  Anything
// else, unset included: the quoted POSIX `cd` script.
std::string PosixCdFileText(const std::string& hostPath, const char* format);
// The POSIX format a launcher asked for by name (KS95_CDFORMAT).
CdFileFormat PosixCdFormat(const char* format);

// The whole cd file in `format` for `directory`, already in the form
// System::CdFileDirectory gives; empty when the format cannot hold it.
std::string CdFileText(CdFileFormat format, const std::string& directory);
