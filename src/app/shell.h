// Start-up, the frame loop and the globals of the application shell.
#pragma once
#include <cstdint>

extern int32_t ViewX;
extern int32_t ViewY;
extern int32_t ViewLayer;
extern int32_t FrameCounter;
extern int32_t QuitRequested;
extern int32_t ConsoleOpen;
extern float MonsterCyclePeriod;
extern int32_t MiniMapOn;
extern int32_t MiniMapX;
extern int32_t MiniMapY;
extern int32_t ShowCursorCross;

constexpr int32_t EFFECT_SLOTS = 1000;
constexpr const char* BUILD_LINE = "WIN32GAMEVRAK001GRIMHOLDVAULTDEPTHSR001UC005";
constexpr const char* BANNER_LINE = "GAMEVRAK (C) 2026 THE GAMEVRAK DEVELOPERS";

// Sets the world dimensions and screen size, allocates every table, loads the
// texture sets and prepares the terrain costs, trigonometric tables and console.
void AllocateWorld();
// The game's state right before the window opens (start-up steps 1 to 3).
void PrepareStartUp();
// Seeds 99, builds the world and its population, selects the first party
// member and puts the view on it (start-up steps 5 and 7 to 10).
void PopulateWorld();
// Releases every table in the fixed order.
void FreeWorld();
bool OpenMainWindow();
// Slot 1 or 2 saved or loaded with the progress screens and pauses; a load
// then reseeds the random generator from the clock.
void SaveSlot(int32_t slot);
void LoadSlot(int32_t slot);
void RunFrame();
// Start-up steps 1 to 12: tables, window, world, units, scream, time seed,
// with the window opened at the given zoom. False when it cannot be opened.
bool StartGame(int32_t zoom = 2);
// The whole program: start-up, frame loop, end (with the summary of a
// recorded session on standard output). Returns the exit code.
int GameMain(int32_t zoom = 2);
