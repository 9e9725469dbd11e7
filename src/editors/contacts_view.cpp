#include "editors/contacts_view.h"

#include <QLineEdit>

#include "app/gui_support.h"
#include "editors/item_values.h"
#include "ui_contacts_view.h"

namespace vex::gui {

namespace {

// Label id, field id, in the order of Counts().
constexpr std::array<std::pair<int, int>, 8> kRows = {{{1040, 1048},
                                                       {1041, 1004},
                                                       {1042, 1006},
                                                       {1043, 1008},
                                                       {1044, 1003},
                                                       {1045, 1005},
                                                       {1046, 1007},
                                                       {1047, 1009}}};

}  // namespace

CContactsView::CContactsView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : CBaseView(document, kind, index, parent) {
    Ui::ContactsView ui;
    ui.setupUi(Form());
    SetLayoutTable({{1039, LayoutKind::Title}});
}

void CContactsView::LoadLabels() {
    Control(1039)->setProperty("text", Text(10043));
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        Control(kRows[i].first)->setProperty("text", Text(10044 + static_cast<int>(i)));
    }
}

std::array<std::int64_t, 8> CContactsView::Counts(const CDataItem& root) {
    const CDataItem limit = root.GetChildByName("limit");
    const CDataItem contacts = root.GetChildByName("Contacts");
    const std::int64_t privateGroups = contacts.GetChildByName("PrivateGroups").GetChildCount();
    const std::int64_t publicGroups = contacts.GetChildByName("PublicGroups").GetChildCount();
    const std::int64_t privates = contacts.GetChildByName("Privates").GetChildCount();
    const std::int64_t maxContacts = AttributeNumber(limit, "max_num_of_contacts");
    return {maxContacts,
            AttributeNumber(limit, "max_num_of_private_grps"),
            AttributeNumber(limit, "max_num_of_public_grps"),
            maxContacts,
            privates + privateGroups + publicGroups,
            privateGroups,
            publicGroups,
            privates};
}

void CContactsView::LoadData() {
    const auto counts = Counts(Root());
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        ControlAs<QLineEdit>(kRows[i].second)->setText(QString::number(counts[i]));
    }
}

}  // namespace vex::gui
