// Fuzzes the MCI command parser of the silent MCI: every word it reports
// lies inside the command text, and a command without an error has a verb.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "silent_mci.h"

static void check_word(const MciWord& word, const char* text, size_t length) {
    if (word.length == 0) return;
    if (word.text < text || word.text + word.length > text + length) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();
    MciCommand command = mci_parse_command(text.c_str());
    check_word(command.device, text.c_str(), text.size());
    check_word(command.type, text.c_str(), text.size());
    check_word(command.alias, text.c_str(), text.size());
    if (command.error == 0 && command.verb == kMciVerbNone) abort();
    if (command.error != 0 && command.error < 256) abort();
    if (command.argument_error != 0 && command.argument_error < 256) abort();
    // Sending it to the silent MCI never crashes, whatever the devices' state.
    mciSendStringA(text.c_str(), nullptr, 0, nullptr);
    return 0;
}
