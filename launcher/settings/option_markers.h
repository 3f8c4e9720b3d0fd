// Lines of VM options meant for some Java versions only: a line that begins
// with "[N+]" is for family version N and later, "[-N]" for N and earlier,
// "[N-M]" for N to M. A version is read as a family: 1.N counts as N.
#ifndef VANDREL_LAUNCHER_SETTINGS_OPTION_MARKERS_H
#define VANDREL_LAUNCHER_SETTINGS_OPTION_MARKERS_H

// `line` for a runtime of family version `family` (0: unknown): the line
// itself when it has no marker, the text after the marker and the blanks
// that follow it when the marker takes in `family`, else null. An unknown version takes in no marker.
char* apply_version_marker(char* line, int family);

// The family of the version at the start of `text`: "8", "1.8" and
// "1.8.0_392" give 8, "25.0.3" gives 25; -1 when it begins with no digit.
int family_of(const char* text);

#endif
