// The terminal's line discipline and the signals that must give it back:
// the POSIX console's part that runs inside signal handlers.
#pragma once

#include <string>

// Remembers the terminal's mode as the program found it and installs the
// handlers for SIGINT, SIGTERM, SIGHUP, SIGQUIT (give the terminal back,
// then die of the signal), SIGTSTP/SIGCONT (give it back while stopped,
// take it again and ask for a redraw) and SIGWINCH.
void TtyInit(int inputFd);
bool TtyInputIsTerminal();

// Keys one at a time, unechoed, Enter as CR, Ctrl-C and Ctrl-Z as signals.
void TtyProgramMode();
// The mode the program found.
void TtyRestore();

// Sequences that leave and re-enter the full screen, written from signal
// handlers (prepared beforehand: nothing can be looked up there).
void TtySetScreenSequences(int outFd, const std::string& leave,
                           const std::string& enter);
void TtySetFullScreen(bool on);

// A descriptor that becomes readable when a signal asks for attention.
int TtyWakeFd();
// Clears the wake-up and returns what was asked for.
struct TtyRequests {
  bool redraw = false;
  bool resize = false;
};
TtyRequests TtyTakeRequests();
