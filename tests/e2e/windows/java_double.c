/* A stand-in for a runtime's own java.exe: writes the name it was started
 * as and its arguments, as the C runtime split its command line, one per
 * line between brackets, to the file JAVA_DOUBLE_OUT names, and exits with
 * the status JAVA_DOUBLE_STATUS names (0 without it). */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    const char* name = getenv("JAVA_DOUBLE_OUT");
    const char* status = getenv("JAVA_DOUBLE_STATUS");
    FILE* out = name != NULL ? fopen(name, "wb") : NULL;
    if (out == NULL) return 99;
    for (int i = 0; i < argc; ++i) fprintf(out, "[%s]\n", argv[i]);
    fclose(out);
    return status != NULL ? atoi(status) : 0;
}
