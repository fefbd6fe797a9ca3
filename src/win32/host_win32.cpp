#include "platform/host.h"

const bool kPosixHost = false;
const bool kDotNamesHidden = false;
