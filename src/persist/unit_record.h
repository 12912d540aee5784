// The 190-byte little-endian unit record of the unit file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "units/unit.h"

constexpr size_t UNIT_RECORD_SIZE = 190;
// Bytes 74 to 189 hold no field; they are written with this value.
constexpr size_t UNIT_RECORD_RESERVED_START = 74;
constexpr uint8_t UNIT_RECORD_RESERVED_BYTE = 0xCC;

// Writes all 190 bytes of one record.
void EncodeUnitRecord(const Unit& unit, uint8_t* out);
// Reads the stored fields of one record from the first `available` bytes (at
// most 190). A record cut short by the end of the file sets only the fields
// whose bytes are all present; the rest of the unit keeps its contents.
void DecodeUnitRecord(const uint8_t* in, size_t available, Unit& unit);
// The unit file: every record of the unit table, unit 0 first (570,000 bytes for 3000 units).
std::vector<uint8_t> EncodeUnitTable();
