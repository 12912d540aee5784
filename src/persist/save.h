// The two save slots: five files each in the folder "map". Only the bytes:
// what a save or a load shows and how long it pauses is the caller's.
#pragma once
#include <cstdint>

// The view the variables file keeps beside CurrentUnit.
struct SavedView {
    int32_t x;
    int32_t y;
    int32_t layer;
};

// A save shows a file's message once the file is in place, a load once it is
// opened; each file then pauses.
struct SlotProgress {
    void (*show)(const char* message);
    void (*pause)(uint32_t milliseconds);
};

void SaveMap(int32_t slot, const SavedView& view, const SlotProgress& progress);
// A field missing from the variables file leaves the view's as it was.
void LoadMap(int32_t slot, SavedView* view, const SlotProgress& progress);
