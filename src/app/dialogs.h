#pragma once

// The small dialogs of the application shell: a new profile from a model template, the dealer
// information, the serial-port preference, the About box and the splash window.

#include <QDialog>
#include <QSplashScreen>
#include <string>
#include <vector>

#include "settings/port_list.h"

class QComboBox;
class QListWidget;
class QPlainTextEdit;

namespace vex::gui {

// Lets the user pick the model whose default profile a new profile starts from: the "*.lam" files
// of the model template folder, listed by name without the extension and sorted.
class CNewProfileDlg : public QDialog {
    Q_OBJECT

  public:
    // Empties the chosen path (GetTemplatePath) and lists the models of `templateFolder`.
    explicit CNewProfileDlg(const QString& templateFolder, QWidget* parent = nullptr);

    // Without any model: message 10114 and Rejected, without showing the dialog.
    int exec() override;

    // The full path of the template chosen last; empty when the last dialog was cancelled.
    static QString GetTemplatePath();

    QListWidget* List() const noexcept { return m_list; }

  public slots:
    void accept() override;

  private:
    QString m_strFolder;
    QListWidget* m_list;
};

// The dealer's name, contact details and notes of the current language, kept in the settings.
class CDealerInfoDialog : public QDialog {
    Q_OBJECT

  public:
    explicit CDealerInfoDialog(QWidget* parent = nullptr);

    // Reads the three texts into the fields; false (after a message) when they cannot be read.
    bool LoadDealerInfo();

    QPlainTextEdit* Field(int index) const { return m_fields[static_cast<std::size_t>(index)]; }

  public slots:
    // Stores the three texts; stays open (after a message) when they cannot be stored.
    void accept() override;

  private:
    std::vector<QPlainTextEdit*> m_fields;  // dealer info, contact info, notes
};

// The serial port through which every radio operation talks to the radio.
class CPreferenceDialog : public QDialog {
    Q_OBJECT

  public:
    // Lists `ports` (the system's and the running virtual radios) and selects the one in use.
    explicit CPreferenceDialog(std::vector<PortEntry> ports, QWidget* parent = nullptr);

    QString GetSelectedPort() const;
    void SelectCurrentPort(const QString& name);
    QComboBox* PortList() const noexcept { return m_ports; }

  public slots:
    // Stores the selected port as the current one (nothing changes without a port to select).
    void accept() override;

  private:
    std::vector<PortEntry> m_entries;
    QComboBox* m_ports;
};

class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// The picture shown for 2.5 s while the program starts.
class CSplashWnd : public QSplashScreen {
    Q_OBJECT

  public:
    static constexpr int kShowMilliseconds = 2500;

    // Shows the splash (once: nothing when one is shown already) over `mainWindow`.
    static void ShowSplashScreen(QWidget* mainWindow);

  private:
    explicit CSplashWnd(const QPixmap& picture);
};

}  // namespace vex::gui
