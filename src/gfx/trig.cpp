#include "gfx/trig.h"

#include <cstdint>

namespace
{

// A value hi + lo with |lo| at most half an ulp of hi: about 106 bits.
struct Dd {
    double hi;
    double lo;
};

constexpr Dd TwoSum(double a, double b)
{
    double s = a + b;
    double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

constexpr Dd FastTwoSum(double a, double b) // |a| >= |b|
{
    double s = a + b;
    return {s, b - (s - a)};
}

// Dekker's exact product, without a fused multiply-add.
constexpr Dd TwoProd(double a, double b)
{
    const double SPLIT = 134217729.0; // 2^27 + 1
    double ca = SPLIT * a;
    double ah = ca - (ca - a);
    double al = a - ah;
    double cb = SPLIT * b;
    double bh = cb - (cb - b);
    double bl = b - bh;
    double p = a * b;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

// The accurate sum: its error is relative to the result, also under cancellation.
constexpr Dd Add(Dd a, Dd b)
{
    Dd s = TwoSum(a.hi, b.hi);
    Dd t = TwoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = FastTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return FastTwoSum(s.hi, s.lo);
}

constexpr Dd Neg(Dd a) { return {-a.hi, -a.lo}; }

constexpr Dd Mul(Dd a, Dd b)
{
    Dd p = TwoProd(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return FastTwoSum(p.hi, p.lo);
}

constexpr Dd DivByInt(Dd a, double d)
{
    double q1 = a.hi / d;
    Dd r = Add(a, Neg(TwoProd(q1, d)));
    return FastTwoSum(q1, r.hi / d);
}

// pi/2 = PIO2_1 + PIO2_2 + PIO2_3 to about 160 bits.
constexpr double PIO2_1 = 0x1.921fb54442d18p+0;
constexpr double PIO2_2 = 0x1.1a62633145c07p-54;
constexpr double PIO2_3 = -0x1.f1976b7ed8fbcp-110;
constexpr double TWO_OVER_PI = 0x1.45f306dc9c883p-1;

// 1/(n (n + 1)) for the series' steps, to double-double accuracy.
constexpr Dd StepFactor(int32_t n) { return DivByInt({1.0, 0.0}, static_cast<double>(n * (n + 1))); }

// 1 - z/(n (n+1)) (1 - z/((n+2) (n+3)) (1 - ...)) to STEPS steps by Horner's rule: the
// Taylor series of sine (n = 2) and cosine (n = 1) divided by their first term. For
// |r| <= pi/4 the terms left out are below 2^-105 of the sum; the innermost steps,
// below 2^-53 of it, need only plain doubles.
template <int32_t FIRST, int32_t STEPS> Dd SeriesQuotient(Dd z)
{
    constexpr int32_t PLAIN = STEPS / 2;
    double tail = 1.0;
    for (int32_t k = STEPS - 1; k >= STEPS - PLAIN; --k) {
        double n = static_cast<double>((FIRST + 2 * k) * (FIRST + 2 * k + 1));
        tail = 1.0 - z.hi * tail / n;
    }
    Dd t = {tail, 0.0};
    for (int32_t k = STEPS - PLAIN - 1; k >= 0; --k) {
        constexpr Dd ONE = {1.0, 0.0};
        t = Add(ONE, Neg(Mul(Mul(z, t), StepFactor(FIRST + 2 * k))));
    }
    return t;
}

// x - k pi/2 for the nearest k, and k mod 4; x >= 0.
Dd Reduce(double x, int32_t& quadrant)
{
    int64_t k = static_cast<int64_t>(x * TWO_OVER_PI + 0.5);
    double kd = static_cast<double>(k);
    Dd r = Add({x, 0.0}, Neg(TwoProd(kd, PIO2_1)));
    r = Add(r, Neg(TwoProd(kd, PIO2_2)));
    r = Add(r, Neg(TwoProd(kd, PIO2_3)));
    quadrant = static_cast<int32_t>(k & 3);
    return r;
}

// Rounding hi + lo once gives the nearest double unless the exact value lies
// within the series' error of a midpoint; the tests find no such argument.
double Round(Dd a) { return a.hi + a.lo; }

} // namespace

void SineCosine(double x, double& sine, double& cosine)
{
    bool negative = x < 0.0;
    int32_t quadrant = 0;
    Dd r = Reduce(negative ? -x : x, quadrant);
    Dd z = Mul(r, r);
    Dd s = Mul(r, SeriesQuotient<2, 14>(z));
    Dd c = SeriesQuotient<1, 15>(z);
    Dd sin_x = quadrant == 0 ? s : quadrant == 1 ? c : quadrant == 2 ? Neg(s) : Neg(c);
    Dd cos_x = quadrant == 0 ? c : quadrant == 1 ? Neg(s) : quadrant == 2 ? Neg(c) : s;
    sine = Round(negative ? Neg(sin_x) : sin_x);
    cosine = Round(cos_x);
}
