#include "reports/log_text.h"

#include <QDialog>
