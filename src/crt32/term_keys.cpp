#include "crt32/term_keys.h"

// Not built yet.
ParsedKeys ParseTerminalKeys(const std::string&, bool) { return {}; }
