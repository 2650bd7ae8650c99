#include "Waveform.h"

#include <cmath>

namespace zkd::sim {

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalf = 0.5;
} // namespace

Waveform::Waveform(Shape shape, double fullScale, double phaseSeconds, quint32 seed)
    : m_shape(shape), m_fullScale(fullScale), m_phaseSeconds(phaseSeconds), m_random(seed), m_walk(fullScale * kHalf)
{}

double Waveform::low() const
{
    return m_fullScale * kLowFraction;
}

double Waveform::high() const
{
    return m_fullScale * kHighFraction;
}

double Waveform::valueAt(double timeSeconds)
{
    const double span = high() - low();
    const double cycle = std::fmod(timeSeconds + m_phaseSeconds, kPeriodSeconds) / kPeriodSeconds;
    switch (m_shape) {
    case Shape::Sine: return low() + span * (kHalf + kHalf * std::sin(kTwoPi * cycle));
    case Shape::Ramp: return low() + span * cycle;
    case Shape::Square: return cycle < kHalf ? high() : low();
    case Shape::Constant: return low() + span * kHalf;
    case Shape::Random: {
        const double step = (m_random.generateDouble() * 2.0 - 1.0) * kRandomStepFraction * m_fullScale;
        m_walk += step;
        if (m_walk > high())
            m_walk = 2.0 * high() - m_walk;
        if (m_walk < low())
            m_walk = 2.0 * low() - m_walk;
        return m_walk;
    }
    }
    return low();
}

} // namespace zkd::sim
