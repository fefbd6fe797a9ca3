// The scan's directory walk over POSIX descriptors.
#pragma once

#include <memory>
#include <string>

#include "platform/system.h"

// Opens the host directory `hostPath` as the root of a walk.
OpenedWalk OpenPosixWalk(const std::string& hostPath);
