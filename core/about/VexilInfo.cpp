#include "core/about/VexilInfo.h"

// The About window lays the credit out as one short line.
static_assert(VexilCore::VexilInfo::credit.size() == 45);
static_assert(VexilCore::VexilInfo::credit.back() == u'.');
