// Fuzz target: a slot of arbitrary files loaded with F3 over the running game,
// then a few frames of play. Input, numbers little-endian:
//   byte     frames of play after the loading frame: 1 + value % 4
//   byte     frames between movement ticks: the value, at least 3
//   u16      the frame count the game is at
//   for each file (mainmap, flagmap, unit, pathfind, variables):
//     byte how     even: missing, or (how & 2) a folder in its place, which cannot be
//                  opened; odd: the start world's own save (how & 2) or zeros, then:
//     byte s, u16 m                   length m << (s % 8), or (s = 255) the full length + m - 32768
//     u32 at, u16 n, u16 r, n bytes   a patch written r + 1 times in a row from `at`
//   the rest  play (game_play.h)
#include <fcntl.h>

#include "fuzz_game.h"
#include "persist/save.h"

using namespace fuzz;

namespace
{
const char* const KINDS[5] = {"mainmap", "flagmap", "unit", "pathfind", "variables"};
constexpr uint64_t CHUNK = 1 << 16;
std::vector<uint8_t> Saved[5];   // the start world's save
std::vector<uint64_t> Filled[5]; // where its chunks that are not all zeros start

void WriteSlotFile(int file, Bytes& in)
{
    std::string path = std::string("map/1.") + KINDS[file];
    uint8_t how = in.Byte();
    std::error_code ec;
    fs::remove_all(path, ec);
    fs::remove(std::string("map/2.") + KINDS[file], ec); // an earlier input's save
    if (how % 2 == 0)
        return void(how & 2 && fs::create_directory(path, ec));
    uint64_t s = in.Byte(), full = Saved[file].size(), m = in.Le(2), at = in.Le(4), n = in.Le(2), r = in.Le(2);
    uint64_t length = s == 255 ? std::max<uint64_t>(full + m, 32768) - 32768 : m << (s % 8);
    n = std::min<uint64_t>(n, in.size - std::min(in.pos, in.size));
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    bool ok = fd >= 0 && ftruncate(fd, static_cast<off_t>(length)) == 0;
    auto put = [&](const void* p, uint64_t size, uint64_t where) {
        if (where < length)
            ok = ok && pwrite(fd, p, std::min(size, length - where), static_cast<off_t>(where)) >= 0;
    };
    for (uint64_t c : how & 2 ? Filled[file] : std::vector<uint64_t>{}) // zero chunks stay holes
        put(&Saved[file][c], std::min(CHUNK, full - c), c);
    std::vector<uint8_t> tile; // the patch repeated, written a chunk at a time
    for (uint64_t k = 0; k <= r && n > 0 && tile.size() < CHUNK; ++k)
        tile.insert(tile.end(), in.data + in.pos, in.data + in.pos + n);
    for (uint64_t from = at % (length + 1), end = from + n * (r + 1); from < end; from += tile.size())
        put(tile.data(), std::min(tile.size(), end - from), from);
    in.pos += n;
    if (!ok || close(fd) != 0)
        Fail("cannot write a slot file");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fs::current_path(Dir);
    Bytes in{data, size, 0};
    int32_t frames = 1 + in.Byte() % 4;
    MonsterCyclePeriod = std::max<uint8_t>(3, in.Byte());
    FrameCounter = static_cast<int32_t>(in.Le(2));
    for (int file = 0; file < 5; ++file)
        WriteSlotFile(file, in);
    HeadlessQueue(0, {INPUT_KEY_DOWN, KEY_F3, 0});
    QueueScript(DecodePlay(in, 1, frames + 1));
    RunFrames(frames + 1);
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartGameOnce(GameDir(FUZZ_GAME_DIR));
    fs::current_path(Dir);
    SaveSlot(1);
    ResetGame(); // the clock the save moved on
    for (int file = 0; file < 5; ++file) {
        std::string path = std::string("map/1.") + KINDS[file];
        Saved[file].resize(fs::file_size(path));
        std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(Saved[file].data()), Saved[file].size());
        for (uint64_t c = 0; c < Saved[file].size(); c += CHUNK)
            if (std::any_of(&Saved[file][c], &Saved[file][0] + std::min(c + CHUNK, Saved[file].size()),
                            [](uint8_t b) { return b != 0; }))
                Filled[file].push_back(c);
    }
    fs::current_path(Home);
    // Missing files and a blow; then a walk order and a zoom: a search, routes and buffers to undo.
    CheckResetIsComplete(LLVMFuzzerTestOneInput, {7, 3, 30, 0, 0, 0, 0, 0, 0, 5, 1, 0, 3, 0, 1, 1},
                         {7, 3, 30, 0, 0, 0, 0, 0, 0, 5, 4, 4, 4, 0, 1, 15});
    return 0;
}
