// A main window on the fixture profile: the navigation tree (its listing, commands through the
// rules, hints, the page's say over leaving) and the contact pages (each way a field commits, the
// private ID's typing rules, membership lists, deletion offered, undo back to the exact profile).

#include "editors/contact_page.h"
#include "editors/contacts_view.h"
#include "editors/item_values.h"
#include "editors/lists_view.h"
#include "editors/private_group_view.h"
#include "editors/private_view.h"
#include "editors/public_group_view.h"
#include "editors/text_messages_view.h"
#include "gui_test_support.h"

namespace vex::gui::test {

class WindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<ProfileWindow> m_w;
    CVEXPRGTreeView* m_tree = nullptr;

    // "label [image]" of a node: "*" before a bold label, "+" after an expanded one.
    static QString Label(const QTreeWidgetItem* item) {
        return (item->font(0).bold() ? u"*"_s : QString()) + item->text(0) +
               u" [%1]"_s.arg(item->data(0, kImageRole).toInt()) +
               (item->isExpanded() ? u"+"_s : QString());
    }
    // One line per node with children: "parent: child, child, ...", in tree order.
    QStringList Listing() const {
        QStringList lines;
        for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it) {
            if ((*it)->childCount() == 0) continue;
            QStringList children;
            for (int i = 0; i < (*it)->childCount(); ++i) children << Label((*it)->child(i));
            lines << Label(*it) + u": "_s + children.join(u", "_s);
        }
        return lines;
    }
    QTreeWidgetItem* Node(int kind, int index) const { return m_w->Node(kind, index); }

  private slots:
    void init() {
        m_w = std::make_unique<ProfileWindow>();
        QVERIFY(m_w->child != nullptr);
        m_tree = m_w->Tree();
    }
    void cleanup() {
        QVERIFY(
            !m_w->messages.texts.contains(u"Profile data Error! The profile will be closed."_s));
        m_w.reset();
    }

    void showsEverySectionWithLabelsCountsAndPictures() {
        QCOMPARE(m_tree->topLevelItemCount(), 1);
        // One line per node with children, as Listing() writes them.
        QFile expected(QStringLiteral(VEX_TESTS_DIR "/app/fixtures/two_channels_tree.txt"));
        QVERIFY(expected.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(Listing(), QString::fromUtf8(expected.readAll()).split(u'\n', Qt::SkipEmptyParts));
        QCOMPARE(CVEXPRGTreeView::MessageLabel(QString(21, QLatin1Char('m'))),
                 QString(20, QLatin1Char('m')) + u"..."_s);
        QCOMPARE(CVEXPRGTreeView::MessageLabel(QString(20, QLatin1Char('m'))),
                 QString(20, QLatin1Char('m')));
    }

    void commandStateFollowsTheSelectedNodeAndAddSelectsTheNewEntry() {
        // (A private's node and the settings' are the shell test's, through the Edit menu.)
        const std::tuple<int, int, bool, bool, bool> rows[] = {
            {node::kPublicGroups, 0, true, false, false},
            {node::kTextMessage, 0, false, true, false}};
        for (const auto& [kind, index, add, del, rename] : rows) {
            m_tree->UpdateCommandState(Node(kind, index));
            QCOMPARE(Flags().addAllowed, add);
            QCOMPARE(Flags().deleteAllowed, del);
            QCOMPARE(Flags().renameAllowed, rename);
        }
        // Add goes through the rules and selects the new entry.
        QVERIFY(m_tree->AddNewItem(node::kPublicGroups));
        QCOMPARE(Node(node::kPublicGroups, 0)->childCount(), 4);
        QCOMPARE(m_tree->currentItem()->text(0), u"New Public Grp 1"_s);
        QVERIFY(m_w->Doc()->IsModified());
        QCOMPARE(m_w->List("PublicGroups").GetChildCount(), 4);
    }

    void deleteAsksWhenTheRulesAskAndUndoTakesAWholeCascadeBack() {
        // Crew has members: the rules ask first; Cancel keeps everything.
        m_w->messages.answers = {mb::kIdCancel};
        m_tree->DelItem(node::kPrivateGroup, 0);
        QCOMPARE(m_w->messages.texts.size(), 1);
        QCOMPARE(m_w->List("PrivateGroups").GetChildCount(), 8);
        QCOMPARE(Node(node::kPrivateGroup, 0)->text(0), u"Crew"_s);
        QVERIFY(!m_w->Doc()->IsModified());

        m_w->messages.answers = {mb::kIdOk};
        m_tree->DelItem(node::kPrivateGroup, 0);
        QCOMPARE(m_w->List("PrivateGroups").GetChildCount(), 7);
        QCOMPARE(Node(node::kPrivateGroup, 0)->text(0), u"Dock"_s);
        QCOMPARE(Node(node::kPrivateGroups, 0)->childCount(), 7);
        QCOMPARE(Node(node::kScrollList, 0)->text(0), u"Scroll (2)"_s);  // Crew was listed
        QVERIFY(m_w->Doc()->IsModified());

        // Ann is now the only member of Night watch: the rules delete the group with her, and
        // undo and redo take the whole cascade.
        QUndoStack* undo = m_w->Doc()->UndoStack();
        const std::string before = m_w->Text();
        m_tree->DelItem(node::kPrivate, 0);
        const std::string after = m_w->Text();
        QCOMPARE(m_w->List("PrivateGroups").GetChildCount(), 6);
        QCOMPARE(undo->count(), 2);
        undo->undo();
        QCOMPARE(m_w->Text(), before);
        QCOMPARE(Node(node::kPrivate, 0)->text(0), u"Ann"_s);
        QCOMPARE(Node(node::kPrivateGroups, 0)->childCount(), 7);
        undo->redo();
        QCOMPARE(m_w->Text(), after);
        QCOMPARE(Node(node::kPrivate, 0)->text(0), u"Bob"_s);
    }

    void renamesThroughTheRulesWithTheSkipOnceRule() {
        // A blank name is dropped quietly; one the rules refuse (Ann has it) is shown and kept
        // out; the end of editing that follows a refused forced rename is skipped once.
        const std::tuple<const char*, bool, bool, const char*, int> steps[] = {
            {"   ", false, false, "Bob", 0},
            {"ann", true, false, "Bob", 1},
            {"Robert", false, false, "Bob", 1},
            {" Robert ", false, true, "Robert", 1}};
        QTreeWidgetItem* bob = Node(node::kPrivate, 1);
        for (const auto& [name, forced, taken, shown, messages] : steps) {
            QCOMPARE(m_tree->RenameItem(bob, QString::fromLatin1(name), forced), taken);
            QCOMPARE(bob->text(0), QString::fromLatin1(shown));
            QCOMPARE(m_w->messages.texts.size(), messages);
        }
        QVERIFY(m_w->Doc()->IsModified());
    }

    void hintsRelabelTheNodesTheyName() {
        const CDataItem groups = m_w->List("PublicGroups");
        QCOMPARE(SetValue(groups.GetChildByIndex(0), "name", std::string("Fire North")), 0);
        QCOMPARE(SetValue(groups.GetChildByIndex(0), "in_scroll_list", false), 0);
        // Each node keeps its label until a hint names it (a scan channel's: through its page,
        // below).
        const std::tuple<int, int, const char*, const char*> steps[] = {
            {node::kPublicGroup, 0, "Fire", "Fire North"},
            {node::kScrollList, 0, "Scroll (3)", "Scroll (2)"}};
        for (const auto& [kind, index, before, after] : steps) {
            QCOMPARE(Node(kind, index)->text(0), QString::fromLatin1(before));
            m_w->Doc()->UpdateAllViews(nullptr, MakeHint(hint::kRefresh, kind, index));
            QCOMPARE(Node(kind, index)->text(0), QString::fromLatin1(after));
        }
        // A hint to add through a page adds like the Add command.
        m_w->Doc()->UpdateAllViews(nullptr, MakeHint(hint::kAdd, node::kTextMessages, 0));
        QCOMPARE(Node(node::kTextMessages, 0)->childCount(), 3);
    }

    void pagesWorkWithTheTreeOfTheirWindow() {
        // The shown page decides whether the selection may leave: a blank message asks first;
        // Cancel stays on it, OK deletes it and moves on.
        auto* message = m_w->Show<CTextMessageView>(node::kTextMessage, 1);
        QVERIFY(message != nullptr);
        message->Edit()->setPlainText(u" \n \t"_s);
        m_w->messages.answers = {mb::kIdCancel, mb::kIdOk};
        m_tree->setCurrentItem(Node(node::kSettings, 0));
        QCOMPARE(m_tree->currentItem(), Node(node::kTextMessage, 1));
        QCOMPARE(m_w->messages.texts.last(),
                 u"The message field is blank. By continuing, this message will be "
                 "deleted. Do you want to continue?"_s);
        m_tree->setCurrentItem(Node(node::kContacts, 0));
        QVERIFY(qobject_cast<CContactsView*>(m_w->child->CurrentPage()) != nullptr);
        QCOMPARE(m_w->Doc()->Root().GetChildByName("TextMessages").GetChildCount(), 1);
        QCOMPARE(Node(node::kTextMessages, 0)->childCount(), 1);

        // A move on a scan channel page updates the channel's count in the tree; undo restores.
        auto* channel = m_w->Show<CScanChannelView>(node::kScanChannel, 1);
        QVERIFY(channel != nullptr);
        QCOMPARE(Node(node::kScanChannel, 1)->text(0), u"Channel 2 (1)"_s);
        Select(channel->Available(), {"Rescue"});
        channel->AddButton()->click();
        QCOMPARE(Node(node::kScanChannel, 1)->text(0), u"Channel 2 (2)"_s);
        m_w->Doc()->UndoStack()->undo();
        QCOMPARE(Node(node::kScanChannel, 1)->text(0), u"Channel 2 (1)"_s);
        auto* again = qobject_cast<CScanChannelView*>(m_w->child->CurrentPage());
        QVERIFY(again != nullptr);
        QCOMPARE(Names(again->Members()), QStringList({"Harbour"}));
        QCOMPARE(m_w->messages.texts.size(), 2);
    }

    void listPagesShowFilterAndSortTheirContacts() {
        // Each list: its rows, a filter and the rows it leaves shown.
        const std::tuple<int, int, const char*, const char*> lists[] = {
            {node::kPublicGroups, 3, "999", "Fire|Harbour|Rescue"},
            {node::kPrivates, 6, "aN", "Ann|Dan"},
            {node::kPrivateGroups, 8, "51", "Team 1|Team 2|Team 3|Team 4|Team 5"}};
        for (const auto& [kind, rows, filter, visible] : lists) {
            auto* page = m_w->Show<CContactListView>(kind, 0);
            QVERIFY(page != nullptr);
            auto* table = page->ControlAs<QTableWidget>(2002);
            QCOMPARE(table->rowCount(), rows);
            page->ControlAs<QLineEdit>(2001)->setText(QString::fromLatin1(filter));
            QCOMPARE(Names(table, true), QString::fromLatin1(visible).split(u'|'));
        }
        // Privates by ID, highest first; the home group by name.
        auto* table =
            m_w->Show<CContactListView>(node::kPrivates, 0)->ControlAs<QTableWidget>(2002);
        table->sortByColumn(2, Qt::DescendingOrder);
        QCOMPARE(table->item(0, 0)->text(), u"Fay"_s);
        QCOMPARE(table->item(0, 3)->text(), u"Team 1"_s);
        QVERIFY(!m_w->Doc()->IsModified());
    }

    void publicGroupChannelAndIdCommitAsTheRulesSay() {
        auto* page = m_w->Show<CPublicGroupView>(node::kPublicGroup, 0);  // Fire, 9999, channel 1
        QVERIFY(page != nullptr);
        auto* channel = page->ControlAs<QComboBox>(1002);
        auto* id = page->ControlAs<QComboBox>(1004);
        QCOMPARE(Texts(id).mid(0, 4), QStringList({"   1", "x  2", "x  3", "   4"}));
        QCOMPARE(id->count(), 12);
        QCOMPARE(id->currentIndex(), 0);
        // The name commits when the focus moves on inside the page, not when it leaves it.
        m_w->frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_w->frame.get()));
        auto* name = page->ControlAs<QLineEdit>(1053);
        name->setFocus();
        name->setText(u"Blaze"_s);
        m_w->Tree()->setFocus();
        QCoreApplication::processEvents();
        QCOMPARE(AttributeText(page->Item(), "name"), u"Fire"_s);
        name->setFocus();
        channel->setFocus();
        QCoreApplication::processEvents();
        QCOMPARE(AttributeText(page->Item(), "name"), u"Blaze"_s);
        m_w->Doc()->UndoStack()->undo();
        page = m_w->Show<CPublicGroupView>(node::kPublicGroup, 0);  // the window was rebuilt
        channel = page->ControlAs<QComboBox>(1002);
        id = page->ControlAs<QComboBox>(1004);
        const std::string original = m_w->Text();

        // In a scan list: the question names both channels; Cancel keeps everything.
        m_w->messages.answers = {mb::kIdCancel};
        channel->setCurrentIndex(1);
        QCOMPARE(m_w->messages.texts.last(),
                 u"Changing the channel will remove this public group from channel 1's scan list "
                 "and add it to channel 2's scan list. Do you want to continue?"_s);
        QCOMPARE(channel->currentIndex(), 0);
        QCOMPARE(m_w->Text(), original);
        channel->setCurrentIndex(1);  // answered OK
        QCOMPARE(AttributeNumber(m_w->List("PublicGroups").GetChildByIndex(0), "channel"), 2);

        // A position another group holds is refused and the list goes back.
        const int before = static_cast<int>(m_w->messages.texts.size());
        id->setCurrentIndex(1);
        QCOMPARE(m_w->messages.texts.size(), before + 1);
        QCOMPARE(id->currentIndex(), 0);
        id->setCurrentIndex(3);
        QCOMPARE(AttributeText(m_w->List("PublicGroups").GetChildByIndex(0), "pid"), u"9996"_s);

        // Two undo steps back to the profile as it was opened.
        for (int step = 0; step < 2; ++step) m_w->Doc()->UndoStack()->undo();
        QVERIFY(!m_w->Doc()->UndoStack()->canUndo());
        QCOMPARE(m_w->Text(), original);
    }

    void namesCommitOnLeavingAndWrongFieldsOfferDeletion() {
        // The page, its name field and heading, its list and the list's size after the deletion.
        const std::tuple<int, int, int, int, const char*, int> rows[] = {
            {node::kPublicGroup, 2, 1053, 1049, "PublicGroups", 2},
            {node::kPrivate, 4, 1059, 1055, "Privates", 5},
            {node::kPrivateGroup, 1, 1069, 1065, "PrivateGroups", 7}};
        for (const auto& [kind, index, nameId, labelId, list, countAfterDelete] : rows) {
            auto* page = m_w->Show<CContactItemView>(kind, index);
            QVERIFY(page != nullptr);
            auto* name = page->ControlAs<QLineEdit>(nameId);
            m_w->messages.texts.clear();
            // Empty and another contact's (in other case) are refused; the trimmed name is taken.
            for (const char* text : {"  ", "cREW", " Zed "}) {
                name->setText(QString::fromLatin1(text));
                page->CommitName();
            }
            QCOMPARE(m_w->messages.texts.size(), 2);
            QCOMPARE(m_w->messages.texts.first(), u"Name field can not be empty!"_s);
            QCOMPARE(AttributeText(page->Item(), "name"), u"Zed"_s);
            QCOMPARE(page->Control(labelId)->property("text").toString(), u"Zed"_s);
            QCOMPARE(m_w->Node(kind, index)->text(0), u"Zed"_s);

            // Leaving with an empty name: Cancel stays, OK deletes through the tree.
            name->clear();
            m_w->messages.answers = {mb::kIdCancel};
            QCOMPARE(page->ValidateData(), 0);
            QVERIFY(m_w->messages.texts.last().contains(u"- (Name)\n"_s));
            QCOMPARE(m_w->List(list).GetChildCount(), countAfterDelete + 1);
            m_w->messages.answers = {mb::kIdOk, mb::kIdOk};
            QCOMPARE(page->ValidateData(), -1);
            QCOMPARE(m_w->List(list).GetChildCount(), countAfterDelete);
        }
    }

    void privateIdTypingKeepsAValidNumber() {
        // The range's end is 500 for these cases.
        CDataItem limit = m_w->Doc()->Root().GetChildByName("limit");
        QCOMPARE(SetValue(limit, "valid_PID_end", std::string("500")), 0);
        auto* page = m_w->Show<CPrivateView>(node::kPrivate, 2);  // Cy, 103
        QVERIFY(page != nullptr);
        auto* pid = page->ControlAs<QLineEdit>(1061);
        QCOMPARE(pid->maxLength(), 3);
        // The text with its caret (^) before, the keys typed, the text and caret after.
        const std::array<const char*, 3> typing[] = {
            {"^", "007", "7^"},  {"1^2", "a", "1^2"}, {"^", "0", "^"},     {"4^5", "7", "47^5"},
            {"50^", "1", "50^"}, {"^50", "6", "^50"}, {"5^", "00", "500^"}};
        const auto shown = [pid] { return pid->text().insert(pid->cursorPosition(), u'^'); };
        for (const auto& [before, typed, after] : typing) {
            const QString start = QString::fromLatin1(before);
            pid->setText(QString(start).remove(u'^'));
            pid->setCursorPosition(start.indexOf(u'^'));
            QTest::keyClicks(pid, QString::fromLatin1(typed));
            QCOMPARE(shown(), QString::fromLatin1(after));
        }
        // A pasted text keeps its digits, the caret after them.
        pid->setText(u"9"_s);
        pid->setCursorPosition(0);
        pid->insert(u"a1"_s);
        QCOMPARE(shown(), u"1^9"_s);
        QCOMPARE(AttributeText(page->Item(), "pid"), u"103"_s);

        // Commit: empty, another contact's, out of range, then taken.
        m_w->messages.texts.clear();
        for (const char* text : {"", "102", "99", "150"}) {
            pid->setText(QString::fromLatin1(text));
            page->CommitId();
        }
        QCOMPARE(m_w->messages.texts.size(), 3);
        QCOMPARE(m_w->messages.texts.first(), u"ID field can not be empty!"_s);
        QCOMPARE(AttributeText(page->Item(), "pid"), u"150"_s);

        // An end below the start is a profile error.
        SetValue(limit, "valid_PID_start", std::string("600"));
        pid->setText(u"1"_s);
        QCOMPARE(m_w->messages.texts.last(), u"Profile data Error! The profile will be closed."_s);
        m_w->messages.texts.clear();
    }

    void privateChannelHomeGroupAndReadButton() {
        auto* bob = m_w->Show<CPrivateView>(node::kPrivate, 1);
        QVERIFY(bob != nullptr);
        // A ringer of its own is a change of the profile.
        QVERIFY(!m_w->Doc()->IsModified());
        bob->ControlAs<QComboBox>(1066)->setCurrentIndex(4);
        QCOMPARE(AttributeNumber(bob->Item(), "alert_tone"), 5);
        QVERIFY(m_w->Doc()->IsModified());
        auto* home = bob->ControlAs<QComboBox>(1063);
        QCOMPARE(Texts(home), QStringList({"None", "Crew", "Fire", "Night watch"}));
        QCOMPARE(home->currentText(), u"Fire"_s);
        home->setCurrentIndex(0);
        QCOMPARE(AttributeText(bob->Item(), "home_grp"), QString());
        // An ID read from a radio goes into the ID field; a cancelled read changes nothing.
        for (const char* read : {"150", ""}) {
            CPrivateView::SetPidReader([read](QWidget*) -> std::optional<QString> {
                if (*read == 0) return std::nullopt;
                return QString::fromLatin1(read);
            });
            qobject_cast<QPushButton*>(bob->Control(1062))->click();
            QCOMPARE(bob->ControlAs<QLineEdit>(1061)->text(), u"150"_s);
        }
        CPrivateView::SetPidReader({});

        // Ann: channel 1, in Crew and Night watch.
        auto* ann = m_w->Show<CPrivateView>(node::kPrivate, 0);
        const std::string original = m_w->Text();
        auto* channel = ann->ControlAs<QComboBox>(1060);
        m_w->messages.answers = {mb::kIdCancel};
        channel->setCurrentIndex(1);
        QVERIFY(
            m_w->messages.texts.last().startsWith(u"Changing this Private contact's channel"_s));
        QCOMPARE(channel->currentIndex(), 0);
        QCOMPARE(m_w->Text(), original);
        channel->setCurrentIndex(1);  // OK: Night watch loses its only member and goes
        QCOMPARE(AttributeNumber(ann->Item(), "channel"), 2);
        QCOMPARE(Texts(ann->ControlAs<QComboBox>(1063)),
                 QStringList({"None", "Dock", "Harbour", "Rescue"}));
        QCOMPARE(ann->ControlAs<QComboBox>(1063)->currentIndex(), 0);
        QCOMPARE(m_w->Node(node::kPrivateGroups, 0)->childCount(), 7);
        m_w->Doc()->UndoStack()->undo();
        QCOMPARE(m_w->Text(), original);
    }

    void privateGroupMembersMoveAndFullPrivatesStayOut() {
        auto* crew = m_w->Show<CPrivateGroupView>(node::kPrivateGroup, 0);
        QVERIFY(crew != nullptr);
        QCOMPARE(Texts(crew->Members()), QStringList({"Ann", "Bob"}));
        QCOMPARE(Texts(crew->AllPrivates()), QStringList({"Cy (5 Group(s) Left)"}));
        QCOMPARE(Texts(crew->ControlAs<QComboBox>(1071)), QStringList({"103", "500"}));
        crew->AllPrivates()->item(0)->setSelected(true);
        crew->OnAddMembers();
        QCOMPARE(Texts(crew->Members()), QStringList({"Ann", "Bob", "Cy"}));
        crew->Members()->item(0)->setSelected(true);
        crew->Members()->item(1)->setSelected(true);
        crew->OnRemoveMembers();
        QCOMPARE(Texts(crew->AllPrivates()),
                 QStringList({"Ann (4 Group(s) Left)", "Bob (5 Group(s) Left)"}));
        std::vector<std::string> pids;
        std::vector<std::string> names;
        CDataItem::GetGroupMemeber(m_w->Doc()->Root(), "500", pids, names);
        QCOMPARE(names, std::vector<std::string>{"Cy"});

        // The group takes Cy's ID, which Cy leaves free for groups.
        crew->ControlAs<QComboBox>(1071)->setCurrentIndex(0);
        QCOMPARE(AttributeText(crew->Item(), "pid"), u"103"_s);

        // Channel 3 has only Fay, who is in 5 groups: a group cannot move there.
        auto* channel = crew->ControlAs<QComboBox>(1070);
        channel->setCurrentIndex(2);
        QCOMPARE(m_w->messages.texts.last(),
                 u"No available private contacts in the new channel. The channel will be reverted "
                 "back to the previous value."_s);
        QCOMPARE(channel->currentIndex(), 0);

        // Take Fay out of Team 5 and put her in a new group of channel 3: in Team 5's list she
        // is then grey, cannot be chosen and says why.
        auto* team5 = m_w->Show<CPrivateGroupView>(node::kPrivateGroup, 7);
        team5->Members()->item(0)->setSelected(true);
        team5->OnRemoveMembers();
        QVERIFY(m_w->Tree()->AddNewItem(node::kPrivateGroups));
        auto* added = dynamic_cast<CPrivateGroupView*>(m_w->child->CurrentPage());
        QVERIFY(added != nullptr);
        added->ControlAs<QComboBox>(1070)->setCurrentIndex(2);
        QCOMPARE(Texts(added->AllPrivates()), QStringList({"Fay (1 Group(s) Left)"}));
        added->AllPrivates()->item(0)->setSelected(true);
        added->OnAddMembers();
        QCOMPARE(added->ValidateData(), 1);

        team5 = m_w->Show<CPrivateGroupView>(node::kPrivateGroup, 7);
        QListWidgetItem* fay = team5->AllPrivates()->item(0);
        QCOMPARE(fay->text(), u"Fay (0 Group(s) Left)"_s);
        QCOMPARE(fay->foreground().color(), QColor(164, 164, 164));
        QVERIFY(fay->toolTip().startsWith(u"This contact already belongs"_s));
        fay->setSelected(true);
        QVERIFY(!fay->isSelected());
        QVERIFY(!team5->Control(1073)->isEnabled());
        QCOMPARE(team5->StatusText(), fay->toolTip());

        // Leaving a group without members asks; OK deletes it.
        m_w->messages.answers = {mb::kIdCancel};
        QCOMPARE(team5->ValidateData(), 0);
        QVERIFY(m_w->messages.texts.last().contains(u"- (Group Members)\n"_s));
        m_w->messages.answers = {mb::kIdOk};
        QCOMPARE(team5->ValidateData(), -1);
        QCOMPARE(m_w->List("PrivateGroups").GetChildCount(), 8);
    }
};

VEX_GUI_TEST(WindowTest)

}  // namespace vex::gui::test

#include "window_test.moc"
