#include "gui/gallery/gallery_page.h"

#include "core/app/library_session.h"
#include "core/app/user_options.h"
#include "core/catalogue/catalogue.h"
#include "core/catalogue/gbk.h"
#include "gui/download/download_dialog.h"
#include "gui/gallery/category_bar.h"
#include "core/gallery/navigation.h"
#include "gui/gallery/page_bar.h"
#include "gui/gallery/picture_grid.h"
#include "core/gallery/picture_grid_model.h"
#include "core/personal/personal_zone.h"
#include "platform/platform.h"
#include "gui/server/server_bar.h"
#include "gui/ui/item_view_accessible.h"
#include "gui/ui/picture_list.h"
#include "gui/ui/widget_kit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestrin {

namespace {
const QColor kBarBlue(192, 215, 248);
const QColor kPale(238, 244, 253);
const QColor kSilver(192, 192, 192);

QVBoxLayout *vbox(QWidget *w, int margin = 0)
{
    auto *l = new QVBoxLayout(w);
    l->setContentsMargins(margin, margin, margin, margin);
    l->setSpacing(0);
    return l;
}

QHBoxLayout *hbox(QWidget *w, int margin = 0)
{
    auto *l = new QHBoxLayout(w);
    l->setContentsMargins(margin, margin, margin, margin);
    l->setSpacing(0);
    return l;
}
} // namespace

GalleryPage::GalleryPage(Platform &platform, LibrarySession &session, QWidget *parent)
    : QWidget(parent), m_platform(platform), m_session(session), m_catalogue(session.catalogue()),
      m_options(session.options())
{
    setObjectName(QStringLiteral("galleryPage"));
    QVBoxLayout *page = vbox(this);
    m_serverBar = new ServerBar(session.serverChoice(), ServerBar::Style::Header, this);
    page->addWidget(m_serverBar);
    buildHeader();
    buildCategoryRow();
    auto *lower = new QHBoxLayout;
    lower->setSpacing(0);
    page->addLayout(lower, 1);
    m_latestColumn = kit::panel(this, "latestColumn", kSilver);
    m_latestColumn->setFixedWidth(241);
    lower->addWidget(m_latestColumn);
    buildLatestColumn(m_latestColumn);
    auto *gridColumn = kit::panel(this, "gridColumn");
    lower->addWidget(gridColumn, 1);
    buildGridColumn(gridColumn);
}

void GalleryPage::buildHeader()
{
    QWidget *upper = m_serverBar->band(0);
    kit::label(upper, "tipCaption", QStringLiteral("温馨提示："), Qt::blue)->move(214, 17);
    m_tip = kit::label(upper, "tipLabel", QString(), Qt::red);
    m_tip->setWordWrap(true);
    m_tip->setGeometry(280, 10, 382, 30);
    m_refresh = new QPushButton(QStringLiteral("立即刷新"), upper);
    m_refresh->setObjectName(QStringLiteral("refreshButton"));
    m_refresh->setGeometry(680, 12, 80, 25);
    connect(m_refresh, &QPushButton::clicked, this, &GalleryPage::refreshRequested);

    QWidget *lower = m_serverBar->band(1);
    kit::label(lower, "noticeCaption", QStringLiteral("系统公告："), Qt::white)->move(312, 23);
    m_notice = kit::label(lower, "noticeLabel", QString(), Qt::yellow);
    m_notice->setWordWrap(true);
    m_notice->setGeometry(380, 10, 382, 41);
}

void GalleryPage::buildCategoryRow()
{
    QWidget *row = kit::panel(this, "categoryRow", kBarBlue);
    row->setFixedHeight(41);
    static_cast<QVBoxLayout *>(layout())->addWidget(row);
    QHBoxLayout *bar = hbox(row);
    m_categoryBar = new CategoryBar(row);
    bar->addWidget(m_categoryBar, 1);
    connect(m_categoryBar, &CategoryBar::buttonClicked, this, &GalleryPage::onCategoryButton);

    QWidget *tools = kit::panel(row, "searchAndSaveRow");
    QHBoxLayout *line = hbox(tools, 4);
    line->setSpacing(4);
    QLabel *searchCaption = kit::label(tools, "searchCaption", QStringLiteral("图名:"));
    line->addWidget(searchCaption);
    m_searchEdit = new QLineEdit(tools);
    m_searchEdit->setObjectName(QStringLiteral("searchEdit"));
    searchCaption->setBuddy(m_searchEdit);
    m_searchEdit->setAccessibleName(QStringLiteral("图名"));
    m_searchEdit->setFixedWidth(110);
    line->addWidget(m_searchEdit);
    m_searchButton = kit::flatButton(tools, "searchButton", QStringLiteral("搜索"));
    line->addWidget(m_searchButton);
    QLabel *saveCaption = kit::label(tools, "saveCaption", QStringLiteral("保存到:"));
    line->addWidget(saveCaption);
    m_savePath = new QLineEdit(m_options.savePath(), tools);
    m_savePath->setObjectName(QStringLiteral("savePathEdit"));
    saveCaption->setBuddy(m_savePath);
    m_savePath->setAccessibleName(QStringLiteral("保存到"));
    m_savePath->setReadOnly(true);
    m_savePath->setFixedWidth(170);
    line->addWidget(m_savePath);
    m_browse = kit::flatButton(tools, "browseButton", QStringLiteral("浏览"));
    line->addWidget(m_browse);
    connect(m_searchButton, &QToolButton::clicked, this, &GalleryPage::searchRequested);
    connect(m_searchEdit, &QLineEdit::returnPressed, this, &GalleryPage::searchRequested);
    bar->addWidget(tools, 0, Qt::AlignRight);
    connect(&m_options, &UserOptions::savePathChanged, m_savePath, &QLineEdit::setText);
    connect(m_browse, &QToolButton::clicked, this, &GalleryPage::saveFolderChooseRequested);
}

void GalleryPage::buildLatestColumn(QWidget *column)
{
    QVBoxLayout *left = vbox(column, 4);
    QWidget *titleBand = kit::panel(column, "latestTitleBand", kPale);
    titleBand->setFixedHeight(41);
    left->addWidget(titleBand);
    m_latestTitle = kit::label(titleBand, "latestTitle", QString(), Qt::red);
    m_latestTitle->setAlignment(Qt::AlignCenter);
    vbox(titleBand)->addWidget(m_latestTitle);
    m_latestList = new PictureList("latestList", &m_session.latestList(), {223, 96, 96, 0}, {}, column,
                                   QStringLiteral("图库最新上传"));
    // The session refills the rows; the row clicked stands for the category shown at that moment.
    connect(m_latestList->listModel(), &QAbstractItemModel::modelReset, this,
            [this] { m_latestCategory = m_catalogue.current; });
    left->addWidget(m_latestList, 1);
    connect(m_latestList, &PictureList::rowClicked, this, &GalleryPage::onLatestRow);
}

void GalleryPage::buildGridColumn(QWidget *column)
{
    QVBoxLayout *right = vbox(column);
    QWidget *barBand = kit::panel(column, "pageBarBand", kPale);
    barBand->setFixedHeight(41);
    right->addWidget(barBand);
    m_pageBar = new PageBar(barBand);
    vbox(barBand)->addWidget(m_pageBar);
    connect(m_pageBar, &PageBar::entryClicked, this, &GalleryPage::onPageEntry);

    QWidget *grids = kit::panel(column, "gridArea");
    right->addWidget(grids, 1);
    auto *row = new QGridLayout(grids);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    QWidget *strip = kit::panel(grids, "gridMargin", Qt::white);
    strip->setFixedWidth(8);
    row->addWidget(strip, 0, 0);
    m_grid = new PictureGrid(m_catalogue, "pictureGrid", QStringLiteral("图纸"), grids);
    // The selection editor lies over the grid, in the same place.
    m_selectionGrid = new PictureGrid(m_catalogue, "selectionGrid", QStringLiteral("增减我的图片"), grids);
    m_selectionGrid->setMode(PictureGrid::Mode::Ticking);
    kit::setPixelFont(m_selectionGrid, 13);
    m_selectionGrid->setLookRule([this](int category, QByteArrayView record, bool) {
        const int id = record.isEmpty() ? -1 : PictureRecord::parse(record).idNumber();
        return editorCellLook(record, isTicked(m_catalogue, category, id), m_session.zone().lastSearch);
    });
    m_selectionGrid->hide();
    row->addWidget(m_grid, 0, 1);
    row->addWidget(m_selectionGrid, 0, 1);
    row->setColumnStretch(1, 1);
    connect(m_grid, &PictureGrid::recordClicked, this, &GalleryPage::onGridRecord);
    connect(m_selectionGrid, &PictureGrid::recordPressed, this, [this](int category, const QByteArray &record) {
        const PictureRecord rec = PictureRecord::parse(record);
        if (!rec.caption && category == m_catalogue.current)
            m_session.toggleTick(rec.idNumber());
    });
    connect(&m_session, &LibrarySession::ticksChanged, m_selectionGrid->viewport(), qOverload<>(&QWidget::update));
    connect(&m_session, &LibrarySession::pictureTaken, m_grid->viewport(), qOverload<>(&QWidget::update));
    connect(&m_session, &LibrarySession::picturesTaken, m_grid->viewport(), qOverload<>(&QWidget::update));
}

void GalleryPage::setNotices(const QString &tip, const QString &notice)
{
    m_tip->setText(tip);
    m_notice->setText(notice);
}

void GalleryPage::setCategories(const QStringList &captions) { m_categoryBar->setCategories(captions); }

void GalleryPage::setCurrentCategory(int category) { m_categoryBar->setCurrent(category); }

void GalleryPage::showPageButtons(int category)
{
    m_pageBar->setEntries(navigation::pageEntries(m_catalogue.items(category).size()));
    closeSelectionEditor();
}

void GalleryPage::updatePageButtons(int category)
{
    QList<PageBar::Entry> entries = navigation::pageEntries(m_catalogue.items(category).size());
    if (entries.size() == m_pageBar->entries().size())
        return;
    // The category gained or lost a page: the bar follows, the page being read stays down.
    if (m_currentPage != navigation::kSearchPage && m_currentPage >= entries.size())
        m_currentPage = 0;
    for (PageBar::Entry &e : entries)
        e.checked = e.tag == m_currentPage;
    m_pageBar->setEntries(entries);
}

void GalleryPage::showAll(bool fromTop)
{
    m_grid->showRecords(m_catalogue.current, m_catalogue.items(m_catalogue.current), fromTop, 0);
}

void GalleryPage::showCurrentPage(bool fromTop)
{
    const int c = m_catalogue.current;
    const bool paged = m_currentPage >= 1 && m_currentPage != navigation::kSearchPage;
    const std::optional<RecordList> page = paged ? navigation::pageRecords(m_catalogue.items(c), m_currentPage) : std::nullopt;
    if (page)
        m_grid->showRecords(c, *page, fromTop, qsizetype(m_currentPage - 1) * navigation::kPageSize);
    else
        showAll(fromTop);
}

void GalleryPage::showPicked(const RecordList &records, bool fromTop)
{
    m_grid->showRecords(m_catalogue.current, records, fromTop, PictureGridModel::kFindById);
}

void GalleryPage::scrollVisibleGridDown() { (isEditing() ? m_selectionGrid : m_grid)->scrollRowsDown(1); }

void GalleryPage::onCategoryButton(int tag)
{
    switch (navigation::categoryClick(tag, m_catalogue.count(), m_catalogue.current, m_currentPage)) {
    case navigation::CategoryClick::ToggleZone:
        emit zoneToggleRequested();
        break;
    case navigation::CategoryClick::Switch:
        emit categorySwitchRequested(tag);
        break;
    case navigation::CategoryClick::Ignore:
        m_categoryBar->setCurrent(m_catalogue.current);
        break;
    }
}

void GalleryPage::showZoneButtons()
{
    m_pageBar->setEntries(zoneEntries());
}

void GalleryPage::openSelectionEditor()
{
    const int c = m_catalogue.current;
    m_selectionGrid->showRecords(c, m_catalogue.items(c), true, 0);
    m_selectionGrid->show();
    m_selectionGrid->raise();
}

void GalleryPage::closeSelectionEditor() { m_selectionGrid->hide(); }

bool GalleryPage::isEditing() const { return !m_selectionGrid->isHidden(); }

QList<QWidget *> GalleryPage::tabChain() const
{
    ServerBar *server = m_serverBar;
    QList<QWidget *> chain{server->carrierButton(0), server->carrierButton(1), m_refresh};
    for (int i = 0; i < 3; ++i)
        chain << server->libraryButton(i);
    chain << server->speedTestButton();
    for (QToolButton *b : m_categoryBar->buttons())
        chain << b;
    chain << m_searchEdit << m_searchButton << m_savePath << m_browse << m_pageBar << m_grid << m_selectionGrid
          << m_latestList;
    return chain;
}

void GalleryPage::clearGrid() { m_grid->showRecords(m_catalogue.current, RecordList(), true, 0); }

void GalleryPage::onPageEntry(int index)
{
    const navigation::BarEntry &entry = m_pageBar->entries().at(index);
    if (entry.action != navigation::BarAction::ShowPage) {
        emit zoneButtonClicked(entry.action);
        return;
    }
    m_currentPage = entry.tag;
    // The grid's own category: a page of what it shows, even while another category is loading.
    const int category = m_grid->gridModel()->category();
    if (const std::optional<RecordList> records = navigation::pageRecords(m_catalogue.items(category), entry.tag))
        m_grid->showRecords(category, *records, true, entry.tag < 1 ? 0 : qsizetype(entry.tag - 1) * navigation::kPageSize);
}

void GalleryPage::onGridRecord(int category, const QByteArray &record)
{
    if (!canPick(record))
        return;
    const PictureRecord rec = PictureRecord::parse(record);
    const int id = rec.idNumber();
    openDownloadDialog(pictureRequest(m_catalogue, category, rec.fileName, rec.chineseName, rec.time,
                                      m_options.savePath(), dialogName()),
                       [this, category, id] { m_session.markTaken(category, id); });
}

void GalleryPage::onLatestRow(int row)
{
    const LatestRow picked = m_latestList->listModel()->row(row);
    if (picked.caption().isEmpty())
        return;
    const int category = m_latestCategory;
    openDownloadDialog(pictureRequest(m_catalogue, category, picked.fileName, picked.chineseName, picked.time,
                                      m_options.savePath(), dialogName()),
                       [this, category, picked] {
                           bool ok = false;
                           const int entry = parseSignedInt(picked.tag, &ok);
                           if (ok)
                               m_session.markTaken(category, entry < 0 ? -qsizetype(entry) : qsizetype(entry));
                       });
}

LocalName GalleryPage::dialogName() const
{
    return m_options.flag(UserOptions::ChineseNames) ? LocalName::ChineseName : LocalName::FileName;
}

void GalleryPage::openDownloadDialog(const DownloadRequest &request, std::function<void()> afterClose)
{
    auto *dialog = new DownloadDialog(request, m_platform.prompts, m_platform.shell, m_platform.folders, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Whichever button closed it, the picture counts as taken.
    connect(dialog, &QDialog::finished, this, [afterClose = std::move(afterClose)] { afterClose(); });
    if (m_platform.showDialog)
        m_platform.showDialog(*dialog);
    else
        dialog->open();
}

} // namespace kestrin
