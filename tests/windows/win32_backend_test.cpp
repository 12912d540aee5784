// The Win32 backend against the real system, for what the end-to-end run cannot
// see: window procedure, input hooks, message boxes, files and clock. Runs under
// Windows or Wine; prints "N passed, N failed".
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"

// What the game would take of the queued input, counted.
static std::vector<int32_t> KeysDown;
static int MouseMoves = 0, LeftPresses = 0, RightPresses = 0, CloseRequests = 0;
static void TakeQueue()
{
    InputEvent e;
    while (TakeInputEvent(&e)) {
        if (e.kind == INPUT_KEY_DOWN)
            KeysDown.push_back(e.a);
        MouseMoves += e.kind == INPUT_POINTER_MOVED;
        LeftPresses += e.kind == INPUT_LEFT_BUTTON;
        RightPresses += e.kind == INPUT_RIGHT_BUTTON;
        CloseRequests += e.kind == INPUT_CLOSE;
    }
}

static int Passed = 0, Failed = 0;
#define CHECK(cond) ((cond) ? ++Passed : (++Failed, std::printf("FAILED %s:%d: %s\n", __FILE__, __LINE__, #cond)))

// Low-level hooks are called on this thread only while it takes messages.
static void PumpFor(DWORD milliseconds)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(5))
        while (PumpOneMessage()) {
        }
    TakeQueue();
}

// Message boxes are captured as they open, and closed with OK.
static std::vector<std::string> Boxes;
static LRESULT CALLBACK CaptureBoxes(int code, WPARAM wparam, LPARAM lparam)
{
    char name[32] = {}, caption[256] = {}, text[256] = {};
    HWND box = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_ACTIVATE && GetClassNameA(box, name, sizeof name) && std::string(name) == "#32770") {
        GetWindowTextA(box, caption, sizeof caption);
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        Boxes.push_back(std::string(caption) + ": " + text);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

static std::string ReadAll(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

int main()
{
    SetWindowsHookExA(WH_CBT, CaptureBoxes, nullptr, GetCurrentThreadId());
    // A close request ends the loop, not the window; the pump takes one message a call.
    CHECK(CreateGameWindow("GAMEVRAK", 640, 480, 16));
    HWND w = FindWindowA("OpenGL", "GAMEVRAK");
    CHECK(SendMessageA(w, WM_CLOSE, 0, 0) == 0 && (TakeQueue(), CloseRequests == 1) && IsWindow(w));
    PumpFor(50);
    PostMessageA(w, WM_CLOSE, 0, 0);
    CHECK(PumpOneMessage() && !PumpOneMessage() && (TakeQueue(), CloseRequests == 2));

    // Key-downs only, and no system keys (with Alt); moves and both buttons.
    InstallPlatformInputHooks();
    PumpFor(50);
    const BYTE keys[] = {'A', 'A', VK_MENU, 'B', 'B', VK_MENU, VK_F5, VK_F5};
    const bool up[] = {false, true, false, false, true, true, false, true};
    for (int i = 0; i < 8; ++i)
        keybd_event(keys[i], static_cast<BYTE>(MapVirtualKeyA(keys[i], 0)), up[i] ? KEYEVENTF_KEYUP : 0, 0);
    for (DWORD flags :
         {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP})
        mouse_event(flags, 5, 5, 0, 0);
    PumpFor(300);
    CHECK(KeysDown == (std::vector<int32_t>{'A', VK_F5}));
    CHECK(MouseMoves >= 1 && LeftPresses == 1 && RightPresses == 1);

    // With the class name taken the window cannot be made: the first check reports it and leaves nothing.
    DestroyGameWindow();
    WNDCLASSA wc = {0, DefWindowProcA, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr, nullptr, "OpenGL"};
    CHECK(RegisterClassA(&wc) != 0);
    Boxes.clear();
    CHECK(!CreateGameWindow("GAMEVRAK", 640, 480, 16) && FindWindowA("OpenGL", "GAMEVRAK") == nullptr);
    UnregisterClassA("OpenGL", GetModuleHandleA(nullptr));
    DestroyGameWindow(); // nothing to release: the class cannot be unregistered
    CHECK(Boxes == (std::vector<std::string>{"ERROR: Failed To Register The Window Class.",
                                             "SHUTDOWN ERROR: Could Not Unregister Class."}));

    // Files: created when missing, never truncated, never in a missing folder; replaced whole.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    SetCurrentDirectoryA(temp);
    CreateDirectoryA("gamevrak-win32-test", nullptr);
    SetCurrentDirectoryA("gamevrak-win32-test");
    CreateDirectoryA("map", nullptr);
    DeleteFileA("map\\1.mainmap");
    std::FILE* f = OpenFileAlways(".\\map\\1.mainmap", false);
    CHECK(f && std::fgetc(f) == EOF);
    if (f)
        std::fclose(f);
    CHECK(ReadAll("map\\1.mainmap").empty());
    for (const char* text : {"abcdef", "XY"})
        if ((f = text[1] == 'b' ? OpenFileTruncated(".\\map\\1.unit") : OpenFileAlways(".\\map\\1.unit", true)))
            std::fputs(text, f), std::fclose(f);
    CHECK(ReadAll("map\\1.unit") == "XYcdef");
    CHECK(!OpenFileAlways(".\\nomap\\1.unit", true) && !FolderExists(".\\nomap") && FolderExists(".\\map") &&
          !FolderExists(".\\map\\1.unit"));
    CHECK(ReplaceFileAtomically(".\\map\\1.unit", ".\\map\\1.mainmap") && ReadAll("map\\1.mainmap") == "XYcdef" &&
          ReadAll("map\\1.unit") == "<missing>" && !ReplaceFileAtomically(".\\map\\1.unit", ".\\map\\1.mainmap"));
    // While another program holds the old file open the move is refused: the file is written in place.
    if ((f = OpenFileTruncated(".\\map\\1.unit")))
        std::fputs("new", f), std::fclose(f);
    HANDLE held = CreateFileA("map\\1.mainmap", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(held != INVALID_HANDLE_VALUE && !MoveFileExA("map\\1.unit", "map\\1.mainmap", MOVEFILE_REPLACE_EXISTING));
    CHECK(ReplaceFileAtomically(".\\map\\1.unit", ".\\map\\1.mainmap") && ReadAll("map\\1.unit") == "<missing>");
    CloseHandle(held);
    CHECK(ReadAll("map\\1.mainmap") == "new");

    const DWORD start = GetTickCount(); // a sleep that sleeps, a clock in seconds since 1970
    PlatformSleep(100);
    CHECK(GetTickCount() - start >= 90 && PlatformTimeSeconds() > 1600000000u);
    std::printf("%d passed, %d failed\n", Passed, Failed);
    return Failed == 0 ? 0 : 1;
}
