#include "platform/host.h"

const bool kPosixHost = true;
const bool kDotNamesHidden = true;
