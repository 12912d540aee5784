#include "platform/common/chime.h"

#include <algorithm>
#include <cmath>

std::vector<double> ChimeWave()
{
    std::vector<double> wave(static_cast<size_t>(CHIME_RATE * 3 / 10));
    const double pi = 3.14159265358979323846;
    for (size_t i = 0; i < wave.size(); ++i) {
        double t = static_cast<double>(i) / CHIME_RATE;
        double f = t < 0.12 ? 1318.5 : 987.8;
        double local = t < 0.12 ? t : t - 0.12;
        double envelope = std::exp(-local * 18.0) * std::min(1.0, local * 400.0);
        wave[i] = (std::sin(2.0 * pi * f * t) + 0.3 * std::sin(4.0 * pi * f * t)) * envelope;
    }
    return wave;
}
