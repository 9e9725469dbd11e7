#pragma once

// CContactsView: the read-only summary of the Contacts node: how many contacts of each kind the
// profile holds against the model's limits.

#include <array>

#include "editors/base_view.h"

namespace vex::gui {

class CContactsView : public CBaseView {
    Q_OBJECT

  public:
    CContactsView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);

    void LoadLabels() override;
    void LoadData() override;

    // Maximum contacts, private groups, public groups, privates; current contacts, private
    // groups, public groups, privates.
    static std::array<std::int64_t, 8> Counts(const CDataItem& root);
};

}  // namespace vex::gui
