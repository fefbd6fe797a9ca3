#include "cmdline/add.h"
#include "shell/process.h"

// Not built yet.
void AddCurrentDirectory(std::unique_ptr<File>) { EndProcess(0); }
