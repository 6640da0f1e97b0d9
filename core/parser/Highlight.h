#pragma once

#include "core/values/TextRange.h"

#include <QtGlobal>

namespace VexilCore {

// The highlight class of a piece of text; the editor picks a colour per role.
enum class Role : quint8 { Number, Op, Unit, Ref, Keyword, Variable, Text, Comment, Label };

struct Highlight {
    TextRange range; // relative to the whole sheet
    Role role = Role::Text;
    bool operator==(const Highlight&) const = default;
};

} // namespace VexilCore
