#pragma once
#include "core/catalogue/latest_list_model.h"

#include <QTreeView>

namespace kestrin {

// A report-style list of pictures (the latest uploads, the file list), each row in the colour of its
// picture's state. A click on a row, or Return or Space on the current one, reports it.
class PictureList : public QTreeView
{
    Q_OBJECT
public:
    // A list over rows kept elsewhere (the session's latest uploads or file list).
    // name is what a screen reader calls the list.
    PictureList(const char *objectName, LatestListModel *model, const QList<int> &widths, const QStringList &headers,
                QWidget *parent, const QString &name);
    // A list with rows of its own, coloured by tone.
    PictureList(const char *objectName, LatestListModel::ToneRule tone, const QList<int> &widths,
                const QStringList &headers, QWidget *parent, const QString &name);

    LatestListModel *listModel() const { return m_model; }
    QRect rowRect(int row) const { return visualRect(m_model->index(row, 0)); }

signals:
    void rowClicked(int row);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    LatestListModel *m_model;
};

} // namespace kestrin
