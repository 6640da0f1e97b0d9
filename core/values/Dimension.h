#pragma once

#include <QHashFunctions>
#include <QString>

#include <array>
#include <cstddef>
#include <functional>

namespace VexilCore {

// What a quantity measures: integer exponents over seven base dimensions, in the order
// length, mass, time, temperature, data, angle, money.
struct Dimension {
    static constexpr std::size_t count = 7;
    std::array<qint64, count> exps{};

    constexpr Dimension() = default;
    constexpr explicit Dimension(const std::array<qint64, count>& e) : exps(e) {}

    static const Dimension none;
    static const Dimension length;
    static const Dimension mass;
    static const Dimension time;
    static const Dimension temperature;
    static const Dimension data;
    static const Dimension angle;
    static const Dimension money;
    static const Dimension area;
    static const Dimension volume;
    static const Dimension speed;
    static const Dimension acceleration;
    static const Dimension frequency;
    static const Dimension force;
    static const Dimension energy;
    // The dimension of power (watts); named apart from the power(n) method.
    static const Dimension powerDim;
    static const Dimension pressure;

    // The dimension of a product: exponents added. Overflow aborts (unreachable from input).
    friend Dimension operator*(const Dimension& a, const Dimension& b);
    // Every exponent times n; n = -1 gives the dimension of a reciprocal.
    Dimension power(qint64 n) const;

    constexpr bool isNone() const {
        for (qint64 e : exps)
            if (e != 0) return false;
        return true;
    }

    // The dimension in words, for messages ("length", "data size", "a compound unit").
    QString name() const;
    QString description() const { return name(); }

    constexpr bool operator==(const Dimension&) const = default;
};

inline constexpr Dimension Dimension::none{};
inline constexpr Dimension Dimension::length{{1, 0, 0, 0, 0, 0, 0}};
inline constexpr Dimension Dimension::mass{{0, 1, 0, 0, 0, 0, 0}};
inline constexpr Dimension Dimension::time{{0, 0, 1, 0, 0, 0, 0}};
inline constexpr Dimension Dimension::temperature{{0, 0, 0, 1, 0, 0, 0}};
inline constexpr Dimension Dimension::data{{0, 0, 0, 0, 1, 0, 0}};
inline constexpr Dimension Dimension::angle{{0, 0, 0, 0, 0, 1, 0}};
inline constexpr Dimension Dimension::money{{0, 0, 0, 0, 0, 0, 1}};
inline constexpr Dimension Dimension::area{{2, 0, 0, 0, 0, 0, 0}};
inline constexpr Dimension Dimension::volume{{3, 0, 0, 0, 0, 0, 0}};
inline constexpr Dimension Dimension::speed{{1, 0, -1, 0, 0, 0, 0}};
inline constexpr Dimension Dimension::acceleration{{1, 0, -2, 0, 0, 0, 0}};
inline constexpr Dimension Dimension::frequency{{0, 0, -1, 0, 0, 0, 0}};
inline constexpr Dimension Dimension::force{{1, 1, -2, 0, 0, 0, 0}};
inline constexpr Dimension Dimension::energy{{2, 1, -2, 0, 0, 0, 0}};
inline constexpr Dimension Dimension::powerDim{{2, 1, -3, 0, 0, 0, 0}};
inline constexpr Dimension Dimension::pressure{{-1, 1, -2, 0, 0, 0, 0}};

size_t qHash(const Dimension& d, size_t seed = 0) noexcept;

} // namespace VexilCore

template <> struct std::hash<VexilCore::Dimension> {
    size_t operator()(const VexilCore::Dimension& d) const noexcept { return VexilCore::qHash(d, 0); }
};
