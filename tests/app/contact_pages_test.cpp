// The contact pages on a known profile: what they show, each way a field commits (taken,
// refused, asked and answered), the typing rules of the private ID, the membership lists, the
// commit check that offers deletion, and undo back to the exact profile.

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QUndoStack>

#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/vexprg_doc.h"
#include "editors/contact_page.h"
#include "editors/item_values.h"
#include "editors/private_group_view.h"
#include "editors/private_view.h"
#include "editors/public_group_view.h"
#include "editors/tree_view.h"
#include "gui_test_support.h"

namespace vex::gui::test {

class ContactPagesTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<ProfileWindow> m_window;
    ScriptedMessages* m_messages = nullptr;
    CMainFrame* m_frame = nullptr;
    CChildFrame* m_child = nullptr;

    CVEXPRGDoc* Doc() const { return m_child->Document(); }
    std::string Text() const { return Doc()->Profile().Model().Serialise(); }
    CDataItem Contact(const char* list, int index) const {
        return Doc()->Root().GetChildByName("Contacts").GetChildByName(list).GetChildByIndex(index);
    }
    template <typename Page>
    Page* Show(int kind, int index) {
        QTreeWidgetItem* item = m_child->Tree()->FindNode(NodeData(kind, index));
        if (item == nullptr) return nullptr;
        m_child->Tree()->setCurrentItem(item);
        return dynamic_cast<Page*>(m_child->CurrentPage());
    }
    static QStringList Items(const QComboBox* combo) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
        return items;
    }
    static QStringList Items(const QListWidget* list) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
        return items;
    }
    static QStringList Strings(std::initializer_list<const char*> texts) {
        QStringList list;
        for (const char* text : texts) list << QString::fromLatin1(text);
        return list;
    }
    void NoDataError() const {
        QVERIFY(!m_messages->texts.contains(
            QStringLiteral("Profile data Error! The profile will be closed.")));
    }

  private slots:
    void init() {
        m_window = std::make_unique<ProfileWindow>();
        m_messages = &m_window->messages;
        m_frame = m_window->frame.get();
        m_child = m_window->child;
        QVERIFY(m_child != nullptr);
    }

    void cleanup() {
        NoDataError();
        m_window.reset();
    }

    void listPagesShowFilterAndSortTheirContacts() {
        struct Row {
            int kind;
            int rows;
            const char* filter;
            std::initializer_list<const char*> visible;
        };
        for (const Row& row : {Row{node::kPublicGroups, 3, "999", {"Fire", "Harbour", "Rescue"}},
                               Row{node::kPrivates, 6, "aN", {"Ann", "Dan"}},
                               Row{node::kPrivateGroups,
                                   8,
                                   "51",
                                   {"Team 1", "Team 2", "Team 3", "Team 4", "Team 5"}}}) {
            auto* page = Show<CContactListView>(row.kind, 0);
            QVERIFY(page != nullptr);
            auto* table = page->ControlAs<QTableWidget>(2002);
            QCOMPARE(table->rowCount(), row.rows);
            page->ControlAs<QLineEdit>(2001)->setText(QString::fromLatin1(row.filter));
            QStringList visible;
            for (int r = 0; r < table->rowCount(); ++r) {
                if (!table->isRowHidden(r)) visible << table->item(r, 0)->text();
            }
            QCOMPARE(visible, Strings(row.visible));
        }
        // Privates by ID, highest first; the home group by name.
        auto* privates = Show<CContactListView>(node::kPrivates, 0);
        auto* table = privates->ControlAs<QTableWidget>(2002);
        table->sortByColumn(2, Qt::DescendingOrder);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Fay"));
        QCOMPARE(table->item(0, 3)->text(), QStringLiteral("Team 1"));
        QVERIFY(!Doc()->IsModified());
    }

    void publicGroupChannelAndIdCommitAsTheRulesSay() {
        auto* page = Show<CPublicGroupView>(node::kPublicGroup, 0);  // Fire, 9999, channel 1
        QVERIFY(page != nullptr);
        auto* channel = page->ControlAs<QComboBox>(1002);
        auto* id = page->ControlAs<QComboBox>(1004);
        QCOMPARE(page->ControlAs<QLineEdit>(1053)->text(), QStringLiteral("Fire"));
        QCOMPARE(channel->currentText(), QStringLiteral("Channel 1"));
        QCOMPARE(Items(id).mid(0, 4), Strings({"   1", "x  2", "x  3", "   4"}));
        QCOMPARE(id->count(), 12);
        QCOMPARE(id->currentIndex(), 0);
        // The name commits when the focus moves on inside the page, not when it leaves it.
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame));
        auto* name = page->ControlAs<QLineEdit>(1053);
        name->setFocus();
        name->setText(QStringLiteral("Blaze"));
        m_child->Tree()->setFocus();
        QCoreApplication::processEvents();
        QCOMPARE(AttributeText(page->Item(), "name"), QStringLiteral("Fire"));
        name->setFocus();
        channel->setFocus();
        QCoreApplication::processEvents();
        QCOMPARE(AttributeText(page->Item(), "name"), QStringLiteral("Blaze"));
        Doc()->UndoStack()->undo();
        page = Show<CPublicGroupView>(node::kPublicGroup, 0);  // the window was rebuilt
        channel = page->ControlAs<QComboBox>(1002);
        id = page->ControlAs<QComboBox>(1004);
        const std::string original = Text();

        // In a scan list: the question names both channels; Cancel keeps everything.
        m_messages->answers = {mb::kIdCancel};
        channel->setCurrentIndex(1);
        QCOMPARE(m_messages->texts.last(),
                 QStringLiteral("Changing the channel will remove this public group from channel "
                                "1's scan list and add it to channel 2's scan list. Do you want "
                                "to continue?"));
        QCOMPARE(channel->currentIndex(), 0);
        QCOMPARE(Text(), original);
        channel->setCurrentIndex(1);  // answered OK
        QCOMPARE(AttributeNumber(Contact("PublicGroups", 0), "channel"), 2);

        // A position another group holds is refused and the list goes back.
        const int before = static_cast<int>(m_messages->texts.size());
        id->setCurrentIndex(1);
        QCOMPARE(m_messages->texts.size(), before + 1);
        QCOMPARE(id->currentIndex(), 0);
        id->setCurrentIndex(3);
        QCOMPARE(AttributeText(Contact("PublicGroups", 0), "pid"), QStringLiteral("9996"));

        // Two undo steps back to the profile as it was opened.
        Doc()->UndoStack()->undo();
        Doc()->UndoStack()->undo();
        QVERIFY(!Doc()->UndoStack()->canUndo());
        QCOMPARE(Text(), original);
    }

    void namesCommitOnLeavingAndWrongFieldsOfferDeletion() {
        struct Row {
            int kind;
            int index;
            int nameId;
            const char* list;
            int countAfterDelete;
        };
        for (const Row& row : {Row{node::kPublicGroup, 2, 1053, "PublicGroups", 2},
                               Row{node::kPrivate, 4, 1059, "Privates", 5},
                               Row{node::kPrivateGroup, 1, 1069, "PrivateGroups", 7}}) {
            auto* page = Show<CContactItemView>(row.kind, row.index);
            QVERIFY(page != nullptr);
            auto* name = page->ControlAs<QLineEdit>(row.nameId);
            m_messages->texts.clear();
            name->setText(QStringLiteral("  "));
            page->CommitName();
            name->setText(QStringLiteral("cREW"));  // another contact's, in other case
            page->CommitName();
            QCOMPARE(m_messages->texts.size(), 2);
            QCOMPARE(m_messages->texts.first(), QStringLiteral("Name field can not be empty!"));
            name->setText(QStringLiteral(" Zed "));
            page->CommitName();
            QCOMPARE(AttributeText(page->Item(), "name"), QStringLiteral("Zed"));
            QCOMPARE(page->Control(row.kind == node::kPublicGroup ? 1049
                                   : row.kind == node::kPrivate   ? 1055
                                                                  : 1065)
                         ->property("text")
                         .toString(),
                     QStringLiteral("Zed"));
            QCOMPARE(m_child->Tree()->FindNode(NodeData(row.kind, row.index))->text(0),
                     QStringLiteral("Zed"));

            // Leaving with an empty name: Cancel stays, OK deletes through the tree.
            name->clear();
            m_messages->answers = {mb::kIdCancel};
            QCOMPARE(page->ValidateData(), 0);
            QVERIFY(m_messages->texts.last().contains(QStringLiteral("- (Name)\n")));
            QCOMPARE(
                Doc()->Root().GetChildByName("Contacts").GetChildByName(row.list).GetChildCount(),
                row.countAfterDelete + 1);
            m_messages->answers = {mb::kIdOk, mb::kIdOk};
            QCOMPARE(page->ValidateData(), -1);
            QCOMPARE(
                Doc()->Root().GetChildByName("Contacts").GetChildByName(row.list).GetChildCount(),
                row.countAfterDelete);
        }
    }

    void privateIdTypingKeepsAValidNumber() {
        // The range's end is 500 for these cases.
        CDataItem limit = Doc()->Root().GetChildByName("limit");
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        limit.SetAttributeValue("valid_PID_end", std::string("500"), msgId, 0, style);
        auto* page = Show<CPrivateView>(node::kPrivate, 2);  // Cy, 103
        QVERIFY(page != nullptr);
        auto* pid = page->ControlAs<QLineEdit>(1061);
        QCOMPARE(pid->text(), QStringLiteral("103"));
        QCOMPARE(pid->maxLength(), 3);
        struct Row {
            const char* before;
            int caret;
            const char* typed;
            const char* after;
            int caretAfter;
        };
        for (const Row& row :
             {Row{"", 0, "007", "7", 1}, Row{"12", 1, "a", "12", 1}, Row{"", 0, "0", "", 0},
              Row{"45", 1, "7", "475", 2}, Row{"50", 2, "1", "50", 2}, Row{"50", 0, "6", "50", 0},
              Row{"5", 1, "00", "500", 3}}) {
            pid->setText(QString::fromLatin1(row.before));
            pid->setCursorPosition(row.caret);
            QTest::keyClicks(pid, QString::fromLatin1(row.typed));
            QCOMPARE(pid->text(), QString::fromLatin1(row.after));
            QCOMPARE(pid->cursorPosition(), row.caretAfter);
        }
        // A pasted text keeps its digits, the caret after them.
        pid->setText(QStringLiteral("9"));
        pid->setCursorPosition(0);
        pid->insert(QStringLiteral("a1"));
        QCOMPARE(pid->text(), QStringLiteral("19"));
        QCOMPARE(pid->cursorPosition(), 1);
        QCOMPARE(AttributeText(page->Item(), "pid"), QStringLiteral("103"));

        // Commit: empty, another contact's, out of range, then taken.
        m_messages->texts.clear();
        for (const char* text : {"", "102", "99", "150"}) {
            pid->setText(QString::fromLatin1(text));
            page->CommitId();
        }
        QCOMPARE(m_messages->texts.size(), 3);
        QCOMPARE(m_messages->texts.first(), QStringLiteral("ID field can not be empty!"));
        QCOMPARE(AttributeText(page->Item(), "pid"), QStringLiteral("150"));

        // An end below the start is a profile error.
        limit.SetAttributeValue("valid_PID_start", std::string("600"), msgId, 0, style);
        pid->setText(QStringLiteral("1"));
        QCOMPARE(m_messages->texts.last(),
                 QStringLiteral("Profile data Error! The profile will be closed."));
        m_messages->texts.clear();
    }

    void privateChannelHomeGroupAndReadButton() {
        auto* bob = Show<CPrivateView>(node::kPrivate, 1);
        QVERIFY(bob != nullptr);
        // A ringer of its own is a change of the profile.
        QVERIFY(!Doc()->IsModified());
        bob->ControlAs<QComboBox>(1066)->setCurrentIndex(4);
        QCOMPARE(AttributeNumber(bob->Item(), "alert_tone"), 5);
        QVERIFY(Doc()->IsModified());
        auto* home = bob->ControlAs<QComboBox>(1063);
        QCOMPARE(Items(home), Strings({"None", "Crew", "Fire", "Night watch"}));
        QCOMPARE(home->currentText(), QStringLiteral("Fire"));
        home->setCurrentIndex(0);
        QCOMPARE(AttributeText(bob->Item(), "home_grp"), QString());
        // An ID read from a radio goes into the ID field; a cancelled read changes nothing.
        for (const char* read : {"150", ""}) {
            CPrivateView::SetPidReader([read](QWidget*) -> std::optional<QString> {
                if (*read == 0) return std::nullopt;
                return QString::fromLatin1(read);
            });
            qobject_cast<QPushButton*>(bob->Control(1062))->click();
            QCOMPARE(bob->ControlAs<QLineEdit>(1061)->text(), QStringLiteral("150"));
        }
        CPrivateView::SetPidReader({});

        auto* ann = Show<CPrivateView>(node::kPrivate, 0);  // channel 1, in Crew and Night watch
        const std::string original = Text();
        auto* channel = ann->ControlAs<QComboBox>(1060);
        m_messages->answers = {mb::kIdCancel};
        channel->setCurrentIndex(1);
        QVERIFY(m_messages->texts.last().startsWith(
            QStringLiteral("Changing this Private contact's channel")));
        QCOMPARE(channel->currentIndex(), 0);
        QCOMPARE(Text(), original);
        channel->setCurrentIndex(1);  // OK: Night watch loses its only member and goes
        QCOMPARE(AttributeNumber(ann->Item(), "channel"), 2);
        QCOMPARE(Items(ann->ControlAs<QComboBox>(1063)),
                 Strings({"None", "Dock", "Harbour", "Rescue"}));
        QCOMPARE(ann->ControlAs<QComboBox>(1063)->currentIndex(), 0);
        QCOMPARE(m_child->Tree()->FindNode(NodeData(node::kPrivateGroups, 0))->childCount(), 7);
        Doc()->UndoStack()->undo();
        QCOMPARE(Text(), original);
    }

    void privateGroupMembersMoveAndFullPrivatesStayOut() {
        auto* crew = Show<CPrivateGroupView>(node::kPrivateGroup, 0);
        QVERIFY(crew != nullptr);
        QCOMPARE(Items(crew->Members()), Strings({"Ann", "Bob"}));
        QCOMPARE(Items(crew->AllPrivates()), Strings({"Cy (5 Group(s) Left)"}));
        QCOMPARE(Items(crew->ControlAs<QComboBox>(1071)), Strings({"103", "500"}));
        crew->AllPrivates()->item(0)->setSelected(true);
        crew->OnAddMembers();
        QCOMPARE(Items(crew->Members()), Strings({"Ann", "Bob", "Cy"}));
        crew->Members()->item(0)->setSelected(true);
        crew->Members()->item(1)->setSelected(true);
        crew->OnRemoveMembers();
        QCOMPARE(Items(crew->AllPrivates()),
                 Strings({"Ann (4 Group(s) Left)", "Bob (5 Group(s) Left)"}));
        QCOMPARE(CDataItem::GetContactNameByID(Doc()->Root(), "103"), std::string("Cy"));
        std::vector<std::string> pids;
        std::vector<std::string> names;
        CDataItem::GetGroupMemeber(Doc()->Root(), "500", pids, names);
        QCOMPARE(names, std::vector<std::string>{"Cy"});

        // The group takes Cy's ID, which Cy leaves free for groups.
        crew->ControlAs<QComboBox>(1071)->setCurrentIndex(0);
        QCOMPARE(AttributeText(crew->Item(), "pid"), QStringLiteral("103"));

        // Channel 3 has only Fay, who is in 5 groups: a group cannot move there.
        auto* channel = crew->ControlAs<QComboBox>(1070);
        channel->setCurrentIndex(2);
        QCOMPARE(m_messages->texts.last(),
                 QStringLiteral("No available private contacts in the new channel. The channel "
                                "will be reverted back to the previous value."));
        QCOMPARE(channel->currentIndex(), 0);

        // Take Fay out of Team 5 and put her in a new group of channel 3: in Team 5's list she
        // is then grey, cannot be chosen and says why.
        auto* team5 = Show<CPrivateGroupView>(node::kPrivateGroup, 7);
        team5->Members()->item(0)->setSelected(true);
        team5->OnRemoveMembers();
        QVERIFY(m_child->Tree()->AddNewItem(node::kPrivateGroups));
        auto* added = dynamic_cast<CPrivateGroupView*>(m_child->CurrentPage());
        QVERIFY(added != nullptr);
        added->ControlAs<QComboBox>(1070)->setCurrentIndex(2);
        QCOMPARE(Items(added->AllPrivates()), Strings({"Fay (1 Group(s) Left)"}));
        added->AllPrivates()->item(0)->setSelected(true);
        added->OnAddMembers();
        QCOMPARE(added->ValidateData(), 1);

        team5 = Show<CPrivateGroupView>(node::kPrivateGroup, 7);
        QListWidgetItem* fay = team5->AllPrivates()->item(0);
        QCOMPARE(fay->text(), QStringLiteral("Fay (0 Group(s) Left)"));
        QCOMPARE(fay->foreground().color(), QColor(164, 164, 164));
        QVERIFY(fay->toolTip().startsWith(QStringLiteral("This contact already belongs")));
        fay->setSelected(true);
        QVERIFY(!fay->isSelected());
        QVERIFY(!team5->Control(1073)->isEnabled());
        QCOMPARE(team5->StatusText(), fay->toolTip());

        // Leaving a group without members asks; OK deletes it.
        m_messages->answers = {mb::kIdCancel};
        QCOMPARE(team5->ValidateData(), 0);
        QVERIFY(m_messages->texts.last().contains(QStringLiteral("- (Group Members)\n")));
        m_messages->answers = {mb::kIdOk};
        QCOMPARE(team5->ValidateData(), -1);
        QCOMPARE(Doc()
                     ->Root()
                     .GetChildByName("Contacts")
                     .GetChildByName("PrivateGroups")
                     .GetChildCount(),
                 8);
    }
};

std::unique_ptr<QObject> MakeContactPagesTest() {
    return std::make_unique<ContactPagesTest>();
}

}  // namespace vex::gui::test

#include "contact_pages_test.moc"
