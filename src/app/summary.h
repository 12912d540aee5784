// The closing lines of a played session, printed alike by the recording game
// and by the replay runner, so that the two can be compared line for line.
#pragma once
#include <cstdint>
#include <cstdio>

// "frames N", then the SHA-256 of the world grids and of the unit table as the
// unit file of a save holds it: "mainmap <hex>", "flagmap <hex>", "units <hex>".
// Each line starts with `prefix`.
void PrintPlaySummary(std::FILE* out, int64_t frames, const char* prefix = "");
