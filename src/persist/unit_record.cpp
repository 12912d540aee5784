#include "persist/unit_record.h"

#include <cstring>

#include "platform/byte_order.h"

namespace
{
// The one list of stored fields and their offsets, shared by both directions so
// that writer and reader cannot drift apart.
template <class U, class Visit> void VisitStoredFields(U& u, Visit&& visit)
{
    visit(0, u.spare_byte);
    visit(1, u.in_use);
    visit(2, u.faction);
    visit(4, u.bitmap);
    visit(6, u.spare_half);
    visit(8, u.hidden);
    visit(9, u.champion);
    visit(10, u.event_frame);
    visit(14, u.spare_word3);
    visit(18, u.gold);
    visit(22, u.hit_points);
    visit(26, u.max_hit_points);
    visit(30, u.keys);
    visit(32, u.quest);
    visit(34, u.step_x);
    visit(36, u.step_y);
    visit(38, u.dest_x);
    visit(40, u.dest_y);
    visit(42, u.spare_half2);
    visit(44, u.move_state);
    visit(46, u.route_order);
    visit(50, u.target_unit);
    visit(52, u.spare_word);
    visit(56, u.spare_word2);
    visit(60, u.attack);
    visit(64, u.second_stat);
    visit(68, u.cell_x);
    visit(70, u.cell_y);
    visit(72, u.layer);
}
} // namespace

void EncodeUnitRecord(const Unit& unit, uint8_t* out)
{
    VisitStoredFields(unit, [out](size_t offset, const auto& field) { PutLittle(out + offset, field); });
    std::memset(out + UNIT_RECORD_RESERVED_START, UNIT_RECORD_RESERVED_BYTE,
                UNIT_RECORD_SIZE - UNIT_RECORD_RESERVED_START);
}

void DecodeUnitRecord(const uint8_t* in, size_t available, Unit& unit)
{
    VisitStoredFields(unit, [in, available](size_t offset, auto& field) {
        using T = std::remove_reference_t<decltype(field)>;
        if (offset + sizeof(T) <= available)
            field = GetLittle<T>(in + offset);
    });
}

std::vector<uint8_t> EncodeUnitTable()
{
    std::vector<uint8_t> records(static_cast<size_t>(MaxUnits) * UNIT_RECORD_SIZE);
    for (int32_t u = 0; u < MaxUnits; ++u)
        EncodeUnitRecord(UnitTable[u], &records[static_cast<size_t>(u) * UNIT_RECORD_SIZE]);
    return records;
}
