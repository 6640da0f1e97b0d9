#include "core/values/Dimension.h"

#include "core/values/CheckedInt.h"

#include <QtGlobal>

namespace VexilCore {

namespace {

struct NamedDimension {
    const Dimension* dim;
    const char16_t* name;
};

// Checked in this order; the first match names the dimension.
constexpr NamedDimension kNames[] = {
    {&Dimension::none, u"a plain number"},
    {&Dimension::length, u"length"},
    {&Dimension::mass, u"mass"},
    {&Dimension::time, u"time"},
    {&Dimension::temperature, u"temperature"},
    {&Dimension::data, u"data size"},
    {&Dimension::angle, u"angle"},
    {&Dimension::money, u"currency"},
    {&Dimension::area, u"area"},
    {&Dimension::volume, u"volume"},
    {&Dimension::speed, u"speed"},
    {&Dimension::acceleration, u"acceleration"},
    {&Dimension::frequency, u"frequency"},
    {&Dimension::force, u"force"},
    {&Dimension::energy, u"energy"},
    {&Dimension::powerDim, u"power"},
    {&Dimension::pressure, u"pressure"},
};

} // namespace

Dimension operator*(const Dimension& a, const Dimension& b) {
    Dimension r;
    for (std::size_t i = 0; i < Dimension::count; ++i)
        r.exps[i] = checkedExponentAdd(a.exps[i], b.exps[i]);
    return r;
}

Dimension Dimension::power(qint64 n) const {
    Dimension r;
    for (std::size_t i = 0; i < count; ++i)
        r.exps[i] = checkedExponentMul(exps[i], n);
    return r;
}

QString Dimension::name() const {
    for (const auto& entry : kNames)
        if (*entry.dim == *this) return QString::fromUtf16(entry.name);
    return QStringLiteral("a compound unit");
}

size_t qHash(const Dimension& d, size_t seed) noexcept {
    return qHashRange(d.exps.begin(), d.exps.end(), ::qHash(quint64(Dimension::count), seed));
}

} // namespace VexilCore
