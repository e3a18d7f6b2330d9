#pragma once
#include <QByteArray>
#include <vector>

namespace kestrin {

// One mark per record id, empty or "√". Sized by a category's first load; a mark beyond that size reads
// as empty and setting one grows the list, so a category that grew later keeps working.
class MarkList
{
public:
    MarkList() = default;
    explicit MarkList(qsizetype count) : m_marks(size_t(count > 0 ? count : 0), false) {}

    qsizetype size() const { return qsizetype(m_marks.size()); }
    bool isMarked(qsizetype id) const { return id >= 0 && id < size() && m_marks[size_t(id)]; }
    QByteArray text(qsizetype id) const; // "√" or empty
    void set(qsizetype id, bool marked = true);
    // Every mark of the first count ids set to marked (count ids exist afterwards).
    void fill(qsizetype count, bool marked);

private:
    std::vector<bool> m_marks;
};

} // namespace kestrin
