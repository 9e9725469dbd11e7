#include "app/dialogs.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>

#include "app/gui_support.h"
#include "editors/tree_view.h"
#include "model/profile_document.h"
#include "settings/settings_store.h"
#include "ui_about_dlg.h"
#include "ui_dealer_info_dialog.h"
#include "ui_new_profile_dlg.h"
#include "ui_preference_dialog.h"

namespace vex::gui {

namespace {

QString g_templatePath;

void SetButtonTexts(QDialog* dialog) {
    if (auto* ok = Control<QPushButton>(dialog, 1)) {
        ok->setText(Text(168));
        QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    }
    if (auto* cancel = Control<QPushButton>(dialog, 2)) {
        cancel->setText(Text(169));
        QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    }
}

int MessageOf(SettingsMessage message) {
    return MessageId(message);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// New profile

CNewProfileDlg::CNewProfileDlg(const QString& templateFolder, QWidget* parent)
    : QDialog(parent), m_strFolder(templateFolder) {
    g_templatePath.clear();
    Ui::NewProfileDlg ui;
    ui.setupUi(this);
    m_list = ui.models_1027;
    SetButtonTexts(this);
    setWindowTitle(Text(10034));
    ui.group_1026->setTitle(Text(10035));
    for (const std::string& model : ListTemplateModels(Std(templateFolder))) {
        auto* item = new QListWidgetItem(TreeImage(0), Qs(model));
        m_list->addItem(item);
    }
    m_list->sortItems();
    if (m_list->count() > 0) m_list->setCurrentRow(0);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CNewProfileDlg::accept);
}

int CNewProfileDlg::exec() {
    if (m_list->count() == 0) {
        ShowMessageId(parentWidget(), 10114, mb::kOk | mb::kIconError);
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

QString CNewProfileDlg::GetTemplatePath() {
    return g_templatePath;
}

void CNewProfileDlg::accept() {
    QListWidgetItem* item = m_list->currentItem();
    if (item == nullptr) return;
    g_templatePath = QDir(m_strFolder).filePath(item->text().left(1023) + QStringLiteral(".lam"));
    QDialog::accept();
}

// ---------------------------------------------------------------------------------------------
// Dealer information

CDealerInfoDialog::CDealerInfoDialog(QWidget* parent) : QDialog(parent) {
    Ui::DealerInfoDialog ui;
    ui.setupUi(this);
    SetButtonTexts(this);
    setWindowTitle(Text(159));
    ui.labelDealer_1000->setText(Text(156));
    ui.labelContact_1001->setText(Text(157));
    ui.labelNotes_1002->setText(Text(158));
    m_fields = {ui.dealerInfo_1005, ui.contactInfo_1006, ui.dealerNotes_1007};
    for (QPlainTextEdit* field : m_fields) {
        field->setPlaceholderText(tr("At most %1 characters").arg(kDealerTextEditLimit));
        // Each field takes at most 250 characters.
        connect(field, &QPlainTextEdit::textChanged, this, [field] {
            const QString text = field->toPlainText();
            const auto limit = static_cast<qsizetype>(kDealerTextEditLimit);
            if (text.size() > limit) {
                const QSignalBlocker blocker(field);
                field->setPlainText(text.left(limit));
                field->moveCursor(QTextCursor::End);
            }
        });
    }
}

bool CDealerInfoDialog::LoadDealerInfo() {
    const DealerTextsResult result = GetDealerTexts();
    if (result.message != SettingsMessage::None) {
        ShowMessageId(parentWidget(), MessageOf(result.message), mb::kOk | mb::kIconError);
        return false;
    }
    m_fields[0]->setPlainText(Qs(result.texts.dealerInfo));
    m_fields[1]->setPlainText(Qs(result.texts.contactInfo));
    m_fields[2]->setPlainText(Qs(result.texts.dealerNotes));
    return true;
}

void CDealerInfoDialog::accept() {
    DealerTexts texts{Std(m_fields[0]->toPlainText()), Std(m_fields[1]->toPlainText()),
                      Std(m_fields[2]->toPlainText())};
    const SettingsMessage message = SetDealerTexts(texts);
    if (message != SettingsMessage::None) {
        ShowMessageId(this, MessageOf(message), mb::kOk | mb::kIconError);
        return;
    }
    QDialog::accept();
}

// ---------------------------------------------------------------------------------------------
// Serial port preference

CPreferenceDialog::CPreferenceDialog(std::vector<PortEntry> ports, QWidget* parent)
    : QDialog(parent), m_entries(std::move(ports)) {
    Ui::PreferenceDialog ui;
    ui.setupUi(this);
    SetButtonTexts(this);
    setWindowTitle(tr("Preference Setting"));
    ui.label_1008->setText(tr("Serial Port"));
    m_ports = ui.ports_1003;
    QLabel* description = ui.description_1009;
    for (const PortEntry& entry : m_entries) m_ports->addItem(Qs(entry.device));
    connect(m_ports, &QComboBox::currentIndexChanged, this, [this, description](int index) {
        const bool valid = index >= 0 && static_cast<std::size_t>(index) < m_entries.size();
        description->setText(valid ? Qs(m_entries[static_cast<std::size_t>(index)].description)
                                   : tr("No serial port was found."));
    });
    SelectCurrentPort(Qs(CurrentPortName()));
    if (m_entries.empty()) description->setText(tr("No serial port was found."));
}

QString CPreferenceDialog::GetSelectedPort() const {
    return m_ports->currentText();
}

void CPreferenceDialog::SelectCurrentPort(const QString& name) {
    m_ports->setCurrentIndex(vex::SelectCurrentPort(m_entries, Std(name)));
}

void CPreferenceDialog::accept() {
    if (m_ports->currentIndex() >= 0) {
        if (!SetCurrentComPort(Std(GetSelectedPort()))) {
            ShowMessageId(this, MessageId(SettingsMessage::OpenFailed), mb::kOk | mb::kIconError);
            return;
        }
        // The port chosen here replaces one given on the command line for this run.
        SetPortOverride({});
    }
    QDialog::accept();
}

// ---------------------------------------------------------------------------------------------
// About box and splash

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    Ui::AboutDlg ui;
    ui.setupUi(this);
    SetButtonTexts(this);
    setWindowTitle(Text(204));
    ui.icon_1100->setPixmap(QIcon(QStringLiteral(":/icons/vexprg.svg")).pixmap(QSize(64, 64)));
    QFont product = ui.product_1101->font();
    product.setPointSizeF(product.pointSizeF() * 1.4);
    product.setBold(true);
    ui.product_1101->setFont(product);
    ui.product_1101->setText(Text(10137));
    ui.version_1102->setText(QString::asprintf(StringText(10138).data(),
                                               qPrintable(QCoreApplication::applicationVersion())));
    ui.legal1_1103->setText(Text(10139));
    ui.legal2_1104->setText(Text(10140));
    ui.legal3_1105->setText(Text(10141));
    for (QLabel* line : {ui.legal1_1103, ui.legal2_1104, ui.legal3_1105})
        line->setMinimumWidth(360);
    setFixedSize(sizeHint());
}

namespace {

QPointer<CSplashWnd> g_splash;

}  // namespace

CSplashWnd::CSplashWnd(const QPixmap& picture)
    : QSplashScreen(picture, Qt::WindowStaysOnTopHint | Qt::Tool) {
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
}

void CSplashWnd::ShowSplashScreen(QWidget* mainWindow) {
    if (g_splash != nullptr) return;
    QSvgRenderer renderer(QStringLiteral(":/splash.svg"));
    QSize size = renderer.defaultSize();
    if (!renderer.isValid() || size.isEmpty()) size = QSize(480, 300);
    const qreal ratio = mainWindow != nullptr ? mainWindow->devicePixelRatioF() : 1.0;
    QPixmap picture(size * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    g_splash = new CSplashWnd(picture);
    if (QScreen* screen = mainWindow != nullptr ? mainWindow->screen() : nullptr) {
        const QRect area = screen->availableGeometry();
        g_splash->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    g_splash->show();
    g_splash->raise();
    QTimer::singleShot(kShowMilliseconds, g_splash.data(), [mainWindow] {
        if (g_splash != nullptr) g_splash->close();
        if (mainWindow != nullptr) mainWindow->update();
    });
}

}  // namespace vex::gui
