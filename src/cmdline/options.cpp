#include "cmdline/options.h"
#include "shell/process.h"

// Not built yet.
void RunCommandLineMode() {}
void ShowOptionList() { EndProcess(0); }
