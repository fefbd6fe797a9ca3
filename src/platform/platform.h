// Factories of the real backends; each platform's files define them.
#pragma once

#include <memory>

#include "platform/console_device.h"
#include "platform/system.h"

std::unique_ptr<ConsoleDevice> CreatePlatformConsole();
std::unique_ptr<System> CreatePlatformSystem(const char* argv0);
