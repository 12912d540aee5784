#include "world/pathfind.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "app/random.h"
#include "units/unit.h"
#include "world/grid.h"

PathFinder* PathFinders = nullptr;

namespace
{

constexpr int32_t DIR_X[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int32_t DIR_Y[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr float DIR_COST[8] = {1.0f, 1.4142f, 1.0f, 1.4142f, 1.0f, 1.4142f, 1.0f, 1.4142f};
constexpr uint8_t NODE_OPEN = 0;
constexpr uint8_t NODE_CLOSED = 9;
constexpr uint8_t MASK_SEEN = 1;
constexpr uint8_t MASK_CLOSED = 9;

struct CodeTables {
    bool enterable[256];
    bool open_corner[256];
};

constexpr CodeTables MakeCodeTables()
{
    CodeTables t{};
    for (int c = 0; c < 256; ++c) {
        t.enterable[c] = c != CELL_EMPTY && c != CELL_WALL && c != CELL_DOOR;
        t.open_corner[c] = c == LAND_PLAIN || c == LAND_FOREST || c == LAND_HILLS || c == CELL_FLOOR;
    }
    return t;
}
constexpr CodeTables CODES = MakeCodeTables();

inline uint64_t HeapKey(float cost, int32_t node)
{
    return (static_cast<uint64_t>(std::bit_cast<uint32_t>(cost)) << 32) | (0xFFFFFFFFu - static_cast<uint32_t>(node));
}
inline int32_t KeyNode(uint64_t key) { return static_cast<int32_t>(0xFFFFFFFFu - static_cast<uint32_t>(key)); }
inline float KeyCost(uint64_t key) { return std::bit_cast<float>(static_cast<uint32_t>(key >> 32)); }

// A binary min-heap over h[0..n).
inline void HeapPush(uint64_t* h, int32_t& n, uint64_t key)
{
    int32_t i = n++;
    while (i > 0) {
        const int32_t parent = (i - 1) >> 1;
        if (h[parent] <= key)
            break;
        h[i] = h[parent];
        i = parent;
    }
    h[i] = key;
}

// Removes the top: the hole goes down along the smaller children without
// comparing against the moved key, which then rises from the bottom (it came
// from the bottom, so it rarely rises far). Fewer unpredictable branches.
inline void HeapPop(uint64_t* h, int32_t& n)
{
    const int32_t size = --n;
    if (size == 0)
        return;
    const uint64_t key = h[size];
    int32_t i = 0;
    for (;;) {
        int32_t child = 2 * i + 1;
        if (child + 1 >= size) {
            if (child < size) {
                h[i] = h[child];
                i = child;
            }
            break;
        }
        child += h[child + 1] < h[child];
        h[i] = h[child];
        i = child;
    }
    while (i > 0) {
        const int32_t parent = (i - 1) >> 1;
        if (h[parent] <= key)
            break;
        h[i] = h[parent];
        i = parent;
    }
    h[i] = key;
}

// The open nodes, keyed on (cost bits, inverted node number): the smallest key
// is the cheapest node, the highest node number among equal costs, just as the
// plain scan picks it. Costs are positive, so their bits order like the values.
//
// A child costs at least 2 more than the node being expanded, so while the
// search goes in cost order no key lands in the bucket (1/4 wide in cost) that
// is being taken: each bucket is sorted once when its turn comes, and new keys
// are appended to later ones. A key that breaks this (a closed node
// re-expanded after the map changed, costs beyond the scan limit) moves
// everything into a binary heap for the rest of the search. Closed nodes are
// dropped when they come to the front.
class OpenQueue
{
  public:
    explicit OpenQueue(uint64_t* heap) : heap_(heap), ring_(RING) {}

    void Reset(uint64_t key)
    {
        for (int32_t w = 0; w < RING / 64; ++w) {
            for (uint64_t bits = occupied_[w]; bits != 0; bits &= bits - 1)
                ring_[w * 64 + std::countr_zero(bits)].clear();
            occupied_[w] = 0;
        }
        current_.assign(1, key);
        pos_ = 0;
        bucket_ = BucketOf(key);
        use_heap_ = false;
        heap_size_ = 0;
    }

    void Push(uint64_t key)
    {
        if (!use_heap_) {
            const int64_t b = BucketOf(key);
            if (b > bucket_ && b - bucket_ < RING) {
                const int32_t slot = static_cast<int32_t>(b & (RING - 1));
                ring_[slot].push_back(key);
                occupied_[slot >> 6] |= uint64_t{1} << (slot & 63);
                return;
            }
            MoveToHeap();
        }
        HeapPush(heap_, heap_size_, key);
    }

    // The key taken after the top in bucket order, or 0: what comes next, as a hint.
    uint64_t Next() const { return !use_heap_ && pos_ + 1 < current_.size() ? current_[pos_ + 1] : 0; }

    // The smallest key of an open node; false when there is none.
    bool Top(const uint8_t* node_state, uint64_t& key)
    {
        if (use_heap_) {
            while (heap_size_ > 0 && node_state[KeyNode(heap_[0])] == NODE_CLOSED)
                HeapPop(heap_, heap_size_);
            if (heap_size_ == 0)
                return false;
            key = heap_[0];
            return true;
        }
        for (;;) {
            for (; pos_ < current_.size(); ++pos_) {
                if (node_state[KeyNode(current_[pos_])] != NODE_CLOSED) {
                    key = current_[pos_];
                    return true;
                }
            }
            if (!NextBucket())
                return false;
        }
    }

  private:
    static constexpr int32_t RING = 2048; // 512 in cost ahead: more than any step

    static int64_t BucketOf(uint64_t key)
    {
        const double scaled = static_cast<double>(KeyCost(key)) * 4.0;
        return scaled < 1.0e18 ? static_cast<int64_t>(scaled) : INT64_MAX / 2;
    }

    bool NextBucket()
    {
        const int32_t from = static_cast<int32_t>((bucket_ + 1) & (RING - 1));
        for (int32_t d = 0; d < RING;) {
            const int32_t slot = (from + d) & (RING - 1);
            const uint64_t bits = occupied_[slot >> 6] >> (slot & 63);
            if (bits == 0) {
                d += 64 - (slot & 63);
                continue;
            }
            d += std::countr_zero(bits);
            if (d >= RING)
                break;
            const int32_t found = (from + d) & (RING - 1);
            bucket_ += d + 1;
            occupied_[found >> 6] &= ~(uint64_t{1} << (found & 63));
            current_.swap(ring_[found]);
            ring_[found].clear();
            pos_ = 0;
            SortCurrent();
            return true;
        }
        return false;
    }

    // Keys arrive nearly in order: short buckets by insertion.
    void SortCurrent()
    {
        if (current_.size() > 24) {
            std::sort(current_.begin(), current_.end());
            return;
        }
        for (size_t i = 1; i < current_.size(); ++i) {
            const uint64_t k = current_[i];
            size_t j = i;
            for (; j > 0 && current_[j - 1] > k; --j)
                current_[j] = current_[j - 1];
            current_[j] = k;
        }
    }

    void MoveToHeap()
    {
        use_heap_ = true;
        heap_size_ = 0;
        for (; pos_ < current_.size(); ++pos_)
            HeapPush(heap_, heap_size_, current_[pos_]);
        for (int32_t w = 0; w < RING / 64; ++w) {
            for (uint64_t bits = occupied_[w]; bits != 0; bits &= bits - 1) {
                std::vector<uint64_t>& bucket = ring_[w * 64 + std::countr_zero(bits)];
                for (uint64_t k : bucket)
                    HeapPush(heap_, heap_size_, k);
                bucket.clear();
            }
            occupied_[w] = 0;
        }
    }

    uint64_t* heap_;
    int32_t heap_size_ = 0;
    bool use_heap_ = false;
    std::vector<uint64_t> current_;
    size_t pos_ = 0;
    int64_t bucket_ = 0; // the bucket being taken, held in current_
    std::vector<std::vector<uint64_t>> ring_;
    uint64_t occupied_[RING / 64] = {};
};

} // namespace

struct PathSearchAccel {
    explicit PathSearchAccel(uint64_t* heap) : open(heap) {}
    OpenQueue open;
    int32_t open_count = 0;
    int64_t node_capacity = 0; // entries of each node array (LayerCells at creation)
    int32_t unit_capacity = 0; // MaxUnits at creation
    // Entries from these indices on have never been written since allocation
    // or the last clear, so clearing stops there: untouched pages stay unmapped.
    int64_t node_dirty = 0;
    int64_t mask_dirty = 0;
    // For a whole-layer window: the non-zero mask cells are the border (once a
    // search started) plus node cells, whose bounding box is grown lazily.
    bool mask_known = true;
    bool border = false;
    int32_t boxed_nodes = 0;
    int32_t box_x0 = 0, box_y0 = 0, box_x1 = -1, box_y1 = -1;
    const uint8_t* layer_cells = nullptr; // MainMap of SearchLayer; null when out of range
};

namespace
{

inline float ScanLimit() { return static_cast<float>(2.0 * static_cast<double>(LayerCells)); }

bool UnitIndexOk(const PathFinder* pf, int32_t u)
{
    return pf && pf->accel && u >= 0 && u < pf->accel->unit_capacity && u < MaxUnits && UnitTable;
}

} // namespace

namespace
{

// The search arrays of both pathfinders share one zero-filled block. Being
// large, it comes straight from fresh zero pages: nothing is touched before a
// search writes it.
void* SearchBlock = nullptr;

size_t SearchStride(size_t cells) { return (22 * cells + 63) / 64 * 64; }

// What a new pathfinder holds besides zeros.
void SetStartFields(PathFinder& pf)
{
    if (pf.RouteIndex)
        std::fill(pf.RouteIndex, pf.RouteIndex + MaxUnits, ROUTE_IDLE);
    pf.RunningUnit = 1;
    for (int d = 0; d < 8; ++d) {
        pf.DirX[d] = DIR_X[d];
        pf.DirY[d] = DIR_Y[d];
        pf.DirCost[d] = DIR_COST[d];
    }
}

} // namespace

void CreatePathFinders()
{
    FreePathFinders();
    const size_t cells = static_cast<size_t>(LayerCells);
    const size_t units = static_cast<size_t>(MaxUnits);
    PathFinders = static_cast<PathFinder*>(std::calloc(2, sizeof(PathFinder)));
    if (!PathFinders)
        return;
    const size_t stride = SearchStride(cells);
    SearchBlock = std::calloc(2, stride);
    for (int i = 0; i < 2; ++i) {
        PathFinder& pf = PathFinders[i];
        pf.RouteX = static_cast<uint32_t*>(std::calloc(units * PathCap, sizeof(uint32_t)));
        pf.RouteY = static_cast<uint32_t*>(std::calloc(units * PathCap, sizeof(uint32_t)));
        pf.RouteLength = static_cast<uint32_t*>(std::calloc(units, sizeof(uint32_t)));
        pf.RouteIndex = static_cast<int32_t*>(std::calloc(units, sizeof(int32_t)));
        SetStartFields(pf);
        if (!SearchBlock || !pf.RouteX || !pf.RouteY || !pf.RouteLength || !pf.RouteIndex)
            continue;
        // Widest elements first, so that every array is aligned.
        uint8_t* base = static_cast<uint8_t*>(SearchBlock) + i * stride;
        auto* a = new (std::nothrow) PathSearchAccel(reinterpret_cast<uint64_t*>(base));
        if (!a)
            continue;
        pf.NodeParent = reinterpret_cast<uint32_t*>(base + 8 * cells);
        pf.NodeCost = reinterpret_cast<float*>(base + 12 * cells);
        pf.NodeX = reinterpret_cast<int16_t*>(base + 16 * cells);
        pf.NodeY = reinterpret_cast<int16_t*>(base + 18 * cells);
        pf.NodeState = base + 20 * cells;
        pf.SearchMask = base + 21 * cells;
        a->node_capacity = static_cast<int64_t>(cells);
        a->unit_capacity = MaxUnits;
        pf.accel = a;
    }
}

void FreePathFinders()
{
    if (!PathFinders)
        return;
    for (int i = 0; i < 2; ++i) {
        PathFinder& pf = PathFinders[i];
        std::free(pf.RouteX);
        std::free(pf.RouteY);
        std::free(pf.RouteLength);
        std::free(pf.RouteIndex);
        delete pf.accel;
    }
    std::free(SearchBlock);
    SearchBlock = nullptr;
    std::free(PathFinders);
    PathFinders = nullptr;
}

// Clears only what searches wrote; the route cells stay as they are, since no
// route index points into them any more.
void ResetPathFinders()
{
    if (!PathFinders)
        return;
    for (int i = 0; i < 2; ++i) {
        PathFinder& pf = PathFinders[i];
        PathSearchAccel* a = pf.accel;
        if (!a)
            continue;
        if (pf.Active)
            a->node_dirty = std::max(a->node_dirty, static_cast<int64_t>(pf.LastNode) + 1);
        const size_t nodes = static_cast<size_t>(std::min(a->node_dirty, a->node_capacity));
        std::memset(pf.NodeX, 0, nodes * sizeof(int16_t));
        std::memset(pf.NodeY, 0, nodes * sizeof(int16_t));
        std::memset(pf.NodeParent, 0, nodes * sizeof(uint32_t));
        std::memset(pf.NodeState, 0, nodes);
        std::memset(pf.NodeCost, 0, nodes * sizeof(float));
        std::memset(pf.SearchMask, 0, static_cast<size_t>(std::min(a->mask_dirty, a->node_capacity)));
        std::memset(pf.RouteLength, 0, static_cast<size_t>(a->unit_capacity) * sizeof(uint32_t));
        uint8_t* base = static_cast<uint8_t*>(SearchBlock) + i * SearchStride(static_cast<size_t>(a->node_capacity));
        PathSearchAccel fresh(reinterpret_cast<uint64_t*>(base));
        fresh.node_capacity = a->node_capacity;
        fresh.unit_capacity = a->unit_capacity;
        *a = std::move(fresh);
        // The arrays come first in the record; every other field is as created.
        const PathFinder kept = pf;
        pf = PathFinder{};
        std::memcpy(&pf, &kept, offsetof(PathFinder, RunningUnit));
        pf.SearchMask = kept.SearchMask;
        pf.accel = a;
        SetStartFields(pf);
    }
}

void SchedulePathFinder(PathFinder* pf)
{
    if (!pf || !UnitTable)
        return;
    int32_t best = 9999999;
    for (int32_t u = 0; u < MaxUnits; ++u) {
        const Unit& unit = UnitTable[u];
        if (unit.route_order == ROUTE_NO_ORDER || !(unit.hit_points > 0.0f))
            continue;
        if (unit.route_order < best) {
            best = unit.route_order;
            pf->NextUnit = u;
        }
    }
}

void StartSearch(PathFinder* pf, int32_t sx, int32_t sy, int32_t gx, int32_t gy, int32_t layer, int32_t window_side)
{
    if (!pf || !pf->accel || WorldSide < 3)
        return;
    PathSearchAccel* a = pf->accel;
    pf->SearchLayer = layer;
    const int32_t edge = WorldSide - 1;
    sx = std::clamp(sx, 0, edge);
    sy = std::clamp(sy, 0, edge);
    gx = std::clamp(gx, 0, edge);
    gy = std::clamp(gy, 0, edge);

    // A window must fit the layer and have an interior.
    const int32_t w = std::clamp(window_side, 3, WorldSide);
    const int64_t ww = static_cast<int64_t>(w) * w;
    if (ww > a->node_capacity)
        return;
    pf->WindowSide = w;
    int32_t wx = std::max(sx - w / 2, 0);
    int32_t wy = std::max(sy - w / 2, 0);
    wx = std::min(wx, WorldSide - w);
    wy = std::min(wy, WorldSide - w);
    pf->WindowX = wx;
    pf->WindowY = wy;
    pf->StartX = std::clamp(sx, wx + 1, wx + w - 2);
    pf->StartY = std::clamp(sy, wy + 1, wy + w - 2);
    pf->GoalX = std::clamp(gx, wx + 1, wx + w - 2);
    pf->GoalY = std::clamp(gy, wy + 1, wy + w - 2);

    // The first w x w entries are cleared, but only up to what was ever written:
    // the rest is still zero from the allocation.
    if (pf->Active)
        a->node_dirty = std::max(a->node_dirty, static_cast<int64_t>(pf->LastNode) + 1);
    const size_t nodes = static_cast<size_t>(std::min({ww, a->node_dirty, a->node_capacity}));
    std::memset(pf->NodeX, 0, nodes * sizeof(int16_t));
    std::memset(pf->NodeY, 0, nodes * sizeof(int16_t));
    std::memset(pf->NodeParent, 0, nodes * sizeof(uint32_t));
    std::memset(pf->NodeState, 0, nodes);
    std::memset(pf->NodeCost, 0, nodes * sizeof(float));
    if (a->node_dirty <= ww)
        a->node_dirty = 0;
    std::memset(pf->SearchMask, 0, static_cast<size_t>(std::min(ww, a->mask_dirty)));
    if (a->mask_dirty <= ww)
        a->mask_dirty = 0;

    uint8_t* mask = pf->SearchMask;
    std::memset(mask, MASK_SEEN, static_cast<size_t>(w));
    std::memset(mask + static_cast<size_t>(w - 1) * w, MASK_SEEN, static_cast<size_t>(w));
    for (int32_t r = 1; r < w - 1; ++r) {
        mask[static_cast<size_t>(r) * w] = MASK_SEEN;
        mask[static_cast<size_t>(r) * w + w - 1] = MASK_SEEN;
    }
    a->mask_dirty = std::max(a->mask_dirty, ww);
    mask[(pf->StartY - wy) * w + (pf->StartX - wx)] = 0;
    mask[(pf->GoalY - wy) * w + (pf->GoalX - wx)] = 0;

    pf->NodeX[0] = static_cast<int16_t>(pf->StartX);
    pf->NodeY[0] = static_cast<int16_t>(pf->StartY);
    pf->NodeParent[0] = 0;
    pf->NodeState[0] = NODE_OPEN;
    pf->NodeCost[0] = 1.0f;
    a->node_dirty = std::max<int64_t>(a->node_dirty, 1);
    pf->CurrentNode = pf->LastNode = pf->ScanStart = 0;
    pf->BestCost = 0.0f;
    pf->Result = 0;
    pf->Failed = 0;
    pf->Iterations = 0;
    pf->Active = 1;

    a->open.Reset(HeapKey(1.0f, 0));
    a->open_count = 1;
    const bool layer_ok = MainMap && layer >= 0 && layer < WorldLayers;
    a->layer_cells = layer_ok ? MainMap + static_cast<size_t>(layer) * static_cast<size_t>(LayerCells) : nullptr;
    a->mask_known = w == WorldSide;
    a->border = true;
    a->boxed_nodes = 0;
    a->box_x0 = a->box_y0 = 0;
    a->box_x1 = a->box_y1 = -1;
}

int SearchSteps(PathFinder* pf, int32_t n)
{
    if (!pf || !pf->accel || pf->Active == 0)
        return 5;
    if (pf->StartX == pf->GoalX && pf->StartY == pf->GoalY) {
        pf->Result = 3;
        return 4;
    }
    PathSearchAccel* a = pf->accel;
    const int32_t w = pf->WindowSide;
    const int32_t wx = pf->WindowX;
    const int32_t wy = pf->WindowY;
    const int32_t side = WorldSide;
    const int32_t goal_x = pf->GoalX;
    const int32_t goal_y = pf->GoalY;
    const int32_t layer_cells = LayerCells;
    const uint8_t* cells = a->layer_cells;
    uint8_t* const mask = pf->SearchMask;
    int16_t* const node_x = pf->NodeX;
    int16_t* const node_y = pf->NodeY;
    uint32_t* const node_parent = pf->NodeParent;
    uint8_t* const node_state = pf->NodeState;
    float* const node_cost = pf->NodeCost;
    OpenQueue& open = a->open;
    const float limit = ScanLimit();
    double dir_cost[8];
    int32_t mask_step[8];
    for (int d = 0; d < 8; ++d) {
        dir_cost[d] = 1.0 * static_cast<double>(pf->DirCost[d]);
        mask_step[d] = DIR_Y[d] * w + DIR_X[d];
    }

    // The hot state lives in locals: byte stores into the arrays could alias
    // the record's fields and would force reloads. Written back on every exit.
    int32_t iterations = pf->Iterations;
    int32_t current = pf->CurrentNode;
    int32_t last = pf->LastNode;
    int32_t scan_start = pf->ScanStart;
    int32_t open_count = a->open_count;
    float best_cost = pf->BestCost;
    int32_t best = pf->BestNode;
    // ScanStart is the first open node as of the last step that left one open.
    // It is brought up to date on the way out: when the last open node closes,
    // it is that node; otherwise it only moves forward over closed nodes.
    auto finish = [&](int result) {
        if (open_count > 0)
            while (node_state[scan_start] == NODE_CLOSED)
                ++scan_start;
        pf->Iterations = iterations;
        pf->CurrentNode = current;
        pf->LastNode = last;
        pf->ScanStart = scan_start;
        pf->BestCost = best_cost;
        pf->BestNode = best;
        a->open_count = open_count;
        return result;
    };

    for (int32_t step = 0; step < n; ++step) {
        iterations += 1;
        if (iterations >= layer_cells)
            return finish(3);
        const int32_t c = current;
        const int32_t x = node_x[c];
        const int32_t y = node_y[c];
        uint8_t* const m = mask + ((y - wy) * w + (x - wx));
        const bool reexpanded = node_state[c] == NODE_CLOSED;
        const int32_t before = last;
        if (cells) {
            const uint8_t* const here = cells + static_cast<size_t>(y) * side + x;
            const double base_cost = static_cast<double>(node_cost[c]);
            // Which of the eight neighbours become nodes is settled first, without
            // branches; they are then added in slot order. The side cells of
            // the diagonals are the straight neighbours.
            const uint8_t code[8] = {here[side],  here[side + 1],  here[1],  here[1 - side],
                                     here[-side], here[-side - 1], here[-1], here[side - 1]};
            const bool open_n = CODES.open_corner[code[0]];
            const bool open_e = CODES.open_corner[code[2]];
            const bool open_s = CODES.open_corner[code[4]];
            const bool open_w = CODES.open_corner[code[6]];
            const bool corner[8] = {true, open_n && open_e, true, open_e && open_s,
                                    true, open_s && open_w, true, open_w && open_n};
            uint32_t fresh = 0;
            for (int d = 0; d < 8; ++d)
                fresh |= static_cast<uint32_t>(corner[d] & (m[mask_step[d]] == 0) & CODES.enterable[code[d]]) << d;
            while (fresh != 0) {
                const int d = std::countr_zero(fresh);
                fresh &= fresh - 1;
                const int32_t k = ++last;
                node_x[k] = static_cast<int16_t>(x + DIR_X[d]);
                node_y[k] = static_cast<int16_t>(y + DIR_Y[d]);
                node_parent[k] = static_cast<uint32_t>(c);
                node_state[k] = NODE_OPEN;
                const float cost =
                    static_cast<float>(dir_cost[d] + base_cost + static_cast<double>(TerrainCost[code[d]]));
                node_cost[k] = cost;
                m[mask_step[d]] = MASK_SEEN;
                open.Push(HeapKey(cost, k));
            }
        }
        const int32_t added = last - before;
        node_state[c] = NODE_CLOSED;
        *m = MASK_CLOSED;
        open_count += added - (reexpanded ? 0 : 1);
        if (open_count == 0 && !reexpanded)
            scan_start = c;

        uint64_t top = 0;
        best = last;
        best_cost = limit;
        if (open.Top(node_state, top) && KeyCost(top) <= limit) {
            best = KeyNode(top);
            best_cost = KeyCost(top);
        }
        current = best;
        if (const uint64_t next = open.Next(); next != 0 && cells) {
            // The node after this one is known already: start fetching its
            // neighbourhood so that it is at hand a step from now.
            const int32_t k = KeyNode(next);
            const int32_t kx = node_x[k];
            const int32_t ky = node_y[k];
            const uint8_t* kc = cells + static_cast<size_t>(ky) * side + kx;
            const uint8_t* km = mask + ((ky - wy) * w + (kx - wx));
            __builtin_prefetch(kc - side - 1);
            __builtin_prefetch(kc - 1);
            __builtin_prefetch(kc + side - 1);
            __builtin_prefetch(km - w - 1);
            __builtin_prefetch(km - 1);
            __builtin_prefetch(km + w - 1);
        }
        if (node_x[best] == goal_x && node_y[best] == goal_y) {
            pf->Result = 1;
            pf->GoalNode = best;
            return finish(1);
        }
        // Re-expanding a closed node that discovers nothing changes nothing but
        // the count: every further step of this call is the same step.
        if (reexpanded && added == 0 && best == c) {
            const int64_t rest = static_cast<int64_t>(n) - step - 1;
            if (rest > 0 && static_cast<int64_t>(iterations) + rest >= layer_cells) {
                iterations = layer_cells;
                return finish(3);
            }
            iterations += static_cast<int32_t>(rest);
            return finish(0);
        }
    }
    return finish(0);
}

void BuildRoute(PathFinder* pf, int32_t unit)
{
    if (!UnitIndexOk(pf, unit))
        return;
    const int64_t cap = pf->accel->node_capacity;
    uint32_t* rx = pf->RouteX + static_cast<size_t>(unit) * PathCap;
    uint32_t* ry = pf->RouteY + static_cast<size_t>(unit) * PathCap;
    uint32_t& length = pf->RouteLength[unit];
    int64_t k = pf->CurrentNode;
    if (k < 0 || k >= cap)
        return;
    length = 0;
    rx[length] = static_cast<uint32_t>(static_cast<int32_t>(pf->NodeX[k]));
    ry[length] = static_cast<uint32_t>(static_cast<int32_t>(pf->NodeY[k]));
    length += 1;
    for (int32_t i = 0; i < LayerCells; ++i) {
        if (pf->NodeParent[k] == 0)
            break;
        if (length >= static_cast<uint32_t>(PathCap - 2)) {
            pf->Failed = 1;
            return;
        }
        k = pf->NodeParent[k];
        if (k >= cap)
            break;
        rx[length] = static_cast<uint32_t>(static_cast<int32_t>(pf->NodeX[k]));
        ry[length] = static_cast<uint32_t>(static_cast<int32_t>(pf->NodeY[k]));
        length += 1;
    }
    pf->RouteIndex[unit] = static_cast<int32_t>(length) - 1;
}

namespace
{

// Route cell s of a unit exists only below PathCap; a larger index (from a
// foreign save) is treated like any other state that cannot step.
bool TakeStep(PathFinder* pf, int32_t u, int32_t s)
{
    if (s < 0 || s >= PathCap)
        return false;
    const size_t i = static_cast<size_t>(u) * PathCap + static_cast<size_t>(s);
    UnitTable[u].step_x = static_cast<uint16_t>(pf->RouteX[i]);
    UnitTable[u].step_y = static_cast<uint16_t>(pf->RouteY[i]);
    return true;
}

void MoveOntoStep(Unit& unit)
{
    unit.cell_x = unit.step_x;
    unit.cell_y = unit.step_y;
}

int32_t SliceFor(int32_t window_side)
{
    const int64_t n = static_cast<int64_t>(window_side) * window_side / 8;
    return static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
}

int32_t WholeWindow(int32_t window_side)
{
    const int64_t n = static_cast<int64_t>(window_side) * window_side;
    return static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
}

// The walk steppers of PathFinder 0; next_to_goal stops the walk one cell
// short of an occupied goal.
int WalkStep(int32_t u, int32_t gx, int32_t gy, int32_t window_side, bool next_to_goal)
{
    if (!PathFinders || !UnitIndexOk(&PathFinders[0], u))
        return 2;
    PathFinder* pf = &PathFinders[0];
    Unit& unit = UnitTable[u];
    int32_t& s = pf->RouteIndex[u];
    if (s == ROUTE_IDLE) {
        if (pf->RunningUnit == u) {
            StartSearch(pf, unit.cell_x, unit.cell_y, gx, gy, unit.layer, window_side);
            s = ROUTE_SEARCHING;
        }
        return 2;
    }
    if (s == ROUTE_SEARCHING) {
        int r = SearchSteps(pf, SliceFor(window_side));
        if (r == 1 || r == 3 || r == 4 || r == 5)
            s = ROUTE_FOUND;
        return 2;
    }
    if (s == ROUTE_FOUND) {
        if (pf->Result != 1) {
            s = ROUTE_IDLE;
            unit.move_state = MOVE_IDLE;
            unit.route_order = ROUTE_NO_ORDER;
            return 0;
        }
        BuildRoute(pf, u);
        if (pf->Failed) {
            s = ROUTE_IDLE;
            unit.route_order = ROUTE_NO_ORDER;
            return 0;
        }
        if (!TakeStep(pf, u, s))
            return 2;
        s -= 1;
        const int32_t last = next_to_goal ? 0 : -1;
        if (next_to_goal && s == -1) {
            s = ROUTE_IDLE;
            unit.route_order = ROUTE_NO_ORDER;
            return 0;
        }
        if (s != last) {
            unit.route_order = ROUTE_NO_ORDER;
            return 1;
        }
        MoveOntoStep(unit);
        s = ROUTE_IDLE;
        unit.route_order = ROUTE_NO_ORDER;
        return 0;
    }
    if (s >= 0 && pf->Failed == 0) {
        if (!TakeStep(pf, u, s))
            return 2;
        s -= 1;
        if (s != (next_to_goal ? 0 : -1))
            return 1;
        s = ROUTE_IDLE;
        unit.move_state = MOVE_IDLE;
        MoveOntoStep(unit);
        return 0;
    }
    return 2;
}

} // namespace

int StepToCell(int32_t unit, int32_t gx, int32_t gy, int32_t window_side)
{
    return WalkStep(unit, gx, gy, window_side, false);
}

int StepToUnit(int32_t unit, int32_t gx, int32_t gy, int32_t window_side)
{
    return WalkStep(unit, gx, gy, window_side, true);
}

int ChaseStep(int32_t u, int32_t gx, int32_t gy, int32_t window_side)
{
    if (!PathFinders || !UnitIndexOk(&PathFinders[1], u))
        return 2;
    PathFinder* pf = &PathFinders[1];
    Unit& unit = UnitTable[u];
    int32_t& s = pf->RouteIndex[u];
    if (s == ROUTE_IDLE) {
        StartSearch(pf, unit.cell_x, unit.cell_y, gx, gy, unit.layer, window_side);
        SearchSteps(pf, WholeWindow(pf->WindowSide));
        if (pf->Result != 1) {
            s = ROUTE_IDLE;
            unit.move_state = MOVE_IDLE;
            unit.route_order = ROUTE_NO_ORDER;
            return 0;
        }
        BuildRoute(pf, u);
        if (pf->Failed) {
            s = ROUTE_IDLE;
            unit.route_order = ROUTE_NO_ORDER;
            return 0;
        }
        if (s == 0) {
            s = ROUTE_IDLE;
            unit.route_order = ROUTE_NO_ORDER;
            return 0;
        }
        if (Rand() % 3 != 1)
            return 2;
        if (!TakeStep(pf, u, s))
            return 2;
        s -= 1;
        if (s != 0) {
            unit.route_order = ROUTE_NO_ORDER;
            return 1;
        }
        MoveOntoStep(unit);
        s = ROUTE_IDLE;
        unit.route_order = ROUTE_NO_ORDER;
        return 0;
    }
    if (Rand() % 3 != 1)
        return 2;
    if (s < 0 || pf->Failed == 1)
        return 2;
    if (!TakeStep(pf, u, s))
        return 2;
    s -= 1;
    if (s != 0)
        return 1;
    s = ROUTE_IDLE;
    unit.move_state = MOVE_IDLE;
    MoveOntoStep(unit);
    return 0;
}

namespace
{

inline void MarkCell(uint8_t& flag, uint8_t mask, uint8_t code)
{
    if (flag == FLAG_SEARCHED)
        flag = FLAG_NONE;
    if (mask != 0 && flag == FLAG_NONE && code == CELL_FLOOR)
        flag = FLAG_SEARCHED;
}

constexpr uint64_t BYTES_01 = 0x0101010101010101ull;
constexpr uint64_t BYTES_7F = 0x7F7F7F7F7F7F7F7Full;
constexpr uint64_t BYTES_80 = 0x8080808080808080ull;

inline uint64_t Load8(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// High bit of every byte that is zero; exact, no carries between bytes.
inline uint64_t ZeroBytes(uint64_t v) { return ~(((v & BYTES_7F) + BYTES_7F) | v) & BYTES_80; }

// True when MarkCell would change one of the eight cells: a mark on a cell
// that no longer qualifies, or a qualifying cell without a flag.
inline bool WordNeedsMarking(const uint8_t* flags, const uint8_t* mask, const uint8_t* codes)
{
    const uint64_t f = Load8(flags);
    const uint64_t marked = ZeroBytes(f ^ (BYTES_01 * FLAG_SEARCHED));
    const uint64_t qualifies = ~ZeroBytes(Load8(mask)) & ZeroBytes(Load8(codes) ^ (BYTES_01 * CELL_FLOOR));
    return ((marked & ~qualifies) | (ZeroBytes(f) & qualifies)) != 0;
}

// Settles every mark in flags[from, to), where the mask is known to be zero
// or the cells are settled again afterwards.
void SettleMarks(uint8_t* flags, const uint8_t* mask, const uint8_t* codes, size_t from, size_t to)
{
    while (from < to) {
        const void* hit = std::memchr(flags + from, FLAG_SEARCHED, to - from);
        if (!hit)
            return;
        const size_t i = static_cast<size_t>(static_cast<const uint8_t*>(hit) - flags);
        MarkCell(flags[i], mask[i], codes[i]);
        from = i + 1;
    }
}

// Every cell of flags[from, to], eight at a time where nothing changes.
void MarkSpan(uint8_t* flags, const uint8_t* mask, const uint8_t* codes, size_t from, size_t to)
{
    size_t i = from;
    for (; i + 8 <= to + 1; i += 8)
        if (WordNeedsMarking(flags + i, mask + i, codes + i))
            for (size_t j = i; j < i + 8; ++j)
                MarkCell(flags[j], mask[j], codes[j]);
    for (; i <= to; ++i)
        MarkCell(flags[i], mask[i], codes[i]);
}

void GrowMaskBox(PathFinder* pf)
{
    PathSearchAccel* a = pf->accel;
    if (!pf->Active)
        return;
    for (int32_t k = a->boxed_nodes; k <= pf->LastNode; ++k) {
        const int32_t x = pf->NodeX[k];
        const int32_t y = pf->NodeY[k];
        if (a->box_x0 > a->box_x1) {
            a->box_x0 = a->box_x1 = x;
            a->box_y0 = a->box_y1 = y;
            continue;
        }
        a->box_x0 = std::min(a->box_x0, x);
        a->box_x1 = std::max(a->box_x1, x);
        a->box_y0 = std::min(a->box_y0, y);
        a->box_y1 = std::max(a->box_y1, y);
    }
    a->boxed_nodes = std::max(a->boxed_nodes, pf->LastNode + 1);
}

} // namespace

void MarkSearchedCells()
{
    if (!PathFinders || !MainMap || !FlagMap || WorldLayers < 2)
        return;
    PathFinder* pf = &PathFinders[0];
    PathSearchAccel* a = pf->accel;
    if (!a)
        return;
    const int32_t x0 = pf->WindowX;
    const int32_t y0 = pf->WindowY;
    const int32_t w = pf->WindowSide;
    uint8_t* flags = FlagMap + LayerCells;
    const uint8_t* codes = MainMap + LayerCells;
    const uint8_t* mask = pf->SearchMask;

    if (a->mask_known && x0 == 0 && y0 == 0 && w == WorldSide) {
        // Outside the box of searched cells and the border the mask is zero,
        // so only marks can change there; memchr finds them.
        GrowMaskBox(pf);
        const size_t side = static_cast<size_t>(w);
        const bool box = a->box_x0 <= a->box_x1 && a->box_y0 <= a->box_y1;
        const size_t top = box ? static_cast<size_t>(a->box_y0) : side;
        const size_t bottom = box ? static_cast<size_t>(a->box_y1) + 1 : side;
        SettleMarks(flags, mask, codes, 0, top * side);
        SettleMarks(flags, mask, codes, bottom * side, side * side);
        for (size_t y = top; y < bottom; ++y) {
            const size_t row = y * side;
            SettleMarks(flags, mask, codes, row, row + static_cast<size_t>(a->box_x0));
            MarkSpan(flags, mask, codes, row + static_cast<size_t>(a->box_x0), row + static_cast<size_t>(a->box_x1));
            SettleMarks(flags, mask, codes, row + static_cast<size_t>(a->box_x1) + 1, row + side);
        }
        if (a->border) {
            MarkSpan(flags, mask, codes, 0, side - 1);
            MarkSpan(flags, mask, codes, (side - 1) * side, side * side - 1);
            for (size_t y = 1; y + 1 < side; ++y) {
                MarkCell(flags[y * side], mask[y * side], codes[y * side]);
                MarkCell(flags[y * side + side - 1], mask[y * side + side - 1], codes[y * side + side - 1]);
            }
        }
        return;
    }

    // Any other window: the cells are taken one by one, the mask indexed by
    // the absolute row and column.
    for (int32_t y = y0; y < y0 + w; ++y) {
        for (int32_t x = x0; x < x0 + w; ++x) {
            if (x < 0 || y < 0 || x >= WorldSide || y >= WorldSide)
                continue;
            const int64_t mi = static_cast<int64_t>(y) * w + x;
            if (mi < 0 || mi >= a->node_capacity)
                continue;
            const size_t ci = static_cast<size_t>(y) * WorldSide + x;
            MarkCell(flags[ci], mask[mi], codes[ci]);
        }
    }
}
