#include "app/FailureMessage.h"

#include "canopen/AbortCodes.h"
#include "canopen/SdoResult.h"
#include "common/NumberText.h"
#include "common/Translations.h"
#include "sensor/SensorConnection.h"

namespace {

QString translated(const char* source)
{
    return QString::fromStdString(veldris::translations().translate(source));
}

QString abortText(std::uint32_t code)
{
    return QString::asprintf("0x%08X ", code) + "(" + translated(veldris::abortCodeText(code)) + ")";
}

} // namespace

QString failureMessage(const std::string& node, const veldris::SdoResult& result)
{
    const QString nodeText = QString::fromStdString(node);
    const QString object = QString::fromStdString(result.object.text());
    if (veldris::answeredAsForeignDevice(result)) {
        const QString why = result.aborted() ? abortText(result.abortCode) : QString::asprintf("0x%02X", result.command);
        return translated("Node %1 is not a sensor of this family: it answered the read of its UID %2 with %3.")
            .arg(nodeText, object, why);
    }
    switch (result.kind) {
    case veldris::SdoResult::Kind::Aborted:
        return translated("Node %1 refused the access to %2: %3").arg(nodeText, object, abortText(result.abortCode));
    case veldris::SdoResult::Kind::NoAnswer:
        return translated("Node %1 did not answer for %2.").arg(nodeText, object);
    default:
        return translated("Node %1 gave no value for %2: %3").arg(nodeText, object, QString::fromStdString(result.failure()));
    }
}

QString numberRefusalMessage(const QString& typed, const veldris::NumberRange& range, const char* object)
{
    return translated("'%1' is not sent: %2 takes a whole number from %3 (decimal, or hexadecimal with 0x).")
        .arg(typed, QString::fromLatin1(object), QString::fromStdString(range.text()));
}
