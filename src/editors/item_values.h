#pragma once

// Typed attribute values of data items as the pages show them.

#include <QString>
#include <cstdint>
#include <string_view>

#include "model/data_item.h"

namespace vex::gui {

// The value as text: numbers in decimal, a flag as "1" or "0".
QString ValueText(const AttributeValue& value);
// The value as a number: a flag is 1 or 0; a text is read as a decimal number (0 when it is not).
std::int64_t ValueNumber(const AttributeValue& value);

QString AttributeText(const CDataItem& item, std::string_view name);
std::int64_t AttributeNumber(const CDataItem& item, std::string_view name);
bool AttributeFlag(const CDataItem& item, std::string_view name);

}  // namespace vex::gui
