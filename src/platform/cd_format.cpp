#include "platform/cd_format.h"

#include <cstring>

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

std::string CdFileText(CdFileFormat format, const std::string& directory) {
  switch (format) {
    case CdFileFormat::kBatch: return CdBatchText(directory);
    case CdFileFormat::kPosixPlain: {
      // No path holds a NUL, so it ends the name exactly, even one that ends
      // in a newline.
      std::string text = directory;
      text += '\0';
      return text;
    }
    case CdFileFormat::kPosixScript: break;
  }
  return CdScriptText(directory);
}

CdFileFormat PosixCdFormat(const char* format) {
  // An unknown format gets the script: a launcher that cannot read it fails
  // to cd, while a mistaken plain file sourced by sh could run the name.
  return format && std::strcmp(format, "plain") == 0 ? CdFileFormat::kPosixPlain
                                                     : CdFileFormat::kPosixScript;
}

std::string PosixCdFileText(const std::string& hostPath, const char* format) {
  return CdFileText(PosixCdFormat(format), hostPath);
}
