#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace vex {

// The program's exception for data-model, document and report failures.
//
// It carries a message id (a string-table id: the text the user is shown) and a context text that
// collects one trace line per layer it passes, each formatted "\n(%s:%d) %s" from a function name,
// a source line and a detail. The layer that raises it adds the first line; a layer that catches it
// adds its own line ("Exception Catched" or "Exception Caught") and raises it again; the command
// that started the work shows the text of the message id.
class CVEXPRGException : public std::exception {
  public:
    CVEXPRGException(int messageId, std::string_view function, int line, std::string_view detail);

    int MessageId() const noexcept { return m_nMessageId; }
    const std::string& Context() const noexcept { return m_strContext; }

    // Appends "\n(function:line) detail" to the context.
    void AddContext(std::string_view function, int line, std::string_view detail);

    // The context text (the trace lines), for logs; the user sees the message id's text.
    const char* what() const noexcept override { return m_strContext.c_str(); }

  private:
    int m_nMessageId;
    std::string m_strContext;
};

}  // namespace vex
