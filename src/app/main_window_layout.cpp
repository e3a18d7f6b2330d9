// The window's controls, their captions, colours and initial states.
#include "app/main_window.h"

#include "app/artwork.h"
#include "app/status_panel.h"
#include "app/widget_kit.h"
#include "catalogue/string_grid_model.h"
#include "gallery/grid_delegate.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>

namespace kestrin {

using namespace kit;

namespace {
const QColor kTitleBlue(98, 154, 238);
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

QRadioButton *radio(QWidget *parent, const char *name, const QString &text, QColor colour, bool checked)
{
    auto *r = new QRadioButton(text, parent);
    r->setObjectName(QLatin1String(name));
    setTextColour(r, colour);
    r->setChecked(checked);
    return r;
}

QCheckBox *check(QWidget *parent, const char *name, const QString &text, bool checked, QColor colour = QColor())
{
    auto *c = new QCheckBox(text, parent);
    c->setObjectName(QLatin1String(name));
    c->setChecked(checked);
    if (colour.isValid())
        setTextColour(c, colour);
    return c;
}

QTableView *pictureGrid(QWidget *parent, const char *name, StringGridModel *model)
{
    auto *g = new QTableView(parent);
    g->setObjectName(QLatin1String(name));
    g->setModel(model);
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->verticalHeader()->setDefaultSectionSize(20);
    g->horizontalHeader()->setDefaultSectionSize(200);
    g->setShowGrid(false);
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    g->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    g->setSelectionMode(QAbstractItemView::NoSelection);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setFocusPolicy(Qt::NoFocus);
    g->setMouseTracking(true);
    setPixelFont(g, 12);
    QPalette pal = g->palette();
    pal.setColor(QPalette::Base, Qt::white);
    g->setPalette(pal);
    return g;
}
} // namespace

void TForm1::buildLayout()
{
    setObjectName(QStringLiteral("Form1"));
    setPixelFont(this, 12);
    resize(963, 742);
    ImageList2 = {carrierPicture(0), carrierPicture(1)};
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    setCentralWidget(PageControl1);
    buildGalleryPage();
    buildFilePage();
    buildWebPages();
    buildTopLevel();
    PageControl1->setCurrentIndex(0);
}

void TForm1::buildTopLevel()
{
    Label15 = label(this, "Label15", QStringLiteral("Label15"));
    Label15->lower();

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(19);
    setStatusBar(StatusBar1);
    // The panels keep their widths; a narrow window cuts off the last ones rather than growing.
    auto *panels = new QWidget(StatusBar1);
    panels->setObjectName(QStringLiteral("StatusPanels"));
    panels->setMinimumWidth(1);
    panels->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    const int widths[] = {200, 150, 300};
    int left = 0;
    for (int i = 0; i < 3; ++i) {
        auto *p = new QLabel(panels);
        p->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        p->setGeometry(left, 0, widths[i], 17);
        left += widths[i] + 2;
    }
    StatusPanel3 = new OwnerDrawPanel(panels);
    StatusPanel3->setObjectName(QStringLiteral("StatusPanel3"));
    StatusPanel3->setGeometry(left, 0, 500, 17);
    StatusBar1->addWidget(panels, 1);

    ChkPlaySnd = check(this, "ChkPlaySnd", QStringLiteral("声音提醒"), true, Qt::blue);
    ChkChinese = check(this, "ChkChinese", QStringLiteral("中文名下载"), false, Qt::blue);
    ChkSelf = check(this, "ChkSelf", QStringLiteral("自选模式开关"), false, Qt::blue);
    ChkSelf->hide();
    for (QCheckBox *c : {ChkPlaySnd, ChkChinese, ChkSelf}) {
        c->adjustSize();
        c->move(c->x(), 2);
    }

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->resize(641, 16);
    ProgressBar1->setTextVisible(false);

    Timer1.setInterval(5000);
    TimerDownQueue.setInterval(100);
    TimerRefreshLimit.setInterval(15000);
    TimerCounter.setInterval(900000);
    Timer1.setObjectName(QStringLiteral("Timer1"));
    TimerDownQueue.setObjectName(QStringLiteral("TimerDownQueue"));
    TimerRefreshLimit.setObjectName(QStringLiteral("TimerRefreshLimit"));
    TimerCounter.setObjectName(QStringLiteral("TimerCounter"));
    TimerCounter.start();
}

void TForm1::buildGalleryPage()
{
    TabSheet1 = panel(nullptr, "TabSheet1");
    PageControl1->addTab(TabSheet1, QStringLiteral("图库模式"));
    QVBoxLayout *page = vbox(TabSheet1);

    Panel1 = panel(TabSheet1, "Panel1");
    Panel1->setFixedHeight(49);
    page->addWidget(Panel1);
    auto *carriers = new QButtonGroup(this);
    BtnCMCC = speedButton(Panel1, "BtnCMCC", QStringLiteral("电信服务器"), true);
    BtnCNC = speedButton(Panel1, "BtnCNC", QStringLiteral("网通服务器"), true);
    carriers->addButton(BtnCMCC);
    carriers->addButton(BtnCNC);
    BtnCMCC->setChecked(true);
    BtnCMCC->setGeometry(8, 12, 90, 25);
    BtnCNC->setGeometry(104, 12, 90, 25);
    Label2 = label(Panel1, "Label2", QStringLiteral("温馨提示："), Qt::blue);
    Label2->move(214, 17);
    Label3 = label(Panel1, "Label3", QString(), Qt::red);
    Label3->setWordWrap(true);
    Label3->setGeometry(280, 10, 382, 30);
    BtnRefresh = new QPushButton(QStringLiteral("立即刷新"), Panel1);
    BtnRefresh->setObjectName(QStringLiteral("BtnRefresh"));
    BtnRefresh->setGeometry(680, 12, 80, 25);

    Panel2 = panel(TabSheet1, "Panel2", kTitleBlue);
    Panel2->setFixedHeight(61);
    page->addWidget(Panel2);
    Label4 = label(Panel2, "Label4", QStringLiteral("速度未知"), Qt::white);
    Label5 = label(Panel2, "Label5", QStringLiteral("速度未知"), Qt::white);
    Label6 = label(Panel2, "Label6", QStringLiteral("速度未知"), Qt::white);
    RadioButton1 = radio(Panel2, "RadioButton1", QStringLiteral("图库1"), Qt::white, true);
    RadioButton2 = radio(Panel2, "RadioButton2", QStringLiteral("图库2"), Qt::white, false);
    RadioButton3 = radio(Panel2, "RadioButton3", QStringLiteral("图库3"), Qt::white, false);
    const QList<QLabel *> speeds{Label4, Label5, Label6};
    const QList<QRadioButton *> libraries{RadioButton1, RadioButton2, RadioButton3};
    for (int i = 0; i < 3; ++i) {
        libraries[i]->setGeometry(10 + 80 * i, 8, 75, 20);
        speeds[i]->setGeometry(14 + 80 * i, 34, 75, 18);
    }
    SpeedButton4 = speedButton(Panel2, "SpeedButton4", QStringLiteral("测速"));
    SpeedButton4->setGeometry(252, 18, 50, 25);
    Label7 = label(Panel2, "Label7", QStringLiteral("系统公告："), Qt::white);
    Label7->move(312, 23);
    Label8 = label(Panel2, "Label8", QString(), Qt::yellow);
    Label8->setWordWrap(true);
    Label8->setGeometry(380, 10, 382, 41);
    Image1 = label(Panel2, "Image1", QString());
    Image1->setGeometry(775, 7, 148, 47);

    Panel3 = panel(TabSheet1, "Panel3", kBarBlue);
    Panel3->setFixedHeight(41);
    page->addWidget(Panel3);
    QHBoxLayout *bar = hbox(Panel3);
    CateBar = panel(Panel3, "CateBar");
    bar->addWidget(CateBar, 1);
    Panel9 = panel(Panel3, "Panel9");
    QHBoxLayout *search = hbox(Panel9, 4);
    search->setSpacing(4);
    Label9 = label(Panel9, "Label9", QStringLiteral("图名:"));
    Edit1 = new QLineEdit(Panel9);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(110);
    BtnSearch = speedButton(Panel9, "BtnSearch", QStringLiteral("搜索"));
    Label10 = label(Panel9, "Label10", QStringLiteral("保存到:"));
    EdtSavePath = new QLineEdit(Panel9);
    EdtSavePath->setObjectName(QStringLiteral("EdtSavePath"));
    EdtSavePath->setReadOnly(true);
    EdtSavePath->setFixedWidth(170);
    SpeedButton5 = speedButton(Panel9, "SpeedButton5", QStringLiteral("浏览"));
    for (QWidget *w : {static_cast<QWidget *>(Label9), static_cast<QWidget *>(Edit1), static_cast<QWidget *>(BtnSearch),
                       static_cast<QWidget *>(Label10), static_cast<QWidget *>(EdtSavePath),
                       static_cast<QWidget *>(SpeedButton5)})
        search->addWidget(w);
    bar->addWidget(Panel9, 0, Qt::AlignRight);
    connect(SpeedButton5, &QToolButton::clicked, this, &TForm1::SpeedButton5Click);

    auto *lower = new QHBoxLayout;
    lower->setSpacing(0);
    page->addLayout(lower, 1);

    Panel4 = panel(TabSheet1, "Panel4", kSilver);
    Panel4->setFixedWidth(241);
    lower->addWidget(Panel4);
    QVBoxLayout *left = vbox(Panel4, 4);
    Panel7 = panel(Panel4, "Panel7", kPale);
    Panel7->setFixedHeight(41);
    left->addWidget(Panel7);
    lblNews = label(Panel7, "lblNews", QString(), Qt::red);
    lblNews->setAlignment(Qt::AlignCenter);
    vbox(Panel7)->addWidget(lblNews);
    Panel8 = panel(Panel4, "Panel8");
    left->addWidget(Panel8, 1);
    TopList = reportView(Panel8, "TopList", {223, 96, 96, 0});
    setPixelFont(TopList, 12);
    TopList->setItemDelegate(new RowColourDelegate(
        [this](const QModelIndex &index) {
            return TopListCustomDrawItem(TopList->topLevelItem(index.row()));
        },
        TopList));
    vbox(Panel8)->addWidget(TopList);
    connect(TopList, &QTreeWidget::itemClicked, this, [this] { TopListClick(); });

    Panel5 = panel(TabSheet1, "Panel5");
    lower->addWidget(Panel5, 1);
    QVBoxLayout *right = vbox(Panel5);
    Panel6 = panel(Panel5, "Panel6", kPale);
    Panel6->setFixedHeight(41);
    right->addWidget(Panel6);
    Panel20 = panel(Panel5, "Panel20");
    right->addWidget(Panel20, 1);
    QHBoxLayout *grids = hbox(Panel20);
    ListSelf = new QListWidget(Panel20);
    ListSelf->setObjectName(QStringLiteral("ListSelf"));
    ListSelf->setFixedWidth(200);
    ListSelf->hide();
    Panel21 = panel(Panel20, "Panel21", Qt::white);
    Panel21->setFixedWidth(8);
    SGMainModel = new StringGridModel(this);
    SGSelfModel = new StringGridModel(this);
    SGMain = pictureGrid(Panel20, "SGMain", SGMainModel);
    SGSelf = pictureGrid(Panel20, "SGSelf", SGSelfModel);
    SGSelf->hide();
    SGMain->setItemDelegate(new GridCellDelegate(
        [this](QPainter *p, int col, int row, const QRect &r) { SGMainDrawCell(p, col, row, r); }, SGMain));
    SGMain->viewport()->installEventFilter(this);
    for (QWidget *w : {static_cast<QWidget *>(ListSelf), Panel21, static_cast<QWidget *>(SGMain),
                       static_cast<QWidget *>(SGSelf)})
        grids->addWidget(w, w == SGMain || w == SGSelf ? 1 : 0);
}

void TForm1::buildFilePage()
{
    TabSheet2 = panel(nullptr, "TabSheet2");
    PageControl1->addTab(TabSheet2, QStringLiteral("软件模式"));
    QHBoxLayout *columns = hbox(TabSheet2);

    Panel10 = panel(TabSheet2, "Panel10");
    Panel10->setFixedWidth(393);
    columns->addWidget(Panel10);
    QVBoxLayout *c0 = vbox(Panel10);
    Panel14 = panel(Panel10, "Panel14");
    Panel14->setFixedHeight(40);
    c0->addWidget(Panel14);
    tbcSoftCate = new QTabBar(Panel14);
    tbcSoftCate->setObjectName(QStringLiteral("tbcSoftCate"));
    tbcSoftCate->setExpanding(false);
    tbcSoftCate->setGeometry(0, 8, 393, 32);
    ListMain = reportView(Panel10, "ListMain", {177, 130, 0, 0}, {QStringLiteral("文件名"), QStringLiteral("时间"),
                                                                     QString(), QString()});
    c0->addWidget(ListMain, 1);

    Panel11 = panel(TabSheet2, "Panel11");
    Panel11->setFixedWidth(185);
    columns->addWidget(Panel11);
    QVBoxLayout *c1 = vbox(Panel11);
    Panel17 = panel(Panel11, "Panel17");
    Panel17->setFixedHeight(240);
    c1->addWidget(Panel17);
    BtnSoftRefresh = new QPushButton(QStringLiteral("立即刷新"), Panel17);
    BtnSoftRefresh->setObjectName(QStringLiteral("BtnSoftRefresh"));
    BtnSoftRefresh->setGeometry(10, 10, 160, 28);
    ChkShowOnlyExist = check(Panel17, "ChkShowOnlyExist", QStringLiteral("只显示存在的图片"), true);
    ChkAutodownload = check(Panel17, "ChkAutodownload", QStringLiteral("自动下载选中图纸"), true);
    ChkAutoOpen = check(Panel17, "ChkAutoOpen", QStringLiteral("下载后自动打开"), false);
    ChkAutoQueue = check(Panel17, "ChkAutoQueue", QStringLiteral("自动下载新到图纸"), false);
    ChkShowOnlyExist->hide();
    ChkAutodownload->hide();
    ChkAutoOpen->setGeometry(10, 50, 170, 20);
    ChkAutoQueue->setGeometry(10, 76, 170, 20);

    GroupBox1 = new QGroupBox(QStringLiteral("请选择最快站点"), Panel11);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setFixedHeight(200);
    c1->addWidget(GroupBox1);
    c1->addStretch(1);
    RadioButton6 = radio(GroupBox1, "RadioButton6", QStringLiteral("图库1"), Qt::black, true);
    RadioButton4 = radio(GroupBox1, "RadioButton4", QStringLiteral("图库2"), Qt::black, false);
    RadioButton5 = radio(GroupBox1, "RadioButton5", QStringLiteral("图库3"), Qt::black, false);
    Label11 = label(GroupBox1, "Label11", QStringLiteral("速度未知"), Qt::white);
    Label12 = label(GroupBox1, "Label12", QStringLiteral("速度未知"), Qt::white);
    Label13 = label(GroupBox1, "Label13", QStringLiteral("速度未知"), Qt::white);
    Label17 = label(GroupBox1, "Label17", QStringLiteral("速度未知"), Qt::black);
    Label18 = label(GroupBox1, "Label18", QStringLiteral("速度未知"), Qt::black);
    Label19 = label(GroupBox1, "Label19", QStringLiteral("速度未知"), Qt::black);
    const QList<QRadioButton *> libs{RadioButton6, RadioButton4, RadioButton5};
    const QList<QLabel *> hidden{Label11, Label12, Label13};
    const QList<QLabel *> shown{Label17, Label18, Label19};
    for (int i = 0; i < 3; ++i) {
        libs[i]->setGeometry(10, 24 + 26 * i, 70, 20);
        shown[i]->setGeometry(90, 26 + 26 * i, 80, 18);
        hidden[i]->setGeometry(90, 26 + 26 * i, 80, 18);
        hidden[i]->lower();
    }
    SpeedButton1 = speedButton(GroupBox1, "SpeedButton1", QStringLiteral("测   速"));
    SpeedButton1->setGeometry(10, 106, 160, 25);
    auto *carriers = new QButtonGroup(this);
    BtnCNCSoft = speedButton(GroupBox1, "BtnCNCSoft", QStringLiteral("网通服务器"), true);
    BtnCMCCSoft = speedButton(GroupBox1, "BtnCMCCSoft", QStringLiteral("电信服务器"), true);
    carriers->addButton(BtnCNCSoft);
    carriers->addButton(BtnCMCCSoft);
    BtnCMCCSoft->setChecked(true);
    BtnCNCSoft->setGeometry(10, 138, 78, 25);
    BtnCMCCSoft->setGeometry(92, 138, 78, 25);

    Panel12 = panel(TabSheet2, "Panel12");
    Panel12->setFixedWidth(184);
    columns->addWidget(Panel12);
    QVBoxLayout *c2 = vbox(Panel12);
    Panel18 = panel(Panel12, "Panel18");
    Panel18->setFixedHeight(35);
    c2->addWidget(Panel18);
    QHBoxLayout *softSearch = hbox(Panel18, 4);
    softSearch->setSpacing(4);
    Label14 = label(Panel18, "Label14", QStringLiteral("图名:"));
    Edit2 = new QLineEdit(Panel18);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    SpeedButton2 = speedButton(Panel18, "SpeedButton2", QStringLiteral("搜索"));
    softSearch->addWidget(Label14);
    softSearch->addWidget(Edit2, 1);
    softSearch->addWidget(SpeedButton2);
    ListQueue = reportView(Panel12, "ListQueue", {180}, {QStringLiteral("待下载文件列表")});
    ListQueue->setFixedHeight(240);
    c2->addWidget(ListQueue);
    SoftSearchList = reportView(Panel12, "SoftSearchList", {180, 0}, {QStringLiteral("文件名"), QString()});
    c2->addWidget(SoftSearchList, 1);

    Panel13 = panel(TabSheet2, "Panel13");
    columns->addWidget(Panel13, 1);
    QVBoxLayout *c3 = vbox(Panel13);
    Panel19 = panel(Panel13, "Panel19");
    Panel19->setFixedHeight(41);
    c3->addWidget(Panel19);
    c3->addStretch(1);
    SpeedButton3 = speedButton(Panel19, "SpeedButton3", QStringLiteral("选择保存目录"));
    SpeedButton3->setGeometry(10, 8, 100, 25);
    connect(SpeedButton3, &QToolButton::clicked, this, &TForm1::SpeedButton5Click);
}

void TForm1::buildWebPages()
{
    for (int i = 0; i < 6; ++i) {
        QWidget *sheet = panel(nullptr, "");
        sheet->setObjectName(QStringLiteral("TabSheet%1").arg(i + 3));
        QWidget *host = panel(sheet, "");
        host->setObjectName(QStringLiteral("WebBrowser%1").arg(i + 1));
        vbox(sheet)->addWidget(host);
        const int index = PageControl1->addTab(sheet, QStringLiteral("TAB%1").arg(i + 3));
        PageControl1->setTabVisible(index, false);
        TabSheets << sheet;
        WebBrowsers << host;
    }
}

} // namespace kestrin
