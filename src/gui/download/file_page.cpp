// The file page's layout: four columns, each built from its own controls.
#include "gui/download/file_page.h"

#include "core/app/library_session.h"

#include "core/app/user_options.h"
#include "core/catalogue/catalogue.h"
#include "core/download/download_queue.h"
#include "core/download/file_list.h"
#include "gui/server/server_bar.h"
#include "gui/ui/item_view_accessible.h"
#include "gui/ui/picture_list.h"
#include "gui/ui/widget_kit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace kestrin {

namespace {

QVBoxLayout *vbox(QWidget *w)
{
    auto *l = new QVBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    return l;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &text, bool checked)
{
    auto *c = new QCheckBox(text, parent);
    c->setObjectName(QLatin1String(name));
    c->setChecked(checked);
    return c;
}

// A tick box that shows one of the user's options and sets it.
QCheckBox *optionBox(QWidget *parent, const char *name, const QString &text, UserOptions &options,
                     UserOptions::Flag flag)
{
    QCheckBox *box = checkBox(parent, name, text, options.flag(flag));
    QObject::connect(box, &QCheckBox::toggled, &options, [&options, flag](bool on) { options.setFlag(flag, on); });
    QObject::connect(&options, &UserOptions::flagChanged, box, [box, flag](UserOptions::Flag f, bool on) {
        if (f == flag)
            box->setChecked(on);
    });
    return box;
}

// Queue rows: a failed one red with its reason, the one downloading bold.
class QueueRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto state = QueueEntry::State(index.data(DownloadQueueModel::StateRole).toInt());
        if (state == QueueEntry::State::Failed) {
            // Red on the usual dark highlight cannot be read: a selected failure gets a pale one.
            option->palette.setColor(QPalette::Text, Qt::red);
            option->palette.setColor(QPalette::HighlightedText, Qt::red);
            option->palette.setColor(QPalette::Highlight, QColor(255, 220, 220));
        }
        option->font.setBold(state == QueueEntry::State::Running);
    }
};

} // namespace

FilePage::FilePage(Platform &platform, LibrarySession &session, QWidget *parent)
    : QWidget(parent), m_platform(platform), m_session(session), m_catalogue(session.catalogue()),
      m_options(session.options()), m_downloads(session.downloads())
{
    setObjectName(QStringLiteral("filePage"));
    auto *columns = new QHBoxLayout(this);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);
    columns->addWidget(buildCategoryColumn());
    columns->addWidget(buildOptionsColumn(session.serverChoice()));
    columns->addWidget(buildQueueColumn());
    columns->addWidget(buildFolderColumn(), 1);
}

QWidget *FilePage::buildCategoryColumn()
{
    QWidget *column = kit::panel(this, "fileListColumn");
    column->setFixedWidth(393);
    QVBoxLayout *layout = vbox(column);
    m_tabBand = kit::panel(column, "categoryTabBand");
    m_tabBand->setFixedHeight(40);
    layout->addWidget(m_tabBand);
    m_tabs = new QTabBar(m_tabBand);
    m_tabs->setObjectName(QStringLiteral("categoryTabs"));
    m_tabs->setExpanding(false);
    m_tabs->setGeometry(0, 8, 393, 32);
    connect(m_tabs, &QTabBar::currentChanged, this, &FilePage::onTab);
    m_fileList = new PictureList("fileList", &m_session.fileList(), {177, 130, 0, 0},
                                 {QStringLiteral("文件名"), QStringLiteral("时间"), QString(), QString()}, column,
                                 QStringLiteral("文件列表"));
    m_fileList->header()->setSectionsClickable(true);
    m_fileList->header()->setSortIndicatorShown(false); // always descending: an arrow would only puzzle
    connect(m_fileList->header(), &QHeaderView::sectionClicked, this, &FilePage::sortFileList);
    connect(m_fileList, &PictureList::rowClicked, this, &FilePage::queueFromFileList);
    sortFileList(m_sortColumn);
    layout->addWidget(m_fileList, 1);
    return column;
}

QWidget *FilePage::buildOptionsColumn(ServerChoice &choice)
{
    QWidget *column = kit::panel(this, "optionsColumn");
    column->setFixedWidth(185);
    QVBoxLayout *layout = vbox(column);
    QWidget *options = kit::panel(column, "optionsPanel");
    options->setFixedHeight(240);
    layout->addWidget(options);
    m_refresh = new QPushButton(QStringLiteral("立即刷新"), options);
    m_refresh->setObjectName(QStringLiteral("refreshButton"));
    m_refresh->setGeometry(10, 10, 160, 28);
    connect(m_refresh, &QPushButton::clicked, this, &FilePage::refreshRequested);
    // Two options the program keeps ticked and never shows.
    m_showOnlyExisting = checkBox(options, "showOnlyExistingBox", QStringLiteral("只显示存在的图片"), true);
    m_autoDownload = checkBox(options, "autoDownloadBox", QStringLiteral("自动下载选中图纸"), true);
    m_showOnlyExisting->hide();
    m_autoDownload->hide();
    connect(m_showOnlyExisting, &QCheckBox::clicked, this, &FilePage::rebuildFileList);
    connect(m_autoDownload, &QCheckBox::clicked, this, [this] {
        if (!m_downloads.timer().isActive() && m_downloads.model().rowCount() > 0)
            m_downloads.timer().start();
    });
    m_autoOpen = optionBox(options, "autoOpenBox", QStringLiteral("下载后自动打开"), m_options, UserOptions::AutoOpen);
    m_autoOpen->setGeometry(10, 50, 170, 20);
    m_autoQueue = optionBox(options, "autoQueueBox", QStringLiteral("自动下载新到图纸"), m_options, UserOptions::AutoQueue);
    m_autoQueue->setGeometry(10, 76, 170, 20);
    m_serverBar = new ServerBar(choice, ServerBar::Style::Group, column);
    layout->addWidget(m_serverBar);
    layout->addStretch(1);
    return column;
}

QWidget *FilePage::buildQueueColumn()
{
    QWidget *column = kit::panel(this, "queueColumn");
    column->setFixedWidth(184);
    QVBoxLayout *layout = vbox(column);
    QWidget *searchRow = kit::panel(column, "searchRow");
    searchRow->setFixedHeight(35);
    layout->addWidget(searchRow);
    auto *line = new QHBoxLayout(searchRow);
    line->setContentsMargins(4, 4, 4, 4);
    line->setSpacing(4);
    QLabel *searchCaption = kit::label(searchRow, "searchCaption", QStringLiteral("图名:"));
    line->addWidget(searchCaption);
    m_searchEdit = new QLineEdit(searchRow);
    m_searchEdit->setObjectName(QStringLiteral("searchEdit"));
    searchCaption->setBuddy(m_searchEdit);
    m_searchEdit->setAccessibleName(QStringLiteral("图名"));
    line->addWidget(m_searchEdit, 1);
    m_searchButton = kit::flatButton(searchRow, "searchButton", QStringLiteral("搜索"));
    line->addWidget(m_searchButton);
    connect(m_searchButton, &QToolButton::clicked, this, &FilePage::searchRequested);
    connect(m_searchEdit, &QLineEdit::returnPressed, this, &FilePage::searchRequested);

    // A table rather than a tree: a row added to a queue of thousands costs the view a header section,
    // not a new layout of every row.
    m_queue = new QTableView(column);
    m_queue->setObjectName(QStringLiteral("queueList"));
    a11y::exposeRows(m_queue, QStringLiteral("待下载文件列表"));
    m_queue->setModel(&m_downloads.model());
    m_queue->setSelectionMode(QAbstractItemView::SingleSelection);
    m_queue->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_queue->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_queue->setShowGrid(false);
    m_queue->setWordWrap(false);
    m_queue->verticalHeader()->hide();
    m_queue->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_queue->verticalHeader()->setDefaultSectionSize(m_queue->fontMetrics().height() + 3);
    m_queue->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_queue->horizontalHeader()->setHighlightSections(false);
    m_queue->setColumnWidth(0, 180);
    m_queue->setItemDelegate(new QueueRowDelegate(m_queue));
    m_queue->setFixedHeight(240);
    m_queue->setTabKeyNavigation(false); // Tab leaves the list
    m_queue->setContextMenuPolicy(Qt::CustomContextMenu);
    m_queue->installEventFilter(this);
    connect(m_queue, &QTableView::customContextMenuRequested, this,
            [this](const QPoint &pos) { showQueueMenu(m_queue->indexAt(pos), pos); });
    connect(m_queue, &QTableView::doubleClicked, this, [this](const QModelIndex &i) { m_downloads.retry(i.row()); });
    layout->addWidget(m_queue);
    m_results = new PictureList(
        "searchResults", [this](const LatestRow &r) { return takenTone(m_catalogue, m_catalogue.current, r); },
        {180, 0, 0, 0}, {QStringLiteral("文件名")}, column, QStringLiteral("搜索结果"));
    connect(m_results, &PictureList::rowClicked, this, &FilePage::queueFromSearch);
    layout->addWidget(m_results, 1);
    return column;
}

QWidget *FilePage::buildFolderColumn()
{
    QWidget *column = kit::panel(this, "folderColumn");
    QVBoxLayout *layout = vbox(column);
    QWidget *bar = kit::panel(column, "folderBar");
    bar->setFixedHeight(41);
    layout->addWidget(bar);
    m_chooseFolder = kit::flatButton(bar, "chooseFolderButton", QStringLiteral("选择保存目录"));
    m_chooseFolder->setGeometry(10, 8, 100, 25);
    connect(m_chooseFolder, &QToolButton::clicked, this, &FilePage::saveFolderChooseRequested);

    // The save folder's files only (no folders, no hidden files: a download in progress is one),
    // sorted by name, renamed in place; the list follows the folder by itself.
    m_folderModel = new QFileSystemModel(this);
    m_folderModel->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    m_folderModel->setReadOnly(false);
    m_folderView = new QTreeView(column);
    a11y::exposeRows(m_folderView, QStringLiteral("保存目录中的文件"));
    m_folderView->setModel(m_folderModel);
    kit::setUpReportView(m_folderView, "folderView", {200, 70, 80, 120}, true);
    // Renamed with F2 only: a click on the selected file started an edit that then took the Delete key.
    m_folderView->setEditTriggers(QAbstractItemView::EditKeyPressed);
    m_folderView->setSortingEnabled(true);
    m_folderView->sortByColumn(0, Qt::AscendingOrder);
    m_folderView->installEventFilter(this);
    connect(m_folderView, &QTreeView::doubleClicked, this, &FilePage::openFolderFile);
    const auto showFolder = [this](const QString &path) {
        m_folderView->setRootIndex(m_folderModel->setRootPath(path));
    };
    showFolder(m_options.savePath());
    connect(&m_options, &UserOptions::savePathChanged, this, showFolder);
    layout->addWidget(m_folderView, 1);
    return column;
}

void FilePage::setCategories(const QStringList &captions)
{
    qDeleteAll(m_twins);
    m_twins.clear();
    {
        const QSignalBlocker quiet(m_tabs);
        while (m_tabs->count() > 0)
            m_tabs->removeTab(0);
        for (const QString &caption : captions)
            m_tabs->addTab(kit::literalCaption(caption));
    }
    auto *group = new QButtonGroup(m_tabBand);
    for (int i = 0; i <= captions.size(); ++i) {
        const bool zone = i == captions.size();
        QToolButton *twin = kit::flatButton(m_tabBand, "", zone ? QStringLiteral("自选专区") : kit::literalCaption(captions[i]), !zone);
        twin->setObjectName(zone ? QStringLiteral("hiddenZoneButton") : QStringLiteral("hiddenCategoryButton%1").arg(i));
        QFont f = twin->font();
        f.setPointSize(9);
        twin->setFont(f);
        twin->setGeometry(i == 0 ? 5 : i * 80 + 2, 8, 80, 24);
        if (!zone)
            group->addButton(twin);
        connect(twin, &QToolButton::clicked, this, [this, i, zone] {
            if (zone)
                emit zoneToggleRequested();
            else
                onTab(i);
        });
        twin->hide();
        m_twins << twin;
    }
    setCurrentCategory(0);
}

void FilePage::setCurrentCategory(int category)
{
    {
        const QSignalBlocker quiet(m_tabs);
        m_tabs->setCurrentIndex(category);
    }
    for (int i = 0; i + 1 < m_twins.size(); ++i)
        kit::setBold(m_twins[i], i == category);
    if (category >= 0 && category + 1 < m_twins.size())
        m_twins[category]->setChecked(true);
}

void FilePage::setSearchResults(QList<LatestRow> rows)
{
    m_results->listModel()->setRows(std::move(rows));
    if (m_results->listModel()->rowCount() > 0)
        m_results->setCurrentIndex(m_results->listModel()->index(0, 0));
}

QList<QWidget *> FilePage::tabChain() const
{
    QList<QWidget *> chain{m_tabs, m_fileList, m_refresh, m_autoOpen, m_autoQueue};
    for (int i = 0; i < 3; ++i)
        chain << m_serverBar->libraryButton(i);
    // The group shows the second carrier's button first.
    chain << m_serverBar->speedTestButton() << m_serverBar->carrierButton(1) << m_serverBar->carrierButton(0);
    chain << m_searchEdit << m_searchButton << m_queue << m_results << m_chooseFolder << m_folderView;
    return chain;
}

void FilePage::setZoneBold(bool bold)
{
    if (!m_twins.isEmpty())
        kit::setBold(m_twins.last(), bold);
}

void FilePage::sortFileList(int column)
{
    // Always descending; the same header again keeps the order.
    m_sortColumn = column;
    m_fileList->header()->setSortIndicator(column, Qt::DescendingOrder);
    m_fileList->listModel()->setOrder(
        [column](const LatestRow &a, const LatestRow &b) { return fileRowBefore(a, b, column); });
}

} // namespace kestrin
