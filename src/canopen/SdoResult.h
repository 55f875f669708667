#pragma once

#include "can/CanFrame.h"
#include "can/PcanBasicTypes.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace veldris {

class CanOpenClient;
struct Exchange;

// An object dictionary entry, written 0xIIII:SS in messages.
struct SdoObject {
    std::uint16_t index = 0;
    std::uint8_t subIndex = 0;

    static SdoObject of(const CanFrame& request);
    std::string text() const; // "0x1017:00"
};

// How one expedited SDO exchange ended. Only an upload answer for the object asked for carries
// a value: an abort's code, an answer of another kind or the bytes of a frame that did not come
// are never read as one.
struct SdoResult {
    enum class Kind {
        Uploaded,   // an expedited upload answer (0x43, 0x47, 0x4B, 0x4F) to a read: `value` of `size` bytes
        Confirmed,  // 0x60 to a download
        Aborted,    // 0x80: the server refused; `abortCode`
        Unexpected, // an answer for the object that is neither of the above for this request (`command`),
                    // or an upload of another size than the object has
        NoAnswer,   // nothing came before the time-out
        NotSent,    // the adapter refused the request frame (`adapterStatus`)
        Busy,       // another operation holds the bus; nothing was sent
        Stopped,    // a stop was asked for
    };

    Kind kind = Kind::NoAnswer;
    SdoObject object;
    std::uint8_t command = 0;              // data byte 0 of the answer; 0 without one
    std::uint8_t size = 0;                 // Uploaded: 1..4
    std::uint32_t value = 0;               // Uploaded: the value, least significant byte first; else 0
    std::array<std::uint8_t, 4> bytes{};   // Uploaded: data bytes 4 up to 4 + size as they came; else 0
    std::uint32_t abortCode = 0;           // Aborted only
    pcan::Status adapterStatus = pcan::ok; // NotSent only
    // Transfers of any length (sdoUpload, sdoDownload):
    std::vector<std::uint8_t> data; // Uploaded: every byte of the value, expedited or segmented
    bool segmented = false;         // the server answered with a segmented transfer
    std::string protocolFault;      // Unexpected: what broke the transfer ("a segment with the wrong toggle bit")
    std::uint32_t abortSent = 0;    // the abort code the client sent to end a broken transfer; 0: none

    // The exchange of `request` as it ended.
    static SdoResult of(const CanFrame& request, const Exchange& exchange);

    bool uploaded() const { return kind == Kind::Uploaded; }
    bool confirmed() const { return kind == Kind::Confirmed; }
    bool aborted() const { return kind == Kind::Aborted; }
    // Whether the server said anything for the object (an abort or an unexpected answer too).
    bool answered() const
    {
        return kind == Kind::Uploaded || kind == Kind::Confirmed || kind == Kind::Aborted || kind == Kind::Unexpected;
    }
    // The request never reached the bus: the adapter refused it (bus off) or another operation
    // held the bus. Asking again, or asking the next node, changes nothing.
    bool notAsked() const { return kind == Kind::NotSent || kind == Kind::Busy; }
    // An upload of another size becomes Unexpected: the object has `bytes` bytes.
    SdoResult& expectSize(std::uint8_t bytes);

    // What went wrong, for messages after "node N ": "aborted 0x1017:00 with 0x06020000 (Object
    // does not exist in the object dictionary.)", "did not answer 0x1017:00", ...; empty for an
    // upload or a confirmation. A transfer the client aborted adds "; the transfer was aborted
    // with 0x05030000".
    std::string failure() const;

private:
    std::string failureWithoutAbort() const;
};

// One expedited SDO exchange of `request` (a read or a download) on the client.
SdoResult sdoExchange(CanOpenClient& client, const CanFrame& request, std::uint32_t timeoutMs);

} // namespace veldris
