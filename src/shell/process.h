// Ending the process, and the strict file operations whose failure ends it.
#pragma once

#include <string>

// Ends the process with `code`, giving the terminal back first.  Every end of
// the program goes through here (tests observe it as an exception from the
// test system).
[[noreturn]] void EndProcess(int code);

// Text of an I/O error for the run-time error report.
std::string IoErrorText(int error);

// The run-time error report: one line naming the failure, exit code 1, no
// screen restore, no cd file.
[[noreturn]] void RunTimeError(int error);

// A strict operation's outcome: any error ends the program at once.
inline void Strict(int error) {
  if (error != 0) RunTimeError(error);
}
