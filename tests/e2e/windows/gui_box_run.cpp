// Starts a program with no standard handles, as Explorer starts a GUI
// program, and reports the message box it shows: its title and text, after
// which the box is answered and the program's exit status printed.
//   gui_box_run.exe "command line"
#include <windows.h>

#include <cstdio>

namespace {

DWORD child;
HWND box;

BOOL CALLBACK find_box(HWND window, LPARAM) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != child || !IsWindowVisible(window)) return TRUE;
    box = window;
    return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;  // all three null
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, argv[1], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        printf("cannot start: %lu\n", GetLastError());
        return 1;
    }
    child = process.dwProcessId;
    for (int i = 0; i < 600 && box == nullptr; ++i) {
        if (WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) break;
        EnumWindows(find_box, 0);
    }
    if (box != nullptr) {
        char title[256] = "", text[4096] = "";
        GetWindowTextA(box, title, sizeof title);
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the box's static text
        printf("title=%s\ntext=%s\n", title, text);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    } else {
        printf("no message box\n");
    }
    WaitForSingleObject(process.hProcess, 30000);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    printf("status=%lu\n", status);
    return 0;
}
