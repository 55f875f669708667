#pragma once

#include <QString>

#include <string>

namespace veldris {
class Translations;
struct NumberRange;
struct SdoResult;
}

// The window's messages for what a sensor gave instead of a value or a confirmation, and for a
// number the user typed that its object does not take; translated, with the node, the object
// and the abort code and its text, in the language of `texts`.
QString failureMessage(const veldris::Translations& texts, const std::string& node, const veldris::SdoResult& result);
QString numberRefusalMessage(const veldris::Translations& texts, const QString& typed, const veldris::NumberRange& range,
                             const char* object);
