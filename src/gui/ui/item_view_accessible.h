#pragma once
#include <QAccessible>
#include <QString>
#include <functional>

class QAbstractItemView;

namespace kestrin::a11y {

// Names a list, table or grid of flat rows for screen readers and gives it an accessible interface of
// our own, laid out as Qt's (one header row, and a header column for tables, so the view's own focus
// and selection events point at the right cell). Unlike Qt's, a cell that cannot be seen (its page is
// not shown, its column is hidden or it is scrolled away) says it is invisible and lies nowhere, so an
// assistive tool never clicks where another page's control now is. Call before the view has a model.
// cellState adds what the view shows of a cell in other ways than its text (a tick drawn as colour).
using CellState = std::function<void(const QModelIndex &index, QAccessible::State &state)>;
void exposeRows(QAbstractItemView *view, const QString &name, CellState cellState = {});

} // namespace kestrin::a11y
