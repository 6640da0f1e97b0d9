#include "core/rates/VexilInfo.h"
