#include "report/ui/report_dialogs.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QResizeEvent>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <memory>
#include <optional>

#include "app/gui_support.h"
#include "common/exception.h"
#include "settings/settings_store.h"
#include "ui_report_dlg.h"
#include "ui_report_option_dlg.h"

namespace vex::gui {

namespace {

constexpr int kButtonStrip = 50;

// The page as the window shows it. Qt's rich-text import puts an inline element that follows a
// block on the block's line, so a group's heading would run into its section's title; a paragraph
// of its own keeps it below, as browsers and the saved page show it.
QString ForDisplay(QString page) {
    page.replace(QStringLiteral("</div><span class=\"ItemTitleU\">"),
                 QStringLiteral("</div><p style=\"margin:0\"><span class=\"ItemTitleU\">"));
    return page;
}

QString AskWithFileDialog(QWidget* parent, const QString& suggestion, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, Text(180), suggestion, filter);
}

ReportPathAsker g_asker = AskWithFileDialog;

}  // namespace

void SetReportPathAsker(ReportPathAsker asker) {
    g_asker = asker ? std::move(asker) : ReportPathAsker(AskWithFileDialog);
}

// ---------------------------------------------------------------------------------------------
// Chooser

CReportOptionDlg::CReportOptionDlg(const CDataItem& root, QWidget* parent)
    : QDialog(parent), m_bHasOwnEntry(vex::HasOwnEntry(root)) {
    Ui::ReportOptionDlg ui;
    ui.setupUi(this);
    m_list = ui.list_1082;
    setWindowTitle(Text(167));
    ui.static_1083->setText(Text(166));
    ui.ok_1->setText(Text(168));
    ui.cancel_2->setText(Text(169));
    connect(ui.ok_1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui.cancel_2, &QPushButton::clicked, this, &QDialog::reject);

    const QIcon icon(QStringLiteral(":/icons/report.svg"));
    auto* radioReport = new QListWidgetItem(icon, Text(170), m_list);
    new QListWidgetItem(icon, Text(171), m_list);
    if (m_bHasOwnEntry) {
        m_list->setCurrentRow(0);
    } else {
        // Greyed out and out of reach: there is no radio to describe.
        radioReport->setFlags(radioReport->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
        radioReport->setToolTip(
            tr("The profile holds no private contact with the radio's own private ID."));
        m_list->setCurrentRow(1);
    }
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if ((item->flags() & Qt::ItemIsEnabled) != 0) accept();
    });
}

ReportKind CReportOptionDlg::SelectedReport() const {
    return m_list->currentRow() == 0 && m_bHasOwnEntry ? ReportKind::RadioSpecific
                                                       : ReportKind::Overview;
}

void ShowReport(QWidget* parent, ReportKind kind, const CDataItem& root,
                const QString& installPath) {
    const QString reportFolder = QDir(installPath).filePath(Qs(kReportFolder));
    QString outputFolder = reportFolder;
    if (!QFileInfo(reportFolder).isWritable()) {
        // An installed program's data folder is read-only: the pages go to the user's folder.
        outputFolder = QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
                           .filePath(Qs(kReportFolder));
        QDir().mkpath(outputFolder);
    }
    const QString output =
        QDir(outputFolder)
            .filePath(Qs(kind == ReportKind::RadioSpecific ? kSpecOutput : kOverviewOutput));
    // Dealer texts that cannot be read only leave the dealer block out.
    const DealerTextsResult dealer = GetDealerTexts();
    const std::optional<DealerTexts> texts =
        dealer.message == SettingsMessage::None ? std::optional(dealer.texts) : std::nullopt;
    QString written;
    try {
        written = Qs(GenerateReport(kind, root, Std(reportFolder), texts, Std(output)));
    } catch (const CVEXPRGException& error) {
        ShowException(parent, error);
        return;
    }
    CReportDlg window(written, reportFolder, parent);
    window.exec();
}

// ---------------------------------------------------------------------------------------------
// Report window

CReportDlg::CReportDlg(const QString& pagePath, const QString& pictureFolder, QWidget* parent)
    : QDialog(parent), m_strPagePath(pagePath), m_strPictureFolder(pictureFolder) {
    Ui::ReportDlg ui;
    ui.setupUi(this);
    m_browser = ui.browser_1103;
    m_close = ui.close_2;
    m_buttons = {ui.pdf_1106, ui.preview_1104, ui.print_1098, ui.saveas_1105, ui.close_2};
    setWindowTitle(Text(176));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    ui.print_1098->setText(Text(177));
    ui.preview_1104->setText(Text(178));
    ui.close_2->setText(Text(179));
    ui.saveas_1105->setText(Text(180));
    ui.pdf_1106->setText(tr("Export PDF..."));
    ui.print_1098->setIcon(QIcon(QStringLiteral(":/icons/print.svg")));
    ui.preview_1104->setIcon(QIcon(QStringLiteral(":/icons/print-preview.svg")));
    ui.close_2->setIcon(QIcon(QStringLiteral(":/icons/close.svg")));
    ui.saveas_1105->setIcon(QIcon(QStringLiteral(":/icons/save.svg")));
    ui.pdf_1106->setIcon(QIcon(QStringLiteral(":/icons/pdf.svg")));
    for (QPushButton* button : m_buttons) button->setAutoDefault(false);

    m_browser->setSearchPaths({QFileInfo(pagePath).absolutePath(), pictureFolder});
    QFile page(pagePath);
    if (page.open(QIODevice::ReadOnly))
        m_browser->setHtml(ForDisplay(QString::fromUtf8(page.readAll())));

    connect(ui.close_2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui.print_1098, &QPushButton::clicked, this, &CReportDlg::OnPrint);
    connect(ui.preview_1104, &QPushButton::clicked, this, &CReportDlg::OnPrintPreview);
    connect(ui.saveas_1105, &QPushButton::clicked, this, &CReportDlg::OnSaveAs);
    connect(ui.pdf_1106, &QPushButton::clicked, this, &CReportDlg::OnExportPdf);

    m_closeOffset = QPoint(width() - m_close->x(), height() - m_close->y());
    m_browser->setGeometry(0, 0, width(), height() - kButtonStrip);
}

QMarginsF CReportDlg::PrintMargins() {
    return {0.23667, 0.16667, 0.23667, 0.16667};
}

QPushButton* CReportDlg::Button(int id) const {
    return Control<QPushButton>(this, id);
}

void CReportDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_browser->setGeometry(0, 0, width(), std::max(0, height() - kButtonStrip));
    // One displacement for all buttons: the one that puts Close back at its distance from the
    // bottom-right corner.
    const QPoint target(width() - m_closeOffset.x(), height() - m_closeOffset.y());
    const QPoint shift = target - m_close->pos();
    if (shift.isNull()) return;
    for (QPushButton* button : m_buttons) button->move(button->pos() + shift);
}

void CReportDlg::PrintTo(QPrinter* printer) const {
    printer->setFullPage(false);
    printer->setPageMargins(PrintMargins(), QPageLayout::Inch);
    // A copy of the page laid out on the printer's page: its pictures come through the browser.
    std::unique_ptr<QTextDocument> page(m_browser->document()->clone(m_browser));
    page->documentLayout()->setPaintDevice(printer);
    page->setDocumentMargin(0);
    const QRectF area = printer->pageLayout().paintRectPixels(printer->resolution());
    page->setPageSize(area.size());
    QPainter painter(printer);
    const int pages = page->pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0) printer->newPage();
        painter.save();
        painter.translate(0, -i * area.height());
        page->drawContents(&painter, QRectF(0, i * area.height(), area.width(), area.height()));
        painter.restore();
    }
}

bool CReportDlg::SaveAs(const QString& path) {
    QFile source(m_strPagePath);
    QSaveFile target(path);
    bool written = false;
    if (source.open(QIODevice::ReadOnly) && target.open(QIODevice::WriteOnly)) {
        const std::string page = EmbedPictures(
            source.readAll().toStdString(), {QFileInfo(m_strPagePath).absolutePath().toStdString(),
                                             m_strPictureFolder.toStdString()});
        target.write(page.data(), static_cast<qint64>(page.size()));
        written = target.commit();
    }
    if (!written) {
        ShowMessage(this,
                    tr("The report could not be saved to %1.").arg(QDir::toNativeSeparators(path)),
                    mb::kOk | mb::kIconError);
    }
    return written;
}

bool CReportDlg::ExportPdf(const QString& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    PrintTo(&printer);
    if (QFileInfo(path).size() > 0) return true;
    ShowMessage(this,
                tr("The report could not be saved to %1.").arg(QDir::toNativeSeparators(path)),
                mb::kOk | mb::kIconError);
    return false;
}

void CReportDlg::OnPrint() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) PrintTo(&printer);
}

void CReportDlg::OnPrintPreview() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { PrintTo(target); });
    preview.resize(size());
    preview.exec();
}

void CReportDlg::OnSaveAs() {
    const QString path =
        g_asker(this, QFileInfo(m_strPagePath).fileName(), tr("Web Pages (*.htm *.html)"));
    if (!path.isEmpty()) SaveAs(path);
}

void CReportDlg::OnExportPdf() {
    const QString path =
        g_asker(this, QFileInfo(m_strPagePath).completeBaseName() + QStringLiteral(".pdf"),
                tr("PDF Files (*.pdf)"));
    if (!path.isEmpty()) ExportPdf(path);
}

}  // namespace vex::gui
