#include "app/console.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/input.h"
#include "app/shell.h"
#include "gfx/draw.h"
#include "gfx/font.h"
#include "platform/platform.h"
#include "units/unit.h"
#include "world/grid.h"

char ConsoleLine[256] = {};
int32_t ConsoleLength = 0;
int32_t ConsoleSubmitted = 0;
char* ConsoleTokens[CONSOLE_TOKENS] = {};
int32_t ScreenSaverOn = 0;

namespace
{
constexpr size_t CONSOLE_TOKEN_SIZE = 256;
constexpr const char* CONSOLE_SEPARATORS = " -,\t\n";
constexpr int32_t CONSOLE_LINE_LIMIT = 255;
constexpr int32_t CONSOLE_MAX_TYPED = 30;
constexpr int32_t CONSOLE_X = 14;
constexpr int32_t CONSOLE_Y = 73;

bool SameWord(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

// Leading decimal digits; anything else reads as 0. Too many digits saturate
// rather than wrap, so that a huge number is clamped like any large one.
int32_t ReadNumber(const char* word)
{
    int64_t value = 0;
    for (; *word >= '0' && *word <= '9'; ++word) {
        value = value * 10 + (*word - '0');
        if (value > INT32_MAX)
            return INT32_MAX;
    }
    return static_cast<int32_t>(value);
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The flat index runs on across row and layer ends; a cell outside MainMap is skipped.
void WriteNearUnitOne(int64_t offset, uint8_t code)
{
    if (!UnitTable || !MainMap || MaxUnits < 2)
        return;
    const Unit& one = UnitTable[1];
    int64_t index = static_cast<int64_t>(one.layer) * LayerCells + static_cast<int64_t>(one.cell_y) * WorldSide +
                    one.cell_x + offset;
    if (index >= 0 && index < static_cast<int64_t>(LayerCells) * WorldLayers)
        MainMap[index] = code;
}

void MoveViewTo(int32_t x, int32_t y, int32_t layer)
{
    ViewX = Clamp(x, 1, WorldSide - 2);
    ViewY = Clamp(y, 1, WorldSide - 2);
    ViewLayer = Clamp(layer, 0, WorldLayers - 1);
}

void Teleport(const char* word_x, const char* word_y)
{
    int32_t x = Clamp(ReadNumber(word_x), 1, WorldSide - 2);
    int32_t y = Clamp(ReadNumber(word_y), 1, WorldSide - 2);
    int64_t index = static_cast<int64_t>(LayerCells) + static_cast<int64_t>(y) * WorldSide + x;
    if (!MainMap || index >= static_cast<int64_t>(LayerCells) * WorldLayers || MainMap[index] == CELL_WALL)
        return;
    // A loaded CurrentUnit may name no record; the view still goes there.
    if (CurrentUnit >= 0 && CurrentUnit < MaxUnits) {
        Unit& unit = UnitTable[CurrentUnit];
        unit.cell_x = static_cast<uint16_t>(x);
        unit.cell_y = static_cast<uint16_t>(y);
        unit.layer = 1;
    }
    MoveViewTo(x, y, 1);
}

void SelectUnit(const char* word)
{
    int32_t n = Clamp(ReadNumber(word), 0, MaxUnits - 1);
    const Unit& unit = UnitTable[n];
    if (unit.faction != FACTION_PARTY)
        return;
    CurrentUnit = n;
    MoveViewTo(unit.cell_x, unit.cell_y, unit.layer);
    PlatformSleep(300);
}

void ToggleScreenSaver()
{
    ScreenSaverOn = !ScreenSaverOn;
    size_t bytes = static_cast<size_t>(ScreenWidth) * static_cast<size_t>(ScreenHeight) * 4;
    if (ScreenBuffer)
        std::memset(ScreenBuffer, 0, bytes);
    if (LayerBuffer)
        std::memset(LayerBuffer, 0, bytes);
    PlatformSleep(400);
}

void ExecuteConsoleLine()
{
    ConsoleSubmitted = 0;
    for (char* token : ConsoleTokens)
        if (token)
            token[0] = 0;
    char copy[sizeof ConsoleLine];
    std::memcpy(copy, ConsoleLine, sizeof copy);
    copy[sizeof copy - 1] = 0;
    int32_t n = 0;
    for (char* word = std::strtok(copy, CONSOLE_SEPARATORS); word && n < CONSOLE_TOKENS;
         word = std::strtok(nullptr, CONSOLE_SEPARATORS)) {
        if (ConsoleTokens[n])
            std::snprintf(ConsoleTokens[n], CONSOLE_TOKEN_SIZE, "%s", word);
        ++n;
    }
    if (n == 0 || !ConsoleTokens[0])
        return;
    const char* command = ConsoleTokens[0];
    if (SameWord(command, "corner1")) {
        WriteNearUnitOne(0, CELL_CORNER);
        WriteNearUnitOne(LayerCells, CELL_CORNER);
    }
    if (SameWord(command, "env4block"))
        WriteNearUnitOne(0, CELL_BLOCK);
    if (SameWord(command, "env4grass"))
        WriteNearUnitOne(0, CELL_GRASS);
    if (SameWord(command, "env4dirt"))
        WriteNearUnitOne(0, CELL_DIRT);
    if (SameWord(command, "env4emptyx1"))
        WriteNearUnitOne(1, CELL_EMPTY);
    if (SameWord(command, "env4emptyy1"))
        WriteNearUnitOne(WorldSide, CELL_EMPTY);
    if (SameWord(command, "screensavertoggle"))
        ToggleScreenSaver();
    if (SameWord(command, "env4teleport") && n == 4)
        Teleport(ConsoleTokens[1], ConsoleTokens[2]);
    if (SameWord(command, "env4cyclestep") && n == 2) {
        int32_t period = ReadNumber(ConsoleTokens[1]);
        if (period >= 3 && period <= 360) {
            MonsterCyclePeriod = static_cast<float>(period);
            PlatformSleep(300);
        }
    }
    if (SameWord(command, "su") && n == 2 && UnitTable)
        SelectUnit(ConsoleTokens[1]);
}

// Stores one typed character; a full line takes nothing and costs no pause.
void AppendToLine(char c, int32_t limit)
{
    if (ConsoleLength >= limit)
        return;
    ConsoleLine[ConsoleLength] = c;
    ConsoleLine[ConsoleLength + 1] = 0;
    ConsoleLength += 1;
    PlatformSleep(120);
}
} // namespace

void InitConsole()
{
    ConsoleLength = 0;
    ConsoleLine[0] = 0;
    ConsoleLine[1] = 0;
    for (char*& t : ConsoleTokens)
        t = static_cast<char*>(std::calloc(CONSOLE_TOKEN_SIZE, 1));
}

void FreeConsole()
{
    for (char*& t : ConsoleTokens) {
        std::free(t);
        t = nullptr;
    }
}

void EditConsoleLine(int32_t x, int32_t y, int32_t max_length, const char* prompt)
{
    int32_t limit = max_length > CONSOLE_LINE_LIMIT ? CONSOLE_LINE_LIMIT : max_length;
    if (IsKeyDown(KEY_ENTER)) {
        ConsoleLine[ConsoleLength] = 0;
        PlatformSleep(500);
        ConsoleSubmitted = 1;
        return;
    }
    if (IsKeyDown(KEY_BACKSPACE) && ConsoleLength >= 1) {
        ConsoleLength -= 1;
        ConsoleLine[ConsoleLength] = 0;
        PlatformSleep(120);
    }
    if (IsKeyDown(KEY_SPACE))
        AppendToLine(' ', limit);
    bool shift = IsKeyDown(KEY_SHIFT);
    for (int32_t key = KEY_A; key <= KEY_Z; ++key)
        if (IsKeyDown(key) && !shift)
            AppendToLine(static_cast<char>('a' + (key - KEY_A)), limit);
    for (int32_t key = KEY_A; key <= KEY_Z; ++key)
        if (IsKeyDown(key) && shift)
            AppendToLine(static_cast<char>(key), limit);
    for (int32_t key = KEY_0; key <= KEY_9; ++key)
        if (IsKeyDown(key))
            AppendToLine(static_cast<char>(key), limit);
    // The underscore cursor blinks: off for 10 frames, on for 10.
    int length = std::snprintf(TextBuffer, sizeof TextBuffer, "%s%s", prompt, ConsoleLine);
    if (FrameCounter % 20 < 10 && length >= 0 && length + 1 < static_cast<int>(sizeof TextBuffer)) {
        TextBuffer[length] = '_';
        TextBuffer[length + 1] = 0;
    }
    DrawLargeText(x, y, 255, 255, 255);
}

void RunConsole()
{
    if (IsKeyDown(KEY_TAB)) {
        ConsoleOpen = !ConsoleOpen;
        PlatformSleep(400);
    }
    if (ScreenSaverOn)
        RunScreenSaver(FrameCounter);
    if (ConsoleOpen == 1) {
        char prompt[40];
        std::snprintf(prompt, sizeof prompt, "%s", "CMD:");
        EditConsoleLine(CONSOLE_X, CONSOLE_Y, CONSOLE_MAX_TYPED, prompt);
    }
    if (ConsoleSubmitted == 1)
        ExecuteConsoleLine();
}
