/* The process entry of the Windows launchers, in place of the C runtime
 * start-up objects that the toolchain links by default.
 *
 * Those objects prepare for what the launchers never do: thread-local data
 * with destructors, runtime pseudo-relocations (the launchers link without
 * automatic imports, so a need for one fails the link), translating
 * processor faults into signals, registering unwind tables. They are about a quarter of the
 * program. What is left is what the system C runtime needs before `main`:
 * the application type that decides where it reports its own faults, and the
 * argument vector. msvcrt.dll readies its streams and heap when it is
 * loaded; `main` runs the static constructors itself (the compiler calls
 * __main first), and end_process (diagnostics.h) ends the process with its
 * result through exit(), which runs the atexit list and flushes the streams. */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* msvcrt.dll's start-up entries, which its headers leave undeclared. */
typedef struct {
    int new_mode;
} StartupInfo;
int __cdecl __getmainargs(int* argc, char*** argv, char*** env, int expand_wildcards, StartupInfo* info);
void __cdecl __set_app_type(int type);

enum { kConsoleApplication = 1 };

/* The toolchain's atexit() lives in the start-up objects left out here. An
 * executable's exit list is the C runtime's own, which exit() runs. */
extern int(__cdecl* __MINGW_IMP_SYMBOL(atexit))(void(__cdecl*)(void));
int __cdecl atexit(void(__cdecl* function)(void)) { return __MINGW_IMP_SYMBOL(atexit)(function); }

/* vsnprintf (__ms_vsnprintf to the system headers) as C99 has it: the
 * whole length, the text always terminated. Over the system C runtime's
 * _vsnprintf, which gives -1 when the text does not fit; the toolchain's own
 * gets the length from an emulation of _vscprintf for systems older than any
 * this program runs on. */
int __cdecl __ms_vsnprintf(char* buffer, size_t size, const char* format, va_list args) {
    char* scratch = NULL;
    size_t room = size;
    int length;
    while ((length = _vsnprintf(scratch ? scratch : buffer, room, format, args)) < 0 || (size_t)length >= room) {
        free(scratch);
        room = room < 256 ? 256 : room * 2;
        scratch = malloc(room);
        if (scratch == NULL) return -1;
    }
    if (scratch != NULL) {
        if (size > 0) {
            memcpy(buffer, scratch, size - 1);
            buffer[size - 1] = '\0';
        }
        free(scratch);
    }
    return length;
}

/* The static constructors, which main runs first through __main (the
 * compiler puts the call there): the list the linker gathers between -1 and
 * 0, run from its end as the toolchain's own __main runs it. That one also
 * runs a destructor list at exit, which nothing here fills (C++ destructors
 * of statics go through atexit). */
extern void (*__CTOR_LIST__[])(void);
void __main(void) {
    unsigned long count = 0;
    while (__CTOR_LIST__[count + 1] != NULL) ++count;
    while (count > 0) __CTOR_LIST__[count--]();
}

int main(int argc, char** argv);
__attribute__((noreturn)) void end_process(int status);

/* The system calls the entry with the stack aligned to 4 bytes on 32-bit
 * Windows; code built for a 16-byte boundary (the 64-bit build's) may assume 16. */
__attribute__((force_align_arg_pointer, noreturn, used)) void vandrel_start(void) {
    int argc = 0;
    char** argv = NULL;
    char** env = NULL;
    StartupInfo info = {0};
    __set_app_type(kConsoleApplication);
    /* No wildcard expansion, as the toolchain's own start-up does it. */
    __getmainargs(&argc, &argv, &env, 0, &info);
    end_process(main(argc, argv));
}
