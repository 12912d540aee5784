// The search over a window of one layer, in slices, and the route built back from the goal.
#include <algorithm>
#include <cstring>

#include "world/path_internal.h"

using namespace pathfind_detail;

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
