#include "editors/page_factory.h"

#include "editors/contacts_view.h"
#include "editors/radio_info_view.h"
#include "editors/tree_view.h"

namespace vex::gui {

CBaseView* CreatePage(CVEXPRGDoc* document, std::uint32_t nodeData, QWidget* parent) {
    const int kind = NodeKind(nodeData);
    const int index = NodeIndex(nodeData);
    switch (kind) {
        case node::kContacts:
            return new CContactsView(document, kind, index, parent);
        default:
            return new CRadioInfoView(document, kind, index, parent);
    }
}

}  // namespace vex::gui
