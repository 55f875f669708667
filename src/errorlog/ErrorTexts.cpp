#include "errorlog/ErrorTexts.h"

namespace veldris {

namespace {

// Spelled exactly as the sensor family's own documents spell them ("untersützte" included), so
// a row reads the same as in every other tool of the family.
constexpr std::array<std::string_view, errorTextCount> texts = {
    "Bilineare Interp. Init.", // 1
    "Bilineare Interpolation",
    "Bilineare Interp. neg. Limit",
    "Kalibrierung fehlerhaft",
    "Datenbereichsverletzung", // 5
    "Messbereichsgrenze",
    "LSB Offset",
    "LSB physikalisches Format",
    "Überlast",
    "Stacküberlauf", // 10
    "Unterlast",
    "Unterlast Vorwarnung",
    "Nicht untersützte Konfiguration",
    "Destination Address",
    "Spannung: 3V3", // 15
    "Spannung: 5V",
    "Spannung: 6V",
    "ADC Kanal 1",
    "ADC Kanal 2",
    "ADC Rückmessung", // 20
    "ADC0",
    "ADC1",
    "Vorverstärker",
    "Winkeldifferenz",
    "Brückendifferenz", // 25
    "Brückendifferenz Vorwarnung",
    "Brückenversatz",
    "Stromausgang",
    "DAC",
    "NVData-Checksumme", // 30
    "NVData-Checksumme (COM)",
    "Linearisierungsdaten",
    "Maximaldruck",
    "MEMS Winkelsensor Kanal 1",
    "MEMS Winkelsensor Kanal 2", // 35
    "MEMS Neustart fehlgeschlagen",
    "Minimaldruck",
    "Flash-Checksumme",
    "Stromrückmessung",
    "SDADC", // 40
    "Temp.Sensor Diff. Vorwarnung",
    "Externer Temp.Sensor",
    "Interner Temp.Sensor",
    "Temp.Sensor Diff.",
    "Temp.Sensor Limits", // 45
    "Temp.Sensor Lesen",
    "Spannung: VCC Core",
    "Spannung: VCC IO",
    "Spannung: VDD",
    "Spannung: VREF", // 50
    "LSB Tara",
    "LSB Applikationswatchdog",
    "LSB Synchronisierung",
    "Simulierter Fehler", // 54
};

constexpr std::string_view percent = "%";
constexpr std::string_view digits = "Digits";
constexpr std::string_view degrees = "°C";

// The unit the firmware states each error's value in; most errors carry no unit.
constexpr std::array<std::string_view, errorTextCount> units = {
    "",      "",      "", "",      "",      "",      "",     "",     percent, "",     // 1..10
    percent, percent, "", "",      digits,  digits,  digits, "",     "",      "",     // 11..20
    "",      "",      "", percent, percent, percent, digits, "",     "",      "",     // 21..30
    "",      "",      "", "",      "",      "",      "",     "",     "",      "",     // 31..40
    degrees, "",      "", degrees, degrees, "",      digits, digits, digits,  digits, // 41..50
    "",      "",      "", "",                                                         // 51..54
};

bool isKnown(std::int32_t errorNumber)
{
    return errorNumber >= 1 && errorNumber <= errorTextCount;
}

std::string unknownText(std::int32_t number)
{
    return "Unbekannter Fehler " + std::to_string(number);
}

} // namespace

const std::array<std::string_view, errorTextCount>& errorTextTable()
{
    return texts;
}

std::string errorText(std::int32_t errorNumber)
{
    if (!isKnown(errorNumber))
        return unknownText(errorNumber);
    return std::string(texts[static_cast<std::size_t>(errorNumber - 1)]);
}

std::string_view errorUnit(std::int32_t errorNumber)
{
    if (!isKnown(errorNumber))
        return {};
    return units[static_cast<std::size_t>(errorNumber - 1)];
}

SpecialEntryFormat specialEntryFormat(std::int32_t specialNumber)
{
    // Special numbers have no unit table: their format is fixed here, the percentage sign of
    // over and under range follows the number directly.
    switch (specialNumber) {
    case 201: return {"OVER RANGE", 2, 1, percent};
    case 202: return {"UNDER RANGE", 2, 1, percent};
    case 203: return {"START UP", 3, 0, {}};
    default: return {unknownText(specialNumber), 0, 0, {}};
    }
}

} // namespace veldris
