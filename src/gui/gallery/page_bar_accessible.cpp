#include "gui/gallery/page_bar_accessible.h"

#include "gui/gallery/page_bar.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace kestrin {

namespace {

// One painted entry, read from the bar each time it is asked: the entries change with the category.
class EntryAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    EntryAccessible(PageBar *bar, int index) : m_bar(bar), m_index(index) {}

    bool isValid() const override { return m_bar && m_index < m_bar->entries().size(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_bar ? m_bar->window()->windowHandle() : nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_bar.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    void setText(QAccessible::Text, const QString &) override {}
    QAccessible::Role role() const override { return QAccessible::Button; }

    QString text(QAccessible::Text t) const override
    {
        return isValid() && t == QAccessible::Name ? m_bar->entries().at(m_index).caption : QString();
    }

    QRect rect() const override
    {
        if (!isValid() || !m_bar->isVisible())
            return {};
        const QRect r = m_bar->entryRect(m_index) & m_bar->rect();
        return r.isEmpty() ? QRect() : QRect(m_bar->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State st;
        if (!isValid()) {
            st.invalid = true;
            return st;
        }
        const PageBar::Entry &e = m_bar->entries().at(m_index);
        st.invisible = st.offscreen = rect().isEmpty();
        st.disabled = !m_bar->isEnabled();
        st.checkable = e.checkable;
        st.checked = e.checked;
        return st;
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction() && isValid() && m_bar->isEnabled())
            m_bar->activate(m_index);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QPointer<PageBar> m_bar;
    int m_index;
};

class PageBarAccessible : public QAccessibleWidget
{
public:
    explicit PageBarAccessible(PageBar *bar)
        : QAccessibleWidget(bar, QAccessible::ToolBar)
    {
    }
    ~PageBarAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(m_entries))
            QAccessible::deleteAccessibleInterface(id);
    }

    PageBar *bar() const { return static_cast<PageBar *>(widget()); }
    int childCount() const override { return int(bar()->entries().size()); }

    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const QAccessible::Id id = m_entries.value(index))
            return QAccessible::accessibleInterface(id);
        auto *entry = new EntryAccessible(bar(), index);
        m_entries.insert(index, QAccessible::registerAccessibleInterface(entry));
        return entry;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return m_entries.key(QAccessible::uniqueId(const_cast<QAccessibleInterface *>(child)), -1);
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        return child(bar()->entryAt(bar()->mapFromGlobal(QPoint(x, y))));
    }

private:
    mutable QHash<int, QAccessible::Id> m_entries;
};

QAccessibleInterface *pageBarFactory(const QString &, QObject *object)
{
    auto *bar = qobject_cast<PageBar *>(object);
    return bar ? new PageBarAccessible(bar) : nullptr;
}

} // namespace

void exposeEntries(PageBar *bar)
{
    QAccessible::installFactory(pageBarFactory);
    bar->setAccessibleName(QStringLiteral("翻页"));
}

} // namespace kestrin
