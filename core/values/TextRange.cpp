#include "core/values/TextRange.h"
