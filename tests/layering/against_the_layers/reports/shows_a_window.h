#include "forms/perf_form.h"
