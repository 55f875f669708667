#include "app/FailureMessage.h"

#include "canopen/AbortCodes.h"
#include "canopen/SdoResult.h"
#include "common/NumberText.h"
#include "common/Translations.h"
#include "sensor/SensorConnection.h"

namespace {

QString translated(const veldris::Translations& texts, const char* source)
{
    return QString::fromStdString(texts.translate(source));
}

QString abortText(const veldris::Translations& texts, std::uint32_t code)
{
    return QString::asprintf("0x%08X ", code) + "(" + translated(texts, veldris::abortCodeText(code)) + ")";
}

} // namespace

QString failureMessage(const veldris::Translations& texts, const std::string& node, const veldris::SdoResult& result)
{
    const QString nodeText = QString::fromStdString(node);
    const QString object = QString::fromStdString(result.object.text());
    if (veldris::answeredAsForeignDevice(result)) {
        const QString why = result.aborted() ? abortText(texts, result.abortCode) : QString::asprintf("0x%02X", result.command);
        return translated(texts, "Node %1 is not a sensor of this family: it answered the read of its UID %2 with %3.")
            .arg(nodeText, object, why);
    }
    switch (result.kind) {
    case veldris::SdoResult::Kind::Aborted:
        return translated(texts, "Node %1 refused the access to %2: %3")
            .arg(nodeText, object, abortText(texts, result.abortCode));
    case veldris::SdoResult::Kind::NoAnswer: return translated(texts, "Node %1 did not answer for %2.").arg(nodeText, object);
    default:
        return translated(texts, "Node %1 gave no value for %2: %3")
            .arg(nodeText, object, QString::fromStdString(result.failure()));
    }
}

QString numberRefusalMessage(const veldris::Translations& texts, const QString& typed, const veldris::NumberRange& range,
                             const char* object)
{
    return translated(texts, "'%1' is not sent: %2 takes a whole number from %3 (decimal, or hexadecimal with 0x).")
        .arg(typed, QString::fromLatin1(object), QString::fromStdString(range.text()));
}
