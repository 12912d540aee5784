// A second, deliberately plain build of the start world and its population,
// kept apart from the game code so the two can be compared byte for byte.
// It owns its grids and units and never touches the game's globals except
// the shared random generator.
#pragma once
#include <cstdint>
#include <vector>

#include "app/random.h"

namespace plainworld
{

constexpr int Side = 1024;
constexpr int Layer = Side * Side;
constexpr int Layers = 3;
constexpr int Units = 3000;

constexpr uint8_t Floor = '<';
constexpr uint8_t Wall = '=';
constexpr uint8_t Door = 'F';
constexpr uint8_t Key = 1;
constexpr uint8_t Quest = 3;
constexpr uint8_t Gold = 5;
constexpr uint8_t Treasure = 6;
constexpr uint8_t Vial = 12;

struct PlainUnit {
    uint8_t in_use = 0;
    uint16_t x = 0, y = 0, z = 0;
    uint16_t bitmap = 0, faction = 0;
    float gold = 0, max_hp = 0, hp = 0, attack = 0, second = 0;
    int32_t reward = 0;
    uint16_t move_state = 0;
    uint8_t hidden = 0, champion = 0;
    int32_t route_order = 0;
};

// One door as it was made: where, which way, the roll, its lock level, and
// whether at that moment two opposite sides were wall and the other two floor.
struct DoorLog {
    long index;
    int dir;
    int roll;
    int lock;
    bool shape_ok;
};

struct PlainWorld {
    std::vector<uint8_t> main = std::vector<uint8_t>(Layers * Layer, 0);
    std::vector<uint8_t> flag = std::vector<uint8_t>(Layers * Layer, 0);
    std::vector<PlainUnit> units = std::vector<PlainUnit>(Units);
    std::vector<DoorLog> doors;

    // The flat index with signed coordinates, no bounds test.
    static long Index(int x, int y, int z) { return (long)z * Layer + (long)y * Side + x; }
    bool Is(long i, uint8_t code) const { return main[i] == code; }
    void Set(long i, uint8_t code) { main[i] = code; }

    static int Draw(int n) { return Rand() % n; }

    void Noise()
    {
        for (int z = 0; z < Layers; z++)
            for (int y = 0; y < Side; y++)
                for (int x = 0; x < Side; x++) {
                    long i = Index(x, y, z);
                    Set(i, Floor);
                    if (Draw(3) == 1)
                        Set(i, Wall);
                }
    }

    void Ring()
    {
        for (int k = 0; k < Side; k++) {
            Set(Index(k, 0, 1), Wall);
            Set(Index(k, Side - 1, 1), Wall);
            Set(Index(0, k, 1), Wall);
            Set(Index(Side - 1, k, 1), Wall);
        }
    }

    void FillGaps()
    {
        for (int t = 0; t < 1400000; t++) {
            int x = Draw(Side) - 2;
            int y = Draw(Side) - 2;
            int d = Draw(2) + 1;
            long i = Index(x, y, 1);
            long east = i + 1, west = i - 1, north = i + Side, south = i - Side;
            if (!Is(i, Floor))
                continue;
            if (d == 1 && Is(north, Wall) && Is(south, Wall))
                Set(i, Wall);
            if (d == 2 && Is(east, Wall) && Is(west, Wall))
                Set(i, Wall);
        }
    }

    int RollLock(int d, int* roll)
    {
        int r = Draw(12) + 1;
        *roll = r;
        if (r == 1)
            return Draw(12) + 4;
        if (r == 2)
            return Draw(12);
        if (r == 3 || r == 4)
            return Draw(9);
        if (d == 1 && r >= 5 && r <= 9)
            return Draw(6) + 1;
        if (d == 2 && r >= 5 && r <= 8)
            return Draw(6) + 1;
        return 0;
    }

    void MakeDoor(long i, int d)
    {
        long east = i + 1, west = i - 1, north = i + Side, south = i - Side;
        bool across_x = Is(east, Wall) && Is(west, Wall) && Is(north, Floor) && Is(south, Floor);
        bool across_y = Is(north, Wall) && Is(south, Wall) && Is(east, Floor) && Is(west, Floor);
        Set(i, Door);
        DoorLog log{i, d, 0, 0, across_x || across_y};
        log.lock = RollLock(d, &log.roll);
        flag[i] = (uint8_t)log.lock;
        doors.push_back(log);
    }

    void Doors()
    {
        for (int t = 0; t < 1000000; t++) {
            int x = Draw(Side) - 2;
            int y = Draw(Side) - 2;
            int d = Draw(2) + 1;
            long i = Index(x, y, 1);
            long east = i + 1, west = i - 1, north = i + Side, south = i - Side;
            if (d == 1) {
                if (Is(i, Floor) && Is(east, Floor) && Is(west, Floor) && Is(north, Wall) && Is(south, Wall))
                    MakeDoor(i, 1);
            } else {
                if (Is(i, Floor) && Is(east, Wall) && Is(west, Wall) && Is(north, Floor) && Is(south, Floor))
                    MakeDoor(i, 2);
            }
        }
    }

    void Scatter(int tries, uint8_t what)
    {
        for (int t = 0; t < tries; t++) {
            int x = Draw(Side) - 2;
            int y = Draw(Side) - 2;
            long i = Index(x, y, 1);
            if (Is(i, Floor))
                flag[i] = what;
        }
    }

    void Build()
    {
        Srand(99);
        Noise();
        Ring();
        FillGaps();
        Doors();
        Scatter(4000, Key);
        Scatter(2000, Gold);
        Scatter(400, Quest);
        Scatter(400, Vial);
    }

    struct Species {
        uint16_t bitmap;
        float hp, attack;
        int32_t reward;
    };

    void Seed()
    {
        static const Species species[16] = {
            {0, 0, 0, 0},        {805, 8, 2, 30},     {824, 12, 4, 40},    {823, 14, 4, 50},
            {871, 24, 6, 70},    {830, 26, 7, 60},    {831, 36, 8, 80},    {870, 42, 12, 160},
            {863, 46, 14, 100},  {832, 50, 8, 120},   {876, 80, 12, 160},  {874, 100, 15, 200},
            {883, 120, 18, 180}, {903, 145, 25, 250}, {906, 168, 30, 250}, {904, 325, 40, 350},
        };
        for (int u = 0; u < Units; u++) {
            PlainUnit& p = units[u];
            p.x = 0;
            p.y = 0;
            p.z = 1;
            for (int t = 0; t < 1000; t++) {
                int x = Draw(Side - 2) + 1;
                int y = Draw(Side - 2) + 1;
                if (Is(Index(x, y, p.z), Floor)) {
                    p.x = (uint16_t)x;
                    p.y = (uint16_t)y;
                    p.z = 1;
                }
            }
            p.in_use = 1;
            int roll = Draw(28) + 1;
            p.faction = roll == 1 ? 1 : 3;
            p.hp = 8;
            p.max_hp = 8;
            p.attack = 3;
            p.second = 1;
            if (p.faction == 1) {
                p.bitmap = 849;
                p.gold = 300;
            }
            if (p.faction == 3) {
                const Species& s = species[Draw(15) + 1];
                p.bitmap = s.bitmap;
                p.max_hp = s.hp;
                p.attack = s.attack;
                p.reward = s.reward;
                p.hp = p.max_hp;
            }
            if (p.bitmap == 904) {
                for (int t = 0; t < 8; t++) {
                    int dx = Draw(6) - 3;
                    int dy = Draw(6) - 3;
                    int x = p.x + dx, y = p.y + dy;
                    if (x >= 0 && y >= 0 && x < Side - 1 && y < Side - 1 && Is(Index(x, y, p.z), Floor))
                        flag[Index(x, y, p.z)] = Treasure;
                }
            }
            p.move_state = 0;
            p.hidden = 0;
            p.champion = 0;
            p.route_order = 9999;
        }
    }
};

} // namespace plainworld
