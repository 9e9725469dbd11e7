#pragma once

// What the window tests share: message boxes answered from a script, settings files of their own,
// the fixture profiles (in a document alone or in a main window) and the readers of lists.

#include <QtTest>
#include <QtWidgets>
#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "app/child_frame.h"
#include "app/gui_support.h"
#include "app/main_frame.h"
#include "app/vexprg_doc.h"
#include "editors/base_view.h"
#include "editors/contact_table.h"
#include "editors/tree_view.h"

namespace vex::gui::test {

using namespace Qt::StringLiterals;

// Records every message and answers from a queue (then with OK).
class ScriptedMessages : public MessageBoxes {
  public:
    ScriptedMessages() { SetMessages(this); }
    ~ScriptedMessages() override { SetMessages(nullptr); }

    int Show(QWidget*, const QString& text, int, const QString& details) override {
        texts.append(text);
        lastDetails = details;
        if (answers.empty()) return mb::kIdOk;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    QStringList texts;
    QString lastDetails;
    std::deque<int> answers;
};

// Points both settings scopes at folders of the test's own; the system file holds
// `systemIni` (INI text).
class TestSettings {
  public:
    explicit TestSettings(const QByteArray& systemIni = "[General]\nDefaultLanguage=English\n") {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_user.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, m_system.path());
        qputenv("XDG_CONFIG_HOME", m_user.path().toUtf8());
        qputenv("XDG_CONFIG_DIRS", m_system.path().toUtf8());
        QDir(m_system.path()).mkpath(u"Kestrion"_s);
        QFile file(m_system.path() + u"/Kestrion/VEX480 PRG.ini"_s);
        if (file.open(QIODevice::WriteOnly)) file.write(systemIni);
    }

  private:
    QTemporaryDir m_user;
    QTemporaryDir m_system;
};

// A page that answers "may the selection leave you?" (and the save guard) as told.
class AnsweringPage : public CBaseView {
  public:
    AnsweringPage(CVEXPRGDoc* document, int answer) : CBaseView(document, 0, 0), m_answer(answer) {}
    int ValidateData() override { return m_answer; }

  private:
    int m_answer;
};

inline QString DataFolder() {
    return QStringLiteral(VEX_SOURCE_DATA_DIR);
}
inline QString TemplateFolder() {
    return DataFolder() + u"/ProfileTemplate"_s;
}

// A profile with 6 privates (Ann is the radio's own), 8 private groups, 3 public groups on 4
// channels and 2 text messages.
inline QString TwoChannelsProfile() {
    return QStringLiteral(VEX_TESTS_DIR "/model/fixtures/rules/two_channels.lam");
}

// Settings files of the test's own and message boxes answered from a script.
struct Session {
    TestSettings settings;
    ScriptedMessages messages;
};

inline CDataItem ContactList(const CDataItem& root, const char* name) {
    return root.GetChildByName("Contacts").GetChildByName(name);
}

inline std::int32_t SetValue(CDataItem item, const char* attribute, const AttributeValue& value) {
    std::int32_t msgId = 0;
    std::int32_t style = 0;
    return item.SetAttributeValue(attribute, value, msgId, 0, style);
}

// The fixture profile in a document of its own, without a window.
struct ProfileDocument : Session {
    ProfileDocument() { document.Open(TwoChannelsProfile()); }
    CDataItem List(const char* name) const { return ContactList(document.Root(), name); }
    std::string Text() const { return document.Profile().Model().Serialise(); }

    CVEXPRGDoc document{TemplateFolder()};
};

// A main window with the fixture profile open. The window goes first, then the boxes and the
// settings.
struct ProfileWindow : Session {
    CVEXPRGDoc* Doc() const { return child->Document(); }
    CVEXPRGTreeView* Tree() const { return child->Tree(); }
    CDataItem List(const char* name) const { return ContactList(Doc()->Root(), name); }
    std::string Text() const { return Doc()->Profile().Model().Serialise(); }
    QTreeWidgetItem* Node(int kind, int index) const {
        return Tree()->FindNode(NodeData(kind, index));
    }
    // Selects the node and returns the page it shows (null when there is no such node or page).
    template <typename Page>
    Page* Show(int kind, int index) const {
        QTreeWidgetItem* item = Node(kind, index);
        if (item == nullptr) return nullptr;
        Tree()->setCurrentItem(item);
        return dynamic_cast<Page*>(child->CurrentPage());
    }

    std::unique_ptr<CMainFrame> frame = std::make_unique<CMainFrame>(DataFolder());
    CChildFrame* child = frame->OpenDocumentFile(TwoChannelsProfile());
};

// The texts of a list's entries (a combo box's or a list widget's); of a contact table's names
// (only the rows shown if asked).
template <typename List>
QStringList Texts(const List* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->model()->index(i, 0).data().toString();
    return texts;
}
inline QStringList Names(const QTableWidget* table, bool visibleOnly = false) {
    QStringList names;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (visibleOnly && table->isRowHidden(row)) continue;
        names << table->item(row, contact_column::kName)->text();
    }
    return names;
}

inline void Select(QTableWidget* table, const QStringList& names) {
    table->clearSelection();
    for (int row = 0; row < table->rowCount(); ++row) {
        if (names.contains(table->item(row, contact_column::kName)->text())) {
            table->selectionModel()->select(
                table->model()->index(row, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
}

// The test classes by name, for main.cpp to pick one from; VEX_GUI_TEST adds a class.
inline std::map<QString, std::function<std::unique_ptr<QObject>()>>& TestClasses() {
    static std::map<QString, std::function<std::unique_ptr<QObject>()>> classes;
    return classes;
}

}  // namespace vex::gui::test

#define VEX_GUI_TEST(name)                                                                      \
    static const bool name##Added =                                                             \
        (TestClasses().emplace(QStringLiteral(#name), [] { return std::make_unique<name>(); }), \
         true);
