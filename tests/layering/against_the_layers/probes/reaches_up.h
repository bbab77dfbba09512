#include "base/clock.h"
#include "engine/host.h"
