// Checks of the Win32 backend against the real system: window, pixel format,
// GL presentation, window procedure, input hooks, pointer, message boxes and
// files. Runs under Windows or Wine; prints "N passed, N failed".
#include <GL/gl.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

// ---- The game's side of the callbacks, recorded -------------------------------
static std::vector<int32_t> KeysDown;
static int MouseMoves = 0;
static int LeftPresses = 0;
static int RightPresses = 0;
static int CloseRequests = 0;

void OnKeyDownEvent(int32_t virtual_key) { KeysDown.push_back(virtual_key); }
void OnMouseMoveEvent() { ++MouseMoves; }
void OnLeftButtonEvent() { ++LeftPresses; }
void OnRightButtonEvent() { ++RightPresses; }
void OnCloseEvent() { ++CloseRequests; }

static void ResetRecorded()
{
    KeysDown.clear();
    MouseMoves = LeftPresses = RightPresses = CloseRequests = 0;
}

// ---- A minimal checker ---------------------------------------------------------
static int Passed = 0;
static int Failed = 0;

#define CHECK(cond)                                                                                                    \
    do {                                                                                                               \
        if (cond) {                                                                                                    \
            ++Passed;                                                                                                  \
        } else {                                                                                                       \
            ++Failed;                                                                                                  \
            std::printf("FAILED %s:%d: %s\n", __FILE__, __LINE__, #cond);                                              \
        }                                                                                                              \
    } while (0)

#define CHECK_EQ(a, b)                                                                                                 \
    do {                                                                                                               \
        long long va_ = static_cast<long long>(a), vb_ = static_cast<long long>(b);                                    \
        if (va_ == vb_) {                                                                                              \
            ++Passed;                                                                                                  \
        } else {                                                                                                       \
            ++Failed;                                                                                                  \
            std::printf("FAILED %s:%d: %s == %s (%lld vs %lld)\n", __FILE__, __LINE__, #a, #b, va_, vb_);              \
        }                                                                                                              \
    } while (0)

// Pumps through the backend for a while: low-level hooks are called on this
// thread only while it takes messages.
static void PumpFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        while (PumpOneMessage()) {
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

static HWND GameWindow() { return FindWindowA("OpenGL", "GAMEVRAK"); }

// ---- Message boxes are captured as they open and closed with OK ------------------
struct CapturedBox {
    std::string caption;
    std::string text;
};
static std::vector<CapturedBox> Boxes;
static HHOOK CbtHook = nullptr;

static LRESULT CALLBACK CaptureBoxes(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wparam);
        char class_name[32] = {};
        GetClassNameA(box, class_name, sizeof class_name);
        if (std::strcmp(class_name, "#32770") == 0) {
            char caption[256] = {};
            char text[256] = {};
            GetWindowTextA(box, caption, sizeof caption);
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            Boxes.push_back({caption, text});
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(CbtHook, code, wparam, lparam);
}

// ---- Input injection -------------------------------------------------------------
static void SendKey(WORD vk, bool up)
{
    INPUT in;
    ZeroMemory(&in, sizeof in);
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

static void SendMouse(DWORD flags, LONG dx, LONG dy)
{
    INPUT in;
    ZeroMemory(&in, sizeof in);
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

static int CountKey(int32_t vk)
{
    int n = 0;
    for (int32_t k : KeysDown)
        n += k == vk;
    return n;
}

// ---- Window and GL ----------------------------------------------------------------
static void TestWindowAtZoom2()
{
    CHECK(CreateGameWindow("GAMEVRAK", 1280, 960, 16));
    HWND w = GameWindow();
    CHECK(w != nullptr);
    if (!w)
        return;
    RECT r;
    GetWindowRect(w, &r);
    CHECK_EQ(r.left, 0);
    CHECK_EQ(r.top, 0);
    CHECK_EQ(r.right, 1280);
    CHECK_EQ(r.bottom, 960);
    RECT c;
    GetClientRect(w, &c);
    CHECK_EQ(c.right - c.left, 1280);
    CHECK_EQ(c.bottom - c.top, 960);

    int32_t left = -1, top = -1, right = -1, bottom = -1;
    GetWindowRectangle(&left, &top, &right, &bottom);
    CHECK_EQ(left, 0);
    CHECK_EQ(top, 0);
    CHECK_EQ(right, 1280);
    CHECK_EQ(bottom, 960);

    LONG style = GetWindowLongA(w, GWL_STYLE);
    CHECK((style & WS_POPUP) != 0);
    CHECK((style & WS_CLIPSIBLINGS) != 0);
    CHECK((style & WS_CLIPCHILDREN) != 0);
    CHECK((style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU)) == 0);
    CHECK((style & WS_VISIBLE) != 0);
    LONG ex_style = GetWindowLongA(w, GWL_EXSTYLE);
    CHECK((ex_style & WS_EX_APPWINDOW) != 0);

    WNDCLASSA wc;
    CHECK(GetClassInfoA(GetModuleHandleA(nullptr), "OpenGL", &wc));
    CHECK_EQ(wc.style, CS_HREDRAW | CS_VREDRAW | CS_OWNDC);
    CHECK(wc.hCursor == LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_CROSS)));
    CHECK(wc.hIcon == LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_WINLOGO)));
    CHECK(wc.hbrBackground == nullptr);
    CHECK_EQ(wc.cbClsExtra, 0);
    CHECK_EQ(wc.cbWndExtra, 0);

    // The chosen format is double-buffered RGBA with a depth buffer.
    HDC dc = wglGetCurrentDC();
    CHECK(dc != nullptr);
    CHECK(wglGetCurrentContext() != nullptr);
    PIXELFORMATDESCRIPTOR pfd;
    int format = GetPixelFormat(dc);
    CHECK(format > 0);
    DescribePixelFormat(dc, format, sizeof pfd, &pfd);
    CHECK((pfd.dwFlags & PFD_DOUBLEBUFFER) != 0);
    CHECK((pfd.dwFlags & PFD_SUPPORT_OPENGL) != 0);
    CHECK_EQ(pfd.iPixelType, PFD_TYPE_RGBA);
    CHECK(pfd.cDepthBits >= 16);

    // The fixed GL state and viewport are set up on the new context.
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    CHECK_EQ(viewport[0], 0);
    CHECK_EQ(viewport[1], 0);
    CHECK_EQ(viewport[2], 320);
    CHECK_EQ(viewport[3], 240);
    CHECK(glIsEnabled(GL_DEPTH_TEST));
    CHECK(glIsEnabled(GL_TEXTURE_2D));
}

// A 640 x 480 buffer, left half red, right half blue, shown at zoom 2: the
// right half must reach the far side of the 1280-pixel window (at zoom 1 the
// clear colour would show there).
static void TestPresentAtZoom2()
{
    std::vector<uint8_t> rgba(640 * 480 * 4);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            uint8_t* p = &rgba[(y * 640 + x) * 4];
            p[0] = x < 320 ? 255 : 0;
            p[1] = 0;
            p[2] = x < 320 ? 0 : 255;
            p[3] = 255;
        }
    ClearGLFrame();
    PresentGLFrame(rgba.data(), 640, 480, 2);
    glFinish();
    Sleep(100);
    // What reached the screen (the window's top-left is the screen's).
    HDC screen = GetDC(nullptr);
    COLORREF near_left = GetPixel(screen, 100, 800);
    COLORREF far_right = GetPixel(screen, 1200, 60);
    ReleaseDC(nullptr, screen);
    CHECK_EQ(near_left, RGB(255, 0, 0));
    CHECK_EQ(far_right, RGB(0, 0, 255));
    CHECK(glIsEnabled(GL_TEXTURE_2D)); // textures are back on after the transfer
}

static void TestWindowProcedure()
{
    HWND w = GameWindow();
    if (!w)
        return;
    ResetRecorded();
    CHECK_EQ(SendMessageA(w, WM_CLOSE, 0, 0), 0);
    CHECK_EQ(CloseRequests, 1);
    CHECK(IsWindow(w)); // a close request ends the loop, not the window
    CHECK_EQ(SendMessageA(w, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    CHECK_EQ(SendMessageA(w, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
    CHECK_EQ(SendMessageA(w, WM_ACTIVATE, WA_ACTIVE, 0), 0);
    CHECK(IsWindow(w));

    // The pump dispatches one message per call and says when none is left.
    PumpFor(50);
    PostMessageA(w, WM_CLOSE, 0, 0);
    CHECK(PumpOneMessage());
    CHECK_EQ(CloseRequests, 2);
    CHECK(!PumpOneMessage());
}

static void TestMoveAndPointer()
{
    MoveGameWindow(100, 50, 1280, 960);
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    GetWindowRectangle(&left, &top, &right, &bottom);
    CHECK_EQ(left, 100);
    CHECK_EQ(top, 50);
    CHECK_EQ(right, 1380);
    CHECK_EQ(bottom, 1010);
    MoveGameWindow(0, 0, 1280, 960);
    GetWindowRectangle(&left, &top, &right, &bottom);
    CHECK_EQ(left, 0);
    CHECK_EQ(top, 0);

    SetCursorPos(123, 45);
    while (PumpOneMessage()) // a frame reads the pointer as the pump left it
        ;
    int32_t x = -1, y = -1;
    GetPointerPosition(&x, &y);
    CHECK_EQ(x, 123);
    CHECK_EQ(y, 45);

    // Hiding is counted by the system, once per call.
    HidePointer();
    int count = ShowCursor(FALSE);
    CHECK_EQ(count, -2);
    ShowCursor(TRUE);
    ShowCursor(TRUE);
}

static void TestHooks()
{
    InstallPlatformInputHooks();
    PumpFor(50);
    ResetRecorded();

    SendKey('A', false);
    SendKey('A', true);
    PumpFor(200);
    CHECK_EQ(CountKey('A'), 1); // the key-up sets nothing
    CHECK_EQ(static_cast<int>(KeysDown.size()), 1);

    // Keys pressed with Alt are system keys: they set nothing.
    ResetRecorded();
    SendKey(VK_MENU, false);
    SendKey('B', false);
    SendKey('B', true);
    SendKey(VK_MENU, true);
    PumpFor(200);
    CHECK_EQ(CountKey('B'), 0);

    ResetRecorded();
    SendKey(VK_F5, false);
    SendKey(VK_F5, true);
    SendKey(VK_ESCAPE, false);
    SendKey(VK_ESCAPE, true);
    PumpFor(200);
    CHECK_EQ(CountKey(VK_F5), 1);
    CHECK_EQ(CountKey(VK_ESCAPE), 1);

    ResetRecorded();
    SendMouse(MOUSEEVENTF_MOVE, 5, 5);
    PumpFor(200);
    CHECK(MouseMoves >= 1);
    CHECK_EQ(LeftPresses, 0);
    CHECK_EQ(RightPresses, 0);

    ResetRecorded();
    SendMouse(MOUSEEVENTF_LEFTDOWN, 0, 0);
    SendMouse(MOUSEEVENTF_LEFTUP, 0, 0);
    PumpFor(200);
    CHECK_EQ(LeftPresses, 1);
    CHECK_EQ(RightPresses, 0);

    ResetRecorded();
    SendMouse(MOUSEEVENTF_RIGHTDOWN, 0, 0);
    SendMouse(MOUSEEVENTF_RIGHTUP, 0, 0);
    PumpFor(200);
    CHECK_EQ(RightPresses, 1);
    CHECK_EQ(LeftPresses, 0);
    CHECK(KeysDown.empty());
}

// F5: destroyed and made anew at zoom 1; the pixel format record is reused.
static void TestRecreateAtZoom1()
{
    DestroyGameWindow();
    CHECK(GameWindow() == nullptr);
    WNDCLASSA wc;
    CHECK(!GetClassInfoA(GetModuleHandleA(nullptr), "OpenGL", &wc));
    CHECK(wglGetCurrentContext() == nullptr);
    int32_t left = -1, top = -1, right = -1, bottom = -1;
    GetWindowRectangle(&left, &top, &right, &bottom);
    CHECK_EQ(right - left, 0);

    CHECK(CreateGameWindow("GAMEVRAK", 640, 480, 16));
    HWND w = GameWindow();
    CHECK(w != nullptr);
    RECT r = {};
    GetWindowRect(w, &r);
    CHECK_EQ(r.left, 0);
    CHECK_EQ(r.top, 0);
    CHECK_EQ(r.right, 640);
    CHECK_EQ(r.bottom, 480);
    CHECK(wglGetCurrentContext() != nullptr);
    DestroyGameWindow();
    CHECK(GameWindow() == nullptr);
}

static void TestMessageBoxes()
{
    Boxes.clear();
    PlatformMessageBox("Something happened.", "NOTICE", MESSAGEBOX_INFORMATION);
    CHECK_EQ(static_cast<int>(Boxes.size()), 1);
    if (Boxes.size() == 1) {
        CHECK(Boxes[0].caption == "NOTICE");
        CHECK(Boxes[0].text == "Something happened.");
    }

    // With the class name taken, creation fails at its first check and leaves nothing behind.
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OpenGL";
    CHECK(RegisterClassA(&wc) != 0);
    Boxes.clear();
    CHECK(!CreateGameWindow("GAMEVRAK", 640, 480, 16));
    CHECK_EQ(static_cast<int>(Boxes.size()), 1);
    if (Boxes.size() == 1) {
        CHECK(Boxes[0].caption == "ERROR");
        CHECK(Boxes[0].text == "Failed To Register The Window Class.");
    }
    CHECK(GameWindow() == nullptr);
    UnregisterClassA("OpenGL", GetModuleHandleA(nullptr));

    // Releasing with nothing to release reports the class it could not unregister.
    Boxes.clear();
    DestroyGameWindow();
    CHECK_EQ(static_cast<int>(Boxes.size()), 1);
    if (Boxes.size() == 1) {
        CHECK(Boxes[0].caption == "SHUTDOWN ERROR");
        CHECK(Boxes[0].text == "Could Not Unregister Class.");
    }
}

// ---- Files -----------------------------------------------------------------------
static std::string ReadAll(const char* path)
{
    std::string s;
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return "<missing>";
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        s.append(buf, n);
    std::fclose(f);
    return s;
}

static void WriteAll(const char* path, const char* text)
{
    std::FILE* f = std::fopen(path, "wb");
    if (f) {
        std::fputs(text, f);
        std::fclose(f);
    }
}

static void TestFiles(const std::string& scratch)
{
    SetCurrentDirectoryA(scratch.c_str());
    CreateDirectoryA("map", nullptr);
    DeleteFileA("map\\1.mainmap");

    // A missing file in an existing folder is created empty.
    std::FILE* f = OpenFileAlways(".\\map\\1.mainmap", false);
    CHECK(f != nullptr);
    if (f) {
        char c;
        CHECK_EQ(std::fread(&c, 1, 1, f), 0);
        std::fclose(f);
    }
    CHECK(ReadAll("map\\1.mainmap").empty());

    // Writing keeps what lies beyond the bytes written.
    WriteAll("map\\1.unit", "abcdef");
    f = OpenFileAlways(".\\map\\1.unit", true);
    CHECK(f != nullptr);
    if (f) {
        std::fwrite("XY", 1, 2, f);
        std::fclose(f);
    }
    CHECK(ReadAll("map\\1.unit") == "XYcdef");

    f = OpenFileAlways(".\\map\\1.unit", false);
    CHECK(f != nullptr);
    if (f) {
        char buf[8] = {};
        CHECK_EQ(std::fread(buf, 1, sizeof buf, f), 6);
        CHECK(std::memcmp(buf, "XYcdef", 6) == 0);
        std::fclose(f);
    }

    // A missing folder is not created, and nothing opens.
    RemoveDirectoryA("nomap");
    CHECK(OpenFileAlways(".\\nomap\\1.unit", true) == nullptr);
    CHECK(OpenFileAlways(".\\nomap\\1.unit", false) == nullptr);
    CHECK(!FolderExists(".\\nomap"));
    CHECK(FolderExists(".\\map"));
    CHECK(!FolderExists(".\\map\\1.unit"));

    f = OpenFileTruncated(".\\map\\1.unit");
    CHECK(f != nullptr);
    if (f) {
        std::fputs("new", f);
        std::fclose(f);
    }
    CHECK(ReadAll("map\\1.unit") == "new");

    WriteAll("map\\1.variables", "old contents");
    WriteAll("map\\1.variables.tmp", "fresh");
    CHECK(ReplaceFileAtomically(".\\map\\1.variables.tmp", ".\\map\\1.variables"));
    CHECK(ReadAll("map\\1.variables") == "fresh");
    CHECK(ReadAll("map\\1.variables.tmp") == "<missing>");
    CHECK(!ReplaceFileAtomically(".\\map\\1.variables.tmp", ".\\map\\1.variables"));
    CHECK(ReadAll("map\\1.variables") == "fresh");
}

// Started elsewhere, the game moves to its own folder; with the data folders
// present in the current directory it stays.
static void TestEnterGameDirectory(const std::string& exe_dir, const std::string& scratch)
{
    char cwd[MAX_PATH];
    SetCurrentDirectoryA(scratch.c_str());
    RemoveDirectoryA("bmp_unit");
    RemoveDirectoryA("sound");
    PlatformEnterGameDirectory(nullptr);
    GetCurrentDirectoryA(sizeof cwd, cwd);
    CHECK(lstrcmpiA(cwd, exe_dir.c_str()) == 0);

    SetCurrentDirectoryA(scratch.c_str());
    CreateDirectoryA("bmp_unit", nullptr);
    CreateDirectoryA("sound", nullptr);
    PlatformEnterGameDirectory(nullptr);
    GetCurrentDirectoryA(sizeof cwd, cwd);
    CHECK(lstrcmpiA(cwd, scratch.c_str()) == 0);
}

static void TestTime()
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    PlatformSleep(100);
    QueryPerformanceCounter(&end);
    CHECK((end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart >= 90);
    uint32_t now = PlatformTimeSeconds();
    CHECK(now > 1600000000u); // seconds since 1970, not since boot
}

int main()
{
    CbtHook = SetWindowsHookExA(WH_CBT, CaptureBoxes, nullptr, GetCurrentThreadId());

    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string exe_dir(exe);
    exe_dir.erase(exe_dir.find_last_of('\\'));
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string scratch = std::string(temp) + "gamevrak-win32-test";
    CreateDirectoryA(scratch.c_str(), nullptr);
    GetFullPathNameA(scratch.c_str(), sizeof temp, temp, nullptr);
    scratch = temp;

    TestWindowAtZoom2();
    TestPresentAtZoom2();
    TestWindowProcedure();
    TestMoveAndPointer();
    TestHooks();
    TestRecreateAtZoom1();
    TestMessageBoxes();
    TestFiles(scratch);
    TestEnterGameDirectory(exe_dir, scratch);
    TestTime();

    std::printf("%d passed, %d failed\n", Passed, Failed);
    return Failed == 0 ? 0 : 1;
}
