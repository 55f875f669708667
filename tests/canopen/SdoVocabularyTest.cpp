// The protocol's vocabulary: how an answer is classified, the CiA 301 abort texts and the adapter
// status texts of the diagnostic log (bus off: BusOwnerTest). The bit-rate table is used by every
// test on the simulated bus, which hears nothing at another bit rate.

#include "can/StatusText.h"
#include "canopen/AbortCodes.h"
#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoResult.h"
#include "common/NumberText.h"

#include <gtest/gtest.h>

using namespace veldris;
using Kind = SdoResult::Kind;

// One table of answers to a read and to a download of 0x1017:00: only an upload answer to a
// read carries a value, and only its bytes of the size it declares; an abort carries its code;
// an answer of the wrong kind for the request, or none, carries nothing.
TEST(SdoResult, OnlyAnUploadAnswerToAReadIsAValue)
{
    struct Row {
        bool read;
        ExchangeStatus status;
        std::uint8_t command;
        Kind kind;
        std::uint8_t size;
        std::uint32_t value;
        std::uint32_t abortCode;
    };
    const Row rows[] = {
        {true, ExchangeStatus::Answered, 0x43, Kind::Uploaded, 4, 0x06020011, 0},
        {true, ExchangeStatus::Answered, 0x47, Kind::Uploaded, 3, 0x020011, 0},
        {true, ExchangeStatus::Answered, 0x4B, Kind::Uploaded, 2, 0x0011, 0},
        {true, ExchangeStatus::Answered, 0x4F, Kind::Uploaded, 1, 0x11, 0},
        {true, ExchangeStatus::Answered, 0x80, Kind::Aborted, 0, 0, 0x06020011},
        {true, ExchangeStatus::Answered, 0x60, Kind::Unexpected, 0, 0, 0}, // a confirmation is no value
        {true, ExchangeStatus::Answered, 0x41, Kind::Unexpected, 0, 0, 0}, // segmented: not expedited
        {false, ExchangeStatus::Answered, 0x60, Kind::Confirmed, 0, 0, 0},
        {false, ExchangeStatus::Answered, 0x43, Kind::Unexpected, 0, 0, 0}, // an upload answer to a download
        {false, ExchangeStatus::Answered, 0x80, Kind::Aborted, 0, 0, 0x06020011},
        {true, ExchangeStatus::NoAnswer, 0x00, Kind::NoAnswer, 0, 0, 0},
        {true, ExchangeStatus::Busy, 0x00, Kind::Busy, 0, 0, 0},
        {true, ExchangeStatus::Stopped, 0x00, Kind::Stopped, 0, 0, 0},
        {false, ExchangeStatus::WriteRefused, 0x00, Kind::NotSent, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.read << " " << int(row.command) << " " << int(row.status));
        const CanFrame request = row.read ? requests::readHeartbeat(5) : requests::writeHeartbeat(5, 7);
        Exchange exchange;
        exchange.status = row.status;
        exchange.answer.identifier = 0x585;
        exchange.answer.data[0] = row.command;
        exchange.answer.data[4] = 0x11; // an abort code's bytes, or a value's
        exchange.answer.data[6] = 0x02;
        exchange.answer.data[7] = 0x06;
        const SdoResult result = SdoResult::of(request, exchange);
        EXPECT_EQ(result.kind, row.kind);
        EXPECT_EQ(result.size, row.size);
        EXPECT_EQ(result.value, row.value);
        EXPECT_EQ(result.abortCode, row.abortCode);
        EXPECT_EQ(result.object.text(), "0x1017:00");
        EXPECT_EQ(result.failure().empty(), row.kind == Kind::Uploaded || row.kind == Kind::Confirmed);
    }
    SdoResult four;
    four.kind = Kind::Uploaded;
    four.size = 4;
    four.value = 250;
    EXPECT_EQ(four.expectSize(2).kind, Kind::Unexpected) << "a heartbeat time answered with four bytes";
    EXPECT_EQ(four.value, 0u);
}

// One table of number texts against the ranges of the input paths: a whole decimal or 0x/0X
// hexadecimal number inside the range, or a refusal that says why.
TEST(NumberText, ReadWholeAndInsideTheRange)
{
    const NumberRange u16 = NumberRange::unsignedBytes(2);
    const NumberRange any16 = NumberRange::anyBytes(2);
    const NumberRange i8 = NumberRange::signedBytes(1);
    struct Row {
        const char* text;
        NumberRange range;
        NumberReading::Problem problem;
        std::uint32_t bits;
    };
    using P = NumberReading::Problem;
    const Row rows[] = {
        {"500", u16, P::None, 500},
        {"0x20", u16, P::None, 32},
        {"0X10", u16, P::None, 16},
        {" 65535\r", u16, P::None, 65535},
        {"70000", u16, P::OutOfRange, 0},
        {"0x10000", u16, P::OutOfRange, 0},
        {"12abc", u16, P::NotANumber, 0},
        {"", u16, P::NotANumber, 0},
        {"-5", u16, P::NotANumber, 0},
        {"+5", u16, P::NotANumber, 0},
        {"0x", u16, P::NotANumber, 0},
        {"1 2", u16, P::NotANumber, 0},
        {"99999999999999999999999", u16, P::OutOfRange, 0},
        {"-1", any16, P::None, 0xFFFFFFFF},
        {"-32768", any16, P::None, 0xFFFF8000},
        {"-32769", any16, P::OutOfRange, 0},
        {"-0x7f", i8, P::None, 0xFFFFFF81},
        {"128", i8, P::OutOfRange, 0},
        {"4294967295", NumberRange::unsignedBytes(4), P::None, 0xFFFFFFFF},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const NumberReading reading = readNumberText(row.text, row.range);
        EXPECT_EQ(reading.problem, row.problem);
        if (reading.ok()) {
            EXPECT_EQ(reading.bits(), row.bits);
        }
    }
    EXPECT_EQ(numberRefusal("70000", readNumberText("70000", u16), u16), "'70000' is out of range (0..65535)");
}

// The texts of the diagnostic log: a listed abort code's text in its description, a code that
// CiA 301 does not list, every status bit named and the handle field left as a number.
TEST(StatusAndAbortTexts, ListedAndUnlisted)
{
    EXPECT_EQ(abortDescription(0x06090011), "0x06090011 (Sub-index does not exist.)");
    EXPECT_STREQ(abortCodeText(0x12345678), "Unknown abort code");
    EXPECT_EQ(statusText(pcan::errorIllHw), "0x01400 (no such hardware)");
    EXPECT_EQ(statusText(pcan::errorXmtFull | pcan::errorBusHeavy), "0x00009 (transmit buffer full, bus heavy)");
    EXPECT_EQ(statusText(0x80000000u), "0x80000000");
}
