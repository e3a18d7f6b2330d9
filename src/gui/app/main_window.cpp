// The window's composition, its window-wide events, and what it shows of the session.
#include "gui/app/main_window.h"

#include "core/catalogue/gbk.h"
#include "core/server/remote_config.h"
#include "gui/app/app_title.h"
#include "gui/app/loading_popup.h"
#include "gui/app/web_tab_host.h"
#include "gui/app/window_status_bar.h"
#include "gui/download/file_page.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/picture_grid.h"
#include "core/gallery/picture_grid_model.h"
#include "gui/server/server_bar.h"
#include "gui/ui/widget_kit.h"
#include "platform/notifications.h"
#include "platform/prompts.h"

#include <QGuiApplication>
#include <QOpenGLWidget>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QWheelEvent>

namespace kestrin {

namespace {
// The bars above the lists are laid out for this width; narrower would cut their controls off.
constexpr QSize kLaidOutSize(963, 560);
constexpr QMargins kAssumedFraming(4, 30, 4, 4);
} // namespace

MainWindow::MainWindow(Platform platform, QWidget *parent)
    : QMainWindow(parent), m_platform(std::move(platform)), m_session(m_platform)
{
    setObjectName(QStringLiteral("mainWindow"));
    kit::setPixelFont(this, 12);
    resize(963, 742);
    setMinimumSize(kLaidOutSize);

    // The bars above the lists are laid out for the window's width. On a screen too small for it (a large
    // scale factor or font) the pages scroll rather than lose their controls off the screen's edge;
    // otherwise the area shows no frame and no bar, and the pages fill the window as they would alone.
    m_pagesArea = new QScrollArea(this);
    m_pagesArea->setObjectName(QStringLiteral("pagesArea"));
    m_pagesArea->setFrameShape(QFrame::NoFrame);
    m_pagesArea->setWidgetResizable(true);
    m_pagesArea->setFocusPolicy(Qt::NoFocus);
    setCentralWidget(m_pagesArea);
    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("pages"));
    m_pagesArea->setWidget(m_pages);
    m_gallery = new GalleryPage(m_platform, m_session);
    m_pages->addTab(m_gallery, QStringLiteral("图库模式"));
    m_filePage = new FilePage(m_platform, m_session);
    m_pages->addTab(m_filePage, QStringLiteral("软件模式"));
    m_webTabs = new WebTabHost(m_pages, m_platform.makeWebPage, m_platform.warmUpWebPages);
    if (m_platform.webViews && QGuiApplication::platformName() == QLatin1String("xcb")) {
        // A window shown without an OpenGL surface is replaced by a new native one when the first web
        // view comes, which the desktop, a screen reader or any tool holding the old one then loses.
        // A hidden OpenGL widget has the window made with that surface; it draws nothing, makes no context.
        auto *surfaceHint = new QOpenGLWidget(this);
        surfaceHint->setObjectName(QStringLiteral("openGLSurfaceHint"));
        surfaceHint->hide();
    }
    m_pages->tabBar()->installEventFilter(this);

    m_statusBar = new WindowStatusBar(this);
    setStatusBar(m_statusBar);
    m_soundBox = optionBox("soundBox", QStringLiteral("声音提醒"), UserOptions::PlaySound);
    m_chineseNamesBox = optionBox("chineseNamesBox", QStringLiteral("中文名下载"), UserOptions::ChineseNames);
    m_popup = new LoadingPopup(this);
    connectPages();
    connectSession();
}

MainWindow::~MainWindow() = default;

QCheckBox *MainWindow::optionBox(const char *name, const QString &text, UserOptions::Flag flag)
{
    UserOptions &options = m_session.options();
    auto *box = new QCheckBox(text, this);
    box->setObjectName(QLatin1String(name));
    box->setChecked(options.flag(flag));
    kit::setTextColour(box, Qt::blue);
    box->adjustSize();
    connect(box, &QCheckBox::toggled, &options, [&options, flag](bool on) { options.setFlag(flag, on); });
    return box;
}

void MainWindow::connectPages()
{
    LibrarySession *session = &m_session;
    connect(m_gallery, &GalleryPage::refreshRequested, session, &LibrarySession::refresh);
    connect(m_filePage, &FilePage::refreshRequested, session, &LibrarySession::refresh);
    connect(m_gallery, &GalleryPage::zoneToggleRequested, session, &LibrarySession::toggleZone);
    connect(m_filePage, &FilePage::zoneToggleRequested, session, &LibrarySession::toggleZone);
    connect(m_gallery, &GalleryPage::categorySwitchRequested, session, &LibrarySession::switchCategory);
    connect(m_filePage, &FilePage::categorySwitchRequested, session, &LibrarySession::switchCategory);
    connect(m_gallery, &GalleryPage::saveFolderChooseRequested, this, &MainWindow::chooseSaveFolder);
    connect(m_filePage, &FilePage::saveFolderChooseRequested, this, &MainWindow::chooseSaveFolder);
    connect(m_gallery, &GalleryPage::searchRequested, this, &MainWindow::search);
    connect(m_filePage, &FilePage::searchRequested, this, &MainWindow::search);
    connect(m_gallery, &GalleryPage::zoneButtonClicked, this, &MainWindow::onZoneButton);
    for (ServerBar *bar : {m_gallery->serverBar(), m_filePage->serverBar()})
        connect(bar, &ServerBar::speedTestRequested, &m_session.speedTest(), &SpeedTest::start);
    connect(m_webTabs, &WebTabHost::reloadFailed, this, [this] {
        m_platform.prompts.titledMessage(QStringLiteral("错误！"), QStringLiteral("当前无法访问该页面，请联系网站站长！"));
    });
}

void MainWindow::connectSession()
{
    LibrarySession &s = m_session;
    connect(&s, &LibrarySession::configured, this, &MainWindow::onConfigured);
    connect(&s, &LibrarySession::startFinished, this, &MainWindow::onStartFinished);
    connect(&s, &LibrarySession::currentCategoryChanged, this, &MainWindow::onCurrentCategory);
    connect(&s, &LibrarySession::loadStarted, this, [this](int, bool visible) {
        if (visible)
            m_popup->showOverOwner();
    });
    connect(&s, &LibrarySession::categoryLoaded, this, &MainWindow::onCategoryLoaded);
    connect(&s, &LibrarySession::updateStatusChanged, this,
            [this](const QString &text) { m_statusBar->setPanelText(WindowStatusBar::UpdatePanel, text); });
    connect(&s, &LibrarySession::recordRewritten, this, [this](int category, qsizetype index, const QByteArray &record) {
        m_gallery->pictureGrid()->gridModel()->updateRecord(category, index, record);
    });
    connect(&s, &LibrarySession::mergeStarted, this, [this](int category) {
        m_gallery->pictureGrid()->gridModel()->followRecords(category, m_session.catalogue().items(category));
    });
    connect(&s, &LibrarySession::mergeEnded, this, [this] { m_gallery->pictureGrid()->gridModel()->adoptRecords(); });
    connect(&s, &LibrarySession::picturesAnnounced, this, [this](int, const QStringList &names) { onAnnounced(names); });
    connect(&s, &LibrarySession::zoneChanged, this, &MainWindow::showZone);
    connect(&s, &LibrarySession::pickedShown, this,
            [this](const RecordList &records, bool fromTop) { m_gallery->showPicked(records, fromTop); });
    connect(&s, &LibrarySession::loginRequested, this, &MainWindow::showLogin);
    connect(&s.speedTest(), &SpeedTest::measured, &s.serverChoice(), &ServerChoice::setSpeedText);
    connect(&s.speedTest(), &SpeedTest::failed, this,
            [this](const QString &reason) { m_platform.prompts.message(QStringLiteral("测速失败：") + reason); });

    WindowStatusBar *status = m_statusBar;
    DownloadQueue &queue = s.downloads();
    connect(&queue, &DownloadQueue::started, this, [status](const QByteArray &caption) {
        status->setPanelText(WindowStatusBar::DownloadPanel, QStringLiteral("正在下载文件: ") + gbk::decodeForDisplay(caption));
    });
    connect(&queue, &DownloadQueue::idle, this, [status] {
        status->setPanelText(WindowStatusBar::DownloadPanel, QStringLiteral("正在下载文件: <空>"));
    });
    connect(&queue, &DownloadQueue::progress, this, [status](qint64 received, qint64 total) {
        QProgressBar *bar = status->progressBar();
        bar->setMaximum(total > 0 ? int(qMin<qint64>(total, INT_MAX)) : 100);
        bar->setValue(total > 0 ? int(qMin<qint64>(received, INT_MAX)) : 0);
    });
}

void MainWindow::start()
{
    setWindowTitle(kAppTitle + QStringLiteral("Kestrin欢迎您的光临"));
    m_gallery->latestTitle()->setText(kAppTitle + QStringLiteral("最新上传"));
    m_pages->setCurrentIndex(0);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_session.start();
}

void MainWindow::onConfigured(const RemoteConfig &config)
{
    QApplication::restoreOverrideCursor();
    m_gallery->setNotices(gbk::decode(config.tip), gbk::decode(config.notice));
}

void MainWindow::onStartFinished(bool started)
{
    if (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (started) {
        const Catalogue &cat = m_session.catalogue();
        QStringList captions;
        for (const Category &c : cat.categories)
            captions << gbk::decode(c.entry.caption);
        m_gallery->setCategories(captions);
        m_filePage->setCategories(captions);
        m_gallery->showPageButtons(0);
        m_gallery->setCurrentCategory(0);
        m_filePage->setCurrentCategory(0);
        // The category buttons came last; the Tab key follows the screen, top to bottom.
        kit::chainTabs(QList<QWidget *>{m_pages->tabBar(), m_chineseNamesBox, m_soundBox} + m_gallery->tabChain() +
                       m_filePage->tabChain());
        m_webTabs->startCounter(m_gallery->counterHost(), [this] { return m_session.catalogue().baseUrl(); });
        m_webTabs->setUp(cat.baseUrl());
    }
    emit startFinished(started);
}

void MainWindow::onCurrentCategory(int category)
{
    m_gallery->setCurrentCategory(category);
    m_filePage->setCurrentCategory(category);
    m_gallery->setCurrentPage(0);
}

void MainWindow::onCategoryLoaded(int category, bool, LoadCause cause)
{
    m_popup->hide();
    const bool fromTop = cause == LoadCause::Switch || cause == LoadCause::Start;
    if (!m_session.zone().active()) {
        if (cause == LoadCause::Switch)
            m_gallery->showPageButtons(category);
        else
            m_gallery->updatePageButtons(category);
        m_gallery->showCurrentPage(fromTop);
    }
    emit categoryShown(category);
}

void MainWindow::onAnnounced(const QStringList &names)
{
    // One message per poll, and only for a user who is not looking at the window.
    if (m_platform.notifier && (!isActiveWindow() || isMinimized()))
        m_platform.notifier->notify(QStringLiteral("图库新到图纸"), names.join(QStringLiteral("\n")));
}

void MainWindow::chooseSaveFolder()
{
    UserOptions &options = m_session.options();
    const QString folder = m_platform.prompts.chooseFolder(QStringLiteral("请选择保存路径"), options.savePath());
    if (!folder.isEmpty())
        options.setSavePath(folder);
}

void MainWindow::showCentred()
{
    if (const QScreen *s = screen()) {
        // The frame is known once the window has been shown; before, a common title bar and border.
        const QRect frame = frameGeometry(), inner = geometry();
        const QMargins framing = frame != inner ? QMargins(inner.left() - frame.left(), inner.top() - frame.top(),
                                                           frame.right() - inner.right(), frame.bottom() - inner.bottom())
                                                : kAssumedFraming;
        const QRect room = s->availableGeometry();
        setMinimumSize(kLaidOutSize.boundedTo(room.size().shrunkBy(framing)));
        m_pages->setMinimumSize(kLaidOutSize - QSize(0, statusBar()->sizeHint().height()));
        resize(size().boundedTo(room.size().shrunkBy(framing)));
        QRect framed(QPoint(0, 0), size().grownBy(framing));
        framed.moveCenter(room.center());
        move(framed.topLeft());
    }
    show();
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
    m_popup->hide();
    m_session.close();
    event->accept();
}

} // namespace kestrin
