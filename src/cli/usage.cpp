#include "cli/usage.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <string_view>

namespace vex::cli {

namespace {

std::size_t Distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string DidYouMean(const std::string& word, const std::vector<std::string>& candidates) {
    const std::string* best = nullptr;
    std::size_t bestDistance = 0;
    for (const std::string& candidate : candidates) {
        const std::size_t d = Distance(word, candidate);
        if (best == nullptr || d < bestDistance) {
            best = &candidate;
            bestDistance = d;
        }
    }
    if (best == nullptr || bestDistance > std::max<std::size_t>(2, word.size() / 3)) return "";
    return "; did you mean '" + *best + "'?";
}

std::string UsageMessage(const CLI::ParseError& error) {
    const std::string text = error.what();
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        const auto colon = text.find(':');
        if (colon != std::string::npos) return text.substr(0, colon) + " needs a value";
    }
    // Every option of the tools takes its value as text, so only a flag given a value
    // ("--quiet=x") fails to convert: "Could not convert: --quiet = x".
    constexpr std::string_view kConvert = "Could not convert: ";
    if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr &&
        text.rfind(kConvert, 0) == 0) {
        const std::string name = text.substr(kConvert.size(), text.find(" = ") - kConvert.size());
        return name + " takes no value";
    }
    return text;
}

int UsageFailure(const std::string& command, const std::string& message,
                 const std::string& program) {
    const std::string who = program + (command.empty() ? "" : " " + command);
    std::fprintf(stderr, "%s: %s\ntry '%s --help'\n", who.c_str(), message.c_str(), who.c_str());
    return kExitUsage;
}

}  // namespace vex::cli
