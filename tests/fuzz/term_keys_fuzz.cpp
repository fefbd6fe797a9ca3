// The terminal key parser over arbitrary bytes, whole and in two pieces.
#include <cstdlib>
#include <string>

#include "terminal/term_keys.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  for (bool final : {false, true}) {
    ParsedKeys whole = ParseTerminalKeys(bytes, final);
    if (whole.consumed > bytes.size()) abort();
    if (final && whole.consumed != bytes.size()) abort();
    for (const InputRecord& r : whole.events)
      if (r.eventType == kKeyEvent && r.key.repeatCount == 0) abort();
  }
  // Fed as a device does, in the pieces that arrive: nothing is lost.
  std::string rest = bytes;
  int rounds = 0;
  while (!rest.empty() && rounds++ < 10000) {
    ParsedKeys p = ParseTerminalKeys(rest, false);
    if (p.consumed == 0) p = ParseTerminalKeys(rest, true);
    if (p.consumed == 0) abort();
    rest.erase(0, p.consumed);
  }
  return 0;
}
