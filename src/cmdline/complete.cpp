#include "cmdline/complete.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>

#include "crt32/console.h"
#include "store/drive_table.h"
#include "store/text_file.h"
#include "text/ascii.h"

namespace {


bool StartsWithFolded(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (UpperAscii(text[i]) != UpperAscii(prefix[i])) return false;
  return true;
}

bool ContainsFolded(std::string_view text, std::string_view part) {
  if (part.empty()) return true;
  for (size_t i = 0; i + part.size() <= text.size(); ++i)
    if (StartsWithFolded(text.substr(i), part)) return true;
  return false;
}

const char* const kOptions[] = {"-h", "--help", "/", "/a", "/s", "/s+"};

}  // namespace

std::vector<std::string> CompletionCandidates(std::unique_ptr<File> scanFile,
                                              const std::string& word) {
  std::set<std::string> found;
  if (!word.empty() && (word[0] == '/' || word[0] == '-')) {
    for (const char* option : kOptions)
      if (StartsWithFolded(option, word)) found.insert(option);
    return std::vector<std::string>(found.begin(), found.end());
  }
  // What the user typed before the name comes back with every candidate.
  size_t nameStart = 0;
  char drive = 0;
  if (word.size() >= 2 && word[1] == ':') {
    drive = UpperAscii(word[0]);
    nameStart = 2;
  }
  bool anywhere = nameStart < word.size() && word[nameStart] == '*';
  if (anywhere) ++nameStart;
  const std::string lead = word.substr(0, nameStart);
  const std::string_view typed = std::string_view(word).substr(nameStart);

  if (!scanFile) return {};
  LineReader reader(std::move(scanFile));
  std::string_view line;
  while (reader.Next(&line)) {
    // Root lines ("C:\*stamp") name no directory to complete.
    if (line.size() < 4 || line[1] != ':' || line[2] != '\\' || line[3] == '*')
      continue;
    if (drive && UpperAscii(line[0]) != drive) continue;
    std::string_view name = line.substr(line.rfind('\\') + 1);
    if (name.empty()) continue;
    bool match = anywhere ? ContainsFolded(name, typed)
                          : StartsWithFolded(name, typed);
    if (match) found.insert(lead + std::string(name));
  }
  reader.Close();
  return std::vector<std::string>(found.begin(), found.end());
}

void PrintCompletions(const std::string& word) {
  std::string out;
  for (const std::string& name : CompletionCandidates(
           theSystem->OpenFile(ScanFilePath(), OpenMode::kRead).handle, word)) {
    std::optional<std::string> shown = theSystem->ShellOutputText(name);
    if (!shown) continue;
    out += *shown;
    out += "\r\n";
  }
  if (!out.empty()) WriteText(out);
}
