// Painting and picking pictures in the grid and the latest-upload list.
#include "app/main_window.h"

#include "catalogue/gbk.h"
#include "catalogue/records.h"
#include "catalogue/string_grid_model.h"
#include "download/download_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <QTableView>
#include <QTreeWidget>

namespace kestrin {

namespace {
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);
} // namespace

void TForm1::SGMainDrawCell(QPainter *painter, int col, int row, const QRect &rect)
{
    const QByteArrayView text = SGMainModel->cell(col, row);
    if (text.isEmpty())
        return;
    const PictureRecord rec = PictureRecord::parse(text);
    QFont font = SGMain->font();
    painter->fillRect(rect, SGMain->palette().base());
    if (rec.caption) {
        font.setBold(true);
        painter->setFont(font);
        painter->setPen(kRed);
        painter->drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, gbk::decode(rec.rest));
        return;
    }
    QColor colour = kBlue;
    if (rec.withdrawn())
        colour = kBlack;
    else if (cat.isMarked(cat.CurCate, rec.idNumber()) || (col == HoverCol && row == HoverRow))
        colour = kRed;
    painter->setFont(font);
    painter->setPen(colour);
    painter->drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      gbk::decode(displayName(rec.fileName, rec.chineseName)));
}

void TForm1::SGMainMouseMove(const QPoint &pos)
{
    const QModelIndex index = SGMain->indexAt(pos);
    const int col = index.isValid() ? index.column() : -1;
    const int row = index.isValid() ? index.row() : -1;
    if (col == HoverCol && row == HoverRow)
        return;
    HoverCol = col;
    HoverRow = row;
    SGMain->viewport()->update();
}

void TForm1::SGMainMouseUp(Qt::MouseButton button, const QPoint &pos)
{
    if (button != Qt::LeftButton)
        return;
    const QModelIndex index = SGMain->indexAt(pos);
    if (!index.isValid())
        return;
    const QByteArray text = SGMainModel->cell(index.column(), index.row()).toByteArray();
    const PictureRecord rec = PictureRecord::parse(text);
    if (rec.caption || rec.withdrawn())
        return;
    const int c = cat.CurCate;
    openDownloadDialog(rec.rest.toByteArray() + '|' + cat.CateExts[size_t(c)], rec.time.toByteArray());
    if (rec.idNumber() >= 0)
        cat.setMark(c, rec.idNumber());
    SGMain->viewport()->update();
}

QColor TForm1::TopListCustomDrawItem(const QTreeWidgetItem *item) const
{
    return item && item->data(2, TForm1::RawRole).toByteArray() == markText() ? kRed : kBlue;
}

void TForm1::TopListClick()
{
    QTreeWidgetItem *item = TopList->currentItem();
    if (!item || !item->isSelected())
        return;
    const QByteArray caption = item->data(0, TForm1::RawRole).toByteArray();
    if (caption.isEmpty())
        return;
    const int c = cat.CurCate;
    openDownloadDialog(displayNameToFields(caption) + '|' + cat.CateExts[size_t(c)],
                       item->data(1, TForm1::RawRole).toByteArray());
    item->setText(2, gbk::decode(markText()));
    item->setData(2, TForm1::RawRole, markText());
    bool ok = false;
    const int entry = parseSignedInt(item->data(3, TForm1::RawRole).toByteArray(), &ok);
    if (ok)
        cat.setMark(c, entry < 0 ? -qsizetype(entry) : qsizetype(entry));
    SGMain->viewport()->update();
}

void TForm1::openDownloadDialog(const QByteArray &nameSpec, const QByteArray &time)
{
    const int c = cat.CurCate;
    TfrmDownload dialog(m_platform.prompts, m_platform.shell, m_platform.folders, this);
    const QString base = cat.baseUrl() + QString::fromLatin1(cat.CateFolders[size_t(c)].toPercentEncoding("/")) + u'/';
    dialog.SetDownloadInfo(base, nameSpec, EdtSavePath->text(), time, ChkChinese->isChecked());
    runModal(dialog);
}

} // namespace kestrin
