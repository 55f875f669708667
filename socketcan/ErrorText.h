#pragma once

#include "can/PcanBasicTypes.h"

#include <string>

namespace socketcan {

// The text CAN_GetErrorText gives: the message kept with the last refusal when asked about
// that refusal's status (what is wrong with the interface and what to run), else a short
// English text for the status. Thread-safe.
class ErrorText {
public:
    // Returns `status`, keeping `message` for it (an empty message drops the one kept before).
    static pcan::Status refuse(pcan::Status status, const std::string& message = {});

    // Copies the text for `status` into `buffer` (at most 255 characters and the NUL);
    // PCAN_ERROR_ILLPARAMVAL when the status has no text (the buffer then names its code).
    static pcan::Status copy(pcan::Status status, char* buffer);

    // The short text of a status; nullptr for a status without one.
    static const char* standard(pcan::Status status);
};

} // namespace socketcan
