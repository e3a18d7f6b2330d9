// The window's composition, its window-wide events and the loading of categories.
#include "gui/app/main_window.h"

#include "gui/app/app_title.h"
#include "gui/app/loading_popup.h"
#include "core/app/settings.h"
#include "gui/app/web_tab_host.h"
#include "gui/app/window_status_bar.h"
#include "core/catalogue/gbk.h"
#include "core/catalogue/latest_rows.h"
#include "gui/download/file_page.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/picture_grid.h"
#include "platform/lifecycle.h"
#include "platform/prompts.h"
#include "platform/settings_store.h"
#include "platform/shell.h"
#include "core/server/remote_config.h"
#include "gui/ui/picture_list.h"
#include "gui/ui/widget_kit.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QProgressBar>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QWheelEvent>

namespace kestrin {

MainWindow::MainWindow(Platform platform, QWidget *parent)
    : QMainWindow(parent), m_platform(std::move(platform)), m_loader(m_catalogue), m_poller(m_catalogue, m_loader),
      m_speedTest(m_catalogue),
      m_downloads(m_catalogue, [this] {
          return QueueSettings{m_options.savePath(), m_options.flag(UserOptions::ChineseNames),
                               m_options.flag(UserOptions::AutoOpen)};
      })
{
    setObjectName(QStringLiteral("mainWindow"));
    kit::setPixelFont(this, 12);
    resize(963, 742);
    // The bars above the lists are laid out for this width; narrower would cut their controls off.
    setMinimumSize(963, 560);
    m_catalogue.servers = m_platform.servers;

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));
    setCentralWidget(m_pages);
    m_gallery = new GalleryPage(m_platform, m_catalogue, m_serverChoice, m_options, m_zone);
    m_pages->addTab(m_gallery, QStringLiteral("图库模式"));
    m_filePage = new FilePage(m_platform, m_catalogue, m_serverChoice, m_options, m_downloads);
    m_pages->addTab(m_filePage, QStringLiteral("软件模式"));
    m_webTabs = new WebTabHost(m_pages, m_platform.makeWebPage);
    m_pages->tabBar()->installEventFilter(this);

    m_statusBar = new WindowStatusBar(this);
    setStatusBar(m_statusBar);
    m_soundBox = optionBox("soundBox", QStringLiteral("声音提醒"), UserOptions::PlaySound);
    m_chineseNamesBox = optionBox("chineseNamesBox", QStringLiteral("中文名下载"), UserOptions::ChineseNames);
    m_popup = new LoadingPopup(this);

    m_refreshLimitTimer.setObjectName(QStringLiteral("refreshLimitTimer"));
    m_refreshLimitTimer.setInterval(kRefreshLimitMs);
    m_refreshLimitTimer.setSingleShot(true);
    connectParts();
}

MainWindow::~MainWindow() { m_loader.cancel(); }

QCheckBox *MainWindow::optionBox(const char *name, const QString &text, UserOptions::Flag flag)
{
    auto *box = new QCheckBox(text, this);
    box->setObjectName(QLatin1String(name));
    box->setChecked(m_options.flag(flag));
    kit::setTextColour(box, Qt::blue);
    box->adjustSize();
    connect(box, &QCheckBox::toggled, &m_options, [this, flag](bool on) { m_options.setFlag(flag, on); });
    return box;
}

void MainWindow::connectParts()
{
    connect(&m_loader, &CategoryLoader::finished, this, &MainWindow::onCategoryFinished);
    connect(&m_loader, &CategoryLoader::changeServerFailed, this, &MainWindow::onChangeServerFailed);
    connect(&m_loader, &CategoryLoader::changeServersExhausted, this, &MainWindow::onNoChangeServer);
    connect(m_gallery, &GalleryPage::categorySwitchRequested, this, &MainWindow::switchCategory);
    connect(m_gallery, &GalleryPage::saveFolderChooseRequested, this, &MainWindow::chooseSaveFolder);
    connect(m_filePage, &FilePage::saveFolderChooseRequested, this, &MainWindow::chooseSaveFolder);
    connect(m_gallery, &GalleryPage::refreshRequested, this, &MainWindow::refresh);
    connect(m_filePage, &FilePage::refreshRequested, this, &MainWindow::refresh);
    connect(m_filePage, &FilePage::categorySwitchRequested, this, &MainWindow::switchCategory);
    // Taken on one page: both pages' lists show it at once, as a refill would.
    const auto spreadTaken = [this](int category, qsizetype id) {
        if (category != m_catalogue.current)
            return;
        m_gallery->latestList()->listModel()->markRecord(id);
        m_filePage->fileList()->listModel()->markRecord(id);
        m_gallery->pictureGrid()->viewport()->update();
    };
    connect(m_gallery, &GalleryPage::pictureTaken, this, spreadTaken);
    connect(m_filePage, &FilePage::pictureTaken, this, spreadTaken);
    connect(m_webTabs, &WebTabHost::reloadFailed, this, [this] {
        m_platform.prompts.titledMessage(QStringLiteral("错误！"), QStringLiteral("当前无法访问该页面，请联系网站站长！"));
    });
    connectChanges();
    connectDownloads();
    connectZone();
}

void MainWindow::connectDownloads()
{
    WindowStatusBar *status = m_statusBar;
    connect(&m_downloads, &DownloadQueue::started, this, [status](const QByteArray &caption) {
        status->setPanelText(WindowStatusBar::DownloadPanel, QStringLiteral("正在下载文件: ") + gbk::decodeForDisplay(caption));
    });
    connect(&m_downloads, &DownloadQueue::idle, this, [status] {
        status->setPanelText(WindowStatusBar::DownloadPanel, QStringLiteral("正在下载文件: <空>"));
    });
    connect(&m_downloads, &DownloadQueue::progress, this, [status](qint64 received, qint64 total) {
        QProgressBar *bar = status->progressBar();
        bar->setMaximum(total > 0 ? int(qMin<qint64>(total, INT_MAX)) : 100);
        bar->setValue(total > 0 ? int(qMin<qint64>(received, INT_MAX)) : 0);
    });
    connect(&m_downloads, &DownloadQueue::downloaded, this, [this](const QString &path, bool open) {
        if (open)
            m_platform.shell.open(path);
    });
}

void MainWindow::showCentred()
{
    if (const QScreen *s = screen()) {
        const QRect frame = frameGeometry();
        move(s->availableGeometry().center() - frame.center() + frame.topLeft());
    }
    show();
}

void MainWindow::switchCategory(int category)
{
    m_gallery->setCurrentCategory(category);
    m_filePage->setCurrentCategory(category);
    m_gallery->setCurrentPage(0);
    m_catalogue.current = category;
    reloadCategory(
        [this, category] {
            if (m_zone.active())
                showCategoryInZone(category);
            else
                m_gallery->showPageButtons(category);
        },
        true);
}

void MainWindow::reloadCategory(std::function<void()> afterLoad, bool fromTop)
{
    m_afterLoad = std::move(afterLoad);
    m_fillFromTop = fromTop;
    m_popup->showOverOwner();
    m_loader.load(m_catalogue.current);
}

void MainWindow::onCategoryFinished(int category, bool ok, const QString &reason)
{
    if (m_starting) {
        onFirstCategory(ok, reason);
        return;
    }
    m_popup->hide();
    showLoadStatus(category, ok, reason);
    fillViews(category, std::exchange(m_fillFromTop, false));
    if (std::function<void()> then = std::exchange(m_afterLoad, {}))
        then();
    emit categoryShown(category);
}

void MainWindow::showLoadStatus(int category, bool ok, const QString &reason)
{
    // A failed load says so until the next one succeeds; the grid alone would only look empty.
    if (!ok)
        m_statusBar->setPanelText(WindowStatusBar::UpdatePanel, QStringLiteral("载入失败: ") + reason);
    else if (std::exchange(m_noChangeServer, false))
        showServerTrouble(QStringLiteral("所有服务器均无法连接,稍后自动重试"));
    else
        m_statusBar->setPanelText(WindowStatusBar::UpdatePanel,
                                  QStringLiteral("最后更新: ") +
                                      gbk::decode(m_catalogue.categories[size_t(category)].updateTime));
}

void MainWindow::fillViews(int category, bool fromTop)
{
    const LatestRows rows = latestRows(m_catalogue, m_catalogue.latest(category), m_zone.active());
    m_gallery->setLatestRows(rows.top);
    m_filePage->setFileRows(rows.main);
    if (!m_zone.active()) {
        m_gallery->updatePageButtons(category);
        m_gallery->showCurrentPage(fromTop);
        return;
    }
    const std::optional<RecordList> selected =
        m_catalogue.buildSelectRecords(category, m_catalogue.categories[size_t(category)].selection);
    if (selected)
        m_gallery->showPicked(*selected, fromTop);
    else
        m_platform.prompts.message(QStringLiteral("抱歉！由于版本升级，您的自选专区需要重新设置！"));
}

void MainWindow::onChangeServerFailed(int index, bool reported)
{
    // Start-up says it in a box; once the window is up, a failing server must not stop the user.
    if (m_starting && reported)
        m_platform.prompts.message(QStringLiteral("与#%1号主机通信失败,尝试连接下一台服务器!").arg(index));
    else if (!m_starting)
        showServerTrouble(QStringLiteral("与#%1号主机通信失败,正在尝试下一台服务器").arg(index));
}

void MainWindow::onNoChangeServer()
{
    if (!m_starting) {
        m_noChangeServer = true;
        return;
    }
    m_platform.prompts.message(QStringLiteral("所有服务器均无法连接,请与管理员联系!"));
    m_platform.life.requestTermination();
}

void MainWindow::refresh()
{
    if (m_refreshLimitTimer.isActive()) {
        m_platform.prompts.message(QStringLiteral("为了防止恶意刷新，每15秒只允许手动刷新一次！"));
        return;
    }
    // Blocked from the click on, and for 15 seconds from the end of the reload.
    m_refreshLimitTimer.start();
    reloadCategory([this] { m_refreshLimitTimer.start(); });
}

void MainWindow::chooseSaveFolder()
{
    const QString folder = m_platform.prompts.chooseFolder(QStringLiteral("请选择保存路径"), m_options.savePath());
    if (!folder.isEmpty())
        m_options.setSavePath(folder);
}

void MainWindow::placeOptionBoxes()
{
    // Level with the page tabs, at fixed distances from the window's right edge.
    const int w = frameGeometry().width();
    m_chineseNamesBox->move(w - 200, 2);
    m_soundBox->move(w - 100, 2);
    m_chineseNamesBox->raise();
    m_soundBox->raise();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The wheel over the page tabs scrolls the grid rather than turning the pages.
    if (watched == m_pages->tabBar() && event->type() == QEvent::Wheel) {
        if (static_cast<QWheelEvent *>(event)->angleDelta().y() < 0)
            m_gallery->scrollVisibleGridDown();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    placeOptionBoxes();
}

void MainWindow::wheelEvent(QWheelEvent *event)
{
    if (event->angleDelta().y() < 0)
        m_gallery->scrollVisibleGridDown();
    event->ignore();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_loader.cancel();
    m_popup->hide();
    if (m_started && !m_closed) {
        m_closed = true;
        if (!writeSettings(m_platform.settings, {m_options.savePath(), userName()}))
            m_platform.prompts.message(QStringLiteral("设置无法保存到 %1，本次选择的保存目录和用户将不会被记住。")
                                           .arg(m_platform.settings.location()));
    }
    event->accept();
}

} // namespace kestrin
