// What Wine's multimedia library answers to the sound classes' commands when
// no device of the alias is open, or when the device is "all". The Windows
// music test holds the table against Wine through the built DLL, and the
// silent MCI's test against the silent MCI, so that the Linux tests of the
// library mean what they mean under Wine.
#ifndef VANDREL_TESTS_TUNEGATE_WINE_MCI_ANSWERS_H
#define VANDREL_TESTS_TUNEGATE_WINE_MCI_ANSWERS_H

#include <cstddef>

struct WineMciAnswer {
    const char* command;
    unsigned int code;
};

const WineMciAnswer wine_mci_answers[] = {
    // A word that names no open device is taken for a file name, and one
    // without an extension gives no device type: 281. Only "close" answers
    // 263, the device is not open.
    {"play tunegate_never_opened", 281},
    {"play tunegate_never_opened from 0", 281},
    {"play tunegate_never_opened repeat", 281},
    {"stop tunegate_never_opened", 281},
    {"pause tunegate_never_opened", 281},
    {"resume tunegate_never_opened", 281},
    {"status tunegate_never_opened mode", 281},
    {"close tunegate_never_opened", 263},
    // "setaudio" belongs to the MPEGVideo driver's own commands: without
    // such a device MCI does not know it.
    {"setaudio tunegate_never_opened volume to 500", 261},
    {"setaudio all volume to 500", 261},
    // Of "all", only "close" is accepted: "stop all" is refused as well, so
    // the engine's "stop all" at its end leaves the music playing.
    {"stop all", 279},
    {"play all", 279},
    {"pause all", 279},
    {"resume all", 279},
    {"status all mode", 279},
    {"close all", 0},
};

const std::size_t wine_mci_answer_count = sizeof wine_mci_answers / sizeof wine_mci_answers[0];

#endif
