// Reloading the current category into the grid and the two latest lists.
#include "app/main_window.h"

#include "app/splash.h"
#include "catalogue/gbk.h"
#include "catalogue/latest_lists.h"
#include "catalogue/string_grid_model.h"
#include "platform/prompts.h"

#include <QCheckBox>
#include <QTreeWidget>
#include <memory>

namespace kestrin {

namespace {

QList<QTreeWidgetItem *> makeItems(const QList<LatestRow> &rows)
{
    QList<QTreeWidgetItem *> items;
    items.reserve(rows.size());
    for (const LatestRow &row : rows) {
        auto *item = new QTreeWidgetItem;
        const QByteArray raw[] = {row.caption, row.time, row.mark, row.tag};
        for (int col = 0; col < 4; ++col) {
            item->setText(col, gbk::decode(raw[col]));
            item->setData(col, TForm1::RawRole, raw[col]);
        }
        items << item;
    }
    return items;
}

void refill(QTreeWidget *list, const QList<LatestRow> &rows)
{
    list->setUpdatesEnabled(false);
    list->clear();
    list->addTopLevelItems(makeItems(rows));
    list->setUpdatesEnabled(true);
}

} // namespace

void TForm1::ReloadCate()
{
    auto popup = std::make_unique<TForm4>(this);
    popup->showNow();
    const int c = cat.CurCate;
    loadCatePage(c);
    FillLatestLists(cat.latest(c));
    if (ChkSelf->isChecked()) {
        const std::optional<RecordList> selected = cat.BuildSelectRecords(c, cat.CateSelect[size_t(c)]);
        if (selected)
            FillMainGrid(*selected);
        else
            m_platform.prompts.message(QStringLiteral("抱歉！由于版本升级，您的自选专区需要重新设置！"));
    } else {
        FillMainGrid(cat.items(c));
    }
    popup->hide();
}

void TForm1::FillLatestLists(const QList<QByteArray> &entries)
{
    const LatestRows rows = latestRows(cat, entries, ChkSelf->isChecked());
    refill(TopList, rows.top);
    refill(ListMain, rows.main);
}

void TForm1::FillMainGrid(const RecordList &records)
{
    SGMainModel->fill(records);
}

} // namespace kestrin
