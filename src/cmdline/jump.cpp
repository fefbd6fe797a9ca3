#include "cmdline/jump.h"

#include <cstring>
#include <string_view>

#include "crt32/console.h"
#include "platform/process.h"
#include "crt32/screen.h"
#include "scanner/refresh.h"
#include "store/drive_table.h"
#include "store/text_file.h"
#include "text/ascii.h"
#include "platform/console_device.h"

namespace {

// `text` as one word of a POSIX shell line, typed as shown.
std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}


// The directory name of a scan-file line (after its last backslash), or an
// empty view for a line that is no directory line: root lines, lines outside
// the format (hand edits, truncated writes) and anything the jump could not
// change into are never offered.
std::string_view DirectoryName(std::string_view line) {
  if (line.size() < 4 || DriveNumberOf(line) == 0 || line[1] != ':' ||
      line[2] != '\\' || line[3] == '*')
    return std::string_view();
  return line.substr(LastBackslash(line) + 1);
}

struct Matcher {
  const DerivedPattern& p;
  std::string upperName;  // reused for every line

  // 0-based offset of the match in `name`, or -1.
  int Match(std::string_view name, bool exactPass) {
    const std::string& pat = p.pattern;
    if (exactPass || p.mode == MatchMode::kStartsWith) {
      // Cheap checks first: most lines fail on the length or first bytes.
      if (name.size() < pat.size()) return -1;
      if (exactPass != (name.size() == pat.size())) return -1;
      for (size_t i = 0; i < pat.size(); ++i)
        if (UpperAscii(name[i]) != pat[i]) return -1;
      return 0;
    }
    if (name.size() <= pat.size()) return -1;  // equal length would be exact
    upperName.assign(name.data(), name.size());
    for (char& c : upperName) c = UpperAscii(c);
    size_t at = upperName.find(pat);
    return at == std::string::npos ? -1 : static_cast<int>(at);
  }
};

// One pass over the file finds both kinds: the exact ones come first in
// the list, and the partial ones fill what room they leave.
void CollectPass(LineReader* reader, const DerivedPattern& p, CandidateList* list) {
  Matcher matcher{p, std::string()};
  const size_t n = p.pattern.size();
  std::vector<Candidate> partial;
  std::string_view line;
  while (static_cast<int>(list->items.size()) < MaxCandidates && reader->Next(&line)) {
    // An equal name ends the line after a backslash: most lines fail that
    // test before their name is looked for.
    const bool mayBeExact = line.size() >= n + 3 && line[line.size() - n - 1] == '\\' &&
                            UpperAscii(line[line.size() - n]) == p.pattern[0];
    const bool wantPartial = static_cast<int>(partial.size()) < MaxCandidates;
    if (!mayBeExact && !wantPartial) continue;
    std::string_view name = DirectoryName(line);
    if (name.empty()) continue;
    int drive = DriveNumberOf(line);
    if (p.driveRestriction > 0 && drive != p.driveRestriction) continue;
    if (!Drive(drive).present) continue;
    const int nameStart = static_cast<int>(line.size() - name.size());
    if (mayBeExact && matcher.Match(name, true) == 0) {
      list->items.push_back(Candidate{std::string(line), nameStart + 1});
      continue;
    }
    if (!wantPartial) continue;
    const int at = matcher.Match(name, false);
    if (at >= 0) partial.push_back(Candidate{std::string(line), nameStart + at + 1});
  }
  list->exactCount = static_cast<int>(list->items.size());
  for (Candidate& c : partial) {
    if (static_cast<int>(list->items.size()) >= MaxCandidates) break;
    list->items.push_back(std::move(c));
  }
}

void ChangeToCandidate(const Candidate& c) {
  if (theSystem->SetCurrentDirectory(c.path)) {
    prog.ExitCode = 1;
    return;
  }
  // An empty start-up directory (one without a name the program can hold)
  // was never left: the failed change stayed where it was.
  if (!prog.startupDirectory.empty() &&
      !theSystem->SetCurrentDirectory(prog.startupDirectory))
    RunTimeError(kIoPathNotFound);
  FatalExit("Error changing to " + ScreenName(c.path) +
            "\r\nYou may need to rescan drives.");
}

// KS95_REFRESH=off (or 0, no, false) keeps a jump that finds nothing from
// rescanning: for slow or huge drives, where the user rather rescans by hand.
bool RefreshWanted() {
  std::string value = UpperAscii(theSystem->EnvironmentValue("KS95_REFRESH"));
  return value != "OFF" && value != "0" && value != "NO" && value != "FALSE";
}

}  // namespace

DerivedPattern DerivePattern(const std::string& argument) {
  DerivedPattern d;
  d.pattern = argument;
  size_t star = argument.find('*');
  if (star != std::string::npos) {
    d.pattern = argument.substr(0, star) + argument.substr(star + 1, 12);
    d.mode = MatchMode::kAnywhere;
  }
  if (d.pattern.size() > 2 && d.pattern[1] == ':') {
    // Not DriveNumberOfLetter: a byte past 'Z' ("[:WIN") restricts to a
    // drive that does not exist and so finds nothing, where the parser's 0
    // would search every drive; one before 'A' ("1:WIN") restricts nothing.
    d.driveRestriction = static_cast<unsigned char>(d.pattern[0]) - 64;
    d.pattern.erase(0, 2);
  }
  return d;
}

CandidateList CollectCandidates(std::unique_ptr<File> scanFile,
                                const DerivedPattern& p) {
  CandidateList list;
  list.patternLength = static_cast<int>(p.pattern.size());
  LineReader reader(std::move(scanFile));
  // An empty pattern would equal the empty name of no line and occur in
  // every one; it stands for nothing.
  if (!p.pattern.empty()) CollectPass(&reader, p, &list);
  reader.Close();
  list.partialCount = static_cast<int>(list.items.size()) - list.exactCount;
  return list;
}

void JumpToDirectory(std::unique_ptr<File> scanFile, const DerivedPattern& p) {
  CandidateList list = CollectCandidates(std::move(scanFile), p);
  // A folder made since the last scan is found by scanning again before
  // giving up.  An empty pattern matches nothing however fresh the file.
  // A refresh that found every directory as it was would match as before:
  // only a changed file is read again.
  if (list.items.empty() && !p.pattern.empty() && RefreshWanted() &&
      RefreshScannedDrives(p.driveRestriction) == RefreshResult::kRefreshed) {
    Opened<File> fresh = theSystem->OpenFile(ScanFilePath(), OpenMode::kRead);
    if (!fresh.handle) RunTimeError(fresh.error != 0 ? fresh.error : kIoFileNotFound);
    list = CollectCandidates(std::move(fresh.handle), p);
  }
  if (list.items.empty()) {
    const std::string quoted = "\"" + p.pattern + "\"";
    if (p.mode == MatchMode::kStartsWith) {
      // A POSIX shell would expand a bare *NAME: the hint is quoted for it.
      if (prog.posixLauncher)
        FatalExit(quoted + " not found.  Try ks " + ShellQuoted("*" + p.pattern) +
                      " instead.",
                  Outcome::kNothing);
      FatalExit(quoted + " not found.  Try \"*" + p.pattern + "\" instead.",
                Outcome::kNothing);
    }
    FatalExit(quoted + " not found.  You may need to rescan drives.",
              Outcome::kNothing);
  }
  // One match needs no screen at all: the terminal is left alone.
  if (list.items.size() == 1) {
    ChangeToCandidate(list.items[0]);
    return;
  }
  // Nobody to pick one (a script, a pipe): the candidates are the answer.
  if (!theConsole->InputIsTerminal()) {
    for (const Candidate& c : list.items) WriteLine(c.path);
    EndProcess(0);
  }
  int picked = RunChooser(list);
  if (picked > 0) ChangeToCandidate(list.items[static_cast<size_t>(picked - 1)]);
  ShowCursor();
  SetForeground(7);
  SetBackground(0);
}
