#include "editors/radio_info_view.h"

#include <QLabel>
#include <QLineEdit>

#include "app/gui_support.h"
#include "common/exception.h"
#include "editors/item_values.h"
#include "ui_radio_info_view.h"

namespace vex::gui {

namespace {

constexpr char kUnreadPid[] = "XXXXXXXXXXX";

}  // namespace

CRadioInfoView::CRadioInfoView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : CBaseView(document, kind, index, parent) {
    Ui::RadioInfoView ui;
    ui.setupUi(Form());
    SetLayoutTable({{1013, LayoutKind::Title}});
}

void CRadioInfoView::LoadLabels() {
    const QString colon = Text(202);
    Control(1013)->setProperty("text", Text(10056));
    Control(1001)->setProperty("text", Text(10057) + colon);
    Control(1002)->setProperty("text", Text(175) + colon);
    Control(1003)->setProperty("text", Text(10059) + colon);
    Control(1004)->setProperty("text", Text(10060) + colon);
}

QString CRadioInfoView::FirmwareVersionText(const CDataItem& version) {
    return AttributeText(version, "firmware_phase") +
           QString::asprintf("%02llX.%02lld.%02lld",
                             static_cast<long long>(AttributeNumber(version, "firmware_release")),
                             static_cast<long long>(AttributeNumber(version, "firmware_version")),
                             static_cast<long long>(AttributeNumber(version, "firmware_revision")))
               .left(127);
}

QString CRadioInfoView::CodeplugVersionText(const CDataItem& version) {
    return QString::asprintf(
               "CP%02llX.%02llX.%02llX",
               static_cast<long long>(AttributeNumber(version, "codeplug_structure")),
               static_cast<long long>(AttributeNumber(version, "codeplug_version")),
               static_cast<long long>(AttributeNumber(version, "codeplug_dev_version")))
        .left(127);
}

QString CRadioInfoView::OwnNameText(const CDataItem& root, const QString& unitPid) {
    if (unitPid.contains(QLatin1Char('X'))) return unitPid;
    const CDataItem privates = root.GetChildByName("Contacts").GetChildByName("Privates");
    const std::int32_t count = privates.GetChildCount();
    for (std::int32_t i = 0; i < count; ++i) {
        const CDataItem contact = privates.GetChildByIndex(i);
        if (AttributeText(contact, "pid") == unitPid) return AttributeText(contact, "name");
    }
    return QString::fromLatin1(kUnreadPid);
}

void CRadioInfoView::LoadData() {
    try {
        const CDataItem& root = Root();
        const QString pid = AttributeText(root.GetChildByName("limit"), "pid");
        const CDataItem version = root.GetChildByName("version");
        ControlAs<QLineEdit>(1066)->setText(pid);
        ControlAs<QLineEdit>(1010)->setText(FirmwareVersionText(version));
        ControlAs<QLineEdit>(1012)->setText(CodeplugVersionText(version));
        ControlAs<QLineEdit>(1011)->setText(OwnNameText(root, pid));
    } catch (CVEXPRGException& error) {
        error.AddContext("CRadioInfoView::LoadData", __LINE__, Std(Text(20004)));
        throw;
    }
}

}  // namespace vex::gui
