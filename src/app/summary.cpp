#include "app/summary.h"

#include <vector>

#include "app/sha256.h"
#include "persist/unit_record.h"
#include "units/unit.h"
#include "world/grid.h"

void PrintPlaySummary(std::FILE* out, int64_t frames)
{
    std::fprintf(out, "frames %lld\n", static_cast<long long>(frames));
    if (MainMap && FlagMap) {
        size_t cells = static_cast<size_t>(LayerCells) * static_cast<size_t>(WorldLayers);
        std::fprintf(out, "mainmap %s\n", Sha256Hex(MainMap, cells).c_str());
        std::fprintf(out, "flagmap %s\n", Sha256Hex(FlagMap, cells).c_str());
    }
    if (UnitTable) {
        std::vector<uint8_t> units = EncodeUnitTable();
        std::fprintf(out, "units %s\n", Sha256Hex(units.data(), units.size()).c_str());
    }
    std::fflush(out);
}
