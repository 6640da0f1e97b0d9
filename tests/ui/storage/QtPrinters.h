#pragma once

// The storage tests' printers are the shared ones.
#include "tests/support/QtPrinters.h"
