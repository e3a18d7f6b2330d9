#include "gui/ui/picture_list.h"

#include "gui/ui/widget_kit.h"

namespace kestrin {

PictureList::PictureList(const char *name, LatestListModel::ToneRule tone, const QList<int> &widths,
                         const QStringList &headers, QWidget *parent)
    : QTreeView(parent), m_model(new LatestListModel(tone, this))
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

} // namespace kestrin
