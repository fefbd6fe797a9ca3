#include "shell/shell.h"
#include "shell/process.h"

// Not built yet.
void RunTreeMode() { EndProcess(0); }
