#include "editors/page_factory.h"

#include "editors/contact_page.h"
#include "editors/contacts_view.h"
#include "editors/lists_view.h"
#include "editors/private_group_view.h"
#include "editors/private_view.h"
#include "editors/public_group_view.h"
#include "editors/radio_info_view.h"
#include "editors/settings_view.h"
#include "editors/text_messages_view.h"
#include "editors/tree_view.h"

namespace vex::gui {

CBaseView* CreatePage(CVEXPRGDoc* document, std::uint32_t nodeData, QWidget* parent) {
    const int kind = NodeKind(nodeData);
    const int index = NodeIndex(nodeData);
    switch (kind) {
        case node::kSettings:
            return new CSettingsView(document, kind, index, parent);
        case node::kTextMessages:
            return new CTextMessagesView(document, kind, index, parent);
        case node::kTextMessage:
            return new CTextMessageView(document, kind, index, parent);
        case node::kContacts:
            return new CContactsView(document, kind, index, parent);
        case node::kLists:
            return new CListsView(document, kind, index, parent);
        case node::kScrollList:
            return new CScrollListView(document, kind, index, parent);
        case node::kScanList:
            return new CScanListView(document, kind, index, parent);
        case node::kScanChannel:
            return new CScanChannelView(document, kind, index, parent);
        case node::kPublicGroups:
            return new CPublicGroupsView(document, kind, index, parent);
        case node::kPrivates:
            return new CPrivatesView(document, kind, index, parent);
        case node::kPrivateGroups:
            return new CPrivateGroupsView(document, kind, index, parent);
        case node::kPublicGroup:
            return new CPublicGroupView(document, kind, index, parent);
        case node::kPrivate:
            return new CPrivateView(document, kind, index, parent);
        case node::kPrivateGroup:
            return new CPrivateGroupView(document, kind, index, parent);
        default:
            return new CRadioInfoView(document, kind, index, parent);
    }
}

}  // namespace vex::gui
