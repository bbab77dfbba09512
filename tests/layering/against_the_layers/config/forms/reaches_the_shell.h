#include "app/main_form.h"
