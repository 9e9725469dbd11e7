// The report chooser's rule, the report window's layout, its printed page and its saved page.

#include "gui_test_support.h"
#include "report/ui/report_dialogs.h"
#include "sim/default_radio.h"

namespace vex::gui::test {

class ReportTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<Session> m_s;
    QTemporaryDir m_dir;

    static QString ReportFolder() { return DataFolder() + u"/Report"_s; }

    // A report of the built-in radio, written into the test's folder.
    QString Page(ReportKind kind = ReportKind::RadioSpecific) {
        CVEXPRGDoc document(TemplateFolder());
        document.NewFromImage(sim::DefaultRadioImage());
        return Qs(GenerateReport(kind, document.Root(), Std(ReportFolder()), std::nullopt,
                                 Std(m_dir.filePath(u"report.htm"_s))));
    }

  private slots:
    void init() { m_s = std::make_unique<Session>(); }
    void cleanup() { m_s.reset(); }

    void theRadioSpecificReportNeedsTheRadiosOwnEntry() {
        for (const bool own : {true, false}) {
            VirtualCP image = sim::DefaultRadioImage();
            if (!own) image.m_limits.pid = "999999";
            CVEXPRGDoc document(TemplateFolder());
            document.NewFromImage(image);
            CReportOptionDlg chooser(document.Root());
            chooser.show();
            QListWidget* list = chooser.List();
            QCOMPARE(list->count(), 2);
            QCOMPARE(list->currentRow(), own ? 0 : 1);
            QCOMPARE((list->item(0)->flags() & Qt::ItemIsEnabled) != 0, own);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(0)).center());
            QCOMPARE(chooser.SelectedReport(),
                     own ? ReportKind::RadioSpecific : ReportKind::Overview);
        }
    }

    void theButtonsStayInTheBottomRightCorner() {
        CReportDlg window(Page(), ReportFolder());
        window.show();
        QPushButton* close = window.Button(2);
        const QPoint offset(window.width() - close->x(), window.height() - close->y());
        QList<QPoint> apart;  // every button's place beside Close
        for (int id : {1104, 1098, 1105, 1106})
            apart.append(window.Button(id)->pos() - close->pos());
        for (const QSize size : {QSize(500, 400), QSize(1200, 900), QSize(700, 300)}) {
            window.resize(size);
            QCOMPARE(window.Browser()->geometry(), QRect(0, 0, size.width(), size.height() - 50));
            QCOMPARE(close->pos(), QPoint(size.width(), size.height()) - offset);
            int i = 0;
            for (int id : {1104, 1098, 1105, 1106}) {
                QCOMPARE(window.Button(id)->pos() - close->pos(), apart.at(i++));
            }
        }
    }

    void thePrintedPageHasTheReportMargins() {
        CReportDlg window(Page(), ReportFolder());
        const QString pdf = m_dir.filePath(u"radio.pdf"_s);
        QVERIFY(window.ExportPdf(pdf));
        // Rendered at 72 dpi, one pixel is a point: the banner's colour starts at the margins.
        QCOMPARE(
            QProcess::execute(u"pdftoppm"_s, {u"-png"_s, u"-r"_s, u"72"_s, u"-f"_s, u"1"_s, u"-l"_s,
                                              u"1"_s, pdf, m_dir.filePath(u"page"_s)}),
            0);
        QImage page;
        for (const QString& name : QDir(m_dir.path()).entryList({u"page*.png"_s}))
            page.load(m_dir.filePath(name));
        QVERIFY(!page.isNull());
        QRect ink;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                if (qGray(page.pixel(x, y)) < 200) ink |= QRect(x, y, 1, 1);
            }
        }
        const QMarginsF inches = CReportDlg::PrintMargins();
        QVERIFY(qAbs(ink.left() - inches.left() * 72) <= 1.5);
        QVERIFY(qAbs(ink.top() - inches.top() * 72) <= 1.5);
        QVERIFY(qAbs(page.width() - 1 - ink.right() - inches.right() * 72) <= 1.5);
    }

    void groupHeadingsStayBelowTheirSectionTitles() {
        CReportDlg window(Page(ReportKind::Overview), ReportFolder());
        // The last of each title is the section's, after "All ... Groups".
        QTextDocument* shown = window.Browser()->document();
        for (const char* title : {"Private Groups", "Public Groups"}) {
            const QTextCursor found = shown->find(
                QString::fromLatin1(title), shown->characterCount(), QTextDocument::FindBackward);
            QVERIFY(!found.isNull());
            QCOMPARE(found.block().text(), QString::fromLatin1(title));
        }
    }

    void aSavedPageCarriesItsPicture() {
        CReportDlg window(Page(), ReportFolder());
        const QString saved = m_dir.filePath(u"elsewhere/saved.htm"_s);
        QDir().mkpath(QFileInfo(saved).path());
        QVERIFY(window.SaveAs(saved));
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("src=\"data:image/png;base64,iVBOR"));
        QVERIFY(!text.contains(".png\""));
        QVERIFY(!window.SaveAs(m_dir.filePath(u"missing/folder/x.htm"_s)));
        QCOMPARE(m_s->messages.texts.size(), 1);
    }
};

VEX_GUI_TEST(ReportTest)

}  // namespace vex::gui::test

#include "report_test.moc"
