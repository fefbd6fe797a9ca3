#include "cmdline/jump.h"

// Not built yet.
DerivedPattern DerivePattern(const std::string& a) { DerivedPattern p; p.pattern = a; return p; }
void JumpToDirectory(std::unique_ptr<File>, const DerivedPattern&) {}
