#pragma once

// Folders, fixture files and byte strings as the link, codeplug and virtual radio tests handle
// them.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "codeplug/radio_forms.h"
#include "support/files.h"

namespace vex::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vextest-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

  private:
    std::filesystem::path m_path;
};

// Points XDG_RUNTIME_DIR at a fresh folder of its own while it lives; children inherit it.
class RuntimeFolder : public TempFolder {
  public:
    RuntimeFolder() {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) m_old = old;
        setenv("XDG_RUNTIME_DIR", Path().c_str(), 1);
    }
    ~RuntimeFolder() {
        if (m_old) {
            setenv("XDG_RUNTIME_DIR", m_old->c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }

  private:
    std::optional<std::string> m_old;
};

// The whole of fixtures/<name> beside the test source `testFile` (pass __FILE__), byte for byte.
inline std::string Fixture(const char* testFile, const std::string& name) {
    const auto path = std::filesystem::path(testFile).parent_path() / "fixtures" / name;
    std::string text = ReadAll(path);
    EXPECT_FALSE(text.empty()) << path;
    return text;
}

// The lines of a fixture, but for blank ones and '#' comments.
inline std::vector<std::string> FixtureLines(const char* testFile, const std::string& name) {
    std::istringstream in(Fixture(testFile, name));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    }
    return lines;
}

inline Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace vex::test
