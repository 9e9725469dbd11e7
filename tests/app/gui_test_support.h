#pragma once

// What the window tests share: message boxes answered from a script, settings files of their own,
// and the fixture profiles.

#include <QDir>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>

#include "app/child_frame.h"
#include "app/gui_support.h"
#include "app/main_frame.h"
#include "editors/base_view.h"

namespace vex::gui::test {

// Records every message and answers from a queue (then with `fallback`).
class ScriptedMessages : public MessageBoxes {
  public:
    ScriptedMessages() { SetMessages(this); }
    ~ScriptedMessages() override { SetMessages(nullptr); }

    int Show(QWidget*, const QString& text, int style, const QString& details) override {
        texts.append(text);
        styles.append(style);
        lastDetails = details;
        if (answers.empty()) return fallback;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    QStringList texts;
    QList<int> styles;
    QString lastDetails;
    std::deque<int> answers;
    int fallback = mb::kIdOk;
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
        QDir(m_system.path()).mkpath(QStringLiteral("Kestrion"));
        QFile file(m_system.path() + QStringLiteral("/Kestrion/VEX480 PRG.ini"));
        if (file.open(QIODevice::WriteOnly)) file.write(systemIni);
    }
    QString UserPath() const { return m_user.path(); }

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
    return DataFolder() + QStringLiteral("/ProfileTemplate");
}

// A profile with 6 privates (Ann is the radio's own), 8 private groups, 3 public groups on 4
// channels and 2 text messages.
inline QString TwoChannelsProfile() {
    return QStringLiteral(VEX_TESTS_DIR "/model/fixtures/rules/two_channels.lam");
}

// A main window with the fixture profile open, on settings files of its own and message boxes
// answered from a script. The window goes first, then the boxes and the settings.
struct ProfileWindow {
    TestSettings settings;
    ScriptedMessages messages;
    std::unique_ptr<CMainFrame> frame = std::make_unique<CMainFrame>(DataFolder());
    CChildFrame* child = frame->OpenDocumentFile(TwoChannelsProfile());
};

}  // namespace vex::gui::test
