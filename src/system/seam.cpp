#include "system/console_device.h"
#include "system/system.h"

ConsoleDevice* theConsole = nullptr;
System* theSystem = nullptr;
