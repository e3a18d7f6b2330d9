// The personal zone on the window (its look, the login, its four buttons) and the search of either page.
#include "gui/app/main_window.h"

#include "core/catalogue/gbk.h"
#include "core/gallery/search.h"
#include "gui/app/window_status_bar.h"
#include "gui/download/file_page.h"
#include "gui/gallery/category_bar.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/picture_grid.h"
#include "gui/personal/login_dialog.h"
#include "platform/prompts.h"

#include <QLineEdit>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QToolButton>

namespace kestrin {

void MainWindow::showLogin()
{
    const std::function<int()> draw =
        m_platform.drawCode ? m_platform.drawCode : [] { return int(QRandomGenerator::global()->bounded(1000, 9999)); };
    auto *login = new LoginDialog(m_platform.prompts, m_session.selectionStore(), draw, this);
    login->setAttribute(Qt::WA_DeleteOnClose);
    connect(login, &QDialog::accepted, this,
            [this, login] { m_session.logIn(login->userName(), login->password()); });
    if (m_platform.showDialog)
        m_platform.showDialog(*login);
    else
        login->open();
}

void MainWindow::showZone()
{
    const PersonalZone &zone = m_session.zone();
    const bool in = zone.active();
    m_gallery->categoryBar()->setZoneLook(in ? QStringLiteral("退出专区") : QStringLiteral("进入自选专区"), in);
    m_filePage->setZoneBold(in);
    if (!m_filePage->hiddenCategoryButtons().isEmpty())
        m_filePage->hiddenCategoryButtons().last()->setText(in ? QStringLiteral("退出专区") : QStringLiteral("自选专区"));
    m_statusBar->setPanelText(WindowStatusBar::UserPanel, in ? QStringLiteral("欢迎您， ") + userName() : QString());
    const int c = m_session.catalogue().current;
    if (!in) {
        // Out of the zone the page bar starts again at "全部", and so does the grid.
        m_gallery->setCurrentPage(0);
        m_gallery->showPageButtons(c);
        return;
    }
    m_gallery->showZoneButtons();
    if (zone.state == PersonalZone::State::Editing)
        m_gallery->openSelectionEditor();
    else
        m_gallery->closeSelectionEditor();
}

void MainWindow::onZoneButton(navigation::BarAction action)
{
    switch (action) {
    case navigation::BarAction::SelectModify:
        m_session.openEditor();
        return;
    case navigation::BarAction::SelectClear:
    case navigation::BarAction::SelectAll:
        m_session.setAllTicks(action == navigation::BarAction::SelectAll);
        return;
    case navigation::BarAction::SelectSubmit:
        m_session.submitSelection();
        return;
    case navigation::BarAction::SelectReturn:
        m_gallery->setCurrentPage(0);
        m_session.returnFromEditor();
        return;
    default:
        return;
    }
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
    const Catalogue &cat = m_session.catalogue();
    const RecordList &items = cat.items(cat.current);
    const bool editing = m_session.zone().state == PersonalZone::State::Editing;
    const QList<qsizetype> hits = searchRecords(items, text, editing);
    if (hits.isEmpty()) {
        m_platform.prompts.message(QStringLiteral("没有检索到相关数据!"));
        return;
    }
    if (editing) {
        // The editor shows the whole category: the match is at its own cell.
        m_session.setLastSearch(text);
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
