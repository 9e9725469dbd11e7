#include "editors/item_values.h"

#include "app/gui_support.h"

namespace vex::gui {

QString ValueText(const AttributeValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return Qs(*text);
    if (const auto* flag = std::get_if<bool>(&value))
        return *flag ? QStringLiteral("1") : QStringLiteral("0");
    return QString::number(ValueNumber(value));
}

std::int64_t ValueNumber(const AttributeValue& value) {
    if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
    if (const auto* unsignedNumber = std::get_if<std::uint32_t>(&value)) return *unsignedNumber;
    if (const auto* flag = std::get_if<bool>(&value)) return *flag ? 1 : 0;
    bool ok = false;
    const qlonglong parsed = Qs(std::get<std::string>(value)).toLongLong(&ok);
    return ok ? parsed : 0;
}

QString AttributeText(const CDataItem& item, std::string_view name) {
    return ValueText(item.GetAttributeValue(name));
}

std::int64_t AttributeNumber(const CDataItem& item, std::string_view name) {
    return ValueNumber(item.GetAttributeValue(name));
}

bool AttributeFlag(const CDataItem& item, std::string_view name) {
    return ValueNumber(item.GetAttributeValue(name)) != 0;
}

}  // namespace vex::gui
