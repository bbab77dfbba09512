#include "engine/host.h"
