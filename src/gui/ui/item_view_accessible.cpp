#include "gui/ui/item_view_accessible.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>
#include <QTreeView>

namespace kestrin::a11y {

namespace {

const char kExposed[] = "kestrinRowsExposed";
const char kHook[] = "kestrinCellState";

// The view's own additions to its cells' states, living as long as the view.
class CellStateHook : public QObject
{
public:
    CellStateHook(QObject *view, CellState state) : QObject(view), add(std::move(state))
    {
        setObjectName(QLatin1String(kHook));
    }
    const CellState add;
};

QHeaderView *columnHeader(const QAbstractItemView *view)
{
    if (auto *tree = qobject_cast<const QTreeView *>(view))
        return tree->header();
    if (auto *table = qobject_cast<const QTableView *>(view))
        return table->horizontalHeader();
    return nullptr;
}

QHeaderView *rowHeader(const QAbstractItemView *view)
{
    auto *table = qobject_cast<const QTableView *>(view);
    return table ? table->verticalHeader() : nullptr;
}

// Where part of a widget lies on the screen; nothing when the widget or that part cannot be seen.
QRect onScreen(const QWidget *w, const QRect &local)
{
    const QRect seen = local & w->rect();
    if (!w->isVisible() || seen.isEmpty())
        return {};
    return QRect(w->mapToGlobal(seen.topLeft()), seen.size());
}

// One child of a view: a cell, a header section or the corner between the headers.
class RowChild : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    enum Kind { Cell, ColumnHeader, RowHeader, Corner };

    RowChild(QAbstractItemView *view, Kind kind, const QModelIndex &index, int section)
        : m_view(view), m_kind(kind), m_index(index), m_section(section)
    {
    }

    bool stands(Kind kind, const QModelIndex &index, int section) const
    {
        return m_kind == kind && (kind == Cell ? QModelIndex(m_index) == index : m_section == section);
    }
    Kind kind() const { return m_kind; }
    int section() const { return m_section; }
    QModelIndex index() const { return m_index; }

    bool isValid() const override { return m_view && (m_kind != Cell || m_index.isValid()); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_view.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Description))
            return {};
        const int role = t == QAccessible::Name ? Qt::AccessibleTextRole : Qt::AccessibleDescriptionRole;
        if (m_kind == Cell) {
            const QString own = m_index.data(role).toString();
            return own.isEmpty() && t == QAccessible::Name ? m_index.data(Qt::DisplayRole).toString() : own;
        }
        if (m_kind == Corner || !m_view->model())
            return {};
        const Qt::Orientation o = m_kind == ColumnHeader ? Qt::Horizontal : Qt::Vertical;
        const QString own = m_view->model()->headerData(m_section, o, role).toString();
        return own.isEmpty() && t == QAccessible::Name ? m_view->model()->headerData(m_section, o).toString() : own;
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        switch (m_kind) {
        case Cell:
            return onScreen(m_view->viewport(), m_view->visualRect(m_index));
        case ColumnHeader:
        case RowHeader: {
            QHeaderView *h = m_kind == ColumnHeader ? columnHeader(m_view) : rowHeader(m_view);
            if (!h || h->isSectionHidden(m_section))
                return {};
            const int at = h->sectionViewportPosition(m_section), size = h->sectionSize(m_section);
            const QRect r = h->orientation() == Qt::Horizontal ? QRect(at, 0, size, h->height())
                                                               : QRect(0, at, h->width(), size);
            return onScreen(h->viewport(), r);
        }
        case Corner: {
            const QHeaderView *across = columnHeader(m_view), *down = rowHeader(m_view);
            if (!across || !down || !across->isVisible() || !down->isVisible())
                return {};
            const QPoint at(down->mapToGlobal(QPoint(0, 0)).x(), across->mapToGlobal(QPoint(0, 0)).y());
            return QRect(at, QSize(down->width(), across->height()));
        }
        }
        return {};
    }

    QAccessible::Role role() const override
    {
        switch (m_kind) {
        case Cell: return qobject_cast<const QTreeView *>(m_view) ? QAccessible::TreeItem : QAccessible::Cell;
        case ColumnHeader: return QAccessible::ColumnHeader;
        case RowHeader: return QAccessible::RowHeader;
        case Corner: break;
        }
        return QAccessible::Pane;
    }

    QAccessible::State state() const override
    {
        QAccessible::State st;
        if (!isValid()) {
            st.invalid = true;
            return st;
        }
        // Seen or not, by where it lies now: on a page not shown, in a hidden column or scrolled away.
        st.invisible = st.offscreen = rect().isEmpty();
        if (m_kind != Cell)
            return st;
        QItemSelectionModel *selection = m_view->selectionModel();
        st.selected = selection && selection->isSelected(m_index);
        st.focused = m_view->currentIndex() == m_index;
        const QVariant check = m_index.data(Qt::CheckStateRole);
        st.checkable = (m_index.flags() & Qt::ItemIsUserCheckable) && check.isValid();
        st.checked = check.toInt() == Qt::Checked;
        if ((m_index.flags() & Qt::ItemIsSelectable) && m_view->selectionMode() != QAbstractItemView::NoSelection) {
            st.selectable = st.focusable = true;
            st.multiSelectable = m_view->selectionMode() == QAbstractItemView::MultiSelection;
            st.extSelectable = m_view->selectionMode() == QAbstractItemView::ExtendedSelection;
        }
        if (QObject *hook = m_view->findChild<QObject *>(QLatin1String(kHook), Qt::FindDirectChildrenOnly))
            static_cast<CellStateHook *>(hook)->add(m_index, st);
        return st;
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableCellInterface && m_kind == Cell)
            return static_cast<QAccessibleTableCellInterface *>(this);
        return nullptr;
    }

    bool isSelected() const override { return isValid() && state().selected; }
    QList<QAccessibleInterface *> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_index.column(); }
    int rowIndex() const override { return m_index.row(); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

private:
    QPointer<QAbstractItemView> m_view;
    Kind m_kind;
    QPersistentModelIndex m_index;
    int m_section;
};

// A view of flat rows, its children numbered as Qt numbers them: row by row, the header row first,
// and in a table the row header first in each row.
class RowsAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit RowsAccessible(QAbstractItemView *view)
        : QAccessibleWidget(view, qobject_cast<QTreeView *>(view) ? QAccessible::Tree : QAccessible::Table)
    {
    }

    ~RowsAccessible() override { forgetChildren(); }

    QAbstractItemView *view() const { return static_cast<QAbstractItemView *>(widget()); }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    int childCount() const override
    {
        const int columns = columnCount();
        return columns == 0 ? 0 : (rowCount() + 1) * (columns + leading());
    }

    QAccessibleInterface *child(int logical) const override
    {
        if (logical < 0 || logical >= childCount())
            return nullptr;
        const int width = columnCount() + leading();
        const int row = logical / width - 1;
        const int column = logical % width - leading();
        RowChild::Kind kind = RowChild::Cell;
        if (column < 0)
            kind = row < 0 ? RowChild::Corner : RowChild::RowHeader;
        else if (row < 0)
            kind = RowChild::ColumnHeader;
        const QModelIndex index = kind == RowChild::Cell ? model()->index(row, column, view()->rootIndex()) : QModelIndex();
        const int section = kind == RowChild::RowHeader ? row : column;
        if (const QAccessible::Id id = m_children.value(logical)) {
            auto *known = static_cast<RowChild *>(QAccessible::accessibleInterface(id));
            if (known && known->isValid() && known->stands(kind, index, section))
                return known;
            QAccessible::deleteAccessibleInterface(id);
        }
        auto *made = new RowChild(view(), kind, index, section);
        m_children.insert(logical, QAccessible::registerAccessibleInterface(made));
        return made;
    }

    int indexOfChild(const QAccessibleInterface *iface) const override
    {
        const QAccessible::Id id = QAccessible::uniqueId(const_cast<QAccessibleInterface *>(iface));
        const int logical = m_children.key(id, -1);
        if (logical < 0)
            return -1;
        const auto *c = static_cast<const RowChild *>(iface);
        switch (c->kind()) {
        case RowChild::Cell: return c->isValid() ? logicalIndex(c->index().row(), c->index().column()) : -1;
        case RowChild::ColumnHeader: return c->section() + leading();
        case RowChild::RowHeader: return (c->section() + 1) * (columnCount() + 1);
        case RowChild::Corner: return 0;
        }
        return -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        if (!view()->isVisible())
            return nullptr;
        const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? child(logicalIndex(index.row(), index.column())) : nullptr;
    }

    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex index = view()->currentIndex();
        return index.isValid() ? child(logicalIndex(index.row(), index.column())) : nullptr;
    }

    // The table's own interface.
    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override { return child(logicalIndex(row, column)); }
    int selectedCellCount() const override { return int(selectedIndexes().size()); }
    QList<QAccessibleInterface *> selectedCells() const override
    {
        QList<QAccessibleInterface *> cells;
        for (const QModelIndex &i : selectedIndexes())
            cells << cellAt(i.row(), i.column());
        return cells;
    }
    QString columnDescription(int column) const override
    {
        return model() ? model()->headerData(column, Qt::Horizontal).toString() : QString();
    }
    QString rowDescription(int row) const override
    {
        return model() && leading() ? model()->headerData(row, Qt::Vertical).toString() : QString();
    }
    int selectedColumnCount() const override { return int(selectedColumns().size()); }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    int columnCount() const override { return model() ? model()->columnCount(view()->rootIndex()) : 0; }
    int rowCount() const override { return model() ? model()->rowCount(view()->rootIndex()) : 0; }
    QList<int> selectedColumns() const override { return lines(Qt::Horizontal); }
    QList<int> selectedRows() const override { return lines(Qt::Vertical); }
    bool isColumnSelected(int column) const override { return selectedColumns().contains(column); }
    bool isRowSelected(int row) const override { return selectedRows().contains(row); }
    bool selectRow(int row) override { return choose(model()->index(row, 0, view()->rootIndex()), true, QItemSelectionModel::Rows); }
    bool selectColumn(int column) override { return choose(model()->index(0, column, view()->rootIndex()), true, QItemSelectionModel::Columns); }
    bool unselectRow(int row) override { return choose(model()->index(row, 0, view()->rootIndex()), false, QItemSelectionModel::Rows); }
    bool unselectColumn(int column) override { return choose(model()->index(0, column, view()->rootIndex()), false, QItemSelectionModel::Columns); }

    void modelChange(QAccessibleTableModelChangeEvent *event) override
    {
        // Rows moved, came or went: the children are made again when asked for.
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
            forgetChildren();
    }

private:
    QAbstractItemModel *model() const { return view()->model(); }
    int leading() const { return rowHeader(view()) ? 1 : 0; }
    int logicalIndex(int row, int column) const { return (row + 1) * (columnCount() + leading()) + column + leading(); }

    QModelIndexList selectedIndexes() const
    {
        const QItemSelectionModel *s = view()->selectionModel();
        return s ? s->selectedIndexes() : QModelIndexList();
    }

    QList<int> lines(Qt::Orientation o) const
    {
        QList<int> found;
        if (const QItemSelectionModel *s = view()->selectionModel()) {
            const QModelIndexList all = o == Qt::Vertical ? s->selectedRows() : s->selectedColumns();
            for (const QModelIndex &i : all)
                found << (o == Qt::Vertical ? i.row() : i.column());
        }
        return found;
    }

    bool choose(const QModelIndex &index, bool on, QItemSelectionModel::SelectionFlag whole)
    {
        QItemSelectionModel *s = view()->selectionModel();
        if (!s || !index.isValid() || view()->selectionMode() == QAbstractItemView::NoSelection)
            return false;
        if (on && view()->selectionMode() == QAbstractItemView::SingleSelection)
            s->clearSelection();
        s->select(index, (on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | whole);
        return true;
    }

    void forgetChildren()
    {
        for (const QAccessible::Id id : std::as_const(m_children))
            QAccessible::deleteAccessibleInterface(id);
        m_children.clear();
    }

    mutable QHash<int, QAccessible::Id> m_children;
};

QAccessibleInterface *rowsFactory(const QString &, QObject *object)
{
    auto *view = qobject_cast<QAbstractItemView *>(object);
    if (view && view->property(kExposed).toBool() && (qobject_cast<QTreeView *>(view) || qobject_cast<QTableView *>(view)))
        return new RowsAccessible(view);
    return nullptr;
}

} // namespace

void exposeRows(QAbstractItemView *view, const QString &name, CellState cellState)
{
    if (cellState)
        new CellStateHook(view, std::move(cellState));
    QAccessible::installFactory(rowsFactory);
    view->setProperty(kExposed, true);
    view->setAccessibleName(name);
}

} // namespace kestrin::a11y
