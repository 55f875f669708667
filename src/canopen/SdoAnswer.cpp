#include "canopen/SdoAnswer.h"

#include "canopen/SdoProtocol.h"

namespace veldris {

SdoAnswer SdoAnswer::of(const CanFrame& answer)
{
    SdoAnswer result;
    result.command = answer.data[0];
    result.value = answer.value();
    switch (result.command) {
    case sdo::noAnswer: result.kind = Kind::NoAnswer; break;
    case sdo::downloadConfirmed: result.kind = Kind::Confirmed; break;
    case sdo::abort: result.kind = Kind::Aborted; break;
    case sdo::uploaded1: result.kind = Kind::Uploaded; result.size = 1; break;
    case sdo::uploaded2: result.kind = Kind::Uploaded; result.size = 2; break;
    case sdo::uploaded3: result.kind = Kind::Uploaded; result.size = 3; break;
    case sdo::uploaded4: result.kind = Kind::Uploaded; result.size = 4; break;
    default: result.kind = Kind::Other; break;
    }
    return result;
}

} // namespace veldris
