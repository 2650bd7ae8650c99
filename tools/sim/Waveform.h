#pragma once

#include <QRandomGenerator>

namespace zkd::sim {

// The signal the simulated instrument measures on one input: a periodic shape
// (or a random walk) that stays between 5 % and 95 % of the input's full scale.
class Waveform
{
public:
    enum class Shape { Sine, Ramp, Square, Constant, Random };

    static constexpr double kPeriodSeconds = 60.0;
    static constexpr double kLowFraction = 0.05;
    static constexpr double kHighFraction = 0.95;
    // Largest change of the random walk from one reading to the next.
    static constexpr double kRandomStepFraction = 0.03;

    Waveform(Shape shape, double fullScale, double phaseSeconds, quint32 seed);

    // The reading at the given time since start. The random walk ignores the
    // time and moves one step per call, so it is reproducible for a given seed.
    double valueAt(double timeSeconds);

private:
    double low() const;
    double high() const;

    Shape m_shape;
    double m_fullScale;
    double m_phaseSeconds;
    QRandomGenerator m_random;
    double m_walk;
};

} // namespace zkd::sim
