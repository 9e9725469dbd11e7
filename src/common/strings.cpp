#include "common/strings.h"

#include <algorithm>
#include <array>

namespace vex {

namespace {

// Sorted by id.
constexpr std::array kStrings = {
    StringEntry{101, "Fatal error: 101."},
    StringEntry{102, "Fatal error: 102.\nPlease uninstall and re-install VEX480 PRG."},
    StringEntry{105, "Invalid profile."},
    StringEntry{106, "Unknown Error"},
    StringEntry{107, "Programing error: 107."},
    StringEntry{108, "Programing error: 108."},
};

}  // namespace

std::span<const StringEntry> AllStrings() noexcept { return kStrings; }

std::string_view StringText(int id) noexcept {
    const auto it = std::lower_bound(kStrings.begin(), kStrings.end(), id,
                                     [](const StringEntry& e, int key) { return e.id < key; });
    return it != kStrings.end() && it->id == id ? it->text : std::string_view{};
}

bool HasString(int id) noexcept { return !StringText(id).empty(); }

}  // namespace vex
