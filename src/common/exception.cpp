#include "common/exception.h"

#include <string>

namespace vex {

CVEXPRGException::CVEXPRGException(int messageId, std::string_view function, int line,
                                   std::string_view detail)
    : m_nMessageId(messageId) {
    AddContext(function, line, detail);
}

void CVEXPRGException::AddContext(std::string_view function, int line, std::string_view detail) {
    m_strContext += "\n(";
    m_strContext += function;
    m_strContext += ':';
    m_strContext += std::to_string(line);
    m_strContext += ") ";
    m_strContext += detail;
}

}  // namespace vex
