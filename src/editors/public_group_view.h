#pragma once

// CPublicGroupView: the page of one public group: its name, its channel and its ID, which is a
// position in the model's fixed pool of public-group IDs (counting down from
// starting_public_grp_pid). The ID list marks the positions other groups hold with "x".

#include "editors/contact_page.h"

class QComboBox;

namespace vex::gui {

class CPublicGroupView : public CContactItemView {
    Q_OBJECT

  public:
    CPublicGroupView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);

    void LoadLabels() override;
    void LoadData() override;
    int ValidateData() override;

    // The handlers of the two combo boxes (selection index).
    void OnChannelChanged(int selection);
    void OnIdChanged(int selection);

    // The ID list's text of pool position `position`: "x  %d" when taken, else "   %d".
    static QString PositionText(int position, bool taken);

  private:
    QComboBox* m_channel;
    QComboBox* m_id;
    int m_channelSelection = -1;
    int m_idSelection = -1;
};

}  // namespace vex::gui
