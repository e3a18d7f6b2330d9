// Category and page buttons.
#include "app/main_window.h"

#include "app/widget_kit.h"
#include "catalogue/gbk.h"
#include "catalogue/records.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>

namespace kestrin {

namespace {

constexpr int kPageSize = 240;

int tagOf(const QToolButton *b) { return b->property("tag").toInt(); }

void setBold(QToolButton *b, bool bold)
{
    QFont f = b->font();
    f.setBold(bold);
    b->setFont(f);
}

// 15 pixels per Chinese character; a single-byte character counts half, rounded up.
int captionWidth(const QString &caption)
{
    const qsizetype bytes = gbk::byteLength(caption);
    return int(bytes / 2 + bytes % 2) * 15;
}

} // namespace

void TForm1::BuildCateButtons()
{
    const int n = cat.count();
    qDeleteAll(CateButtons);
    qDeleteAll(SoftCateButtons);
    CateButtons.clear();
    SoftCateButtons.clear();
    delete CateGroup;
    delete SoftCateGroup;
    CateGroup = new QButtonGroup(this);
    SoftCateGroup = new QButtonGroup(this);
    while (tbcSoftCate->count() > 0)
        tbcSoftCate->removeTab(0);

    int left = 5;
    for (int i = 0; i <= n; ++i) {
        QString caption;
        if (i == n) {
            caption = QStringLiteral("进入自选专区");
        } else {
            const QList<QByteArray> fields = SplitString(cat.CateList[i], "|");
            caption = gbk::decode(fields.value(0));
            cat.CateFolders[size_t(i)] = fields.value(1);
            cat.CateExts[size_t(i)] = fields.value(2);
        }
        QToolButton *b = kit::speedButton(CateBar, "", caption, i < n);
        b->setObjectName(QStringLiteral("CateButton%1").arg(i));
        b->setProperty("tag", i);
        const int width = captionWidth(caption);
        b->setGeometry(left, 9, width, 24);
        left += 5 + width;
        if (i < n)
            CateGroup->addButton(b);
        b->setChecked(i == 0);
        connect(b, &QToolButton::clicked, this, [this, b] { BtnCateClick(b); });
        b->show();
        CateButtons << b;

        QToolButton *twin = kit::speedButton(Panel14, "", i == n ? QStringLiteral("自选专区") : caption, i < n);
        twin->setObjectName(QStringLiteral("SoftCateButton%1").arg(i));
        twin->setProperty("tag", i);
        QFont f = twin->font();
        f.setPointSize(9);
        twin->setFont(f);
        twin->setGeometry(i == 0 ? 5 : i * 80 + 2, 8, 80, 24);
        if (i < n) {
            SoftCateGroup->addButton(twin);
            tbcSoftCate->addTab(caption);
        }
        if (i == 0) {
            twin->setChecked(true);
            setBold(twin, true);
        }
        twin->hide();
        SoftCateButtons << twin;
    }
}

void TForm1::markCategoryButtons(int category)
{
    for (int i = 0; i < cat.count(); ++i) {
        kit::setTextColour(CateButtons[i], i == category ? Qt::red : Qt::black);
        setBold(CateButtons[i], i == category);
        setBold(SoftCateButtons[i], i == category);
    }
    if (cat.validCategory(category)) {
        CateButtons[category]->setChecked(true);
        SoftCateButtons[category]->setChecked(true);
    }
}

void TForm1::BuildPageButtons(int category)
{
    const qsizetype count = cat.validCategory(category) ? cat.items(category).size() : 0;
    const qsizetype pages = count / kPageSize + (count % kPageSize != 0 ? 1 : 0);
    const QString handler = QStringLiteral("BtnPageClick");
    AddPanelButton(QStringLiteral("全部"), 0, true, handler, 10, 45, 1);
    for (qsizetype p = 1; p <= pages; ++p)
        AddPanelButton(QStringLiteral("第%1页").arg(p), int(p), false, handler, int(48 * p + 10), 45, 1);
}

void TForm1::AddPanelButton(const QString &caption, int tag, bool down, const QString &handler, int left, int width,
                            int group)
{
    if (!PageGroup)
        PageGroup = new QButtonGroup(this);
    QToolButton *b = kit::speedButton(Panel6, "", caption, group != 0);
    b->setObjectName(QStringLiteral("PanelButton%1").arg(tag));
    b->setProperty("tag", tag);
    if (group != 0) {
        PageGroup->addButton(b);
        b->setChecked(down); // a button outside a group never stays down
    }
    QFont f = b->font();
    f.setPointSize(10);
    b->setFont(f);
    b->setGeometry(left, 8, width, 24);
    if (handler == QLatin1String("BtnPageClick"))
        connect(b, &QToolButton::clicked, this, [this, b] { BtnPageClick(b); });
    b->show();
}

void TForm1::clearPanel6()
{
    qDeleteAll(Panel6->findChildren<QToolButton *>(Qt::FindDirectChildrenOnly));
}

void TForm1::BtnCateClick(QToolButton *sender)
{
    const int t = tagOf(sender);
    if (t >= cat.count())
        return; // the personal zone's switch
    if (t == cat.CurCate && CurPage != 99)
        return;
    markCategoryButtons(t);
    {
        const QSignalBlocker quiet(tbcSoftCate);
        tbcSoftCate->setCurrentIndex(t);
    }
    CurPage = 0;
    cat.CurCate = t;
    ReloadCate();
    clearPanel6();
    SGSelf->hide();
    BuildPageButtons(t);
}

void TForm1::BtnPageClick(QToolButton *sender)
{
    sender->setChecked(true);
    const int p = tagOf(sender);
    CurPage = p;
    const RecordList &items = cat.items(cat.CurCate);
    if (p < 1) {
        FillMainGrid(items);
        return;
    }
    const qsizetype from = qsizetype(p - 1) * kPageSize;
    if (from >= items.size())
        return; // the category shrank since the buttons were made
    FillMainGrid(items.mid(from, kPageSize));
}

} // namespace kestrin
