#pragma once

#include "ui/snake/SnakeGame.h"

#include <ostream>

namespace VexilUI {

inline void PrintTo(const SnakeCell& cell, std::ostream* out) {
    *out << cell.description().toStdString();
}

} // namespace VexilUI
