// Fuzz target: a saved slot of arbitrary bytes, loaded with F3, then a few
// hundred frames of play driven by the rest of the input.
//
// Input layout:
//   byte 0          frames to run: 100 + value
//   byte 1          the frame count the game is at: 100 x value (a slot is
//                   loaded in the middle of a game; frame-counted rules such as
//                   the spell's pause need a count past the run's own frames)
//   then, for each of the five files (mainmap, flagmap, unit, pathfind,
//   variables), in that order:
//     byte          bit 0 set: the file is written; clear: it is missing
//     u32 LE        where the fuzz bytes start in the file (modulo its size + 1)
//     u16 LE        how many fuzz bytes follow (fewer when the input ends)
//     bytes         the fuzz bytes
//   the rest        play operations, see RunOperation
// A written file is the game's own save of the start world up to the offset,
// then the fuzz bytes, and ends there: so both short files and any single
// field of any record, route or variable can be reached with small inputs.
//
// One game is started per process. Every execution first puts it back to its
// start state (fuzz_support.cpp), so that an input always plays the same way.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/input.h"
#include "app/shell.h"
#include "fuzz_support.h"
#include "persist/save.h"
#include "platform/headless/headless.h"
#include "units/unit.h"

namespace fs = std::filesystem;

namespace
{
const char* const EXTENSIONS[5] = {"mainmap", "flagmap", "unit", "pathfind", "variables"};

// A file as a list of non-zero runs over zeros, so that the 144 MB route file
// costs only its few non-zero parts to keep and to write.
struct BaseFile {
    uint64_t size = 0;
    std::vector<uint64_t> run_offsets;
    std::vector<std::vector<uint8_t>> runs;
};
BaseFile Bases[5];

const int32_t PLAY_KEYS[] = {
    KEY_K,    KEY_D,  KEY_S,     KEY_N,    KEY_M,           KEY_LEFT_BRACKET, KEY_RIGHT_BRACKET,
    KEY_LEFT, KEY_UP, KEY_RIGHT, KEY_DOWN, KEY_KEYPAD_PLUS, KEY_KEYPAD_MINUS, KEY_F3,
    KEY_F4,   KEY_F5, KEY_F6,    KEY_TAB,  KEY_ENTER,       KEY_ESCAPE};
constexpr size_t PLAY_KEY_COUNT = sizeof PLAY_KEYS / sizeof PLAY_KEYS[0];

const char* const COMMANDS[] = {"corner1",     "env4block",    "env4grass",     "env4dirt", "env4emptyx1",
                                "env4emptyy1", "env4teleport", "env4cyclestep", "su",       "screensavertoggle"};
constexpr size_t COMMAND_COUNT = sizeof COMMANDS / sizeof COMMANDS[0];

// Gaps of zeros shorter than this stay inside a run.
constexpr size_t MIN_GAP = 64;

BaseFile ScanFile(const std::string& path)
{
    BaseFile base;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> chunk(size_t{1} << 20);
    uint64_t at = 0;
    uint64_t run_start = 0, run_end = 0; // current run [start, end), empty when equal
    std::vector<uint8_t> run;
    auto close_run = [&] {
        if (!run.empty()) {
            base.run_offsets.push_back(run_start);
            base.runs.push_back(run);
            run.clear();
        }
    };
    while (in) {
        in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
        size_t got = static_cast<size_t>(in.gcount());
        for (size_t i = 0; i < got; ++i, ++at) {
            if (chunk[i] == 0)
                continue;
            if (!run.empty() && at - run_end < MIN_GAP) {
                run.insert(run.end(), static_cast<size_t>(at - run_end), 0);
            } else {
                close_run();
                run_start = at;
            }
            run.push_back(chunk[i]);
            run_end = at + 1;
        }
        if (got == 0)
            break;
    }
    close_run();
    base.size = at;
    return base;
}

std::string SlotPath(int slot, int file) { return "map/" + std::to_string(slot) + "." + EXTENSIONS[file]; }

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool More() const { return pos < size; }
    uint8_t Byte() { return pos < size ? data[pos++] : 0; }
    uint32_t Le(int bytes)
    {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= static_cast<uint32_t>(Byte()) << (8 * i);
        return v;
    }
};

void WriteSlotFile(int file, Reader& in)
{
    const BaseFile& base = Bases[file];
    uint64_t offset = in.Le(4) % (base.size + 1);
    size_t length = in.Le(2);
    length = std::min(length, in.size - std::min(in.pos, in.size));
    const uint8_t* patch = in.data + in.pos;
    in.pos += length;

    std::vector<FileSegment> segments;
    for (size_t r = 0; r < base.runs.size() && base.run_offsets[r] < offset; ++r)
        segments.push_back({base.run_offsets[r], base.runs[r].data(), base.runs[r].size()});
    segments.push_back({offset, patch, length});
    if (!WriteSegmentedFile(SlotPath(1, file), offset + length, segments))
        std::abort();
}

void QueueKey(int32_t frame, int32_t key) { HeadlessQueue({frame, HEADLESS_KEY, key, 0}); }

// Types a console command, one key a frame from `frame` on: Tab, the text,
// Enter, Tab. Returns the first frame after it.
int32_t QueueCommand(int32_t frame, const std::string& text)
{
    QueueKey(frame++, KEY_TAB);
    for (char c : text) {
        if (c >= 'a' && c <= 'z')
            QueueKey(frame++, c - 'a' + 'A');
        else if ((c >= '0' && c <= '9') || c == ' ')
            QueueKey(frame++, c);
    }
    QueueKey(frame++, KEY_ENTER);
    QueueKey(frame++, KEY_TAB);
    return frame;
}

// The cell the current unit stands on, or the middle of the view when the
// loaded index names no unit.
void CurrentCell(int32_t* x, int32_t* y)
{
    if (CurrentUnit >= 0 && CurrentUnit < MaxUnits) {
        *x = UnitTable[CurrentUnit].cell_x;
        *y = UnitTable[CurrentUnit].cell_y;
    } else {
        *x = ViewX + 20;
        *y = ViewY + 15;
    }
}

// Reads one operation and queues its events for delivery at the end of the
// coming frame (`frame` is that event frame). Returns frames to stay idle
// afterwards, or -1 when the operation does not end the frame's batch.
int32_t RunOperation(Reader& in, int32_t frame)
{
    uint8_t op = in.Byte();
    uint8_t a = in.Byte();
    switch (op % 8) {
    case 0: return a % 8;
    case 1: {
        // Saves of whatever was loaded, but rarely: each writes 144 MB of routes.
        int32_t key = a == 255                                    ? KEY_F1
                      : a == 254                                  ? KEY_F2
                      : a % 32 < static_cast<int>(PLAY_KEY_COUNT) ? PLAY_KEYS[a % 32]
                                                                  : a;
        QueueKey(frame, key);
        return -1;
    }
    case 2: {
        uint8_t b = in.Byte();
        HeadlessQueue({frame, HEADLESS_MOUSE, a * 640 / 256, b * 480 / 256});
        return -1;
    }
    case 3: {
        // Next to the current unit: where pick-ups, K, D and blows act.
        int32_t x = 0, y = 0;
        CurrentCell(&x, &y);
        HeadlessQueue({frame, HEADLESS_CELL, x + a % 5 - 2, y + (a / 5) % 5 - 2});
        return -1;
    }
    case 4: HeadlessQueue({frame, HEADLESS_LCLICK, 0, 0}); return -1;
    case 5: HeadlessQueue({frame, HEADLESS_RCLICK, 0, 0}); return -1;
    case 6: {
        uint8_t b = in.Byte();
        HeadlessQueue({frame, HEADLESS_CELL, ViewX + a % 40, ViewY + b % 30});
        return -1;
    }
    default: {
        std::string text = COMMANDS[a % COMMAND_COUNT];
        uint32_t n1 = in.Le(2), n2 = in.Le(2);
        if (text == "env4teleport")
            text += " " + std::to_string(n1) + " " + std::to_string(n2) + " 1";
        else if (text == "env4cyclestep" || text == "su")
            text += " " + std::to_string(n1 % 4000);
        QueueCommand(frame, text);
        return 0;
    }
    }
}
// Inputs for the reset check. The reference loads missing files, which leaves
// the routes as they were, walks two cells, picks up and presses K and D. The
// other loads a walking unit, runs console commands and the zoom keys, then
// selects the next member and walks it: routes a reset must not leave behind.
std::vector<uint8_t> ReferencePlay()
{
    return {40, 0, 0, 0, 0, 0, 0, 3, 19, 5, 0, 0, 7, 0, 7, 0, 7, 0, 7, 3, 13, 4, 0, 1, 0, 0, 1, 1, 1, 0, 2};
}

std::vector<uint8_t> OtherPlay()
{
    std::vector<uint8_t> in = {40, 5, 0, 0, 1, 0, 0, 0, 0, 74, 0};
    // Unit 0 of the unit file: faction 1, at (90, 90) on layer 1, walking.
    std::vector<uint8_t> unit(74, 0);
    unit[1] = 1;
    unit[2] = 1;
    unit[22 + 3] = 0x41; // 8.0f hit points
    unit[44] = 1;
    unit[38] = 120;
    unit[40] = 90;
    unit[68] = 90;
    unit[70] = 90;
    unit[72] = 1;
    in.insert(in.end(), unit.begin(), unit.end());
    in.insert(in.end(), {0, 0});
    in.insert(in.end(), {7, 6, 0x88, 0x13, 0x88, 0x13, 7, 7,  30, 0, 0, 0, 1, 15, 0, 2, 1, 16,
                         0, 7, 1,    6,    0,    2,    3, 24, 5,  0, 0, 7, 0, 7,  0, 7, 0, 7});
    return in;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    KeepFuzzerPathsAbsolute(argc, argv);
    StartFuzzGame("slot");
    // The bases are the game's own save of its start world.
    SaveMap(1);
    for (int file = 0; file < 5; ++file) {
        Bases[file] = ScanFile(SlotPath(1, file));
        if (Bases[file].size == 0) {
            std::fprintf(stderr, "the start save wrote no %s file\n", EXTENSIONS[file]);
            std::abort();
        }
    }
    CheckResetIsComplete(LLVMFuzzerTestOneInput, ReferencePlay(), OtherPlay());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ResetFuzzGame();
    Reader in{data, size};
    int32_t frames = 100 + in.Byte();
    FrameCounter += 100 * in.Byte();
    std::error_code ec;
    for (int file = 0; file < 5; ++file) {
        fs::remove(SlotPath(2, file), ec);
        if (in.Byte() & 1)
            WriteSlotFile(file, in);
        else
            fs::remove(SlotPath(1, file), ec);
    }

    QueueKey(1, KEY_F3);
    HeadlessDeliverFrame(0);
    int32_t idle = 0;
    for (int32_t f = 0; f < frames && QuitRequested == 0; ++f) {
        if (f >= 1) {
            if (idle > 0)
                --idle;
            else
                while (in.More()) {
                    int32_t wait = RunOperation(in, f + 1);
                    if (wait >= 0) {
                        idle = wait;
                        break;
                    }
                }
        }
        RunFrame();
        HeadlessAdvanceClock(1.0 / 60.0);
    }
    return 0;
}
