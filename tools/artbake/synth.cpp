#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/byte_order.h"

namespace
{
constexpr double PI = 3.14159265358979323846;

// Deterministic white noise in [-1, 1): a hash of the sample index, so every
// bake writes the same bytes.
double Noise(uint32_t n)
{
    n ^= n >> 16;
    n *= 0x7feb352dU;
    n ^= n >> 15;
    n *= 0x846ca68bU;
    n ^= n >> 16;
    return static_cast<double>(n) / 2147483648.0 - 1.0;
}

// Two-pole resonant band-pass (state-variable filter), retuned per sample.
struct BandPass {
    double low = 0.0, band = 0.0;
    double Step(double in, double frequency, double q)
    {
        double f = 2.0 * std::sin(PI * std::min(frequency, SYNTH_RATE / 6.0) / SYNTH_RATE);
        double high = in - low - band / q;
        band += f * high;
        low += f * band;
        return band;
    }
};

std::vector<int16_t> ToPcm(const std::vector<double>& v, double peak)
{
    double top = 1e-9;
    for (double s : v)
        top = std::max(top, std::fabs(s));
    std::vector<int16_t> out(v.size());
    for (size_t i = 0; i < v.size(); ++i)
        out[i] = static_cast<int16_t>(std::lround(v[i] / top * peak * 32767.0));
    return out;
}

double Smooth(double edge0, double edge1, double x)
{
    double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

} // namespace

// A hoarse voice: a buzzing source with vibrato, pitched up then falling away,
// shaped by two vowel formants sliding from "ee" towards "ah".
std::vector<int16_t> SynthScream()
{
    const int32_t count = SYNTH_RATE * 115 / 100;
    std::vector<double> v(static_cast<size_t>(count));
    BandPass f1, f2, f3;
    double phase = 0.0;
    for (int32_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / SYNTH_RATE;
        double pitch = 560.0 + 340.0 * Smooth(0.0, 0.18, t) - 420.0 * Smooth(0.45, 1.15, t);
        pitch *= 1.0 + 0.035 * std::sin(2.0 * PI * 6.5 * t) + 0.01 * Noise(static_cast<uint32_t>(i / 300));
        phase += pitch / SYNTH_RATE;
        phase -= std::floor(phase);
        double buzz = 2.0 * phase - 1.0 + 0.35 * Noise(static_cast<uint32_t>(i) + 77);
        double open = Smooth(0.1, 0.7, t);
        double s = f1.Step(buzz, 420.0 + 500.0 * open, 6.0) + 0.8 * f2.Step(buzz, 2300.0 - 1100.0 * open, 8.0) +
                   0.3 * f3.Step(buzz, 3000.0, 10.0);
        double envelope = Smooth(0.0, 0.04, t) * (1.0 - Smooth(0.75, 1.15, t));
        v[static_cast<size_t>(i)] = s * envelope;
    }
    return ToPcm(v, 0.85);
}

// A whoosh of flame: broadband noise swelling in a low band, with crackles.
std::vector<int16_t> SynthFire()
{
    const int32_t count = SYNTH_RATE * 95 / 100;
    std::vector<double> v(static_cast<size_t>(count));
    BandPass roar, hiss;
    for (int32_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / SYNTH_RATE;
        double n = Noise(static_cast<uint32_t>(i) * 3 + 11);
        double body = roar.Step(n, 180.0 + 900.0 * Smooth(0.0, 0.15, t) * (1.0 - 0.6 * Smooth(0.2, 0.9, t)), 1.2);
        double air = hiss.Step(n, 3500.0, 0.9) * 0.35;
        double crackle = 0.0;
        uint32_t grain = static_cast<uint32_t>(i / 180);
        if (Noise(grain * 7 + 5) > 0.82)
            crackle = Noise(static_cast<uint32_t>(i) + 999) * std::exp(-static_cast<double>(i % 180) / 25.0) * 1.5;
        double envelope = Smooth(0.0, 0.03, t) * std::exp(-t * 2.2) * (1.0 - Smooth(0.8, 0.95, t));
        v[static_cast<size_t>(i)] = (body * 2.5 + air + crackle) * envelope;
    }
    return ToPcm(v, 0.8);
}

// A blade through the air: a narrow noise band that sweeps up and back down.
std::vector<int16_t> SynthSwish()
{
    const int32_t count = SYNTH_RATE * 32 / 100;
    std::vector<double> v(static_cast<size_t>(count));
    BandPass band;
    for (int32_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / SYNTH_RATE;
        double sweep = std::sin(PI * std::min(t / 0.3, 1.0));
        double n = Noise(static_cast<uint32_t>(i) * 5 + 3);
        double s = band.Step(n, 600.0 + 2600.0 * sweep, 3.0);
        double envelope = sweep * sweep * (1.0 - Smooth(0.28, 0.32, t));
        v[static_cast<size_t>(i)] = s * envelope;
    }
    return ToPcm(v, 0.75);
}

bool WriteWave(const std::string& path, const std::vector<int16_t>& samples)
{
    const uint32_t data_bytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> out;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    AppendLittle(&out, 36 + data_bytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    AppendLittle(&out, 16, 4);
    AppendLittle(&out, 1, 2); // PCM
    AppendLittle(&out, 1, 2); // mono
    AppendLittle(&out, SYNTH_RATE, 4);
    AppendLittle(&out, SYNTH_RATE * 2, 4);
    AppendLittle(&out, 2, 2);
    AppendLittle(&out, 16, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    AppendLittle(&out, data_bytes, 4);
    for (int16_t s : samples)
        AppendLittle(&out, static_cast<uint16_t>(s), 2);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}
