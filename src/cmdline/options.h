// Command-line mode: argument dispatch and the option list.
#pragma once

void RunCommandLineMode();
[[noreturn]] void ShowOptionList();
