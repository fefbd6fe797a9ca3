// The console device of a POSIX terminal.  It keeps its own screen buffer
// (cell_buffer.h) and shows it through ncursesw on the terminal's alternate
// screen, but only once the program draws: until then standard output is
// plain output, so command-line results stay in the terminal and pipe.
#include <curses.h>
#include <errno.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>
#include <wchar.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "terminal/term_keys.h"
#include "text/text_cells.h"
#include "terminal/cell_buffer.h"
#include "posix/clock_posix.h"
#include "platform/platform.h"
#include "posix/term_tty.h"

namespace {

// How long an Esc waits for the rest of a key sequence.
const int kEscDelayMs = 25;
// Screen updates between key reads reach the terminal at most this often.
const int kFlushIntervalMs = 30;
// A scan asks for keys between directory entries; the terminal is asked at
// most this often, a key read this much later is still at once.
const int kPollIntervalMs = 2;

bool WindowSize(int fd, int* columns, int* rows) {
  struct winsize ws;
  if (fd < 0 || ioctl(fd, TIOCGWINSZ, &ws) != 0 || ws.ws_col == 0 ||
      ws.ws_row == 0)
    return false;
  *columns = ws.ws_col;
  *rows = ws.ws_row;
  return true;
}

void TerminalSize(int* columns, int* rows) {
  *columns = 80;
  *rows = 25;
  if (WindowSize(1, columns, rows) || WindowSize(0, columns, rows)) return;
  int fd = open("/dev/tty", O_RDONLY | O_CLOEXEC);
  bool found = WindowSize(fd, columns, rows);
  if (fd >= 0) close(fd);
  if (found) return;
  if (const char* c = getenv("COLUMNS")) *columns = std::max(0, atoi(c));
  if (const char* r = getenv("LINES")) *rows = std::max(0, atoi(r));
  if (*columns <= 0) *columns = 80;
  if (*rows <= 0) *rows = 25;
}

std::string Capability(const char* name) {
  char* s = tigetstr(name);
  if (s == nullptr || s == reinterpret_cast<char*>(-1)) return std::string();
  return s;
}

// Box drawing and arrows for a terminal whose locale is not UTF-8.
chtype NarrowGlyph(uint32_t code) {
  switch (code) {
    case 0x2500: case 0x2550: return ACS_HLINE;
    case 0x2502: case 0x2551: return ACS_VLINE;
    case 0x250C: case 0x2552: case 0x2553: case 0x2554: return ACS_ULCORNER;
    case 0x2510: case 0x2555: case 0x2556: case 0x2557: return ACS_URCORNER;
    case 0x2514: case 0x2558: case 0x2559: case 0x255A: return ACS_LLCORNER;
    case 0x2518: case 0x255B: case 0x255C: case 0x255D: return ACS_LRCORNER;
    case 0x251C: case 0x255E: case 0x255F: case 0x2560: return ACS_LTEE;
    case 0x2524: case 0x2561: case 0x2562: case 0x2563: return ACS_RTEE;
    case 0x252C: case 0x2564: case 0x2565: case 0x2566: return ACS_TTEE;
    case 0x2534: case 0x2567: case 0x2568: case 0x2569: return ACS_BTEE;
    case 0x253C: case 0x256A: case 0x256B: case 0x256C: return ACS_PLUS;
    case 0x2191: case 0x25B2: return ACS_UARROW;
    case 0x2193: case 0x25BC: return ACS_DARROW;
    case 0x2190: case 0x25C4: return ACS_LARROW;
    case 0x2192: case 0x25BA: return ACS_RARROW;
    case 0x2588: case 0x25A0: return ACS_BLOCK;
    case 0x2591: case 0x2592: case 0x2593: return ACS_CKBOARD;
    case 0x00B0: return ACS_DEGREE;
    case 0x00B1: return ACS_PLMINUS;
    case 0x00B7: case 0x2219: case 0x2022: return ACS_BULLET;
    case 0x00A0: return ' ';
    default: return code < 0x80 ? code : '?';
  }
}

// The code points of a cell's UTF-8 bytes (valid by construction).
int DecodeCell(const std::string& text, wchar_t* out, int room) {
  int n = 0;
  for (size_t i = 0; i < text.size() && n < room;) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    int length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    uint32_t code = length == 1 ? b : b & (0x7F >> length);
    for (int k = 1; k < length && i + static_cast<size_t>(k) < text.size(); ++k)
      code = (code << 6) | (static_cast<unsigned char>(text[i + static_cast<size_t>(k)]) & 0x3F);
    out[n++] = static_cast<wchar_t>(code);
    i += static_cast<size_t>(length);
  }
  return n;
}

class PosixConsole;
PosixConsole* liveConsole = nullptr;

class PosixConsole : public ConsoleDevice {
 public:
  PosixConsole() {
    int columns, rows;
    TerminalSize(&columns, &rows);
    cells_.Resize(std::min(columns, 1000), std::min(rows, 1000));
    cells_.TakeDirty();
    TtyInit(0);
    outputTerminal_ = isatty(1) != 0;
    liveConsole = this;
  }
  ~PosixConsole() override {
    Shutdown();
    liveConsole = nullptr;
  }

  bool GetBufferInfo(BufferInfo* info) override {
    info->size.x = static_cast<int16_t>(cells_.Columns());
    info->size.y = static_cast<int16_t>(cells_.Rows());
    info->cursor = cursor_;
    info->attributes = attribute_;
    info->window.left = 0;
    info->window.top = 0;
    info->window.right = static_cast<int16_t>(cells_.Columns() - 1);
    info->window.bottom = static_cast<int16_t>(cells_.Rows() - 1);
    return true;
  }

  void SetCursorPosition(Coord at) override {
    // Past the right edge is allowed while the program draws: output there
    // is dropped rather than wrapped (see WriteOutput).
    if (at.x < 0 || at.y < 0 || (at.x >= cells_.Columns() && !fullScreen_) ||
        at.y >= cells_.Rows())
      return;
    cursor_ = at;
    cursorMoved_ = true;
    MaybeFlush();
  }

  void SetTextAttribute(uint16_t attribute) override { attribute_ = attribute; }

  void FillAttribute(uint16_t attribute, int cells, Coord at) override {
    cells_.FillAttribute(attribute, cells, at);
    CellsWritten();
  }
  void FillCharacter(char ch, int cells, Coord at) override {
    cells_.FillCharacter(ch, cells, at);
    CellsWritten();
  }
  void WriteCharacters(const char* text, int bytes, Coord at) override {
    cells_.WriteCharacters(text, bytes, at);
    CellsWritten(WholeBuffer(at, bytes));
    RestoredCheck(at);
  }
  void WriteAttributes(const uint16_t* attributes, int cells,
                       Coord at) override {
    cells_.WriteAttributes(attributes, cells, at);
    CellsWritten(WholeBuffer(at, cells));
    RestoredCheck(at);
  }
  void ReadCharacters(char* out, int cells, Coord at) override {
    cells_.ReadCharacters(out, cells, at);
  }
  void ReadAttributes(uint16_t* out, int cells, Coord at) override {
    cells_.ReadAttributes(out, cells, at);
  }

  void GetCursorInfo(CursorInfo* info) override { *info = cursorInfo_; }
  void SetCursorInfo(const CursorInfo& info) override {
    cursorInfo_ = info;
    cursorMoved_ = true;
    // Hiding the cursor is how a full-screen program starts drawing.
    if (!info.visible && !fullScreen_) EnterFullScreen();
    MaybeFlush();
  }

  bool WriteOutput(const char* text, int bytes) override {
    if (fullScreen_) {
      // Prompts and messages stay on their row, however narrow the
      // terminal: a wrap on the last row would scroll the whole screen.
      cells_.Output(text, bytes, &cursor_, attribute_, false);
      cursorMoved_ = true;
      MaybeFlush();
      return true;
    }
    // The terminal is the user's again while the program writes to it.
    TtyRestore();
    std::string out = plain_.Convert(text, bytes);
    if (!out.empty() && fwrite(out.data(), 1, out.size(), stdout) != out.size())
      return false;
    return fflush(stdout) == 0;
  }

  bool Utf8Cells() const override { return true; }
  bool OutputIsTerminal() const override { return outputTerminal_; }
  bool InputIsTerminal() const override { return TtyInputIsTerminal(); }
  bool FollowsWindowSize() const override { return true; }

  uint32_t GetInputMode() override { return inputMode_; }
  void SetInputMode(uint32_t mode) override { inputMode_ = mode; }

  bool WaitForInput() override {
    if (fullScreen_) Flush();
    for (;;) {
      Pump(0);
      if (!queue_.empty()) return true;
      if (eof_ && pending_.empty()) return false;
      int timeout = -1;
      if (!pending_.empty())
        timeout = static_cast<int>(
            std::max(0LL, kEscDelayMs - (MonotonicMs() - lastByteMs_)) + 1);
      Pump(timeout);
      if (!queue_.empty()) return true;
    }
  }

  int NumberOfInputEvents() override {
    Pump(0);
    MaybeFlush();
    return static_cast<int>(queue_.size());
  }

  bool PeekInput(InputRecord* record) override {
    Pump(0);
    if (queue_.empty()) return false;
    *record = queue_.front();
    return true;
  }

  bool ReadInput(InputRecord* record) override {
    if (queue_.empty() && !WaitForInput()) return false;
    *record = queue_.front();
    queue_.pop_front();
    return true;
  }

  bool ReadChar(uint8_t* ch) override {
    InputRecord record;
    if (!ReadInput(&record)) return false;
    *ch = record.key.asciiChar;
    return true;
  }

  int LayoutCharacter(int virtualKey, bool shift) override {
    static const char kShifted[] = ")!@#$%^&*(";
    if (virtualKey < '0' || virtualKey > '9') return -1;
    return shift ? kShifted[virtualKey - '0'] : virtualKey;
  }

  void Shutdown() override {
    if (fullScreen_) LeaveFullScreen();
    shutDown_ = true;
    TtyRestore();
    std::string rest = plain_.Finish();
    if (!rest.empty()) fwrite(rest.data(), 1, rest.size(), stdout);
    fflush(stdout);
  }

 private:
  // The terminal has a new size: the buffer takes it (blank, for the
  // program to draw anew) and the program hears of it as an input event.
  void FollowWindow() {
    int columns, rows;
    TerminalSize(&columns, &rows);
    columns = std::min(columns, 1000);
    rows = std::min(rows, 1000);
    if (screen_) resizeterm(rows, columns);
    if (columns == cells_.Columns() && rows == cells_.Rows()) return;
    cells_.Resize(columns, rows);
    cursor_.x = static_cast<int16_t>(std::min<int>(cursor_.x, columns - 1));
    cursor_.y = static_cast<int16_t>(std::min<int>(cursor_.y, rows - 1));
    if (!fullScreen_) cells_.TakeDirty();
    InputRecord event;
    event.eventType = kWindowBufferSizeEvent;
    event.size.x = static_cast<int16_t>(columns);
    event.size.y = static_cast<int16_t>(rows);
    queue_.push_back(event);
  }

  // A whole-buffer write is half of putting a saved screen back; the other
  // half follows at once, so the terminal need not see the mix.
  bool WholeBuffer(Coord at, int cells) const {
    return at.x == 0 && at.y == 0 && cells >= cells_.Columns() * cells_.Rows();
  }

  void CellsWritten(bool holdBack = false) {
    if (!cells_.AnyDirty()) return;
    if (!fullScreen_) {
      if (shutDown_) {
        cells_.TakeDirty();
        return;
      }
      EnterFullScreen();
    }
    if (!holdBack) MaybeFlush();
  }

  // Putting the user's screen back (a whole-buffer write that leaves every
  // cell as it was before the program drew) is leaving the full screen: the
  // terminal's own normal screen is the user's screen.
  void RestoredCheck(Coord at) {
    if (fullScreen_ && at.x == 0 && at.y == 0 && cells_.Blank())
      LeaveFullScreen();
  }

  void EnterFullScreen() {
    if (shutDown_) return;
    std::string rest = plain_.Finish();
    if (!rest.empty()) fwrite(rest.data(), 1, rest.size(), stdout);
    fflush(stdout);
    fullScreen_ = true;
    if (!screen_ && !cursesFailed_) OpenCurses();
    TtyProgramMode();
    if (screen_) {
      TtySetFullScreen(true);
      clearok(curscr, TRUE);
      shownCursor_ = -1;
    }
    cells_.MarkAllDirty();
    cursorMoved_ = true;
    Flush();
  }

  void LeaveFullScreen() {
    fullScreen_ = false;
    if (screen_) {
      TtySetFullScreen(false);
      endwin();
    }
    TtyRestore();
    cells_.TakeDirty();
  }

  void OpenCurses() {
    cursesFailed_ = true;
    setlocale(LC_CTYPE, "");
    utf8Locale_ = strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    int fd = 1;
    if (!isatty(1)) {
      // Standard output is redirected; the screen goes to the terminal.
      fd = open("/dev/tty", O_WRONLY | O_CLOEXEC);
      if (fd < 0) return;
      termOut_ = fdopen(fd, "w");
      if (!termOut_) {
        close(fd);
        return;
      }
    } else {
      termOut_ = stdout;
    }
    // curses keeps the terminal's mode at this moment as the one to give
    // back, so it must be the user's.
    TtyRestore();
    const char* term = getenv("TERM");
    screen_ = newterm(term && *term ? term : "vt100", termOut_, stdin);
    if (!screen_) screen_ = newterm("vt100", termOut_, stdin);
    if (!screen_) return;
    cursesFailed_ = false;
    set_term(screen_);
    typeahead(-1);  // keys are ours to read; never hold back an update
    keypad(stdscr, FALSE);
    leaveok(stdscr, FALSE);
    scrollok(stdscr, FALSE);
    if (has_colors() && start_color() == OK) {
      if (COLORS >= 16 && COLOR_PAIRS >= 256)
        colours_ = 16;
      else if (COLORS >= 8 && COLOR_PAIRS >= 64)
        colours_ = 8;
      sparePair_ = COLOR_PAIRS > colours_ * colours_;
    }
    pairReady_.assign(257, false);
    TtySetScreenSequences(
        fd, Capability("sgr0") + Capability("cnorm") + Capability("rmcup"),
        Capability("smcup"));
    TtyProgramMode();
    def_prog_mode();
  }

  void MaybeFlush() {
    if (!fullScreen_ || (!cells_.AnyDirty() && !cursorMoved_)) return;
    if (MonotonicMs() - lastFlushMs_ >= kFlushIntervalMs) Flush();
  }

  void Flush() {
    if (!fullScreen_) return;
    if (!screen_) {
      cells_.TakeDirty();
      return;
    }
    TtyRequests asked = TtyTakeRequests();
    if (asked.resize) {
      FollowWindow();
      asked.redraw = true;
    }
    if (asked.redraw) {
      clearok(curscr, TRUE);
      cells_.MarkAllDirty();
      shownCursor_ = -1;
    }
    std::vector<bool> dirty = cells_.TakeDirty();
    int rows = std::min(cells_.Rows(), LINES);
    for (int y = 0; y < rows; ++y)
      if (dirty[static_cast<size_t>(y)]) RenderRow(y);
    int visible = cursorInfo_.visible ? 1 : 0;
    if (visible != shownCursor_) {
      // After a redraw curses' idea of the cursor may be stale: say it twice.
      if (shownCursor_ < 0) curs_set(1 - visible);
      curs_set(visible);
      shownCursor_ = visible;
    }
    wmove(stdscr, std::min<int>(cursor_.y, LINES - 1),
          std::min<int>(cursor_.x, COLS - 1));
    wnoutrefresh(stdscr);
    doupdate();
    lastFlushMs_ = MonotonicMs();
    cursorMoved_ = false;
  }

  void Attributes(uint16_t attribute, attr_t* a, short* pair) {
    int fg = attribute & 15;
    int bg = (attribute >> 4) & 15;
    *a = A_NORMAL;
    *pair = 0;
    if (colours_ == 0) {
      if (bg != 0) *a |= A_REVERSE;
      if (fg & 8) *a |= A_BOLD;
      return;
    }
    if (colours_ == 8) {
      // Eight colours: bright foregrounds in bold, backgrounds dimmed.
      if (fg & 8) *a |= A_BOLD;
      fg &= 7;
      bg &= 7;
    }
    // Light grey on black comes first, so that where pairs are scarce
    // (xterm, screen, the Linux console: 64 for 8 x 8) it can be pair 0,
    // the terminal's own colours.
    int index = bg * colours_ + (fg ^ 7) + (sparePair_ ? 1 : 0);
    *pair = static_cast<short>(index);
    if (index == 0 || pairReady_[static_cast<size_t>(index)]) return;
    init_pair(*pair, static_cast<short>(AnsiColour(fg)),
              static_cast<short>(AnsiColour(bg)));
    pairReady_[static_cast<size_t>(index)] = true;
  }

  void RenderRow(int y) {
    int columns = std::min(cells_.Columns(), COLS);
    for (int x = 0; x < columns; ++x) {
      const Cell& cell = cells_.At(x, y);
      if (cell.kind == Cell::kWideTail) continue;
      attr_t a;
      short pair;
      Attributes(cell.attr, &a, &pair);
      int width = cell.kind == Cell::kWide ? 2 : 1;
      wchar_t w[CCHARW_MAX + 1] = {};
      if (cell.kind == Cell::kByte) {
        w[0] = static_cast<wchar_t>(
            Cp437Glyph(static_cast<uint8_t>(cell.text.empty() ? ' ' : cell.text[0])));
      } else {
        wchar_t all[CCHARW_MAX + 1] = {};
        int n = DecodeCell(cell.text, all, CCHARW_MAX);
        int k = 0;
        // A mark with nothing before it is shown on a blank.
        if (CodePointCells(static_cast<uint32_t>(all[0])) == 0) w[k++] = L' ';
        for (int i = 0; i < n && k < CCHARW_MAX; ++i) w[k++] = all[i];
      }
      bool fits = x + width <= columns;
      if (!utf8Locale_ || !fits || wcwidth(w[0]) != width) {
        // What the terminal cannot show as we measured it takes its cells
        // with stand-ins, so nothing after it moves.
        chtype c = (utf8Locale_ || !fits) ? '?' : NarrowGlyph(static_cast<uint32_t>(w[0]));
        if (w[0] == L' ') c = ' ';
        mvwaddch(stdscr, y, x, c | a | COLOR_PAIR(pair));
        if (width == 2 && x + 1 < columns)
          mvwaddch(stdscr, y, x + 1, ' ' | a | COLOR_PAIR(pair));
        continue;
      }
      cchar_t cc;
      setcchar(&cc, w, a, pair, nullptr);
      mvwadd_wch(stdscr, y, x, &cc);
    }
  }

  // Reads what the terminal has sent, waiting up to `timeoutMs` (-1: until
  // something comes), and turns it into key events.
  void Pump(int timeoutMs) {
    if (timeoutMs == 0 && pending_.empty()) {
      long long now = MonotonicMs();
      if (now - lastPollMs_ < kPollIntervalMs) return;
      lastPollMs_ = now;
    }
    if (!fullScreen_) TtyProgramMode();
    struct pollfd fds[2];
    int n = 0;
    int inSlot = -1, wakeSlot = -1;
    if (!eof_) {
      fds[n] = {0, POLLIN, 0};
      inSlot = n++;
    }
    if (TtyWakeFd() >= 0) {
      fds[n] = {TtyWakeFd(), POLLIN, 0};
      wakeSlot = n++;
    }
    if (n > 0 && poll(fds, static_cast<nfds_t>(n), timeoutMs) > 0) {
      if (inSlot >= 0 && fds[inSlot].revents != 0) {
        char buffer[512];
        ssize_t got = read(0, buffer, sizeof buffer);
        if (got > 0) {
          pending_.append(buffer, static_cast<size_t>(got));
          lastByteMs_ = MonotonicMs();
        } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
          eof_ = true;
        }
      }
      if (wakeSlot >= 0 && fds[wakeSlot].revents != 0) {
        if (fullScreen_)
          Flush();
        else if (TtyTakeRequests().resize)
          FollowWindow();
      }
    }
    if (pending_.empty()) return;
    bool final = eof_ || MonotonicMs() - lastByteMs_ >= kEscDelayMs;
    ParsedKeys parsed = ParseTerminalKeys(pending_, final);
    queue_.insert(queue_.end(), parsed.events.begin(), parsed.events.end());
    pending_.erase(0, parsed.consumed);
  }

  CellBuffer cells_;
  Coord cursor_;
  uint16_t attribute_ = 0x07;
  CursorInfo cursorInfo_;
  uint32_t inputMode_ = kEnableProcessedInput | kEnableLineInput |
                        kEnableEchoInput;
  PlainOutput plain_;
  bool fullScreen_ = false;
  bool outputTerminal_ = false;
  bool shutDown_ = false;
  bool cursorMoved_ = false;
  long long lastFlushMs_ = 0;

  std::deque<InputRecord> queue_;
  std::string pending_;
  long long lastByteMs_ = 0;
  long long lastPollMs_ = 0;
  bool eof_ = false;

  SCREEN* screen_ = nullptr;
  FILE* termOut_ = nullptr;
  bool cursesFailed_ = false;
  bool utf8Locale_ = false;
  int colours_ = 0;
  bool sparePair_ = false;
  std::vector<bool> pairReady_;
  int shownCursor_ = -1;
};

void ShutdownAtExit() {
  if (liveConsole) liveConsole->Shutdown();
}

}  // namespace

std::unique_ptr<ConsoleDevice> CreatePlatformConsole() {
  static bool registered = false;
  if (!registered) {
    registered = true;
    atexit(ShutdownAtExit);
  }
  return std::make_unique<PosixConsole>();
}
