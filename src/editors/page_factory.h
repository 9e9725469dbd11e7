#pragma once

#include <cstdint>

class QWidget;

namespace vex::gui {

class CBaseView;
class CVEXPRGDoc;

// The editor page of a navigation-tree node (its item data: kind | index << 16). Nodes without a
// page of their own show the radio information page.
CBaseView* CreatePage(CVEXPRGDoc* document, std::uint32_t nodeData, QWidget* parent);

}  // namespace vex::gui
