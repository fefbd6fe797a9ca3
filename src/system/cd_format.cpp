#include "system/cd_format.h"

#include <cstring>

#include "shell/cd_batch.h"

std::string PosixCdFileText(const std::string& hostPath, const char* format) {
  if (format && std::strcmp(format, "plain") == 0) {
    // No path holds a NUL, so it ends the name exactly, even one that ends
    // in a newline.
    std::string text = hostPath;
    text += '\0';
    return text;
  }
  // An unknown format gets the script: a launcher that cannot read it fails
  // to cd, while a mistaken plain file sourced by sh could run the name.
  return CdScriptText(hostPath);
}
