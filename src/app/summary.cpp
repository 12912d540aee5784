#include "app/summary.h"

#include <vector>

#include "app/sha256.h"
#include "persist/unit_record.h"
#include "units/unit.h"
#include "world/grid.h"

void PrintPlaySummary(std::FILE* out, int64_t frames, const char* prefix)
{
    std::fprintf(out, "%sframes %lld\n", prefix, static_cast<long long>(frames));
    if (MainMap && FlagMap) {
        size_t cells = static_cast<size_t>(LayerCells) * static_cast<size_t>(WorldLayers);
        std::fprintf(out, "%smainmap %s\n", prefix, Sha256Hex(MainMap, cells).c_str());
        std::fprintf(out, "%sflagmap %s\n", prefix, Sha256Hex(FlagMap, cells).c_str());
    }
    if (UnitTable) {
        std::vector<uint8_t> units = EncodeUnitTable();
        std::fprintf(out, "%sunits %s\n", prefix, Sha256Hex(units.data(), units.size()).c_str());
    }
    std::fflush(out);
}
