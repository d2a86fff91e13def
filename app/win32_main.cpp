// The Windows saver: the entry function, the one window and its procedure.
//
// WinMain starts GDI+, makes a borderless popup that covers the primary
// screen and waits in the message loop. The first WM_PAINT opens the paint
// cycle and hands its device context to the render thread, then starts the
// rotation thread; the cycle stays open until the stop. The first key,
// button, wheel or raw mouse input runs StopSequence, which lets the render
// thread finish its frame before the paint cycle ends, and posts the quit
// message. No command line is read: /s, /p and /c all give the same run.
#include <windows.h>

// WIN32_LEAN_AND_MEAN leaves out the COM types GDI+'s headers expect.
#include <objidl.h>

#include <gdiplus.h>

#include <cstring>
#include <vector>

#include "app/stop_rules.h"
#include "backdrop/rotation.h"
#include "platform/system.h"
#include "platform/win32/win32_surface.h"
#include "scene/render_thread.h"
#include "scene/scene.h"

namespace {

constexpr char SAVER_NAME[] = "Vendrel Screensaver";
constexpr int FIRST_WIDTH = 800;
constexpr int FIRST_HEIGHT = 600;

HWND SaverWindow = nullptr;
PAINTSTRUCT ps{};
bool paintOpen = false;
bool drawingStarted = false;
HANDLE renderThread = nullptr;
HANDLE rotationThread = nullptr;

// Raw input records vary in size; the buffer grows to the largest seen.
std::vector<BYTE> RawInputBuffer;

DWORD WINAPI RenderThreadEntry(LPVOID paintDc)
{
    Surface* window = WrapDeviceContext(static_cast<HDC>(paintDc), GetSystemMetrics(SM_CXSCREEN),
                                        GetSystemMetrics(SM_CYSCREEN));
    RenderThread(window);
    ReleaseSurface(window);
    return 0;
}

DWORD WINAPI RotationThreadEntry(LPVOID)
{
    return static_cast<DWORD>(RotationThread(SleepMs));
}

// Input follows the keyboard focus; registering again on every message keeps
// the mouse registered whatever happened to the registration meanwhile.
void RegisterMouseForRawInput()
{
    RAWINPUTDEVICE device{};
    device.usUsagePage = 1;
    device.usUsage = 2;
    device.dwFlags = 0;
    device.hwndTarget = nullptr;
    RegisterRawInputDevices(&device, 1, sizeof device);
}

// The paint cycle begun here stays open: the render thread draws on its
// surface until the stop. A later paint must not start a second pair of
// threads, so it only validates the window.
void StartDrawing(HWND window)
{
    if (drawingStarted) {
        ValidateRect(window, nullptr);
        return;
    }
    drawingStarted = true;
    HDC paintDc = BeginPaint(window, &ps);
    paintOpen = true;
    WindowSurfaceInUse.store(true, std::memory_order_release);
    renderThread = CreateThread(nullptr, 0, RenderThreadEntry, paintDc, 0, nullptr);
    rotationThread = CreateThread(nullptr, 0, RotationThreadEntry, nullptr, 0, nullptr);
}

// HaltRendering returns once the render thread is off the window's surface
// (or after a bounded wait), so ending the paint cycle cannot pull the
// surface from under a frame still being drawn.
void StopSequence(int pauseMs, bool postQuit)
{
    HaltRendering(pauseMs);
    if (paintOpen) {
        EndPaint(SaverWindow, &ps);
        paintOpen = false;
    }
    if (renderThread != nullptr) {
        CloseHandle(renderThread);
        renderThread = nullptr;
    }
    if (postQuit)
        PostQuitMessage(0);
}

// Releases are left out of the raw test as they are out of the messages: the
// button that started the saver often comes up over its window.
constexpr USHORT BUTTON_RELEASES = RI_MOUSE_BUTTON_1_UP | RI_MOUSE_BUTTON_2_UP |
                                   RI_MOUSE_BUTTON_3_UP | RI_MOUSE_BUTTON_4_UP |
                                   RI_MOUSE_BUTTON_5_UP;

// Reads the record before anything stops: Wine sends an empty mouse record
// as the window appears, and that must not end the saver. A record that
// cannot be read, or comes from another device, stops the animation but
// leaves the program to the next trigger.
void HandleRawInput(HRAWINPUT input)
{
    const int pause = StopPauseMs(Trigger::RawInput);
    UINT dataSize = 0;
    GetRawInputData(input, RID_INPUT, nullptr, &dataSize, sizeof(RAWINPUTHEADER));
    if (dataSize == 0) {
        StopSequence(pause, false);
        return;
    }
    if (RawInputBuffer.size() < dataSize)
        RawInputBuffer.resize(dataSize);
    if (GetRawInputData(input, RID_INPUT, RawInputBuffer.data(), &dataSize,
                        sizeof(RAWINPUTHEADER)) != dataSize) {
        StopSequence(pause, false);
        return;
    }

    RAWINPUT record{};
    std::memcpy(&record, RawInputBuffer.data(),
                dataSize < sizeof record ? dataSize : sizeof record);
    if (record.header.dwType != RIM_TYPEMOUSE) {
        StopSequence(pause, false);
        return;
    }
    const RAWMOUSE& mouse = record.data.mouse;
    if (!RawMouseIsInput(mouse.lLastX, mouse.lLastY, mouse.usButtonFlags & ~BUTTON_RELEASES))
        return;
    StopSequence(pause, true);
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    RegisterMouseForRawInput();
    switch (message) {
    case WM_PAINT: StartDrawing(window); return 0;
    case WM_INPUT: HandleRawInput(reinterpret_cast<HRAWINPUT>(lParam)); return 0;
    case WM_KEYDOWN: StopSequence(StopPauseMs(Trigger::Key), true); return 0;
    case WM_SYSKEYDOWN: StopSequence(StopPauseMs(Trigger::SystemKey), true); return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN: StopSequence(StopPauseMs(Trigger::MouseButton), true); return 0;
    case WM_MOUSEWHEEL: StopSequence(StopPauseMs(Trigger::Wheel), true); return 0;
    case WM_DESTROY:
        // Without a window nothing can end the saver any more: leave now.
        StopSequence(0, true);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const Gdiplus::GdiplusStartupInput gdiplusStartupInput;
    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusStartupInput, nullptr);

    WNDCLASSA wc{};
    wc.hInstance = instance;
    wc.lpszClassName = SAVER_NAME;
    wc.hCursor = LoadCursorA(nullptr, IDC_CROSS);
    ShowCursor(FALSE);
    wc.hbrBackground = CreateSolidBrush(BACKGROUND_COLOUR);
    wc.lpfnWndProc = SaverWindowProc;
    wc.style = 0;
    wc.hIcon = nullptr;
    wc.lpszMenuName = nullptr;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    RegisterClassA(&wc);

    SaverWindow = CreateWindowExA(0, SAVER_NAME, SAVER_NAME, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  CW_USEDEFAULT, CW_USEDEFAULT, FIRST_WIDTH, FIRST_HEIGHT, nullptr,
                                  nullptr, instance, nullptr);
    ShowWindow(SaverWindow, SW_SHOWMAXIMIZED);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    SetWindowLongA(SaverWindow, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    SetWindowPos(SaverWindow, HWND_TOP, 0, 0, screenWidth, screenHeight, SWP_FRAMECHANGED);

    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) != 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    Gdiplus::GdiplusShutdown(gdiplusToken);
    return 0;
}
