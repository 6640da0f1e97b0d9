#pragma once

#include "core/values/Units.h"

// The registry's storage, shared by the lookups and the table builder.
namespace VexilCore::Units::detail {

struct Registry {
    Table byId;
    Table exact;
    Table folded;
    Table phrases;
    QSet<QString> foldedCollisions;
};

std::shared_ptr<UnitDef> makeCurrency(const QString& code);

// Fills an empty registry with the built-in vocabulary, in its fixed order.
void build(Registry& r);

} // namespace VexilCore::Units::detail
