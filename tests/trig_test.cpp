// Our sine and cosine against GNU MPFR's correctly rounded ones at every angle the game passes them: the trig tables'
// and the fire rings'.

#include <mpfr.h>

#include "fixture.h"
#include "gfx/trig.h"

namespace
{
constexpr double DEGREE = 0.017453292516666667; // the game's, not quite pi/180

// MPFR's sine and cosine of each angle asked, with the first few where ours differ.
struct Exact {
    mpfr_t x, s, c;
    int32_t angles = 0, mismatches = 0;
    std::string wrong;
    Exact() { mpfr_inits2(53, x, s, c, static_cast<mpfr_ptr>(nullptr)); }
    ~Exact()
    {
        mpfr_clears(x, s, c, static_cast<mpfr_ptr>(nullptr));
        EXPECT_EQ(mismatches, 0) << wrong;
        std::printf("sine and cosine correctly rounded at %d of %d angles\n", angles - mismatches, angles);
    }
    std::pair<double, double> operator()(double a)
    {
        mpfr_set_d(x, a, MPFR_RNDN);
        mpfr_sin_cos(s, c, x, MPFR_RNDN);
        const std::pair<double, double> e{mpfr_get_d(s, MPFR_RNDN), mpfr_get_d(c, MPFR_RNDN)};
        std::pair<double, double> ours;
        SineCosine(a, ours.first, ours.second);
        char line[160];
        angles += 1;
        if (ours != e && ++mismatches <= 5 &&
            std::snprintf(line, sizeof line, "%a: %a %a; MPFR %a %a\n", a, ours.first, ours.second, e.first, e.second))
            wrong += line;
        return e;
    }
};
} // namespace

using Trig = GameTest;

// Every table entry, thousandths of a degree over ten turns: SineCosine rounds correctly, and the entries the circles
// compute as they read them, and so the circles, are those of tables filled whole from the correct values.
TEST_F(Trig, TablesHoldCorrectlyRoundedSinesAtAllTheirAngles)
{
    std::vector<float> sin_exact(TRIG_TABLE_SIZE), cos_exact(TRIG_TABLE_SIZE);
    {
        Exact exact;
        for (int32_t i = 0; i < TRIG_TABLE_SIZE; ++i) {
            const auto e = exact(static_cast<double>(i) * DEGREE / 1000.0);
            std::tie(sin_exact[i], cos_exact[i]) = std::make_tuple(e.first, e.second);
        }
    }
    auto draw = [] {
        std::memset(LayerBuffer, 0, static_cast<size_t>(ScreenWidth) * ScreenHeight * 4);
        for (auto [cx, cy, r] : {std::array{320.0, 240.0, 128.0},
                                 {100.5, 50.25, 7.3},
                                 {10.0, 470.0, 0.4},
                                 {320.0, 10099.0, 9999.0},
                                 {600.0, 30.0, 1000.0}})
            DrawLayerCircle(cx, cy, r, 1, 2, 3);
        return Lit(LayerBuffer);
    };
    const PixelSet lazy = draw();
    size_t computed = 0, differ = 0;
    for (int32_t i = 0; i < TRIG_TABLE_SIZE; ++i)
        if (SinTable[i] != 0.0f || CosTable[i] != 0.0f)
            computed += 1, differ += sin_exact[i] != SinTable[i] || cos_exact[i] != CosTable[i];
    EXPECT_EQ(differ, 0u);
    EXPECT_GT(computed, 2000u);
    EXPECT_LT(computed, 100000u) << "only the entries read are computed";
    float* const lazy_tables[2] = {SinTable, CosTable};
    std::tie(SinTable, CosTable) = std::make_tuple(sin_exact.data(), cos_exact.data());
    const PixelSet plain = draw();
    std::tie(SinTable, CosTable) = std::make_tuple(lazy_tables[0], lazy_tables[1]);
    EXPECT_EQ(lazy, plain);
}

// Fire rings have whole radii up to FIRE_RING_MAX; each point steps 50/radius degrees on from the last. Every ring,
// pixel for pixel, from MPFR's values.
TEST_F(Trig, FireRingsAreDrawnFromCorrectlyRoundedSines)
{
    Exact exact;
    for (int32_t r = 1; r <= FIRE_RING_MAX; ++r) {
        const double radius = r, step = (1.0 / radius) * 50.0;
        PixelSet expected;
        for (double a = 0.0; a < 360.0; a += step) {
            const auto e = exact(a * DEGREE);
            expected.insert(
                {300 + static_cast<int32_t>(e.first * radius), 200 + static_cast<int32_t>(-radius * e.second)});
        }
        ClearScreen();
        DrawRing(300.5, 200.5, radius, 255, 0, 0);
        EXPECT_EQ(Lit(), expected) << "radius " << r;
    }
}
