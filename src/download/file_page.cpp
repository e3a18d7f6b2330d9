#include "download/file_page.h"

#include "app/user_options.h"
#include "download/download_queue.h"
#include "server/server_bar.h"
#include "ui/picture_list.h"
#include "ui/widget_kit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
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

} // namespace

FilePage::FilePage(ServerChoice &choice, UserOptions &options, DownloadQueueModel &queue, QWidget *parent)
    : QWidget(parent), m_options(options)
{
    setObjectName(QStringLiteral("filePage"));
    auto *columns = new QHBoxLayout(this);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);
    columns->addWidget(buildCategoryColumn());
    columns->addWidget(buildOptionsColumn(choice));
    columns->addWidget(buildQueueColumn(queue));
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
    m_fileList = new PictureList("fileList", &fileRowTone, {177, 130, 0, 0},
                                 {QStringLiteral("文件名"), QStringLiteral("时间"), QString(), QString()}, column);
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
    m_autoOpen = optionBox(options, "autoOpenBox", QStringLiteral("下载后自动打开"), m_options, UserOptions::AutoOpen);
    m_autoOpen->setGeometry(10, 50, 170, 20);
    m_autoQueue = optionBox(options, "autoQueueBox", QStringLiteral("自动下载新到图纸"), m_options, UserOptions::AutoQueue);
    m_autoQueue->setGeometry(10, 76, 170, 20);
    m_serverBar = new ServerBar(choice, ServerBar::Style::Group, column);
    layout->addWidget(m_serverBar);
    layout->addStretch(1);
    return column;
}

QWidget *FilePage::buildQueueColumn(DownloadQueueModel &queue)
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
    line->addWidget(kit::label(searchRow, "searchCaption", QStringLiteral("图名:")));
    m_searchEdit = new QLineEdit(searchRow);
    m_searchEdit->setObjectName(QStringLiteral("searchEdit"));
    line->addWidget(m_searchEdit, 1);
    m_searchButton = kit::flatButton(searchRow, "searchButton", QStringLiteral("搜索"));
    line->addWidget(m_searchButton);

    m_queue = new QTreeView(column);
    m_queue->setModel(&queue);
    kit::setUpReportView(m_queue, "queueList", {180}, true);
    m_queue->setFixedHeight(240);
    layout->addWidget(m_queue);
    m_results = new PictureList("searchResults", &latestRowTone, {180, 0, 0, 0}, {QStringLiteral("文件名")}, column);
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
    m_folderView = kit::panel(column, "folderView");
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
            m_tabs->addTab(caption);
    }
    auto *group = new QButtonGroup(m_tabBand);
    for (int i = 0; i <= captions.size(); ++i) {
        const bool zone = i == captions.size();
        QToolButton *twin = kit::flatButton(m_tabBand, "", zone ? QStringLiteral("自选专区") : captions[i], !zone);
        twin->setObjectName(zone ? QStringLiteral("hiddenZoneButton") : QStringLiteral("hiddenCategoryButton%1").arg(i));
        QFont f = twin->font();
        f.setPointSize(9);
        twin->setFont(f);
        twin->setGeometry(i == 0 ? 5 : i * 80 + 2, 8, 80, 24);
        if (!zone)
            group->addButton(twin);
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

void FilePage::setFileRows(QList<LatestRow> rows) { m_fileList->listModel()->setRows(std::move(rows)); }

void FilePage::setZoneBold(bool bold)
{
    if (!m_twins.isEmpty())
        kit::setBold(m_twins.last(), bold);
}

} // namespace kestrin
