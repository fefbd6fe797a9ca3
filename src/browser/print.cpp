#include "browser/print.h"

// Not built yet.
void PrintTree() {}
