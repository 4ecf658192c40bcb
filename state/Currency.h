#pragma once

#include <QtGlobal>

#include <cmath>
#include <compare>

// Seconds in fixed point with four decimal places: a signed 64-bit count of ten-thousandths.
// Game time moves in tenths, so every value the clock produces is exact in this form.
class Currency {
public:
    static constexpr qint64 TicksPerSecond = 10000;
    static constexpr qint64 TicksPerTenth = 1000;

    constexpr Currency() = default;

    static constexpr Currency fromTicks(qint64 ticks) { return Currency(ticks); }
    static constexpr Currency fromSeconds(qint64 seconds) { return Currency(seconds * TicksPerSecond); }
    static constexpr Currency fromTenths(qint64 tenths) { return Currency(tenths * TicksPerTenth); }
    // Rounds to the nearest ten-thousandth, halves to the even neighbour.
    static Currency fromDouble(double seconds) {
        return Currency(static_cast<qint64>(std::nearbyint(seconds * TicksPerSecond)));
    }

    constexpr qint64 ticks() const { return m_ticks; }
    constexpr double toDouble() const { return static_cast<double>(m_ticks) / TicksPerSecond; }

    constexpr Currency operator+(Currency other) const { return Currency(m_ticks + other.m_ticks); }
    constexpr Currency operator-(Currency other) const { return Currency(m_ticks - other.m_ticks); }
    constexpr Currency operator-() const { return Currency(-m_ticks); }
    constexpr Currency operator*(qint64 factor) const { return Currency(m_ticks * factor); }
    constexpr Currency& operator+=(Currency other) {
        m_ticks += other.m_ticks;
        return *this;
    }
    constexpr Currency& operator-=(Currency other) {
        m_ticks -= other.m_ticks;
        return *this;
    }
    constexpr auto operator<=>(const Currency&) const = default;

private:
    constexpr explicit Currency(qint64 ticks) : m_ticks(ticks) {}
    qint64 m_ticks = 0;
};
