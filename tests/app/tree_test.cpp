// The navigation tree on a known profile: labels, counts, sections and pictures; Add, Delete and
// Rename through the rule script; update hints; the page's say over leaving it.

#include <QTreeWidgetItemIterator>
#include <QUndoStack>

#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/vexprg_doc.h"
#include "editors/base_view.h"
#include "editors/contacts_view.h"
#include "editors/tree_view.h"
#include "gui_test_support.h"

namespace vex::gui::test {

class TreeTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<ProfileWindow> m_window;
    ScriptedMessages* m_messages = nullptr;
    CMainFrame* m_frame = nullptr;
    CChildFrame* m_child = nullptr;
    CVEXPRGTreeView* m_tree = nullptr;

    // "<indent>label [image]" per node, "*" before a bold label, "+" after an expanded one.
    QStringList Listing() const {
        QStringList lines;
        for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it) {
            const QTreeWidgetItem* item = *it;
            int depth = 0;
            for (const QTreeWidgetItem* p = item->parent(); p != nullptr; p = p->parent()) ++depth;
            lines << QString(depth * 2, QLatin1Char(' ')) +
                         (item->font(0).bold() ? QStringLiteral("*") : QString()) + item->text(0) +
                         QStringLiteral(" [%1]").arg(item->data(0, kImageRole).toInt()) +
                         (item->isExpanded() ? QStringLiteral("+") : QString());
        }
        return lines;
    }

    QTreeWidgetItem* Node(int kind, int index) const {
        return m_tree->FindNode(NodeData(kind, index));
    }
    CDataItem List(const char* name) const {
        return m_child->Document()->Root().GetChildByName("Contacts").GetChildByName(name);
    }

  private slots:
    void init() {
        m_window = std::make_unique<ProfileWindow>();
        m_messages = &m_window->messages;
        m_frame = m_window->frame.get();
        m_child = m_window->child;
        QVERIFY(m_child != nullptr);
        m_tree = m_child->Tree();
    }

    void cleanup() { m_window.reset(); }

    void showsEverySectionWithLabelsCountsAndPictures() {
        const QStringList expected = {
            QStringLiteral("VEX480 [0]+"),
            QStringLiteral("  Settings [1]"),
            QStringLiteral("  Contacts [4]+"),
            QStringLiteral("    Privates [9]+"),
            QStringLiteral("      *Ann [11]"),
            QStringLiteral("      Bob [10]"),
            QStringLiteral("      Cy [10]"),
            QStringLiteral("      Dan [10]"),
            QStringLiteral("      Eve [10]"),
            QStringLiteral("      Fay [10]"),
            QStringLiteral("    Private Groups [7]+"),
            QStringLiteral("      Crew [8]"),
            QStringLiteral("      Dock [8]"),
            QStringLiteral("      Night watch [8]"),
            QStringLiteral("      Team 1 [8]"),
            QStringLiteral("      Team 2 [8]"),
            QStringLiteral("      Team 3 [8]"),
            QStringLiteral("      Team 4 [8]"),
            QStringLiteral("      Team 5 [8]"),
            QStringLiteral("    Public Groups [5]+"),
            QStringLiteral("      Fire [6]"),
            QStringLiteral("      Harbour [6]"),
            QStringLiteral("      Rescue [6]"),
            QStringLiteral("  Text Messages [2]"),
            QStringLiteral("    Call base [3]"),
            QStringLiteral("    On my way [3]"),
            QStringLiteral("  Lists [12]+"),
            QStringLiteral("    Scroll (3) [13]"),
            QStringLiteral("    Scan List [14]"),
            QStringLiteral("      Channel 1 (1) [14]"),
            QStringLiteral("      Channel 2 (1) [14]"),
            QStringLiteral("      Channel 3 (0) [14]"),
            QStringLiteral("      Channel 4 (0) [14]"),
        };
        QCOMPARE(Listing(), expected);
        QCOMPARE(Node(node::kPrivate, 1)->text(0), QStringLiteral("Bob"));
        QCOMPARE(Node(node::kScanChannel, 3)->text(0), QStringLiteral("Channel 4 (0)"));
        QCOMPARE(CVEXPRGTreeView::MessageLabel(QString(21, QLatin1Char('m'))),
                 QString(20, QLatin1Char('m')) + QStringLiteral("..."));
        QCOMPARE(CVEXPRGTreeView::MessageLabel(QString(20, QLatin1Char('m'))),
                 QString(20, QLatin1Char('m')));
    }

    void commandStateFollowsTheSelectedNode() {
        struct Row {
            int kind, index;
            bool add, del, rename;
        };
        for (const Row& row : {Row{node::kPublicGroups, 0, true, false, false},
                               Row{node::kPrivate, 2, false, true, true},
                               Row{node::kTextMessage, 0, false, true, false},
                               Row{node::kSettings, 0, false, false, false}}) {
            m_tree->UpdateCommandState(Node(row.kind, row.index));
            QCOMPARE(Flags().addAllowed, row.add);
            QCOMPARE(Flags().deleteAllowed, row.del);
            QCOMPARE(Flags().renameAllowed, row.rename);
        }
    }

    void addsThroughTheRulesAndSelectsTheNewEntry() {
        QVERIFY(m_tree->AddNewItem(node::kPublicGroups));
        QCOMPARE(Node(node::kPublicGroups, 0)->childCount(), 4);
        QCOMPARE(m_tree->currentItem()->text(0), QStringLiteral("New Public Grp 1"));
        QCOMPARE(NodeKind(m_tree->currentItem()->data(0, Qt::UserRole).toUInt()),
                 node::kPublicGroup);
        QVERIFY(m_child->Document()->IsModified());
        QCOMPARE(List("PublicGroups").GetChildCount(), 4);
    }

    void deleteAsksWhenTheRulesAskAndCancelKeepsEverything() {
        // Crew has members: the rules ask first.
        m_messages->answers = {mb::kIdCancel};
        m_tree->DelItem(node::kPrivateGroup, 0);
        QCOMPARE(m_messages->texts.size(), 1);
        QCOMPARE(List("PrivateGroups").GetChildCount(), 8);
        QCOMPARE(Node(node::kPrivateGroup, 0)->text(0), QStringLiteral("Crew"));
        QVERIFY(!m_child->Document()->IsModified());

        m_messages->answers = {mb::kIdOk};
        m_tree->DelItem(node::kPrivateGroup, 0);
        QCOMPARE(List("PrivateGroups").GetChildCount(), 7);
        QCOMPARE(Node(node::kPrivateGroup, 0)->text(0), QStringLiteral("Dock"));
        QCOMPARE(Node(node::kPrivateGroups, 0)->childCount(), 7);
        QCOMPARE(Node(node::kScrollList, 0)->text(0),
                 QStringLiteral("Scroll (2)"));  // Crew was listed
        QVERIFY(m_child->Document()->IsModified());
    }

    void renamesThroughTheRulesWithTheSkipOnceRule() {
        QTreeWidgetItem* bob = Node(node::kPrivate, 1);
        QVERIFY(!m_tree->RenameItem(bob, QStringLiteral("   "), false));
        QCOMPARE(bob->text(0), QStringLiteral("Bob"));
        QVERIFY(m_messages->texts.isEmpty());

        // A name the rules refuse (Ann has it) is shown and kept out.
        QVERIFY(!m_tree->RenameItem(bob, QStringLiteral("ann"), true));
        QCOMPARE(m_messages->texts.size(), 1);
        QCOMPARE(bob->text(0), QStringLiteral("Bob"));
        // The end of editing that follows a refused forced rename is skipped once.
        QVERIFY(!m_tree->RenameItem(bob, QStringLiteral("Robert"), false));
        QCOMPARE(bob->text(0), QStringLiteral("Bob"));
        QVERIFY(m_tree->RenameItem(bob, QStringLiteral(" Robert "), false));
        QCOMPARE(bob->text(0), QStringLiteral("Robert"));
        QVERIFY(m_child->Document()->IsModified());
    }

    void hintsRelabelTheNodesTheyName() {
        CDataItem fire = List("PublicGroups").GetChildByIndex(0);
        CDataItem harbour = List("PublicGroups").GetChildByIndex(1);
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        QCOMPARE(fire.SetAttributeValue("name", std::string("Fire North"), msgId, 0, style), 0);
        QCOMPARE(fire.SetAttributeValue("in_scroll_list", false, msgId, 0, style), 0);
        // Nothing changes before the hints.
        QCOMPARE(Node(node::kPublicGroup, 0)->text(0), QStringLiteral("Fire"));
        CVEXPRGDoc* document = m_child->Document();
        document->UpdateAllViews(nullptr, MakeHint(hint::kRefresh, node::kPublicGroup, 0));
        QCOMPARE(Node(node::kPublicGroup, 0)->text(0), QStringLiteral("Fire North"));
        QCOMPARE(Node(node::kScrollList, 0)->text(0), QStringLiteral("Scroll (3)"));
        document->UpdateAllViews(nullptr, MakeHint(hint::kRefresh, node::kScrollList, 0));
        QCOMPARE(Node(node::kScrollList, 0)->text(0), QStringLiteral("Scroll (2)"));
        QCOMPARE(Node(node::kScanChannel, 1)->text(0), QStringLiteral("Channel 2 (1)"));
        harbour.SetAttributeValue("in_scan_list", false, msgId, 0, style);
        document->UpdateAllViews(nullptr, MakeHint(hint::kRefresh, node::kScanChannel, 1));
        QCOMPARE(Node(node::kScanChannel, 1)->text(0), QStringLiteral("Channel 2 (0)"));
        // A hint to add through a page adds like the Add command.
        document->UpdateAllViews(nullptr, MakeHint(hint::kAdd, node::kTextMessages, 0));
        QCOMPARE(Node(node::kTextMessages, 0)->childCount(), 3);
    }

    void undoAndRedoTakeAWholeCascadeBackExactly() {
        CVEXPRGDoc* document = m_child->Document();
        const auto text = [&] { return document->Profile().Model().Serialise(); };
        const std::string before = text();
        // Ann is the only member of Night watch: the rules delete the group with her.
        m_messages->answers = {mb::kIdOk};
        m_tree->DelItem(node::kPrivate, 0);
        const std::string after = text();
        QCOMPARE(List("PrivateGroups").GetChildCount(), 7);
        QCOMPARE(document->UndoStack()->count(), 1);

        document->UndoStack()->undo();
        QCOMPARE(text(), before);
        QCOMPARE(Node(node::kPrivate, 0)->text(0), QStringLiteral("Ann"));
        QCOMPARE(Node(node::kPrivateGroups, 0)->childCount(), 8);
        document->UndoStack()->redo();
        QCOMPARE(text(), after);
        QCOMPARE(Node(node::kPrivate, 0)->text(0), QStringLiteral("Bob"));
        QVERIFY(document->IsModified());
    }

    void theShownPageDecidesWhetherTheSelectionMayLeave() {
        QTreeWidgetItem* settings = Node(node::kSettings, 0);
        QTreeWidgetItem* contacts = Node(node::kContacts, 0);
        m_tree->setCurrentItem(settings);
        m_child->InstallPage(new AnsweringPage(m_child->Document(), 0));
        m_tree->setCurrentItem(contacts);
        QCOMPARE(m_tree->currentItem(), settings);

        m_child->InstallPage(new AnsweringPage(m_child->Document(), 1));
        m_tree->setCurrentItem(contacts);
        QCOMPARE(m_tree->currentItem(), contacts);
        QVERIFY(qobject_cast<CContactsView*>(m_child->CurrentPage()) != nullptr);
    }
};

std::unique_ptr<QObject> MakeTreeTest() {
    return std::make_unique<TreeTest>();
}

}  // namespace vex::gui::test

#include "tree_test.moc"
