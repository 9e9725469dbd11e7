// The page base's centring, the first pages and the shell's dialogs.

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include "app/dialogs.h"
#include "app/vexprg_doc.h"
#include "editors/contacts_view.h"
#include "editors/radio_info_view.h"
#include "gui_test_support.h"
#include "settings/settings_store.h"

namespace vex::gui::test {

class PagesTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<CVEXPRGDoc> m_document;

    QString Field(const CBaseView& page, int id) const {
        return page.ControlAs<QLineEdit>(id)->text();
    }

  private slots:
    void init() {
        m_settings = std::make_unique<TestSettings>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_document = std::make_unique<CVEXPRGDoc>(TemplateFolder());
        m_document->Open(TwoChannelsProfile());
    }

    void cleanup() {
        m_document.reset();
        m_messages.reset();
        m_settings.reset();
    }

    void radioInformationAndContactsShowTheProfile() {
        CRadioInfoView info(m_document.get(), 0, 0);
        info.InitialUpdate();
        QCOMPARE(Field(info, 1066), QStringLiteral("101"));
        QCOMPARE(Field(info, 1011), QStringLiteral("Ann"));
        QCOMPARE(Field(info, 1010), QStringLiteral("R5E.05.00"));
        QCOMPARE(Field(info, 1012), QStringLiteral("CP03.10.05"));
        QCOMPARE(info.Control(1001)->property("text").toString(),
                 QStringLiteral("Unit Private ID:"));
        const CDataItem& root = m_document->Root();
        QCOMPARE(CRadioInfoView::OwnNameText(root, QStringLiteral("XXXXXXXXXXX")),
                 QStringLiteral("XXXXXXXXXXX"));
        QCOMPARE(CRadioInfoView::OwnNameText(root, QStringLiteral("999")),
                 QStringLiteral("XXXXXXXXXXX"));

        CContactsView contacts(m_document.get(), 4, 0);
        contacts.InitialUpdate();
        const QStringList shown = {Field(contacts, 1048), Field(contacts, 1004),
                                   Field(contacts, 1006), Field(contacts, 1008),
                                   Field(contacts, 1003), Field(contacts, 1005),
                                   Field(contacts, 1007), Field(contacts, 1009)};
        QCOMPARE(shown,
                 QStringList({QStringLiteral("30"), QStringLiteral("10"), QStringLiteral("14"),
                              QStringLiteral("30"), QStringLiteral("17"), QStringLiteral("8"),
                              QStringLiteral("3"), QStringLiteral("6")}));
        QVERIFY(!m_document->IsModified());
    }

    void rearrangeStopsAtTheLeftEdgeAndComesBackExactly() {
        CRadioInfoView page(m_document.get(), 0, 0);
        page.resize(800, 400);
        page.InitialUpdate();
        QWidget* label = page.Control(1001);
        const int centred = label->x();
        QCOMPARE(page.Control(1013)->width(), 800 - 20);

        // Narrow: the controls move left until the leftmost one reaches x = 20.
        const int moved = page.Rearrange(200);
        QCOMPARE(label->x(), 20);
        QCOMPARE(moved, 20 - centred);
        QVERIFY(page.PendingShift() < 0);
        const int held = page.PendingShift();
        // A little wider: the held-back part is paid back first, nothing moves.
        QCOMPARE(page.Rearrange(200 + 2 * 10), 0);
        QCOMPARE(page.PendingShift(), held + 10);
        QCOMPARE(label->x(), 20);
        // Back to the first width: exactly the centred place again.
        page.Rearrange(800);
        QCOMPARE(label->x(), centred);
        QCOMPARE(page.PendingShift(), 0);
    }

    void newProfileDialogListsTheModelsSorted() {
        CNewProfileDlg dialog(TemplateFolder());
        QCOMPARE(dialog.List()->count(), 2);
        QCOMPARE(dialog.List()->item(0)->text(), QStringLiteral("V440"));
        QCOMPARE(dialog.List()->currentRow(), 0);
        dialog.List()->setCurrentRow(1);
        dialog.accept();
        QCOMPARE(CNewProfileDlg::GetTemplatePath(), TemplateFolder() + QStringLiteral("/V480.lam"));

        QTemporaryDir empty;
        CNewProfileDlg none(empty.path());
        QVERIFY(CNewProfileDlg::GetTemplatePath().isEmpty());
        QCOMPARE(none.exec(), int(QDialog::Rejected));
        QCOMPARE(m_messages->texts,
                 QStringList{QStringLiteral("Error: Can not find template files!")});
    }

    void preferenceSelectsTheStoredPortOrTheFirst() {
        const std::vector<PortEntry> ports = {
            {"/dev/ttyS0", ""}, {"/dev/ttyUSB0", "USB serial"}, {"/tmp/radio", "virtual radio"}};
        QVERIFY(SetCurrentComPort("/dev/ttyusb0"));
        {
            CPreferenceDialog dialog(ports);
            QCOMPARE(dialog.GetSelectedPort(), QStringLiteral("/dev/ttyUSB0"));
            dialog.PortList()->setCurrentIndex(2);
            dialog.reject();
            QCOMPARE(GetCurrentComPort(), std::string("/dev/ttyusb0"));
        }
        QVERIFY(SetCurrentComPort("/dev/gone"));
        CPreferenceDialog dialog(ports);
        QCOMPARE(dialog.GetSelectedPort(), QStringLiteral("/dev/ttyS0"));
        dialog.PortList()->setCurrentIndex(2);
        dialog.accept();
        QCOMPARE(GetCurrentComPort(), std::string("/tmp/radio"));
    }

    void dealerDialogStoresWhatItShowsWithinTheLimit() {
        QCOMPARE(CheckRegistry(), SettingsMessage::None);
        CDealerInfoDialog dialog;
        QVERIFY(dialog.LoadDealerInfo());
        dialog.Field(0)->setPlainText(QString(260, QLatin1Char('d')));
        QCOMPARE(dialog.Field(0)->toPlainText().size(), 250);
        dialog.Field(1)->setPlainText(QStringLiteral("Tel 1\nFax 2"));
        dialog.accept();
        QCOMPARE(GetDealerTexts().texts.contactInfo, std::string("Tel 1\nFax 2"));
        QCOMPARE(GetDealerTexts().texts.dealerInfo.size(), std::size_t{250});
    }
};

std::unique_ptr<QObject> MakePagesTest() {
    return std::make_unique<PagesTest>();
}

}  // namespace vex::gui::test

#include "pages_test.moc"
