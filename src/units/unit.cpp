#include "units/unit.h"

#include <cstdlib>

Unit* UnitTable = nullptr;
int32_t MaxUnits = 64; // replaced by the start-up before the table is made
int32_t CurrentUnit = 0;

void AllocateUnitTable() { UnitTable = static_cast<Unit*>(std::calloc(static_cast<size_t>(MaxUnits), sizeof(Unit))); }

void FreeUnitTable()
{
    std::free(UnitTable);
    UnitTable = nullptr;
}

int32_t FindUnitAt(uint32_t x, uint32_t y, uint32_t layer)
{
    for (int32_t u = 0; u < MaxUnits; ++u) {
        const Unit& unit = UnitTable[u];
        if (unit.cell_x == x && unit.cell_y == y && unit.layer == layer)
            return u;
    }
    return 0;
}
