#pragma once

#include "core/values/CalcError.h"
#include "core/values/EvalContext.h"
#include "core/values/Unit.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Hand-made unit definitions, so that the value model can be tested apart from the registry.
namespace TestUnits {

using namespace VexilCore;

inline UnitRef make(const char* id, Dimension dim, UnitDef::Kind kind, const char* singular = nullptr,
                    const char* plural = nullptr) {
    auto u = std::make_shared<UnitDef>();
    u->id = u->symbol = QString::fromUtf8(id);
    u->singular = singular ? QString::fromUtf8(singular) : u->symbol;
    u->plural = plural ? QString::fromUtf8(plural) : u->singular;
    u->dim = dim;
    u->kind = kind;
    return u;
}

inline UnitRef linear(const char* id, Dimension dim, double f) {
    return make(id, dim, UnitDef::Linear{f});
}
inline UnitRef currency(const char* id) {
    return make(id, Dimension::money, UnitDef::Currency{});
}

inline EvalContext context() {
    return EvalContext::make(CalendarCtx{QTimeZone::utc(), QLocale(QLocale::English, QLocale::UnitedStates)},
                             1'700'000'000, std::nullopt, std::nullopt, 16, true);
}

// The message of the CalcError that f throws; every error checked this way is neither incomplete nor a
// dimension error.
inline QString messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const CalcError& e) {
        EXPECT_FALSE(e.incomplete) << e.message.toStdString();
        EXPECT_FALSE(e.isDimension) << e.message.toStdString();
        return e.message;
    }
    return QStringLiteral("<no error>");
}

} // namespace TestUnits
