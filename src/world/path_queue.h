// The open queue of the path search: the open nodes in cost order.
#pragma once
#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

namespace pathfind_detail
{
constexpr uint8_t NODE_OPEN = 0;
constexpr uint8_t NODE_CLOSED = 9;

inline uint64_t HeapKey(float cost, int32_t node)
{
    return (static_cast<uint64_t>(std::bit_cast<uint32_t>(cost)) << 32) | (0xFFFFFFFFu - static_cast<uint32_t>(node));
}
inline int32_t KeyNode(uint64_t key) { return static_cast<int32_t>(0xFFFFFFFFu - static_cast<uint32_t>(key)); }
inline float KeyCost(uint64_t key) { return std::bit_cast<float>(static_cast<uint32_t>(key >> 32)); }

// A binary min-heap over h[0..n). `key` rises from the hole at i to its place.
inline void HeapSiftUp(uint64_t* h, int32_t i, uint64_t key)
{
    while (i > 0) {
        const int32_t parent = (i - 1) >> 1;
        if (h[parent] <= key)
            break;
        h[i] = h[parent];
        i = parent;
    }
    h[i] = key;
}

inline void HeapPush(uint64_t* h, int32_t& n, uint64_t key) { HeapSiftUp(h, n++, key); }

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
    HeapSiftUp(h, i, key);
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
} // namespace pathfind_detail
