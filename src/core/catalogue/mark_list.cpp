#include "core/catalogue/mark_list.h"

#include "core/catalogue/records.h"

namespace kestrin {

QByteArray MarkList::text(qsizetype id) const { return isMarked(id) ? markText() : QByteArray(); }

void MarkList::set(qsizetype id, bool marked)
{
    if (id < 0)
        return;
    if (id >= size()) {
        if (!marked)
            return;
        m_marks.resize(size_t(id) + 1, false);
    }
    m_marks[size_t(id)] = marked;
}

void MarkList::fill(qsizetype count, bool marked)
{
    m_marks.assign(size_t(count > 0 ? count : 0), marked);
}

} // namespace kestrin
