// A small SHA-256, for the fingerprints of the play summary.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

std::string Sha256Hex(const uint8_t* data, size_t size);
