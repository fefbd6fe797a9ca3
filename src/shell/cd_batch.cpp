#include "shell/cd_batch.h"

#include <vector>

#include "crt32/console.h"
#include "system/process.h"
#include "store/drive_table.h"
#include "system/system.h"

namespace {

template <typename T>
void Release(std::vector<T>* list) {
  std::vector<T>().swap(*list);
}

}  // namespace

bool CdBatchCanHold(const std::string& directory) {
  if (directory.empty()) return false;
  for (size_t i = 0; i < directory.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(directory[i]);
    if (c < 32) return false;
    switch (c) {
      case '"': case '<': case '>': case '|': case '?': case '*': case '/':
        return false;
      case ':':
        if (i != 1) return false;
        break;
      default:
        break;
    }
  }
  return true;
}

std::string CdBatchText(const std::string& directory) {
  // A quote would end the quoted path and let the rest run as commands; the
  // other characters no Windows name holds mean the path did not come from
  // the file system as it is.
  if (!CdBatchCanHold(directory)) return std::string();
  std::string text;
  if (!directory.empty()) text += directory[0];
  text += ":\r\n";
  text += "cd \"";
  // cmd.exe expands "%" even inside quotes; "%%" stands for one.
  for (char c : directory) {
    if (c == '%') text += '%';
    text += c;
  }
  text += "\"\r\n";
  return text;
}

std::string CdScriptText(const std::string& hostPath) {
  // Single quotes keep every byte literal; a quote inside is closed, escaped
  // and reopened.  "--" keeps a leading "-" from reading as an option.
  std::string text = "cd -- '";
  for (char c : hostPath) {
    if (c == '\'') {
      text += "'\\''";
    } else {
      text += c;
    }
  }
  text += "'\n";
  return text;
}

void WriteCdBatch() {
  std::string directory = theSystem->CurrentDirectory();
  std::string path = theSystem->CdFilePath(prog.programDirectory);
  int error = kIoOk;
  std::unique_ptr<File> file =
      theSystem->CreateCdFile(path, &error);
  if (!file && error == kIoOk) error = kIoPathNotFound;
  Strict(error);
  // A shell launcher changes directory only when there is somewhere new to
  // go, so that its `cd -` still leads back where the user came from.
  std::string text;
  if (!theSystem->ShellStatuses() || directory != prog.startupDirectory) {
    text = directory.empty() ? std::string() : theSystem->CdFileContents(directory);
    if (text.empty()) {
      // The file stays empty, so the launcher moves the shell nowhere; no
      // directory was handed over, whatever the run picked.
      WriteLine("Cannot hand this directory over to the shell: its name does "
                "not fit the cd batch.");
      prog.ExitCode = 0;
    }
  }
  if (!text.empty())
    Strict(file->Write(text.data(), static_cast<int>(text.size())));
  Strict(file->Close());

  Release(&scanner.scanList);
  for (int d = 1; d <= 26; ++d) {
    Drive(d).paths.Release();
    Release(&Drive(d).depths);
    Drive(d).prefixes.Release();
  }
}
