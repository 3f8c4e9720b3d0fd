#include "mci_error_texts.h"

const MciErrorText kMciErrorTexts[] = {
    {mci_error_unrecognized_keyword, "The driver cannot recognize the specified command parameter."},
    {mci_error_unrecognized_command, "The driver cannot recognize the specified command."},
    {mci_error_invalid_device_name, "The specified device is not open or is not recognized by MCI."},
    {mci_error_device_open,
     "The device name is already being used as an alias by this application. Use a unique alias."},
    {mci_error_missing_command_string, "No command was specified."},
    {mci_error_param_overflow,
     "The output string was too large to fit in the return buffer. Increase the size of the buffer."},
    {mci_error_bad_integer, "The specified integer is invalid for this command."},
    {mci_error_missing_parameter, "The specified command requires a parameter. Please supply one."},
    {mci_error_unsupported_function, "The MCI device you are using does not support the specified command."},
    {mci_error_file_not_found, "Cannot find the specified file. Make sure the path and filename are correct."},
    {mci_error_internal, "A problem occurred in initializing MCI. Try restarting Windows."},
    {mci_error_cannot_use_all, "Cannot use 'all' as the device name with the specified command."},
    {mci_error_extension_not_found, "Cannot determine the device type from the given filename extension."},
    {mci_error_out_of_range, "The specified parameter is out of range for the specified command."},
    {mci_error_duplicate_alias, "The specified alias is already being used in this application. Use a unique alias."},
    {mci_error_bad_constant, "The specified parameter is invalid for this command."},
    {mci_error_missing_device_name,
     "The specified command requires an alias, file, driver, or device name. Please supply one."},
    {mci_error_no_closing_quote,
     "A closing double-quotation mark is missing from the parameter value. Please supply one."},
    {mci_error_duplicate_flags, "A parameter or value was specified twice. Only specify it once."},
    {mci_error_nonapplicable_function,
     "Cannot carry out the commands in the order specified. Correct the command sequence, and then try again."},
    {mci_error_extra_characters, "Cannot specify extra characters after a string enclosed in quotation marks."},
};

const std::size_t kMciErrorTextCount = sizeof kMciErrorTexts / sizeof kMciErrorTexts[0];

const char* mci_error_text(unsigned int code) {
    for (std::size_t i = 0; i < kMciErrorTextCount; ++i) {
        if (kMciErrorTexts[i].code == code) {
            return kMciErrorTexts[i].text;
        }
    }
    return nullptr;
}
