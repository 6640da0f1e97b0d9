#pragma once

#include "core/values/EvalContext.h"
#include "ui/selfcheck/Snapshot.h"

#include <QDateTime>
#include <QTimeZone>

namespace TestSupport {

// The shipped sample rates and prices on a fixed Saturday, 2024-06-15 12:00 in Lisbon, in US English:
// the world the Help's examples and the sample sheet are checked in.
inline VexilCore::EvalContext sampleContext() {
    const double now =
        double(QDateTime(QDate(2024, 6, 15), QTime(11, 0), QTimeZone::utc()).toSecsSinceEpoch());
    return VexilCore::EvalContext::make(
        VexilCore::CalendarCtx{QTimeZone(QByteArrayLiteral("Europe/Lisbon")),
                               QLocale(QLocale::English, QLocale::UnitedStates)},
        now, VexilUI::Snapshot::sampleRates(now), VexilUI::Snapshot::sampleCrypto(now), 16, true);
}

} // namespace TestSupport
