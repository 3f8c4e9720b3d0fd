// Output to the user, the trace switch, the one allocation routine, and the
// one way the launcher ends the process.
#ifndef VANDREL_LAUNCHER_BASE_DIAGNOSTICS_H
#define VANDREL_LAUNCHER_BASE_DIAGNOSTICS_H

#define VANDREL_PRINTF(f, a) __attribute__((format(printf, f, a)))

// Set once at start when _JAVA_LAUNCHER_DEBUG is defined; never cleared.
extern bool debug_trace;

// Standard error unbuffered, standard output line-buffered. Called first.
void setup_standard_streams();

// Sets debug_trace when _JAVA_LAUNCHER_DEBUG is defined (any value, the empty
// one included) and then prints the trace banner.
void switch_trace_from_environment();

// Formatted text to standard error, written at once.
int print_error(const char* format, ...) VANDREL_PRINTF(1, 2);
// Formatted text to standard output, flushed at each line end.
int print_info(const char* format, ...) VANDREL_PRINTF(1, 2);
// A trace line to standard output (the caller tests debug_trace).
int print_trace(const char* format, ...) VANDREL_PRINTF(1, 2);

// A new block of `size` bytes from the C heap; never null. On exhaustion the
// C library's error report for "malloc" goes to standard error and the
// process ends with status 1 (end_process).
void* allocate_or_exit(int size);

// A copy of the terminated `text` in a block of allocate_or_exit.
char* copy_or_exit(const char* text);

// True when the console closes with this process: it was made for this
// process alone (started from the desktop, not from a console) and standard
// input reads it. Never in a GUI program, which has no console.
bool console_closes_with_process();

// A failure (non-zero `status`) whose console closes with the process says
// "Press Enter to close this window." on standard error and waits for a line
// at standard input, so that its messages can be read. Otherwise nothing.
void pause_before_exit(int status);

// Ends the process with `status` through the C library's exit: the exit
// handlers run and the streams are flushed. First it pauses as
// pause_before_exit says. The only place where the launcher ends the process:
// the Windows process entry ends it with the main routine's result,
// allocate_or_exit on exhausted memory (a failing System.exit pauses through
// the VM's exit hook; a signal handler that cleans up passes the signal on to
// its default action).
extern "C" [[noreturn]] void end_process(int status);

#endif
