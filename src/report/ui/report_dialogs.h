#pragma once

// The report chooser and the report window of the desktop application.

#include <QDialog>
#include <QMarginsF>
#include <QPoint>
#include <functional>

#include "report/report_generator.h"

class QListWidget;
class QPrinter;
class QPushButton;
class QTextBrowser;

namespace vex::gui {

// Offers the radio-specific and the overview report of a profile. The radio-specific report needs
// the radio's own entry (a private with the radio's own private ID): without one its row is grey
// and cannot be chosen, and the overview is selected.
class CReportOptionDlg : public QDialog {
    Q_OBJECT

  public:
    CReportOptionDlg(const CDataItem& root, QWidget* parent = nullptr);

    bool HasOwnEntry() const noexcept { return m_bHasOwnEntry; }
    ReportKind SelectedReport() const;
    QListWidget* List() const noexcept { return m_list; }

  private:
    bool m_bHasOwnEntry;
    QListWidget* m_list;
};

// Builds the report into the installation's report folder (into a folder of the user's when that
// one cannot be written) and shows it in the report window. A failure is shown in a message box.
void ShowReport(QWidget* parent, ReportKind kind, const CDataItem& root,
                const QString& installPath);

// Asks for the path to save a report or a PDF to (suggested name, file filter); empty when
// cancelled. The program uses a file dialog; tests set their own.
using ReportPathAsker =
    std::function<QString(QWidget* parent, const QString& suggestion, const QString& filter)>;
void SetReportPathAsker(ReportPathAsker asker);

// Shows a report page with its pictures and lets the user preview, print, save or export it. The
// page area fills the window but for a strip of 50 pixels at the bottom, where the buttons keep
// their distance from the bottom-right corner whatever the window's size.
class CReportDlg : public QDialog {
    Q_OBJECT

  public:
    // `pictureFolder`: where the page's pictures are found when they are not beside it.
    CReportDlg(const QString& pagePath, const QString& pictureFolder, QWidget* parent = nullptr);

    // The printed page's margins, in inches (left, top, right, bottom).
    static QMarginsF PrintMargins();

    QTextBrowser* Browser() const noexcept { return m_browser; }
    // The button of an id: Close 2, Print Preview 1104, Print 1098, Save As 1105, Export PDF 1106.
    QPushButton* Button(int id) const;

    // Lays the page out on the printer's page within the print margins and prints it.
    void PrintTo(QPrinter* printer) const;
    // Writes the page to `path` with its pictures inside it, so that it shows them wherever it is
    // opened. False (after a message) when it cannot be written.
    bool SaveAs(const QString& path);
    bool ExportPdf(const QString& path);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void OnPrint();
    void OnPrintPreview();
    void OnSaveAs();
    void OnExportPdf();

    QString m_strPagePath;
    QString m_strPictureFolder;
    QTextBrowser* m_browser;
    QList<QPushButton*> m_buttons;
    QPushButton* m_close;
    QPoint m_closeOffset;  // the Close button's top-left from the bottom-right corner
};

}  // namespace vex::gui
