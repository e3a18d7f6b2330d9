// Start-up: the settings, the configuration from the first server that answers, the first category.
#include "gui/app/main_window.h"

#include "gui/app/app_title.h"
#include "core/app/settings.h"
#include "gui/app/web_tab_host.h"
#include "gui/app/window_status_bar.h"
#include "core/catalogue/gbk.h"
#include "core/catalogue/latest_rows.h"
#include "gui/download/file_page.h"
#include "gui/gallery/category_bar.h"
#include "gui/gallery/gallery_page.h"
#include "platform/lifecycle.h"
#include "platform/prompts.h"
#include "platform/shell.h"
#include "core/server/file_version.h"
#include "core/server/remote_config.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTabWidget>

namespace kestrin {

void MainWindow::start()
{
    m_starting = true;
    setWindowTitle(kAppTitle + QStringLiteral("Kestrin欢迎您的光临"));
    m_gallery->latestTitle()->setText(kAppTitle + QStringLiteral("最新上传"));
    m_catalogue.current = 0;
    m_catalogue.serverIndex = 0;
    const StoredSettings stored = readSettings(m_platform.settings, m_platform.folders);
    m_options.setSavePath(stored.savePath);
    m_zone.userName = gbk::encode(stored.userName);
    const QString documents = shellFolder(m_platform.folders, QStringLiteral("Personal"));
    m_store = SelectionStore((documents.isEmpty() ? QDir::homePath() : documents) + u'/' +
                             QLatin1String(SelectionStore::kFileName));
    m_pages->setCurrentIndex(0);

    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_configLoader = new ConfigLoader(m_catalogue, this);
    connect(m_configLoader, &ConfigLoader::loaded, this, &MainWindow::onConfigLoaded);
    connect(m_configLoader, &ConfigLoader::unreachable, this, [this] {
        QApplication::restoreOverrideCursor();
        m_platform.prompts.message(QStringLiteral("无法连接Kestrin服务器,请与管理员联系!"));
        m_platform.life.requestTermination();
        finishStart(false);
    });
    m_configLoader->start();
}

void MainWindow::onConfigLoaded(const RemoteConfig &config)
{
    QApplication::restoreOverrideCursor();
    m_catalogue.reset(config.categories);
    m_gallery->setNotices(gbk::decode(config.tip), gbk::decode(config.notice));
    if (config.version != ownFileVersion() &&
        m_platform.prompts.confirm(QStringLiteral("Kestrin发现新的版本，是否立即升级？"))) {
        const QString address = gbk::decode(config.upgradeUrl);
        if (!m_platform.shell.open(address))
            m_platform.prompts.message(QStringLiteral("无法打开升级地址，请手动访问：\n") + address);
        m_platform.life.requestTermination();
        // Nothing more to load for a window that will not stay open.
        finishStart(false);
        return;
    }
    m_loader.load(0);
}

void MainWindow::onFirstCategory(bool ok, const QString &reason)
{
    if (m_platform.life.terminating()) {
        finishStart(false);
        return;
    }
    QStringList captions;
    for (const Category &c : m_catalogue.categories)
        captions << gbk::decode(c.entry.caption);
    m_gallery->setCategories(captions);
    m_filePage->setCategories(captions);
    m_gallery->showPageButtons(0);
    m_poller.timer().start();
    m_gallery->setCurrentCategory(0);
    m_filePage->setCurrentCategory(0);
    m_webTabs->startCounter(m_gallery->counterHost(), [this] { return m_catalogue.baseUrl(); });
    showLoadStatus(0, ok, reason);
    if (!m_zone.userName.isEmpty()) {
        // The user logged in when the program last closed comes back in, with no password asked.
        m_store.loadSelection(m_zone.userName, m_catalogue);
        enterZone(false);
    }
    fillViews(0, true);
    m_webTabs->setUp(m_catalogue.baseUrl());
    // What was queued and not yet downloaded when the program last ended comes back and goes on.
    const QString store = shellFolder(m_platform.folders, QStringLiteral("AppData"));
    if (!store.isEmpty())
        m_downloads.restoreFrom(store + QStringLiteral("/queue.json"));
    finishStart(true);
}

void MainWindow::finishStart(bool started)
{
    m_starting = false;
    m_started = started;
    if (m_configLoader) {
        m_configLoader->deleteLater();
        m_configLoader = nullptr;
    }
    emit startFinished(started);
    if (started)
        emit categoryShown(0);
}

} // namespace kestrin
