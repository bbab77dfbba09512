#include "config/configuration_file.h"
