// Factories of the real backends; each platform's files define them.
#pragma once

#include <memory>

#include "system/console_device.h"
#include "system/system.h"

std::unique_ptr<ConsoleDevice> CreatePlatformConsole();
std::unique_ptr<System> CreatePlatformSystem(const char* argv0);
