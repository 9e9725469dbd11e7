#pragma once

// CRadioInfoView: the read-only page of the radio's own information (its private ID, the name the
// profile lists it under, the firmware and codeplug versions). The first page of every profile
// window.

#include "editors/base_view.h"

namespace vex::gui {

class CRadioInfoView : public CBaseView {
    Q_OBJECT

  public:
    CRadioInfoView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);

    void LoadLabels() override;
    void LoadData() override;

    // The texts the page shows, for a profile root: "R5E.05.00" and "CP03.10.05" forms, and the
    // name of the own private (the unit ID itself while it is unread, "XXXXXXXXXXX" when no
    // private carries it).
    static QString FirmwareVersionText(const CDataItem& version);
    static QString CodeplugVersionText(const CDataItem& version);
    static QString OwnNameText(const CDataItem& root, const QString& unitPid);
};

}  // namespace vex::gui
