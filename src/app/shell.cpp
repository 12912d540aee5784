#include "app/shell.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/console.h"
#include "app/input.h"
#include "app/random.h"
#include "app/recorder.h"
#include "app/rules.h"
#include "assets/bitmap.h"
#include "assets/sound.h"
#include "gfx/draw.h"
#include "gfx/font.h"
#include "persist/save.h"
#include "platform/platform.h"
#include "units/combat.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/mapview.h"
#include "world/pathfind.h"
#include "world/worldgen.h"

int32_t ViewX = 0;
int32_t ViewY = 0;
int32_t ViewLayer = 0;
int32_t FrameCounter = 0;
int32_t QuitRequested = 0;
int32_t ConsoleOpen = 0;
float MonsterCyclePeriod = 30.0f;
int32_t MiniMapOn = 1;
int32_t MiniMapX = 518;
int32_t MiniMapY = 338;
int32_t ShowCursorCross = 1;

void AllocateWorld()
{
    SetScreenSize(ScreenWidth, ScreenHeight);
    AllocateGrids();
    AllocateBitmapSlots();
    AllocateUnitTable();
    AllocateEffectTable();
    CreatePathFinders();
    LoadTextureSets();
    InitTerrainCost();
    BuildTrigTables();
    InitConsole();
}

void PrepareStartUp()
{
    WorldSide = 1024;
    LayerCells = WorldSide * WorldSide;
    WorldLayers = 3;
    MaxUnits = 3000;
    SetScreenSize(640, 480);
    PixelZoom = 2;
    AllocateWorld();
}

void PopulateWorld()
{
    ViewX = 0;
    ViewY = 0;
    ViewLayer = 1;
    InstallInputHooks();
    Srand(99);
    BuildStartWorld();
    SeedUnits();
    for (int32_t u = 0; u < MaxUnits; ++u) {
        if (UnitTable[u].faction == FACTION_PARTY) {
            CurrentUnit = u;
            ViewX = UnitTable[u].cell_x;
            ViewY = UnitTable[u].cell_y;
            ViewLayer = UnitTable[u].layer;
            break;
        }
    }
    PathFinders[0].WindowSide = 1024;
}

void FreeWorld()
{
    FreeScreenBuffers();
    FreeGrids();
    FreeBitmapSlots();
    FreeUnitTable();
    FreeEffectTable();
    FreePathFinders();
    FreeTrigTables();
    FreeConsole();
}

bool OpenMainWindow()
{
    // The caption travels in a fresh buffer, as the window code expects to own a copy.
    char* caption = static_cast<char*>(std::malloc(100));
    if (!caption)
        return false;
    std::snprintf(caption, 100, "%s", "GAMEVRAK");
    bool ok = CreateGameWindow(caption, ScreenWidth * PixelZoom, ScreenHeight * PixelZoom, 16);
    std::free(caption);
    ReadPointer();
    if (!ok)
        return false;
    HidePointer();
    return true;
}

static void DrawStatusLines()
{
    const PathFinder& pf = PathFinders[0];
    std::snprintf(TextBuffer, sizeof TextBuffer, "AT%dMAP%dRUN%dC%d", pf.Iterations, pf.WindowSide, pf.RunningUnit,
                  pf.Failed);
    DrawLargeText(10, 50, 255, 255, 255);
    // A loaded CurrentUnit may name no record; its figures then read as zero.
    static const Unit no_unit{};
    bool known = CurrentUnit >= 0 && CurrentUnit < MaxUnits;
    const Unit& cu = known ? UnitTable[CurrentUnit] : no_unit;
    int32_t route = known ? pf.RouteIndex[CurrentUnit] : 0;
    std::snprintf(TextBuffer, sizeof TextBuffer, "SX%dSY%dSZ%dSU%dMX%dMY%dRR%d KEY%d QUEST%d GOLD%.f HP%.f", ViewX,
                  ViewY, ViewLayer, CurrentUnit, cu.dest_x, cu.dest_y, route, cu.keys, cu.quest,
                  static_cast<double>(cu.gold), static_cast<double>(cu.max_hit_points));
    DrawLargeText(10, 30, 255, 255, 255);
}

// The map view as it stands, with a file's message over it.
static void ShowSlotProgress(const char* message)
{
    if (ScreenBuffer)
        std::memset(ScreenBuffer, 0, static_cast<size_t>(ScreenWidth) * static_cast<size_t>(ScreenHeight) * 4);
    DrawMapView();
    std::snprintf(TextBuffer, sizeof TextBuffer, "%s", message);
    DrawLargeText(20, 100, 255, 255, 0);
    PresentScreen();
}

static void PauseForSlot(uint32_t milliseconds) { PlatformSleep(milliseconds); }

static constexpr SlotProgress SLOT_PROGRESS = {ShowSlotProgress, PauseForSlot};

void SaveSlot(int32_t slot) { SaveMap(slot, {ViewX, ViewY, ViewLayer}, SLOT_PROGRESS); }

void LoadSlot(int32_t slot)
{
    SavedView view = {ViewX, ViewY, ViewLayer};
    LoadMap(slot, &view, SLOT_PROGRESS);
    ViewX = view.x;
    ViewY = view.y;
    ViewLayer = view.layer;
    Srand(ReadClockSeconds());
}

static void HandleSaveKeys()
{
    static const int32_t keys[4] = {KEY_F1, KEY_F2, KEY_F3, KEY_F4};
    for (int i = 0; i < 4; ++i) {
        if (!IsKeyDown(keys[i]))
            continue;
        if (i < 2)
            SaveSlot(i + 1);
        else
            LoadSlot(i - 1);
        PlatformSleep(350);
    }
}

static void ChangeZoom(int32_t zoom)
{
    SetScreenSize(640, 480);
    PixelZoom = zoom;
    DestroyGameWindow();
    OpenMainWindow();
}

void RunFrame()
{
    ClearScreen();
    SchedulePathFinder(&PathFinders[0]);
    PathFinders[0].RunningUnit = PathFinders[0].NextUnit;
    DrawMapView();
    UpdateEffects();
    DrawMiniMap();
    // The mouse cell is computed by the rules that use it, from the same pointer reading.
    DrawStatusLines();
    MarkSearchedCells();
    // The play rules run while the console is open too; only their keys are gated there.
    RunPlayRules();
    if (!ConsoleOpen) {
        HandleSaveKeys();
        if (IsKeyDown(KEY_N)) {
            MiniMapOn = !MiniMapOn;
            MiniMapX = GetMouseX();
            MiniMapY = GetMouseY();
            PlatformSleep(350);
        }
        if (IsKeyDown(KEY_M)) {
            int32_t px = 0, py = 0;
            GetPointerPosition(&px, &py);
            MoveGameWindow(px, py, ScreenWidth * PixelZoom, ScreenHeight * PixelZoom);
            HidePointer();
            ReadPointer();
        }
    }
    std::snprintf(TextBuffer, sizeof TextBuffer, "%s", BUILD_LINE);
    DrawText(12, ScreenHeight - 14, 255, 255, 0);
    std::snprintf(TextBuffer, sizeof TextBuffer, "%s", BANNER_LINE);
    DrawText(12, 14, 255, 255, 0);
    RunConsole();
    if (ShowCursorCross == 1)
        DrawCursorCross(GetMouseX(), GetMouseY());
    ShowCursorCross = 1;
    PresentScreen();
    HandleViewKeys();
    if (!ConsoleOpen) {
        if (IsKeyDown(KEY_ESCAPE))
            QuitRequested = 1;
        if (IsKeyDown(KEY_F5))
            ChangeZoom(1);
        if (IsKeyDown(KEY_F6))
            ChangeZoom(2);
    }
    ClearInputFlags();
    while (PumpOneMessage()) {
    }
    TakeFrameInput(FrameCounter + 1);
    FrameCounter += 1;
}

bool StartGame(int32_t zoom)
{
    PrepareStartUp();
    PixelZoom = zoom;
    if (!OpenMainWindow())
        return false;
    PopulateWorld();
    PlaySoundEffect(SOUND_SCREAM);
    Srand(ReadClockSeconds());
    return true;
}

int GameMain(int32_t zoom)
{
    if (!StartGame(zoom)) {
        // The tables are already there (the trigonometric ones may still be in the making).
        FreeWorld();
        FinishRecording();
        return 0;
    }
    while (QuitRequested == 0)
        RunFrame();
    FinishRecording();
    FreeWorld();
    return 0;
}
