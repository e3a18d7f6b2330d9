// The personal zone on the window: entering (with the login when nobody is known) and leaving, its
// four buttons, the selection editor; and the search of either page.
#include "gui/app/main_window.h"

#include "gui/app/window_status_bar.h"
#include "core/catalogue/gbk.h"
#include "gui/download/file_page.h"
#include "gui/gallery/category_bar.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/picture_grid.h"
#include "core/gallery/search.h"
#include "gui/personal/login_dialog.h"
#include "platform/prompts.h"

#include <QLineEdit>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QToolButton>

namespace kestrin {

QString MainWindow::userName() const { return gbk::decode(m_zone.userName); }

void MainWindow::connectZone()
{
    connect(m_gallery, &GalleryPage::zoneToggleRequested, this, &MainWindow::toggleZone);
    connect(m_filePage, &FilePage::zoneToggleRequested, this, &MainWindow::toggleZone);
    connect(m_gallery, &GalleryPage::zoneButtonClicked, this, &MainWindow::onZoneButton);
    connect(m_gallery, &GalleryPage::searchRequested, this, &MainWindow::search);
    connect(m_filePage, &FilePage::searchRequested, this, &MainWindow::search);
}

void MainWindow::toggleZone()
{
    if (m_zone.active()) {
        leaveZone();
        return;
    }
    if (!m_zone.userName.isEmpty()) {
        enterZone(true);
        return;
    }
    const std::function<int()> draw =
        m_platform.drawCode ? m_platform.drawCode : [] { return int(QRandomGenerator::global()->bounded(1000, 9999)); };
    auto *login = new LoginDialog(m_platform.prompts, m_store, m_catalogue, draw, this);
    login->setAttribute(Qt::WA_DeleteOnClose);
    connect(login, &QDialog::accepted, this, [this, login] {
        m_zone.userName = login->userName();
        m_zone.password = login->password();
        enterZone(true);
    });
    if (m_platform.showDialog)
        m_platform.showDialog(*login);
    else
        login->open();
}

void MainWindow::showZoneLook()
{
    const bool in = m_zone.active();
    m_gallery->categoryBar()->setZoneLook(in ? QStringLiteral("退出专区") : QStringLiteral("进入自选专区"), in);
    m_filePage->setZoneBold(in);
    m_filePage->setPersonalZone(in);
    if (!m_filePage->hiddenCategoryButtons().isEmpty())
        m_filePage->hiddenCategoryButtons().last()->setText(in ? QStringLiteral("退出专区") : QStringLiteral("自选专区"));
    m_statusBar->setPanelText(WindowStatusBar::UserPanel, in ? QStringLiteral("欢迎您， ") + userName() : QString());
}

void MainWindow::enterZone(bool reload)
{
    m_zone.state = PersonalZone::State::Viewing;
    showZoneLook();
    m_gallery->closeSelectionEditor();
    m_gallery->showZoneButtons();
    const int c = m_catalogue.current;
    if (m_catalogue.categories[size_t(c)].selection.isEmpty()) {
        // Nothing picked here yet: the editor opens at once, with the ticks as they stand.
        m_zone.state = PersonalZone::State::Editing;
        m_gallery->openSelectionEditor();
    } else if (reload) {
        reloadCategory();
    }
}

void MainWindow::leaveZone()
{
    if (!m_platform.prompts.confirm(QStringLiteral("确认退出吗?")))
        return;
    m_zone = PersonalZone{};
    clearSelections(m_catalogue); // only in memory: the file keeps what was saved
    showZoneLook();
    m_gallery->showPageButtons(m_catalogue.current);
    reloadCategory();
}

void MainWindow::showCategoryInZone(int category)
{
    if (m_catalogue.categories[size_t(category)].selection.isEmpty()) {
        m_zone.state = PersonalZone::State::Editing;
        m_gallery->openSelectionEditor();
    } else {
        m_zone.state = PersonalZone::State::Viewing;
        m_gallery->closeSelectionEditor();
    }
}

void MainWindow::onZoneButton(navigation::BarAction action)
{
    const int c = m_catalogue.current;
    const bool editing = m_gallery->isEditing();
    switch (action) {
    case navigation::BarAction::SelectModify:
        if (editing)
            return;
        ticksFromSelection(m_catalogue, c);
        m_zone.state = PersonalZone::State::Editing;
        m_gallery->openSelectionEditor();
        return;
    case navigation::BarAction::SelectClear:
    case navigation::BarAction::SelectAll:
        if (!editing)
            return;
        setAllTicks(m_catalogue, c, action == navigation::BarAction::SelectAll);
        m_gallery->selectionGrid()->viewport()->update();
        return;
    case navigation::BarAction::SelectSubmit:
        if (!editing)
            return;
        selectionFromTicks(m_catalogue, c);
        m_zone.state = PersonalZone::State::Viewing;
        m_gallery->closeSelectionEditor();
        saveSelection();
        reloadCategory();
        return;
    case navigation::BarAction::SelectReturn: {
        m_gallery->setCurrentPage(0);
        m_zone.state = PersonalZone::State::Viewing;
        m_gallery->closeSelectionEditor();
        const auto selected = m_catalogue.buildSelectRecords(c, m_catalogue.categories[size_t(c)].selection);
        if (selected)
            m_gallery->showPicked(*selected, true);
        else
            m_platform.prompts.message(QStringLiteral("抱歉！由于版本升级，您的自选专区需要重新设置！"));
        return;
    }
    default:
        return;
    }
}

void MainWindow::saveSelection()
{
    QString error;
    if (!m_store.saveSelection(m_zone.userName, m_catalogue, &error))
        m_platform.prompts.message(
            QStringLiteral("无法保存自选内容到 %1（%2）。本次运行中所选内容仍然有效，文件中原有的内容没有改变。")
                .arg(m_store.path(), error));
}

void MainWindow::search()
{
    m_gallery->setCurrentPage(navigation::kSearchPage);
    const int page = m_pages->currentIndex();
    const QString typed = page == 0 ? m_gallery->searchEdit()->text()
                          : page == 1 ? m_filePage->searchEdit()->text()
                                      : QString();
    const QByteArray text = searchText(typed);
    if (text.isEmpty())
        return;
    const int c = m_catalogue.current;
    const RecordList &items = m_catalogue.items(c);
    const bool editing = m_gallery->isEditing();
    const QList<qsizetype> hits = searchRecords(items, text, editing);
    if (hits.isEmpty()) {
        m_platform.prompts.message(QStringLiteral("没有检索到相关数据!"));
        return;
    }
    if (editing) {
        // The editor shows the whole category: the match is at its own cell.
        m_zone.lastSearch = text;
        m_gallery->selectionGrid()->goToCell(int(hits[0] % 4), int(hits[0] / 4));
    }
    RecordList results;
    for (qsizetype i : hits)
        results.appendFrom(items, i);
    m_gallery->clearGrid();
    if (page == 0)
        m_gallery->showPicked(results, true);
    else
        m_filePage->setSearchResults(searchResultRows(results));
}

} // namespace kestrin
