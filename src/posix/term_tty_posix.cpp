#include <algorithm>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

#include "posix/term_tty.h"

namespace {

// Everything the handlers touch is prepared in plain static storage.
int inFd = 0;
bool inIsTty = false;
struct termios original;
struct termios program;
volatile sig_atomic_t programModeOn = 0;
volatile sig_atomic_t fullScreenOn = 0;
volatile sig_atomic_t redrawAsked = 0;
volatile sig_atomic_t resizeAsked = 0;
int screenFd = -1;
char leaveSeq[512];
size_t leaveLen = 0;
char enterSeq[512];
size_t enterLen = 0;
int wakePipe[2] = {-1, -1};

void WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
}

void Wake() {
  if (wakePipe[1] >= 0) {
    char b = 1;
    ssize_t ignored = write(wakePipe[1], &b, 1);
    (void)ignored;
  }
}

void GiveBack() {
  if (fullScreenOn && screenFd >= 0) WriteAll(screenFd, leaveSeq, leaveLen);
  if (programModeOn && inIsTty) tcsetattr(inFd, TCSANOW, &original);
}

void Install(int sig, void (*handler)(int), int flags) {
  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = flags;
  sigaction(sig, &sa, nullptr);
}

void OnFatal(int sig) {
  int saved = errno;
  GiveBack();
  // The handler was reset on entry; the signal now ends the process as it
  // would have without us.
  raise(sig);
  errno = saved;
}

void OnBrokenPipe(int) {}

void OnStop(int) {
  int saved = errno;
  GiveBack();
  raise(SIGTSTP);  // the default action: stopped here until SIGCONT
  Install(SIGTSTP, OnStop, SA_RESTART | SA_RESETHAND | SA_NODEFER);
  if (programModeOn && inIsTty) tcsetattr(inFd, TCSANOW, &program);
  if (fullScreenOn && screenFd >= 0) {
    WriteAll(screenFd, enterSeq, enterLen);
    redrawAsked = 1;
  }
  Wake();
  errno = saved;
}

void OnContinue(int) {
  int saved = errno;
  if (fullScreenOn) redrawAsked = 1;
  Wake();
  errno = saved;
}

void OnResize(int) {
  int saved = errno;
  resizeAsked = 1;
  Wake();
  errno = saved;
}

}  // namespace

void TtyInit(int fd) {
  inFd = fd;
  inIsTty = isatty(fd) && tcgetattr(fd, &original) == 0;
  if (inIsTty) {
    program = original;
    program.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    program.c_lflag |= ISIG;
    program.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON);
    program.c_cc[VMIN] = 1;
    program.c_cc[VTIME] = 0;
  }
  if (wakePipe[0] < 0 && pipe(wakePipe) == 0) {
    for (int end : wakePipe) {
      fcntl(end, F_SETFL, fcntl(end, F_GETFL) | O_NONBLOCK);
      fcntl(end, F_SETFD, FD_CLOEXEC);
    }
  }
  const int kFatal[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  for (int sig : kFatal) {
    struct sigaction old;
    sigaction(sig, nullptr, &old);
    // A signal the caller chose to ignore stays ignored.
    if (old.sa_handler != SIG_IGN) Install(sig, OnFatal, SA_RESETHAND | SA_NODEFER);
  }
  // Every other signal that would end the process gives the terminal back
  // too; one that already has a handler (a sanitizer's) keeps it.
  const int kAlsoFatal[] = {
      SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ,
      SIGIO,   SIGSYS,  SIGTRAP, SIGABRT,   SIGBUS,  SIGFPE,  SIGILL, SIGSEGV,
#ifdef SIGSTKFLT
      SIGSTKFLT,
#endif
#ifdef SIGPWR
      SIGPWR,
#endif
  };
  auto installIfDefault = [](int sig) {
    struct sigaction old;
    if (sigaction(sig, nullptr, &old) == 0 && !(old.sa_flags & SA_SIGINFO) &&
        old.sa_handler == SIG_DFL)
      Install(sig, OnFatal, SA_RESETHAND | SA_NODEFER);
  };
  for (int sig : kAlsoFatal) installIfDefault(sig);
  for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) installIfDefault(sig);
  // A closed output pipe is a failed write, reported like any other, not
  // a silent end.  A handler rather than SIG_IGN: a program started from
  // here gets the default back.
  struct sigaction pipeOld;
  sigaction(SIGPIPE, nullptr, &pipeOld);
  if (pipeOld.sa_handler == SIG_DFL) Install(SIGPIPE, OnBrokenPipe, SA_RESTART);
  struct sigaction old;
  sigaction(SIGTSTP, nullptr, &old);
  if (old.sa_handler != SIG_IGN)
    Install(SIGTSTP, OnStop, SA_RESTART | SA_RESETHAND | SA_NODEFER);
  Install(SIGCONT, OnContinue, SA_RESTART);
  Install(SIGWINCH, OnResize, SA_RESTART);
}

bool TtyInputIsTerminal() { return inIsTty; }

void TtyProgramMode() {
  if (!inIsTty || programModeOn) return;
  tcsetattr(inFd, TCSANOW, &program);
  programModeOn = 1;
}

void TtyRestore() {
  if (!inIsTty || !programModeOn) return;
  tcsetattr(inFd, TCSANOW, &original);
  programModeOn = 0;
}

void TtySetScreenSequences(int outFd, const std::string& leave,
                           const std::string& enter) {
  screenFd = outFd;
  leaveLen = std::min(leave.size(), sizeof leaveSeq);
  memcpy(leaveSeq, leave.data(), leaveLen);
  enterLen = std::min(enter.size(), sizeof enterSeq);
  memcpy(enterSeq, enter.data(), enterLen);
}

void TtySetFullScreen(bool on) { fullScreenOn = on ? 1 : 0; }

int TtyWakeFd() { return wakePipe[0]; }

TtyRequests TtyTakeRequests() {
  char buffer[64];
  if (wakePipe[0] >= 0) {
    while (read(wakePipe[0], buffer, sizeof buffer) > 0) {
    }
  }
  TtyRequests r;
  r.redraw = redrawAsked != 0;
  r.resize = resizeAsked != 0;
  redrawAsked = 0;
  resizeAsked = 0;
  return r;
}
