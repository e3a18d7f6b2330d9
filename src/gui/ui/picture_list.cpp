#include "gui/ui/picture_list.h"

#include "gui/ui/widget_kit.h"

#include <QKeyEvent>

namespace kestrin {

PictureList::PictureList(const char *name, LatestListModel::ToneRule tone, const QList<int> &widths,
                         const QStringList &headers, QWidget *parent)
    : PictureList(name, new LatestListModel(tone), widths, headers, parent)
{
    m_model->setParent(this);
}

PictureList::PictureList(const char *name, LatestListModel *model, const QList<int> &widths,
                         const QStringList &headers, QWidget *parent)
    : QTreeView(parent), m_model(model)
{
    m_model->setHeaders(headers);
    setModel(m_model);
    kit::setUpReportView(this, name, widths, !headers.isEmpty());
    setItemDelegate(new kit::ToneRowDelegate(LatestListModel::ToneRole, this));
    kit::setPixelFont(this, 12);
    connect(this, &QTreeView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit rowClicked(index.row());
    });
}

void PictureList::keyPressEvent(QKeyEvent *event)
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && kit::isActivationKey(event)) {
        // As a click would: the row selected, then reported.
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        event->accept();
        emit rowClicked(current.row());
        return;
    }
    QTreeView::keyPressEvent(event);
}

} // namespace kestrin
