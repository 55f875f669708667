#pragma once

#include "errorlog/ErrorLogDescriptor.h"
#include "errorlog/ErrorLogStatus.h"
#include "sensor/SensorInfo.h"

#include <cstdint>
#include <string>

namespace veldris {

// The sensor description file "canopen.dev": INI text, every byte XORed with
// descriptionFileMask, one section per sensor model. A section describes the model whose UID is
// "0x" followed by the section name from its third character on; its keys say where the error
// log lies in the SDO-mapped memory and how its entries read (docs/description-file.md).

inline constexpr const char* descriptionFileName = "canopen.dev";

// The INI text of a description file's bytes.
std::string unscrambleDescription(const std::string& bytes);

// The name of the section for `uid` in the INI text; empty when none matches. The first two
// characters of a name are not compared, the rest exactly (letter case included); of several
// matching sections the last one the INI facility lists wins. Writes "closest ui: " and the
// name as a diagnostic line.
std::string findModelSection(const std::string& iniText, const std::string& uid);

// The 256-byte memory blocks (objects 0x2800 + block) that hold the log area: from the block
// holding `virtaddr` up to, not including, the block of virtaddr + pagesize × pagecnt, each
// taken as bits 8..15 of its 32-bit address. No block when the end is not above the first.
struct BlockRange {
    int first = 0;
    int end = 0;
};
BlockRange blockRange(std::uint32_t virtaddr, std::uint32_t pagesize, std::uint32_t pagecnt);

// What the readout needs of the description of the connected sensor's model.
struct Description {
    ErrorLogStatus status = ErrorLogStatus::Ok; // ConfigMissing: the file cannot be read; Missing: no
                                                // section for the UID; NotValid: a key missing, not a
                                                // number, or a pattern that is not 8 valid letters
    std::string problem;                        // what exactly, for the diagnostic log and the command-line tool
    ErrorLogDescriptor descriptor;
    BlockRange blocks;
};

// Reads the description of `sensor`'s model from the file at `path` and fills the descriptor
// from it and from the sensor's identity (whose item and serial numbers are decimal texts).
Description loadDescription(const std::string& path, const SensorInfo& sensor);

} // namespace veldris
