#include "gui/ui/picture_list.h"

#include "gui/ui/item_view_accessible.h"
#include "gui/ui/widget_kit.h"

#include <QKeyEvent>

namespace kestrin {

PictureList::PictureList(const char *objectName, LatestListModel::ToneRule tone, const QList<int> &widths,
                         const QStringList &headers, QWidget *parent, const QString &name)
    : PictureList(objectName, new LatestListModel(tone), widths, headers, parent, name)
{
    m_model->setParent(this);
}

PictureList::PictureList(const char *objectName, LatestListModel *model, const QList<int> &widths,
                         const QStringList &headers, QWidget *parent, const QString &name)
    : QTreeView(parent), m_model(model)
{
    a11y::exposeRows(this, name);
    m_model->setHeaders(headers);
    setModel(m_model);
    kit::setUpReportView(this, objectName, widths, !headers.isEmpty());
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
