// MCI error codes and the English texts the Windows multimedia library gives
// for them. Shared by the POSIX stand-in and by the tests that hold these
// texts against the real library.
#ifndef TUNEGATE_MCI_ERROR_TEXTS_H
#define TUNEGATE_MCI_ERROR_TEXTS_H

#include <cstddef>

const unsigned int mci_error_unrecognized_keyword = 259;
const unsigned int mci_error_unrecognized_command = 261;
const unsigned int mci_error_invalid_device_name = 263;
const unsigned int mci_error_device_open = 265;
const unsigned int mci_error_missing_command_string = 267;
const unsigned int mci_error_param_overflow = 268;
const unsigned int mci_error_bad_integer = 270;
const unsigned int mci_error_missing_parameter = 273;
const unsigned int mci_error_unsupported_function = 274;
const unsigned int mci_error_file_not_found = 275;
const unsigned int mci_error_internal = 277;
const unsigned int mci_error_cannot_use_all = 279;
const unsigned int mci_error_extension_not_found = 281;
const unsigned int mci_error_out_of_range = 282;
const unsigned int mci_error_duplicate_alias = 289;
const unsigned int mci_error_bad_constant = 290;
const unsigned int mci_error_missing_device_name = 292;
const unsigned int mci_error_no_closing_quote = 294;
const unsigned int mci_error_duplicate_flags = 295;
const unsigned int mci_error_nonapplicable_function = 302;
const unsigned int mci_error_extra_characters = 305;

struct MciErrorText {
    unsigned int code;
    const char* text;
};

// The known codes, in ascending order.
extern const MciErrorText kMciErrorTexts[];
extern const std::size_t kMciErrorTextCount;

// The text for a code, or null when MCI has none for it.
const char* mci_error_text(unsigned int code);

#endif
