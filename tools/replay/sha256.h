// A small SHA-256, for fingerprints of the world grids in replay output.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

std::string Sha256Hex(const uint8_t* data, size_t size);
