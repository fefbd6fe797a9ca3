#include "browser/help.h"

// Not built yet.
void ShowHelpScreen() {}
