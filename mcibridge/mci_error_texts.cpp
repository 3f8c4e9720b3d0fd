#include "mci_error_texts.h"

const MciErrorText kMciErrorTexts[] = {
    {kMciErrorUnrecognizedKeyword, "The driver cannot recognize the specified command parameter."},
    {kMciErrorUnrecognizedCommand, "The driver cannot recognize the specified command."},
    {kMciErrorInvalidDeviceName, "The specified device is not open or is not recognized by MCI."},
    {kMciErrorDeviceOpen, "The device name is already being used as an alias by this application. Use a unique alias."},
    {kMciErrorMissingCommandString, "No command was specified."},
    {kMciErrorParamOverflow,
     "The output string was too large to fit in the return buffer. Increase the size of the buffer."},
    {kMciErrorBadInteger, "The specified integer is invalid for this command."},
    {kMciErrorMissingParameter, "The specified command requires a parameter. Please supply one."},
    {kMciErrorUnsupportedFunction, "The MCI device you are using does not support the specified command."},
    {kMciErrorFileNotFound, "Cannot find the specified file. Make sure the path and filename are correct."},
    {kMciErrorInternal, "A problem occurred in initializing MCI. Try restarting Windows."},
    {kMciErrorCannotUseAll, "Cannot use 'all' as the device name with the specified command."},
    {kMciErrorExtensionNotFound, "Cannot determine the device type from the given filename extension."},
    {kMciErrorOutOfRange, "The specified parameter is out of range for the specified command."},
    {kMciErrorDuplicateAlias, "The specified alias is already being used in this application. Use a unique alias."},
    {kMciErrorBadConstant, "The specified parameter is invalid for this command."},
    {kMciErrorMissingDeviceName,
     "The specified command requires an alias, file, driver, or device name. Please supply one."},
    {kMciErrorNoClosingQuote,
     "A closing double-quotation mark is missing from the parameter value. Please supply one."},
    {kMciErrorDuplicateFlags, "A parameter or value was specified twice. Only specify it once."},
    {kMciErrorNonapplicableFunction,
     "Cannot carry out the commands in the order specified. Correct the command sequence, and then try again."},
    {kMciErrorExtraCharacters, "Cannot specify extra characters after a string enclosed in quotation marks."},
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
