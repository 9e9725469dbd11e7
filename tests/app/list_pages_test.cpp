// The scroll and scan list pages, the text message pages and the settings page.

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/vexprg_doc.h"
#include "editors/contact_table.h"
#include "editors/item_values.h"
#include "editors/lists_view.h"
#include "editors/settings_view.h"
#include "editors/text_messages_view.h"
#include "editors/tree_view.h"
#include "gui_test_support.h"

namespace vex::gui::test {

namespace {

QStringList Names(const QTableWidget* table, bool visibleOnly = false) {
    QStringList names;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (visibleOnly && table->isRowHidden(row)) continue;
        names << table->item(row, contact_column::kName)->text();
    }
    return names;
}

void Select(QTableWidget* table, const QStringList& names) {
    table->clearSelection();
    for (int row = 0; row < table->rowCount(); ++row) {
        if (names.contains(table->item(row, contact_column::kName)->text())) {
            table->selectionModel()->select(
                table->model()->index(row, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
}

QStringList SelectedNames(const QTableWidget* table) {
    QStringList names;
    for (int row : SelectedRows(table)) names << table->item(row, contact_column::kName)->text();
    return names;
}

}  // namespace

class ListPagesTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<CVEXPRGDoc> m_document;
    QList<std::uint32_t> m_hints;

    CDataItem List(const char* name) const {
        return m_document->Root().GetChildByName("Contacts").GetChildByName(name);
    }
    CDataItem Setting() const { return m_document->Root().GetChildByName("setting"); }
    CDataItem Private(const QString& name) const {
        const CDataItem privates = List("Privates");
        for (int i = 0; i < privates.GetChildCount(); ++i) {
            if (AttributeText(privates.GetChildByIndex(i), "name") == name)
                return privates.GetChildByIndex(i);
        }
        return {};
    }
    void Set(CDataItem item, const char* attribute, const AttributeValue& value) {
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        QCOMPARE(item.SetAttributeValue(attribute, value, msgId, 0, style), 0);
    }
    std::string Text() const { return m_document->Profile().Model().Serialise(); }

  private slots:
    void init() {
        m_settings = std::make_unique<TestSettings>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_document = std::make_unique<CVEXPRGDoc>(TemplateFolder());
        m_document->Open(TwoChannelsProfile());
        m_hints.clear();
        connect(m_document.get(), &CVEXPRGDoc::Updated, this,
                [this](QObject*, std::uint32_t hint) { m_hints << hint; });
    }

    void cleanup() {
        m_document.reset();
        m_messages.reset();
        m_settings.reset();
    }

    void listsOverviewShowsBothListsReadOnly() {
        CListsView page(m_document.get(), 11, 0);
        page.InitialUpdate();
        auto* scroll = page.ControlAs<QTableWidget>(1000);
        QCOMPARE(Names(scroll), QStringList({"Bob", "Crew", "Fire"}));
        auto* scan = page.ControlAs<QTableWidget>(1001);
        QCOMPARE(scan->columnCount(), 4);
        QCOMPARE(scan->rowCount(), 10);
        QCOMPARE(scan->horizontalHeaderItem(3)->text(), QStringLiteral("Channel 4"));
        QCOMPARE(scan->item(0, 0)->text(), QStringLiteral("Fire"));
        QCOMPARE(scan->item(0, 1)->text(), QStringLiteral("Harbour"));
        QVERIFY(scan->item(1, 1) == nullptr);
        QVERIFY(page.ControlAs<QCheckBox>(1002)->isChecked());
        QVERIFY(!page.ControlAs<QCheckBox>(1002)->isEnabled());
        QVERIFY(!m_document->IsModified());
    }

    void scanChannelKeepsTheBoundOfTen() {
        // Channel 2: Harbour and 8 more in the scan list; Rescue, Fire and G18 outside it.
        CDataItem groups = List("PublicGroups");
        Set(groups.GetChildByIndex(0), "in_scan_list", std::int32_t{0});
        Set(groups.GetChildByIndex(0), "channel", std::int32_t{2});
        for (int i = 0; i < 9; ++i) {
            CDataItem group = groups.AddNewChild();
            QVERIFY(!group.IsEmpty());
            Set(group, "name", "G" + std::to_string(10 + i));
            Set(group, "channel", std::int32_t{2});
            Set(group, "in_scan_list", std::int32_t{i < 8 ? 1 : 0});
        }
        CScanChannelView page(m_document.get(), 14, 1);
        page.InitialUpdate();
        QCOMPARE(page.ControlAs<QLabel>(1011)->text(), QStringLiteral("Scan List Channel 2"));
        QCOMPARE(page.Members()->rowCount(), 9);
        QCOMPARE(Names(page.Available()), QStringList({"Fire", "G18", "Rescue"}));

        const std::string before = Text();
        Select(page.Available(), {"Fire", "G18", "Rescue"});
        QVERIFY(page.AddButton()->isEnabled());
        page.AddButton()->click();
        QCOMPARE(m_messages->texts,
                 QStringList{"Cannot add more than 10 amount of contacts to the scan list."});
        QCOMPARE(page.Members()->rowCount(), 10);
        QCOMPARE(SelectedNames(page.Available()), QStringList({"G18", "Rescue"}));
        QCOMPARE(CDataItem::GetScanListCount(m_document->Root(), 2), 10);
        QCOMPARE(m_hints, QList<std::uint32_t>{MakeHint(hint::kRefresh, 14, 1)});
        QVERIFY(m_document->IsModified());

        page.OnAdd();
        QCOMPARE(m_messages->texts.last(),
                 QStringLiteral("Reached maximum number of contacts in this channel."));
        QCOMPARE(page.Members()->rowCount(), 10);

        Select(page.Members(), {"Fire", "Harbour"});
        page.RemoveButton()->click();
        QCOMPARE(CDataItem::GetScanListCount(m_document->Root(), 2), 8);
        QCOMPARE(Names(page.Available()), QStringList({"Fire", "G18", "Harbour", "Rescue"}));

        // Each move is one undo step.
        m_document->UndoStack()->undo();
        m_document->UndoStack()->undo();
        m_document->UndoStack()->undo();
        QVERIFY(Text() == before);
    }

    void scrollListMovesEveryKindAndFilters() {
        CScrollListView page(m_document.get(), 12, 0);
        page.InitialUpdate();
        QCOMPARE(Names(page.Members()), QStringList({"Bob", "Crew", "Fire"}));
        QCOMPARE(page.Available()->rowCount(), 14);

        page.FilterBox()->setText(QStringLiteral("10"));
        QCOMPARE(Names(page.Available(), true), QStringList({"Ann", "Cy"}));
        QCOMPARE(Names(page.Members(), true), QStringList({"Bob"}));
        page.FilterBox()->clear();

        Select(page.Available(), {"Ann", "Harbour", "Night watch"});
        page.AddButton()->click();
        QCOMPARE(Names(page.Members()),
                 QStringList({"Ann", "Bob", "Crew", "Fire", "Harbour", "Night watch"}));
        QCOMPARE(CDataItem::GetScrollListCount(m_document->Root()), 6);
        QCOMPARE(m_hints.size(), 3);
        QCOMPARE(m_hints.first(), MakeHint(hint::kRefresh, 12, 0));

        Select(page.Members(), {"Bob"});
        page.Members()->cellDoubleClicked(0, 0);
        QVERIFY(!AttributeFlag(Private(QStringLiteral("Bob")), "in_scroll_list"));
        QVERIFY(m_messages->texts.isEmpty());
    }

    void scanModeSwitchSetsScanEn() {
        CScanListView page(m_document.get(), 13, 0);
        page.InitialUpdate();
        auto* box = page.ControlAs<QCheckBox>(1109);
        QVERIFY(box->isChecked());
        box->click();
        QVERIFY(!AttributeFlag(Setting(), "scan_en"));
        QVERIFY(m_document->IsModified());
    }

    void textMessagePagesCountLimitAndClean() {
        CTextMessagesView list(m_document.get(), 2, 0);
        list.InitialUpdate();
        QCOMPARE(list.ControlAs<QLineEdit>(1028)->text(), QStringLiteral("3"));
        QCOMPARE(list.ControlAs<QLineEdit>(1030)->text(), QStringLiteral("2"));
        QVERIFY(list.Control(1063)->isEnabled());

        CTextMessageView page(m_document.get(), 3, 1);
        page.InitialUpdate();
        QCOMPARE(page.Edit()->toPlainText(), QStringLiteral("On my way"));
        QCOMPARE(page.ValidateData(), 1);
        QCOMPARE(m_document->UndoStack()->count(), 0);
        QVERIFY(!m_document->IsModified());

        page.Edit()->setPlainText(QString(85, QLatin1Char('x')));
        QCOMPARE(page.Edit()->toPlainText().size(), 80);
        QCOMPARE(m_messages->texts,
                 QStringList{"The length of text message can not exceed 80 characters."});

        page.Edit()->setPlainText(QStringLiteral("  Back\nat 5\t\x01 "));
        QCOMPARE(page.ValidateData(), 1);
        QCOMPARE(AttributeText(m_document->Root().GetChildByName("TextMessages").GetChildByIndex(1),
                               "txt"),
                 QStringLiteral("Backat 5"));
        QCOMPARE(m_hints.last(), MakeHint(hint::kRefresh, 3, 1));

        // Blank: the deletion question; Cancel stays, OK deletes through the tree.
        page.Edit()->setPlainText(QStringLiteral(" \n \t"));
        m_messages->answers = {mb::kIdCancel, mb::kIdOk};
        const int hints = m_hints.size();
        QCOMPARE(page.ValidateData(), 0);
        QCOMPARE(m_hints.size(), hints);
        QCOMPARE(page.ValidateData(), -1);
        QCOMPARE(m_messages->texts.last(),
                 QStringLiteral("The message field is blank. By continuing, this message will be "
                                "deleted. Do you want to continue?"));
        QCOMPARE(m_hints.last(), MakeHint(hint::kDelete, 3, 1));
    }

    void settingsMapControlsToAttributes() {
        CSettingsView page(m_document.get(), 1, 0);
        page.InitialUpdate();
        auto* ringer = page.ControlAs<QComboBox>(1035);
        auto* speaker = page.ControlAs<QComboBox>(1036);
        QCOMPARE(ringer->count(), 6);
        QCOMPARE(ringer->itemText(0), QStringLiteral("0"));
        QCOMPARE(speaker->count(), 5);
        QCOMPARE(speaker->itemText(0), QStringLiteral("1"));
        QCOMPARE(page.ControlAs<QComboBox>(1023)->currentText(), QStringLiteral("3"));
        QCOMPARE(page.ControlAs<QComboBox>(1024)->currentText(), QStringLiteral("10 seconds"));
        auto* language = page.ControlAs<QComboBox>(1043);
        QCOMPARE(language->count(), 2);
        QCOMPARE(language->itemText(1), QStringLiteral("Spanish"));

        struct Case {
            int control;
            int index;
            const char* attribute;
            std::int64_t value;
        };
        const Case cases[] = {{1023, 0, "contrast", 6},         {1024, 5, "backlight", 0},
                              {1024, 0, "backlight", 90000},    {1036, 0, "speaker_vol_level", 1},
                              {1035, 5, "ringer_vol_level", 5}, {1065, 4, "earpiece_vol_level", 5},
                              {1043, 1, "language", 1},         {1025, 1, "time_format", 1},
                              {1032, 1, "date_format", 1}};
        for (const Case& c : cases) {
            auto* box = page.ControlAs<QComboBox>(c.control);
            box->setCurrentIndex(c.index);
            emit box->activated(c.index);
            QCOMPARE(AttributeNumber(Setting(), c.attribute), c.value);
        }
        QVERIFY(m_messages->texts.isEmpty());
        QCOMPARE(page.ControlAs<QDateTimeEdit>(1078)->displayFormat(), QStringLiteral("HH:mm"));
        QCOMPARE(page.ControlAs<QDateTimeEdit>(1080)->displayFormat(), QStringLiteral("dd/MM/yy"));

        // The clock: disabled while the PC clock is used; stored when the page is left.
        auto* pcClock = page.ControlAs<QCheckBox>(1070);
        QVERIFY(pcClock->isChecked());
        QVERIFY(!page.ControlAs<QDateTimeEdit>(1078)->isEnabled());
        pcClock->click();
        QVERIFY(!m_document->Profile().UsePCClock());
        QVERIFY(page.ControlAs<QDateTimeEdit>(1080)->isEnabled());
        page.ControlAs<QDateTimeEdit>(1080)->setDate(QDate(2040, 2, 29));
        page.ControlAs<QDateTimeEdit>(1078)->setTime(QTime(13, 45));
        auto* alarm = page.ControlAs<QCheckBox>(1071);
        QVERIFY(!page.ControlAs<QDateTimeEdit>(1081)->isEnabled());
        alarm->click();
        QVERIFY(AttributeFlag(Setting(), "alarm_en"));
        page.ControlAs<QDateTimeEdit>(1081)->setTime(QTime(6, 30));
        QCOMPARE(page.ValidateData(), 1);
        CSettingsView again(m_document.get(), 1, 0);
        again.InitialUpdate();
        QCOMPARE(again.ControlAs<QDateTimeEdit>(1080)->dateTime(),
                 QDateTime(QDate(2040, 2, 29), QTime(13, 45)));
        QCOMPARE(again.ControlAs<QDateTimeEdit>(1081)->time(), QTime(6, 30));
        QVERIFY(again.ControlAs<QDateTimeEdit>(1078)->isEnabled());
    }

    void managerModeAlsoSeesAllGroups() {
        CSettingsView page(m_document.get(), 1, 0);
        page.InitialUpdate();
        auto* managerLeft = page.ControlAs<QTableWidget>(1003);
        auto* managerRight = page.ControlAs<QTableWidget>(1004);
        auto* seeAllLeft = page.ControlAs<QTableWidget>(1005);
        auto* seeAllRight = page.ControlAs<QTableWidget>(1006);
        QCOMPARE(managerLeft->rowCount(), 6);

        Select(seeAllLeft, {"Cy"});
        page.OnSeeAllAdd();
        Select(managerLeft, {"Bob", "Cy"});
        page.OnManagerAdd();
        QCOMPARE(Names(managerRight), QStringList({"Bob", "Cy"}));
        QCOMPARE(Names(seeAllRight), QStringList({"Bob", "Cy"}));
        for (const char* name : {"Bob", "Cy"}) {
            QVERIFY(AttributeFlag(Private(QLatin1String(name)), "mngr_mode"));
            QVERIFY(AttributeFlag(Private(QLatin1String(name)), "see_all_groups"));
        }

        Select(managerRight, {"Cy"});
        page.OnManagerRemove();
        QVERIFY(!AttributeFlag(Private(QStringLiteral("Cy")), "mngr_mode"));
        QVERIFY(AttributeFlag(Private(QStringLiteral("Cy")), "see_all_groups"));
        QCOMPARE(Names(seeAllRight), QStringList({"Bob", "Cy"}));
        QVERIFY(m_messages->texts.isEmpty());
    }

    void pagesWorkWithTheTreeOfTheirWindow() {
        CMainFrame frame(DataFolder());
        CChildFrame* child = frame.OpenDocumentFile(TwoChannelsProfile());
        QVERIFY(child != nullptr);
        CVEXPRGTreeView* tree = child->Tree();
        CVEXPRGDoc* document = child->Document();
        auto node = [tree](int kind, int index) { return tree->FindNode(NodeData(kind, index)); };

        // A blank message is deleted when the selection leaves it and the user agrees.
        tree->setCurrentItem(node(node::kTextMessage, 1));
        auto* message = qobject_cast<CTextMessageView*>(child->CurrentPage());
        QVERIFY(message != nullptr);
        message->Edit()->setPlainText(QStringLiteral("\n  "));
        m_messages->answers = {mb::kIdOk};
        tree->setCurrentItem(node(node::kSettings, 0));
        QCOMPARE(document->Root().GetChildByName("TextMessages").GetChildCount(), 1);
        QCOMPARE(node(node::kTextMessages, 0)->childCount(), 1);
        QVERIFY(node(node::kTextMessage, 1) == nullptr);

        // A move on a scan channel page updates the channel's count in the tree; undo restores.
        tree->setCurrentItem(node(node::kScanChannel, 1));
        auto* channel = qobject_cast<CScanChannelView*>(child->CurrentPage());
        QVERIFY(channel != nullptr);
        QCOMPARE(node(node::kScanChannel, 1)->text(0), QStringLiteral("Channel 2 (1)"));
        Select(channel->Available(), {"Rescue"});
        channel->AddButton()->click();
        QCOMPARE(node(node::kScanChannel, 1)->text(0), QStringLiteral("Channel 2 (2)"));
        document->UndoStack()->undo();
        QCOMPARE(node(node::kScanChannel, 1)->text(0), QStringLiteral("Channel 2 (1)"));
        auto* again = qobject_cast<CScanChannelView*>(child->CurrentPage());
        QVERIFY(again != nullptr);
        QCOMPARE(Names(again->Members()), QStringList({"Harbour"}));
        QCOMPARE(m_messages->texts.size(), 1);
    }
};

std::unique_ptr<QObject> MakeListPagesTest() {
    return std::make_unique<ListPagesTest>();
}

}  // namespace vex::gui::test

#include "list_pages_test.moc"
