// Changes arriving: the poll's findings merged into the views, new pictures announced (sound, top of
// the lists, the queue, a desktop message for a user looking elsewhere), the server choice and the
// speed test, and the quiet reports of failing servers.
#include "gui/app/main_window.h"

#include "gui/app/window_status_bar.h"
#include "core/catalogue/gbk.h"
#include "gui/download/file_page.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/picture_grid.h"
#include "core/gallery/picture_grid_model.h"
#include "platform/notifications.h"
#include "platform/prompts.h"
#include "gui/server/server_bar.h"
#include "gui/ui/picture_list.h"

#include <QTimer>

namespace kestrin {

void MainWindow::connectChanges()
{
    m_poller.setChosenServer([this] { return m_serverChoice.serverIndex(); });
    connect(&m_poller, &ChangePoller::changesArrived, this, &MainWindow::mergeChanges);
    connect(&m_poller, &ChangePoller::reloadNeeded, this, &MainWindow::onReloadNeeded);
    // In the background: no sound, no loading box, the view where it was.
    connect(&m_poller, &ChangePoller::retryNeeded, this, [this](int category) { m_loader.load(category); });
    connect(&m_poller, &ChangePoller::serverFailed, this, [this](int index) {
        showServerTrouble(QStringLiteral("与#%1号主机通信失败,正在尝试下一台服务器").arg(index));
    });
    connect(&m_poller, &ChangePoller::allServersFailed, this,
            [this] { showServerTrouble(QStringLiteral("所有服务器均无法连接,稍后自动重试")); });
    connect(&m_poller, &ChangePoller::recovered, this, [this](int index) {
        const QString text = QStringLiteral("已恢复连接，现使用#%1号主机").arg(index);
        showServerTrouble(text);
        // Said for a while, then the panel goes back to the category's last update.
        QTimer::singleShot(kRecoveredNoticeMs, this, [this, text] {
            const Category &shown = m_catalogue.categories[size_t(m_catalogue.current)];
            if (m_statusBar->panelText(WindowStatusBar::UpdatePanel) == text && !shown.failed)
                m_statusBar->setPanelText(WindowStatusBar::UpdatePanel,
                                          QStringLiteral("最后更新: ") + gbk::decode(shown.updateTime));
        });
    });

    connect(&m_serverChoice, &ServerChoice::chosen, this, [this](int index) { m_catalogue.serverIndex = index; });
    for (ServerBar *bar : {m_gallery->serverBar(), m_filePage->serverBar()})
        connect(bar, &ServerBar::speedTestRequested, &m_speedTest, &SpeedTest::start);
    connect(&m_speedTest, &SpeedTest::measured, &m_serverChoice, &ServerChoice::setSpeedText);
    connect(&m_speedTest, &SpeedTest::failed, this,
            [this](const QString &reason) { m_platform.prompts.message(QStringLiteral("测速失败：") + reason); });
}

void MainWindow::showServerTrouble(const QString &text)
{
    m_statusBar->setPanelText(WindowStatusBar::UpdatePanel, text);
}

void MainWindow::mergeChanges(int category, const QList<QByteArray> &entries)
{
    if (category != m_catalogue.current)
        return;
    PictureGridModel *grid = m_gallery->pictureGrid()->gridModel();
    MergeTargets targets;
    targets.latest = m_gallery->latestList()->listModel();
    targets.files = m_filePage->fileList()->listModel();
    targets.rewritten = [grid, category](qsizetype index, const QByteArray &record) {
        grid->updateRecord(category, index, record);
    };
    const MergeSettings settings{m_zone.active(), m_options.flag(UserOptions::AutoQueue)};
    announce(category, applyChanges(m_catalogue, category, entries, targets, settings));
    if (m_zone.active() && !m_gallery->isEditing()) {
        const auto selected = m_catalogue.buildSelectRecords(category, m_catalogue.categories[size_t(category)].selection);
        if (selected)
            m_gallery->showPicked(*selected, false);
        else
            m_platform.prompts.message(QStringLiteral("抱歉！由于版本升级，您的自选专区需要重新设置！"));
    }
    m_statusBar->setPanelText(WindowStatusBar::UpdatePanel,
                              QStringLiteral("最后更新: ") +
                                  gbk::decode(m_catalogue.categories[size_t(category)].updateTime));
}

void MainWindow::onReloadNeeded(int category, const QList<QByteArray> &entries)
{
    if (entries.isEmpty()) {
        playSound();
        reloadCategory();
        return;
    }
    // Pictures were appended: once the category holds them, they are announced like any other.
    reloadCategory([this, category, entries] { mergeChanges(category, entries); });
}

void MainWindow::announce(int category, const QList<Announcement> &announced)
{
    QStringList names;
    const CategoryEntry &entry = m_catalogue.categories[size_t(category)].entry;
    for (const Announcement &a : announced) {
        playSound();
        names << gbk::decodeForDisplay(a.row.caption(), 64);
        if (!a.queued)
            continue;
        QueueEntry queued;
        queued.fileName = a.row.fileName;
        queued.chineseName = a.row.chineseName;
        queued.category = category;
        queued.folder = entry.folder;
        queued.extension = entry.extension;
        m_downloads.enqueue(queued);
    }
    // One message per poll, and only for a user who is not looking at the window.
    if (!names.isEmpty() && m_platform.notifier && (!isActiveWindow() || isMinimized()))
        m_platform.notifier->notify(QStringLiteral("图库新到图纸"), names.join(QStringLiteral("\n")));
}

void MainWindow::playSound()
{
    if (m_platform.sound && m_options.flag(UserOptions::PlaySound))
        m_platform.sound->play();
}

} // namespace kestrin
