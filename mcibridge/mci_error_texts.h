// MCI error codes and the English texts the Windows multimedia library gives
// for them. Shared by the silent MCI and by the tests that hold these
// texts against the real library.
#ifndef VANDREL_MCIBRIDGE_MCI_ERROR_TEXTS_H
#define VANDREL_MCIBRIDGE_MCI_ERROR_TEXTS_H

#include <cstddef>

const unsigned int kMciErrorUnrecognizedKeyword = 259;
const unsigned int kMciErrorUnrecognizedCommand = 261;
const unsigned int kMciErrorInvalidDeviceName = 263;
const unsigned int kMciErrorDeviceOpen = 265;
const unsigned int kMciErrorMissingCommandString = 267;
const unsigned int kMciErrorParamOverflow = 268;
const unsigned int kMciErrorBadInteger = 270;
const unsigned int kMciErrorMissingParameter = 273;
const unsigned int kMciErrorUnsupportedFunction = 274;
const unsigned int kMciErrorFileNotFound = 275;
const unsigned int kMciErrorInternal = 277;
const unsigned int kMciErrorCannotUseAll = 279;
const unsigned int kMciErrorExtensionNotFound = 281;
const unsigned int kMciErrorOutOfRange = 282;
const unsigned int kMciErrorDuplicateAlias = 289;
const unsigned int kMciErrorBadConstant = 290;
const unsigned int kMciErrorMissingDeviceName = 292;
const unsigned int kMciErrorNoClosingQuote = 294;
const unsigned int kMciErrorDuplicateFlags = 295;
const unsigned int kMciErrorNonapplicableFunction = 302;
const unsigned int kMciErrorExtraCharacters = 305;

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
