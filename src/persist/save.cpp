#include "persist/save.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "persist/unit_record.h"
#include "platform/byte_order.h"
#include "platform/platform.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace
{
// The grid files always hold three layers, whatever WorldLayers says.
constexpr int64_t SAVED_LAYERS = 3;
constexpr int32_t VARIABLE_COUNT = 4;
// Route arrays move through a staging block of this many words (4 MB): a 144 MB
// file then takes a few dozen calls.
constexpr size_t ROUTE_BLOCK_WORDS = size_t{1} << 20;

enum SlotFile { FILE_MAINMAP, FILE_FLAGMAP, FILE_UNIT, FILE_PATHFIND, FILE_VARIABLES };

const char* const FILE_EXTENSIONS[] = {"mainmap", "flagmap", "unit", "pathfind", "variables"};
const char* const SAVE_MESSAGES[] = {"Saving dungeon maps.", "Saving flag maps.", "Saving units.",
                                     "Saving pathfinding.", "Saving variables."};
const char* const LOAD_MESSAGES[] = {"Loading dungeon maps.", "Loading flag maps.", "Loading units.",
                                     "Loading pathfinding.", "Loading variables."};

void FormatSlotPath(char* out, size_t size, int32_t slot, SlotFile file)
{
    std::snprintf(out, size, ".\\map\\%d.%s", slot, FILE_EXTENSIONS[file]);
}

size_t GridBytes() { return static_cast<size_t>(LayerCells) * static_cast<size_t>(WorldLayers); }
size_t GridFileBytes() { return static_cast<size_t>(LayerCells) * static_cast<size_t>(SAVED_LAYERS); }
size_t RouteWords() { return static_cast<size_t>(MaxUnits) * static_cast<size_t>(PathCap); }

// A staging block that grows as needed and is never zero-filled: every byte of
// it is written before it is read.
struct Block {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;

    uint8_t* Reserve(size_t n)
    {
        if (n > size)
            bytes = std::make_unique_for_overwrite<uint8_t[]>(size = n);
        return bytes.get();
    }
};

// ---- Writing -------------------------------------------------------------------

struct SaveStream {
    std::FILE* file;
    bool ok = true; // a failed write keeps the old file in place
    Block block;

    explicit SaveStream(std::FILE* f) : file(f) {}

    void Write(const void* data, size_t bytes)
    {
        if (ok && bytes > 0 && std::fwrite(data, 1, bytes, file) != bytes)
            ok = false;
    }

    template <class T> void WriteWords(const T* words, size_t count)
    {
        uint8_t* b = block.Reserve(std::min(count, ROUTE_BLOCK_WORDS) * 4);
        for (size_t done = 0; done < count && ok;) {
            size_t n = std::min(count - done, ROUTE_BLOCK_WORDS);
            for (size_t i = 0; i < n; ++i)
                PutLittle(&b[i * 4], static_cast<uint32_t>(words[done + i]));
            Write(b, n * 4);
            done += n;
        }
    }
};

void WriteGrid(SaveStream& out, const uint8_t* grid)
{
    size_t stored = std::min(GridBytes(), GridFileBytes());
    out.Write(grid, stored);
    if (stored < GridFileBytes()) {
        std::vector<uint8_t> zeros(GridFileBytes() - stored, 0);
        out.Write(zeros.data(), zeros.size());
    }
}

void WriteUnits(SaveStream& out)
{
    std::vector<uint8_t> records = EncodeUnitTable();
    out.Write(records.data(), records.size());
}

void WriteRoutes(SaveStream& out)
{
    for (int p = 0; p < 2; ++p) {
        PathFinder& pf = PathFinders[p];
        // A search in progress cannot be resumed from the file, so it is saved (and left) as idle.
        for (int32_t u = 0; u < MaxUnits; ++u)
            if (pf.RouteIndex[u] < -1)
                pf.RouteIndex[u] = ROUTE_IDLE;
        out.WriteWords(pf.RouteIndex, static_cast<size_t>(MaxUnits));
        out.WriteWords(pf.RouteX, RouteWords());
        out.WriteWords(pf.RouteY, RouteWords());
    }
}

void WriteVariables(SaveStream& out, const SavedView& view)
{
    const int32_t values[VARIABLE_COUNT] = {view.x, view.y, view.layer, CurrentUnit};
    out.WriteWords(values, VARIABLE_COUNT);
}

// The file is written whole under a temporary name and only then takes the
// place of the old one, so an interrupted save leaves either file complete. The
// progress screen and the pause come once the file is in place: a file that
// cannot be written is left as it was and shows nothing, like one that cannot
// be opened. The screen draws nothing the writing changes (a route index below
// -1 draws as little as an idle one).
void SaveSlotFile(int32_t slot, SlotFile file, const SavedView& view, const SlotProgress& progress)
{
    char path[64];
    char temporary[80];
    FormatSlotPath(path, sizeof path, slot, file);
    std::snprintf(temporary, sizeof temporary, "%s.tmp", path);
    std::FILE* f = OpenFileTruncated(temporary);
    if (!f)
        return;
    SaveStream out(f);
    switch (file) {
    case FILE_MAINMAP: WriteGrid(out, MainMap); break;
    case FILE_FLAGMAP: WriteGrid(out, FlagMap); break;
    case FILE_UNIT: WriteUnits(out); break;
    case FILE_PATHFIND: WriteRoutes(out); break;
    case FILE_VARIABLES: WriteVariables(out, view); break;
    }
    bool closed = std::fclose(f) == 0;
    if (!out.ok || !closed || !ReplaceFileAtomically(temporary, path)) {
        RemoveFile(temporary);
        return;
    }
    progress.show(SAVE_MESSAGES[file]);
    progress.pause(1000);
}

// ---- Reading -------------------------------------------------------------------

// Reads no further than the file's length as measured at opening, so that every
// table learns up front how much of it the file can fill.
struct LoadStream {
    std::FILE* file;
    size_t left = 0;
    Block block;

    explicit LoadStream(std::FILE* f) : file(f)
    {
        if (std::fseek(f, 0, SEEK_END) == 0) {
            long size = std::ftell(f);
            if (size > 0)
                left = static_cast<size_t>(size);
        }
        std::fseek(f, 0, SEEK_SET);
    }

    size_t Read(void* data, size_t bytes)
    {
        size_t want = std::min(bytes, left);
        size_t got = want > 0 ? std::fread(data, 1, want, file) : 0;
        left = got < want ? 0 : left - got;
        return got;
    }

    // Whole values only: a value cut by the end of the file keeps its old contents.
    template <class T> void ReadWords(T* words, size_t count)
    {
        static_assert(sizeof(T) == 4);
        for (size_t done = 0; done < count && left >= 4;) {
            // No more than the file still holds: a short file needs no large block.
            size_t n = std::min({count - done, ROUTE_BLOCK_WORDS, left / 4});
            uint8_t* b = block.Reserve(n * 4);
            size_t whole = Read(b, n * 4) / 4;
            for (size_t i = 0; std::endian::native != std::endian::little && i < whole; ++i) {
                uint32_t host = GetLittle<uint32_t>(&b[i * 4]);
                std::memcpy(&b[i * 4], &host, 4);
            }
            // Only the 4 KB runs that change are stored: the route arrays are
            // mostly zeros over pages never written, which then stay unmapped.
            for (size_t i = 0; i < whole; i += 1024) {
                size_t bytes = std::min<size_t>(1024, whole - i) * 4;
                if (std::memcmp(words + done + i, &b[i * 4], bytes) != 0)
                    std::memcpy(words + done + i, &b[i * 4], bytes);
            }
            if (whole < n)
                return;
            done += n;
        }
    }
};

void ReadGrid(LoadStream& in, uint8_t* grid) { in.Read(grid, std::min(GridBytes(), GridFileBytes())); }

void ReadUnits(LoadStream& in)
{
    std::vector<uint8_t> records(std::min(static_cast<size_t>(MaxUnits) * UNIT_RECORD_SIZE, in.left));
    size_t got = in.Read(records.data(), records.size());
    for (int32_t u = 0; u < MaxUnits; ++u) {
        size_t start = static_cast<size_t>(u) * UNIT_RECORD_SIZE;
        if (start >= got)
            break;
        DecodeUnitRecord(&records[start], std::min(UNIT_RECORD_SIZE, got - start), UnitTable[u]);
    }
}

void ReadRoutes(LoadStream& in)
{
    for (int p = 0; p < 2; ++p) {
        PathFinder& pf = PathFinders[p];
        in.ReadWords(pf.RouteIndex, static_cast<size_t>(MaxUnits));
        in.ReadWords(pf.RouteX, RouteWords());
        in.ReadWords(pf.RouteY, RouteWords());
        // Whoever was allowed to search before the load is meaningless now.
        pf.RunningUnit = 0;
    }
}

void ReadVariables(LoadStream& in, SavedView* view)
{
    int32_t values[VARIABLE_COUNT] = {view->x, view->y, view->layer, CurrentUnit};
    in.ReadWords(values, VARIABLE_COUNT);
    view->x = values[0];
    view->y = values[1];
    view->layer = values[2];
    CurrentUnit = values[3];
}

// Values are taken as found: the readers of each table guard their own accesses.
void LoadSlotFile(int32_t slot, SlotFile file, SavedView* view, const SlotProgress& progress)
{
    char path[64];
    FormatSlotPath(path, sizeof path, slot, file);
    std::FILE* f = OpenFileAlways(path, false);
    if (!f)
        return;
    progress.show(LOAD_MESSAGES[file]);
    LoadStream in(f);
    switch (file) {
    case FILE_MAINMAP: ReadGrid(in, MainMap); break;
    case FILE_FLAGMAP: ReadGrid(in, FlagMap); break;
    case FILE_UNIT: ReadUnits(in); break;
    case FILE_PATHFIND: ReadRoutes(in); break;
    case FILE_VARIABLES: ReadVariables(in, view); break;
    }
    progress.pause(1000);
    std::fclose(f);
}

constexpr SlotFile SLOT_FILES[] = {FILE_MAINMAP, FILE_FLAGMAP, FILE_UNIT, FILE_PATHFIND, FILE_VARIABLES};
} // namespace

void SaveMap(int32_t slot, const SavedView& view, const SlotProgress& progress)
{
    for (SlotFile file : SLOT_FILES)
        SaveSlotFile(slot, file, view, progress);
}

void LoadMap(int32_t slot, SavedView* view, const SlotProgress& progress)
{
    for (SlotFile file : SLOT_FILES)
        LoadSlotFile(slot, file, view, progress);
}
