// The text sources of our pictures: one palette of single-character colours and
// a 16 x 16 character grid per picture, with derived pictures described as edits.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

constexpr int32_t ART_SIDE = 16;

struct ArtColour {
    uint8_t r, g, b;
};

struct ArtPicture {
    std::string name;              // "bmp_dungeon/floor", or a bare helper name that is never written
    std::string from;              // derived from this picture, or empty
    std::string base;              // key-colour pixels show this picture, or empty
    std::vector<std::string> ops;  // swap/flipx/flipy/rot90/shift lines, applied to the source grid in order
    std::vector<std::string> rows; // 16 rows, top row first; '_' keeps the source pixel in a derived picture
    std::string where;             // "file:line" of the pic line, for messages
};

struct ArtBook {
    std::map<char, ArtColour> palette;
    std::map<std::string, ArtPicture> pictures;
    std::vector<std::string> order; // pictures in source order
};

// Reads every *.art file of the folder in name order. False with a message on the first error.
bool ReadArtFolder(const std::string& folder, ArtBook* book, std::string* error);

// The finished picture, top row first, 16 x 16 RGB. False with a message when the
// picture, its sources or its base are missing, cyclic or malformed.
bool RenderPicture(const ArtBook& book, const std::string& name, std::vector<ArtColour>* pixels, std::string* error);
