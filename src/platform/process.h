// Ending the process, and the strict file operations whose failure ends it.
#pragma once

#include <string>

// What a run came to, as a POSIX shell launcher reports it: 0 when the shell
// is moved or the request done, 1 when nothing was found or the user left,
// 2 when the program reported an error.
enum class Outcome { kMoved, kDone, kNothing, kError };

// The status the process ends with: `code` (the Windows launcher's contract)
// unless the launcher asked for shell statuses, then `outcome`'s.
int ProcessStatus(int code, Outcome outcome);

// Registers clean-up that EndProcess runs before the process ends (a module
// above this one that must leave no trace behind); a hook is kept once.
void AtProcessEnd(void (*hook)());

// Ends the process, giving the terminal back first.  Every end of the program
// goes through here (tests observe it as an exception from the test system).
[[noreturn]] void EndProcess(int code, Outcome outcome);
// Code 1 is a move, anything else a run that came to nothing.
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
