#include "browser/navigate.h"

// Not built yet.
void DispatchKey() {}
