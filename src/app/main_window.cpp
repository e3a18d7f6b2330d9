// Start-up, show, resize, close and the window-wide event handling.
#include "app/main_window.h"

#include "app/settings.h"
#include "catalogue/gbk.h"
#include "catalogue/page_loader.h"
#include "platform/lifecycle.h"
#include "platform/prompts.h"
#include "server/file_version.h"
#include "server/remote_config.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QWheelEvent>

#include "app/event_hook.h"
#include "app/status_panel.h"
#include "app/widget_kit.h"

namespace kestrin {

TForm1::TForm1(AppPlatform platform, QWidget *parent) : QMainWindow(parent), m_platform(std::move(platform))
{
    cat.ServerUrls = m_platform.servers;
    buildLayout();
    ApplicationEvents1 = new EventHook([this](QObject *t, QEvent *e) { return ApplicationEvents1Message(t, e); }, this);
    qApp->installEventFilter(ApplicationEvents1);
    SGMain->installEventFilter(this);
    SGSelf->installEventFilter(this);
}

TForm1::~TForm1()
{
    qApp->removeEventFilter(ApplicationEvents1);
}

bool TForm1::FormCreate()
{
    const QString title = QApplication::applicationDisplayName();
    setWindowTitle(title + QStringLiteral("Kestrin欢迎您的光临"));
    lblNews->setText(title + QStringLiteral("最新上传"));
    TopListHover = HoverCol = HoverRow = -1;
    ProgressBar1->resize(StatusPanel3->width(), ProgressBar1->height());
    EmbedProgressBar();
    ListMainSortCol = 1;
    TopListSortCol = 1;
    Image1->setPixmap(ImageList2.value(1));
    cat.CurCate = 0;
    CurPage = 0;
    cat.ServerIndex = 0;

    const StoredSettings stored = readSettings(m_platform.settings, m_platform.folders);
    EdtSavePath->setText(stored.savePath);
    UserName = stored.userName;
    PageControl1->setCurrentIndex(0);

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ConfigResult config = LoadConfig(cat, m_platform.prompts, m_platform.shell, m_platform.life, ownFileVersion());
    QApplication::restoreOverrideCursor();
    if (config.outcome == ConfigOutcome::Unreachable)
        return false;
    Label3->setText(gbk::decode(config.config.tip));
    Label8->setText(gbk::decode(config.config.notice));
    // Nothing more to load for a window that will not stay open.
    if (config.outcome == ConfigOutcome::UpgradeAccepted)
        return false;

    loadCatePage(0);
    if (m_platform.life.terminating())
        return false;
    BuildCateButtons();
    BuildPageButtons(0);
    Timer1.start();
    markCategoryButtons(0);
    if (!UserName.isEmpty()) {
        const int n = cat.count();
        QFont zone = CateButtons[n]->font();
        zone.setBold(true);
        CateButtons[n]->setFont(zone);
        kit::setTextColour(CateButtons[n], Qt::red);
        SoftCateButtons[n]->setFont(zone);
        setStatusPanelText(1, QStringLiteral("欢迎您， ") + UserName);
    }
    FillMainGrid(cat.items(0));
    FillLatestLists(cat.latest(0));
    m_created = true;
    return true;
}

bool TForm1::loadCatePage(int n)
{
    const bool loaded = LoadCatePage(cat, n, m_platform.prompts, m_platform.life);
    if (loaded && !m_platform.life.terminating())
        setStatusPanelText(0, QStringLiteral("最后更新: ") + gbk::decode(cat.CateUpdateTimes[size_t(n)]));
    return loaded;
}

void TForm1::FormShow()
{
    if (cat.count() > 0)
        setStatusPanelText(0, QStringLiteral("最后更新: ") + gbk::decode(cat.CateUpdateTimes[0]));
}

void TForm1::FormResize()
{
    FitGridColumns(SGMain);
    FitGridColumns(SGSelf);
    const int w = frameGeometry().width();
    ChkSelf->move(w - 320, ChkSelf->y());
    ChkChinese->move(w - 200, ChkChinese->y());
    ChkPlaySnd->move(w - 100, ChkPlaySnd->y());
    for (QCheckBox *c : {ChkSelf, ChkChinese, ChkPlaySnd})
        c->raise();
}

void TForm1::FitGridColumns(QTableView *grid)
{
    const int width = (grid->width() - 20) / 4;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        grid->setColumnWidth(c, width);
}

void TForm1::EmbedProgressBar()
{
    ProgressBar1->setParent(StatusPanel3);
    ProgressBar1->resize(StatusPanel3->width(), ProgressBar1->height());
    ProgressBar1->show();
    StatusPanel3->setOnDraw([this](const QRect &r) { StatusDrawPanel(r); });
}

void TForm1::StatusDrawPanel(const QRect &rect)
{
    ProgressBar1->setGeometry(rect.left(), rect.top(), rect.width() - 15, rect.height());
}

QString TForm1::statusPanelText(int panel) const
{
    const auto *label = StatusBar1->findChild<QLabel *>(QStringLiteral("StatusPanel%1").arg(panel));
    return label ? label->text() : QString();
}

void TForm1::setStatusPanelText(int panel, const QString &text)
{
    if (auto *label = StatusBar1->findChild<QLabel *>(QStringLiteral("StatusPanel%1").arg(panel)))
        label->setText(text);
}

bool TForm1::ApplicationEvents1Message(QObject *target, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent *>(event)->button() != Qt::RightButton)
            return false;
        break;
    case QEvent::ContextMenu:
        break;
    default:
        return false;
    }
    if (!target->isWidgetType())
        return false;
    for (auto *w = static_cast<QWidget *>(target); w; w = w->parentWidget()) {
        if (WebBrowsers.contains(w))
            return true; // no context menu inside the web pages
    }
    return false;
}

void TForm1::FormMouseWheelDown()
{
    QTableView *grid = SGSelf->isVisible() ? SGSelf : SGMain;
    grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

void TForm1::SGMainMouseWheelDown()
{
    SGMain->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

void TForm1::FormClose()
{
    if (m_closed || !m_created)
        return;
    m_closed = true;
    // A store that cannot be written must not keep the window open.
    writeSettings(m_platform.settings, {EdtSavePath->text(), UserName});
}

void TForm1::SpeedButton5Click()
{
    const QString folder = m_platform.prompts.chooseFolder(QStringLiteral("请选择保存路径"));
    if (folder.isEmpty())
        return;
    EdtSavePath->setText(folder);
}

int TForm1::runModal(QDialog &dialog)
{
    return m_platform.runModal ? m_platform.runModal(dialog) : dialog.exec();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == SGMain->viewport()) {
        switch (event->type()) {
        case QEvent::MouseMove:
            SGMainMouseMove(static_cast<QMouseEvent *>(event)->position().toPoint());
            break;
        case QEvent::MouseButtonRelease: {
            auto *e = static_cast<QMouseEvent *>(event);
            SGMainMouseUp(e->button(), e->position().toPoint());
            break;
        }
        case QEvent::Wheel:
            if (static_cast<QWheelEvent *>(event)->angleDelta().y() < 0) {
                SGMainMouseWheelDown();
                return true;
            }
            break;
        default:
            break;
        }
    } else if ((watched == SGMain || watched == SGSelf) && event->type() == QEvent::Resize) {
        FitGridColumns(static_cast<QTableView *>(watched));
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
    FormResize();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void TForm1::wheelEvent(QWheelEvent *event)
{
    if (event->angleDelta().y() < 0)
        FormMouseWheelDown();
    event->ignore();
}

} // namespace kestrin
