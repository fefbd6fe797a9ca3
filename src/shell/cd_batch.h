// The change-directory handoff: the cd file the launcher runs after the
// program has ended.
#pragma once

#include <string>

#include "platform/cd_format.h"  // the files' text

void WriteCdBatch();
