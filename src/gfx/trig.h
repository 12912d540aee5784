// Sine and cosine of our own, so that every build gives the same bits whatever
// its C runtime: plain IEEE double arithmetic, with double-double inside.
#pragma once

// Correctly rounded (to nearest) for |x| below 2^20, which holds every angle
// the game passes; larger arguments lose accuracy in the reduction.
void SineCosine(double x, double& sine, double& cosine);
