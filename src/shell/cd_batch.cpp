#include "shell/cd_batch.h"

// Not built yet.
void WriteCdBatch() {}
std::string CdBatchText(const std::string&) { return std::string(); }
std::string CdScriptText(const std::string&) { return std::string(); }
