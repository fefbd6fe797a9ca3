// Terminal key sequences (xterm, tmux) decoded into console key events, so
// that a POSIX terminal feeds the same translation as the Windows console.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/console_device.h"

struct ParsedKeys {
  std::vector<InputRecord> events;
  size_t consumed = 0;  // bytes of the input used
  // True when the input ends in the middle of a sequence (or with a lone
  // Esc): the caller waits a short time for more before calling again with
  // `final` set.
  bool incomplete = false;
};

// Decodes as many whole keys as `bytes` holds.  With `final`, a trailing
// partial sequence is taken as what it can be (a lone Esc is the Esc key).
ParsedKeys ParseTerminalKeys(const std::string& bytes, bool final);
