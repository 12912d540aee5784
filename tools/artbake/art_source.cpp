#include "art_source.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace
{
constexpr char KEEP = '_';
constexpr char KEY = '.';

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool ParseHex(const std::string& s, ArtColour* c)
{
    if (s.size() != 6 || s.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    unsigned long v = std::stoul(s, nullptr, 16);
    *c = {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    return true;
}

bool IsOp(const std::string& word)
{
    return word == "swap" || word == "flipx" || word == "flipy" || word == "rot90" || word == "shift";
}

bool ReadFile(const std::filesystem::path& path, ArtBook* book, std::string* error)
{
    std::ifstream in(path);
    if (!in) {
        *error = path.string() + ": cannot read";
        return false;
    }
    std::string line;
    int32_t number = 0;
    ArtPicture* current = nullptr;
    auto fail = [&](const std::string& what) {
        *error = path.filename().string() + ":" + std::to_string(number) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        number += 1;
        std::string text = Trim(line);
        if (text.empty() || text[0] == ';')
            continue;
        std::istringstream words(text);
        std::string first;
        words >> first;
        if (first == "color") {
            std::string key, hex;
            words >> key >> hex;
            ArtColour c;
            if (key.size() != 1 || key[0] == KEEP || !ParseHex(hex, &c))
                return fail("expected: color CHAR RRGGBB");
            if (book->palette.count(key[0]))
                return fail(std::string("colour '") + key + "' defined twice");
            book->palette[key[0]] = c;
            current = nullptr;
            continue;
        }
        if (first == "pic") {
            ArtPicture p;
            words >> p.name;
            if (p.name.empty())
                return fail("pic needs a name");
            std::string word;
            while (words >> word) {
                std::string value;
                if (!(words >> value) || (word != "from" && word != "base"))
                    return fail("expected: pic NAME [from SOURCE] [base PICTURE]");
                (word == "from" ? p.from : p.base) = value;
            }
            if (book->pictures.count(p.name))
                return fail("picture " + p.name + " defined twice");
            p.where = path.filename().string() + ":" + std::to_string(number);
            book->order.push_back(p.name);
            current = &book->pictures[p.name];
            *current = p;
            continue;
        }
        if (!current)
            return fail("line outside a picture");
        if (IsOp(first)) {
            if (current->from.empty())
                return fail(first + " needs a picture made with 'from'");
            if (!current->rows.empty())
                return fail(first + " must come before the grid");
            current->ops.push_back(text);
            continue;
        }
        if (static_cast<int32_t>(text.size()) != ART_SIDE)
            return fail("grid rows have 16 characters, this one has " + std::to_string(text.size()));
        if (static_cast<int32_t>(current->rows.size()) == ART_SIDE)
            return fail("more than 16 grid rows");
        current->rows.push_back(text);
    }
    return true;
}

using Grid = std::vector<std::string>;

bool ApplyOp(const std::string& op, Grid* g, std::string* error)
{
    std::istringstream words(op);
    std::string name;
    words >> name;
    Grid out = *g;
    if (name == "flipx") {
        for (std::string& row : out)
            std::reverse(row.begin(), row.end());
    } else if (name == "flipy") {
        std::reverse(out.begin(), out.end());
    } else if (name == "rot90") { // clockwise
        for (int32_t y = 0; y < ART_SIDE; ++y)
            for (int32_t x = 0; x < ART_SIDE; ++x)
                out[y][x] = (*g)[ART_SIDE - 1 - x][y];
    } else if (name == "shift") { // right and up by whole pixels; what moves in is key colour
        int32_t dx = 0, dy = 0;
        if (!(words >> dx >> dy)) {
            *error = "shift takes two numbers: right and up";
            return false;
        }
        for (int32_t y = 0; y < ART_SIDE; ++y)
            for (int32_t x = 0; x < ART_SIDE; ++x) {
                int32_t sx = x - dx, sy = y + dy;
                bool inside = sx >= 0 && sx < ART_SIDE && sy >= 0 && sy < ART_SIDE;
                out[y][x] = inside ? (*g)[sy][sx] : KEY;
            }
    } else if (name == "swap") {
        std::map<char, char> map;
        std::string pair;
        while (words >> pair) {
            if (pair.size() != 3 || pair[1] != '=') {
                *error = "swap takes pairs like a=b, not '" + pair + "'";
                return false;
            }
            map[pair[0]] = pair[2];
        }
        for (std::string& row : out)
            for (char& c : row)
                if (map.count(c))
                    c = map[c];
    }
    *g = out;
    return true;
}

bool ResolveGrid(const ArtBook& book, const std::string& name, std::set<std::string>* visiting, Grid* grid,
                 std::string* error)
{
    auto it = book.pictures.find(name);
    if (it == book.pictures.end()) {
        *error = "no picture named " + name;
        return false;
    }
    const ArtPicture& p = it->second;
    if (visiting->count(name)) {
        *error = p.where + ": " + name + " derives from itself";
        return false;
    }
    visiting->insert(name);
    if (p.from.empty()) {
        if (static_cast<int32_t>(p.rows.size()) != ART_SIDE) {
            *error = p.where + ": " + name + " has " + std::to_string(p.rows.size()) + " rows, not 16";
            return false;
        }
        *grid = p.rows;
    } else {
        if (!ResolveGrid(book, p.from, visiting, grid, error))
            return false;
        for (const std::string& op : p.ops)
            if (!ApplyOp(op, grid, error)) {
                *error = p.where + ": " + *error;
                return false;
            }
        if (!p.rows.empty()) {
            if (static_cast<int32_t>(p.rows.size()) != ART_SIDE) {
                *error = p.where + ": an overlay grid needs 16 rows";
                return false;
            }
            for (int32_t y = 0; y < ART_SIDE; ++y)
                for (int32_t x = 0; x < ART_SIDE; ++x)
                    if (p.rows[y][x] != KEEP)
                        (*grid)[y][x] = p.rows[y][x];
        }
    }
    visiting->erase(name);
    return true;
}

// The base of a derived picture is its own, else that of its source.
std::string BaseOf(const ArtBook& book, const std::string& name)
{
    for (std::string n = name; !n.empty();) {
        const ArtPicture& p = book.pictures.at(n);
        if (!p.base.empty())
            return p.base == "none" ? "" : p.base;
        n = p.from;
    }
    return "";
}

bool Render(const ArtBook& book, const std::string& name, std::set<std::string>* visiting,
            std::vector<ArtColour>* pixels, std::string* error)
{
    if (visiting->count(name)) {
        *error = name + " is its own base";
        return false;
    }
    visiting->insert(name);
    std::set<std::string> grid_visiting;
    Grid grid;
    if (!ResolveGrid(book, name, &grid_visiting, &grid, error))
        return false;
    std::string base = BaseOf(book, name);
    std::vector<ArtColour> under;
    if (!base.empty() && !Render(book, base, visiting, &under, error))
        return false;
    pixels->assign(ART_SIDE * ART_SIDE, ArtColour{0, 0, 0});
    for (int32_t y = 0; y < ART_SIDE; ++y)
        for (int32_t x = 0; x < ART_SIDE; ++x) {
            char c = grid[y][x];
            size_t i = static_cast<size_t>(y * ART_SIDE + x);
            if (c == KEY && !under.empty()) {
                (*pixels)[i] = under[i];
                continue;
            }
            auto colour = book.palette.find(c);
            if (colour == book.palette.end()) {
                *error = book.pictures.at(name).where + ": " + name + " uses '" + std::string(1, c) +
                         "', which is not in the palette";
                return false;
            }
            (*pixels)[i] = colour->second;
        }
    visiting->erase(name);
    return true;
}
} // namespace

bool ReadArtFolder(const std::string& folder, ArtBook* book, std::string* error)
{
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.path().extension() == ".art")
            files.push_back(entry.path());
    if (ec) {
        *error = folder + ": " + ec.message();
        return false;
    }
    std::sort(files.begin(), files.end());
    for (const auto& f : files)
        if (!ReadFile(f, book, error))
            return false;
    if (!book->palette.count(KEY)) {
        *error = "the palette lacks the key colour '.'";
        return false;
    }
    return true;
}

bool RenderPicture(const ArtBook& book, const std::string& name, std::vector<ArtColour>* pixels, std::string* error)
{
    std::set<std::string> visiting;
    return Render(book, name, &visiting, pixels, error);
}
