// The pages of a profile without a window: the page base's centring, radio information,
// contacts, the scroll and scan lists, text messages and settings; and the shell's dialogs.

#include "app/dialogs.h"
#include "editors/contacts_view.h"
#include "editors/item_values.h"
#include "editors/lists_view.h"
#include "editors/radio_info_view.h"
#include "editors/settings_view.h"
#include "editors/text_messages_view.h"
#include "gui_test_support.h"
#include "settings/settings_store.h"

namespace vex::gui::test {

class PagesTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<ProfileDocument> m_d;
    CVEXPRGDoc* m_document = nullptr;
    QList<std::uint32_t> m_hints;

    CDataItem Setting() const { return m_document->Root().GetChildByName("setting"); }
    CDataItem Private(int index) const { return m_d->List("Privates").GetChildByIndex(index); }
    static constexpr int kBob = 1, kCy = 2;

    // The page of the given node, shown on the fixture profile.
    template <typename Page>
    std::unique_ptr<Page> Open(int kind, int index) {
        auto page = std::make_unique<Page>(m_document, kind, index);
        page->InitialUpdate();
        return page;
    }

  private slots:
    void init() {
        m_d = std::make_unique<ProfileDocument>();
        m_document = &m_d->document;
        m_hints.clear();
        connect(m_document, &CVEXPRGDoc::Updated, this,
                [this](QObject*, std::uint32_t hint) { m_hints << hint; });
    }
    void cleanup() { m_d.reset(); }

    void radioInformationAndContactsShowTheProfile() {
        const auto info = Open<CRadioInfoView>(0, 0);
        const auto contacts = Open<CContactsView>(4, 0);
        // "id=text" of each field shown.
        const std::pair<const CBaseView*, const char*> shown[] = {
            {info.get(), "1066=101 1011=Ann 1010=R5E.05.00 1012=CP03.10.05"},
            {contacts.get(), "1048=30 1004=10 1006=14 1008=30 1003=17 1005=8 1007=3 1009=6"}};
        for (const auto& [page, fields] : shown) {
            for (const QString& field : QString::fromLatin1(fields).split(u' ')) {
                const QStringList idText = field.split(u'=');
                QCOMPARE(page->ControlAs<QLineEdit>(idText[0].toInt())->text(), idText[1]);
            }
        }
        const CDataItem& root = m_d->document.Root();
        QCOMPARE(CRadioInfoView::OwnNameText(root, u"XXXXXXXXXXX"_s), u"XXXXXXXXXXX"_s);
        QCOMPARE(CRadioInfoView::OwnNameText(root, u"999"_s), u"XXXXXXXXXXX"_s);
        QVERIFY(!m_d->document.IsModified());
    }

    void rearrangeStopsAtTheLeftEdgeAndComesBackExactly() {
        CRadioInfoView page(m_document, 0, 0);
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
        QCOMPARE(Texts(dialog.List()), QStringList({"V440", "V480"}));
        QCOMPARE(dialog.List()->currentRow(), 0);
        dialog.List()->setCurrentRow(1);
        dialog.accept();
        QCOMPARE(CNewProfileDlg::GetTemplatePath(), TemplateFolder() + u"/V480.lam"_s);

        QTemporaryDir empty;
        CNewProfileDlg none(empty.path());
        QVERIFY(CNewProfileDlg::GetTemplatePath().isEmpty());
        QCOMPARE(none.exec(), int(QDialog::Rejected));
        QCOMPARE(m_d->messages.texts, QStringList{u"Error: Can not find template files!"_s});
    }

    void preferenceSelectsTheStoredPortOrTheFirst() {
        const std::vector<PortEntry> ports = {
            {"/dev/ttyS0", ""}, {"/dev/ttyUSB0", "USB serial"}, {"/tmp/radio", "virtual radio"}};
        QVERIFY(SetCurrentComPort("/dev/ttyusb0"));
        {
            CPreferenceDialog dialog(ports);
            QCOMPARE(dialog.GetSelectedPort(), u"/dev/ttyUSB0"_s);
            dialog.PortList()->setCurrentIndex(2);
            dialog.reject();
            QCOMPARE(GetCurrentComPort(), std::string("/dev/ttyusb0"));
        }
        QVERIFY(SetCurrentComPort("/dev/gone"));
        CPreferenceDialog dialog(ports);
        QCOMPARE(dialog.GetSelectedPort(), u"/dev/ttyS0"_s);
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
        dialog.Field(1)->setPlainText(u"Tel 1\nFax 2"_s);
        dialog.accept();
        QCOMPARE(GetDealerTexts().texts.contactInfo, std::string("Tel 1\nFax 2"));
        QCOMPARE(GetDealerTexts().texts.dealerInfo.size(), std::size_t{250});
    }

    void listsOverviewIsReadOnlyAndTheScanModeSwitchesOnItsPage() {
        const auto page = Open<CListsView>(11, 0);
        QCOMPARE(Names(page->ControlAs<QTableWidget>(1000)), QStringList({"Bob", "Crew", "Fire"}));
        auto* scan = page->ControlAs<QTableWidget>(1001);
        QCOMPARE(scan->columnCount(), 4);
        QCOMPARE(scan->rowCount(), 10);
        QCOMPARE(scan->item(0, 0)->text(), u"Fire"_s);
        QCOMPARE(scan->item(0, 1)->text(), u"Harbour"_s);
        QVERIFY(scan->item(1, 1) == nullptr);
        QVERIFY(page->ControlAs<QCheckBox>(1002)->isChecked());
        QVERIFY(!page->ControlAs<QCheckBox>(1002)->isEnabled());
        QVERIFY(!m_document->IsModified());

        // The scan mode is switched on the scan list's own page.
        const auto scanPage = Open<CScanListView>(13, 0);
        auto* box = scanPage->ControlAs<QCheckBox>(1109);
        QVERIFY(box->isChecked());
        box->click();
        QVERIFY(!AttributeFlag(Setting(), "scan_en"));
        QVERIFY(m_document->IsModified());
    }

    void scanChannelKeepsTheBoundOfTen() {
        // Channel 2: Harbour and 8 more in the scan list; Rescue, Fire and G18 outside it.
        CDataItem groups = m_d->List("PublicGroups");
        const auto set = [](CDataItem item, const char* attribute, const AttributeValue& value) {
            QCOMPARE(SetValue(item, attribute, value), 0);
        };
        set(groups.GetChildByIndex(0), "in_scan_list", std::int32_t{0});
        set(groups.GetChildByIndex(0), "channel", std::int32_t{2});
        for (int i = 0; i < 9; ++i) {
            CDataItem group = groups.AddNewChild();
            QVERIFY(!group.IsEmpty());
            set(group, "name", "G" + std::to_string(10 + i));
            set(group, "channel", std::int32_t{2});
            set(group, "in_scan_list", std::int32_t{i < 8 ? 1 : 0});
        }
        const auto page = Open<CScanChannelView>(14, 1);
        QCOMPARE(page->Members()->rowCount(), 9);
        QCOMPARE(Names(page->Available()), QStringList({"Fire", "G18", "Rescue"}));

        const std::string before = m_d->Text();
        Select(page->Available(), {"Fire", "G18", "Rescue"});
        QVERIFY(page->AddButton()->isEnabled());
        page->AddButton()->click();
        QCOMPARE(m_d->messages.texts,
                 QStringList{"Cannot add more than 10 amount of contacts to the scan list."});
        QCOMPARE(page->Members()->rowCount(), 10);
        QStringList left;  // what the bound kept out stays selected
        for (int row : SelectedRows(page->Available())) left << Names(page->Available()).at(row);
        QCOMPARE(left, QStringList({"G18", "Rescue"}));
        QCOMPARE(CDataItem::GetScanListCount(m_document->Root(), 2), 10);
        QCOMPARE(m_hints, QList<std::uint32_t>{MakeHint(hint::kRefresh, 14, 1)});
        QVERIFY(m_document->IsModified());

        page->OnAdd();
        QCOMPARE(m_d->messages.texts.last(),
                 u"Reached maximum number of contacts in this channel."_s);
        QCOMPARE(page->Members()->rowCount(), 10);

        Select(page->Members(), {"Fire", "Harbour"});
        page->RemoveButton()->click();
        QCOMPARE(CDataItem::GetScanListCount(m_document->Root(), 2), 8);
        QCOMPARE(Names(page->Available()), QStringList({"Fire", "G18", "Harbour", "Rescue"}));

        // Each move is one undo step.
        for (int step = 0; step < 3; ++step) m_document->UndoStack()->undo();
        QVERIFY(m_d->Text() == before);
    }

    void scrollListMovesEveryKindAndFilters() {
        const auto page = Open<CScrollListView>(12, 0);
        QCOMPARE(Names(page->Members()), QStringList({"Bob", "Crew", "Fire"}));
        QCOMPARE(page->Available()->rowCount(), 14);

        page->FilterBox()->setText(u"10"_s);
        QCOMPARE(Names(page->Available(), true), QStringList({"Ann", "Cy"}));
        QCOMPARE(Names(page->Members(), true), QStringList({"Bob"}));
        page->FilterBox()->clear();

        Select(page->Available(), {"Ann", "Harbour", "Night watch"});
        page->AddButton()->click();
        QCOMPARE(Names(page->Members()),
                 QStringList({"Ann", "Bob", "Crew", "Fire", "Harbour", "Night watch"}));
        QCOMPARE(CDataItem::GetScrollListCount(m_document->Root()), 6);
        QCOMPARE(m_hints.size(), 3);
        QCOMPARE(m_hints.first(), MakeHint(hint::kRefresh, 12, 0));

        Select(page->Members(), {"Bob"});
        page->Members()->cellDoubleClicked(0, 0);
        QVERIFY(!AttributeFlag(Private(kBob), "in_scroll_list"));
        QVERIFY(m_d->messages.texts.isEmpty());
    }

    void textMessagePagesCountLimitAndClean() {
        const auto list = Open<CTextMessagesView>(2, 0);
        QCOMPARE(list->ControlAs<QLineEdit>(1028)->text(), u"3"_s);
        QCOMPARE(list->ControlAs<QLineEdit>(1030)->text(), u"2"_s);
        QVERIFY(list->Control(1063)->isEnabled());

        const auto page = Open<CTextMessageView>(3, 1);
        QCOMPARE(page->Edit()->toPlainText(), u"On my way"_s);
        QCOMPARE(page->ValidateData(), 1);
        QCOMPARE(m_document->UndoStack()->count(), 0);
        QVERIFY(!m_document->IsModified());

        page->Edit()->setPlainText(QString(85, QLatin1Char('x')));
        QCOMPARE(page->Edit()->toPlainText().size(), 80);
        QCOMPARE(m_d->messages.texts,
                 QStringList{"The length of text message can not exceed 80 characters."});

        page->Edit()->setPlainText(u"  Back\nat 5\t\x01 "_s);
        QCOMPARE(page->ValidateData(), 1);
        QCOMPARE(AttributeText(m_document->Root().GetChildByName("TextMessages").GetChildByIndex(1),
                               "txt"),
                 u"Backat 5"_s);
        QCOMPARE(m_hints.last(), MakeHint(hint::kRefresh, 3, 1));
    }

    void settingsMapControlsToAttributes() {
        const auto page = Open<CSettingsView>(1, 0);
        // Ringer 0 to 5, speaker 1 to 5, the languages of the settings file.
        const std::tuple<int, int, int, const char*> offered[] = {
            {1035, 6, 0, "0"}, {1036, 5, 0, "1"}, {1043, 2, 1, "Spanish"}};
        for (const auto& [id, count, index, text] : offered) {
            QCOMPARE(page->ControlAs<QComboBox>(id)->count(), count);
            QCOMPARE(page->ControlAs<QComboBox>(id)->itemText(index), QString::fromLatin1(text));
        }
        QCOMPARE(page->ControlAs<QComboBox>(1023)->currentText(), u"3"_s);
        QCOMPARE(page->ControlAs<QComboBox>(1024)->currentText(), u"10 seconds"_s);

        const std::tuple<int, int, const char*, std::int64_t> chosen[] = {
            {1023, 0, "contrast", 6},         {1024, 5, "backlight", 0},
            {1024, 0, "backlight", 90000},    {1036, 0, "speaker_vol_level", 1},
            {1035, 5, "ringer_vol_level", 5}, {1065, 4, "earpiece_vol_level", 5},
            {1043, 1, "language", 1},         {1025, 1, "time_format", 1},
            {1032, 1, "date_format", 1}};
        for (const auto& [control, index, attribute, value] : chosen) {
            auto* box = page->ControlAs<QComboBox>(control);
            box->setCurrentIndex(index);
            emit box->activated(index);
            QCOMPARE(AttributeNumber(Setting(), attribute), value);
        }
        QVERIFY(m_d->messages.texts.isEmpty());
        QCOMPARE(page->ControlAs<QDateTimeEdit>(1078)->displayFormat(), u"HH:mm"_s);
        QCOMPARE(page->ControlAs<QDateTimeEdit>(1080)->displayFormat(), u"dd/MM/yy"_s);

        // The clock: disabled while the PC clock is used; stored when the page is left.
        auto* pcClock = page->ControlAs<QCheckBox>(1070);
        QVERIFY(pcClock->isChecked());
        QVERIFY(!page->ControlAs<QDateTimeEdit>(1078)->isEnabled());
        pcClock->click();
        QVERIFY(!m_document->Profile().UsePCClock());
        QVERIFY(page->ControlAs<QDateTimeEdit>(1080)->isEnabled());
        page->ControlAs<QDateTimeEdit>(1080)->setDate(QDate(2040, 2, 29));
        page->ControlAs<QDateTimeEdit>(1078)->setTime(QTime(13, 45));
        QVERIFY(!page->ControlAs<QDateTimeEdit>(1081)->isEnabled());
        page->ControlAs<QCheckBox>(1071)->click();
        QVERIFY(AttributeFlag(Setting(), "alarm_en"));
        page->ControlAs<QDateTimeEdit>(1081)->setTime(QTime(6, 30));
        QCOMPARE(page->ValidateData(), 1);
        const auto again = Open<CSettingsView>(1, 0);
        QCOMPARE(again->ControlAs<QDateTimeEdit>(1080)->dateTime(),
                 QDateTime(QDate(2040, 2, 29), QTime(13, 45)));
        QCOMPARE(again->ControlAs<QDateTimeEdit>(1081)->time(), QTime(6, 30));
        QVERIFY(again->ControlAs<QDateTimeEdit>(1078)->isEnabled());
    }

    void managerModeAlsoSeesAllGroups() {
        const auto page = Open<CSettingsView>(1, 0);
        auto* managerLeft = page->ControlAs<QTableWidget>(1003);
        auto* managerRight = page->ControlAs<QTableWidget>(1004);
        auto* seeAllLeft = page->ControlAs<QTableWidget>(1005);
        auto* seeAllRight = page->ControlAs<QTableWidget>(1006);
        QCOMPARE(managerLeft->rowCount(), 6);

        Select(seeAllLeft, {"Cy"});
        page->OnSeeAllAdd();
        Select(managerLeft, {"Bob", "Cy"});
        page->OnManagerAdd();
        QCOMPARE(Names(managerRight), QStringList({"Bob", "Cy"}));
        QCOMPARE(Names(seeAllRight), QStringList({"Bob", "Cy"}));
        for (const int index : {kBob, kCy}) {
            QVERIFY(AttributeFlag(Private(index), "mngr_mode"));
            QVERIFY(AttributeFlag(Private(index), "see_all_groups"));
        }

        Select(managerRight, {"Cy"});
        page->OnManagerRemove();
        QVERIFY(!AttributeFlag(Private(kCy), "mngr_mode"));
        QVERIFY(AttributeFlag(Private(kCy), "see_all_groups"));
        QCOMPARE(Names(seeAllRight), QStringList({"Bob", "Cy"}));
        QVERIFY(m_d->messages.texts.isEmpty());
    }
};

VEX_GUI_TEST(PagesTest)

}  // namespace vex::gui::test

#include "pages_test.moc"
