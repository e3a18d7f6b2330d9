#include "core/catalogue/page_file.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/records.h"

#include <cstring>

namespace kestrin {

namespace {

// End of the line starting at pos and the start of the next one (CR, LF or CR LF).
qsizetype lineEnd(const QByteArray &body, qsizetype pos, qsizetype *next)
{
    const char *base = body.constData();
    const qsizetype n = body.size();
    const void *lf = std::memchr(base + pos, '\n', size_t(n - pos));
    const qsizetype lfAt = lf ? static_cast<const char *>(lf) - base : n;
    const void *cr = std::memchr(base + pos, '\r', size_t(lfAt - pos));
    const qsizetype end = cr ? static_cast<const char *>(cr) - base : lfAt;
    qsizetype after = end + 1;
    if (end < n && base[end] == '\r' && end + 1 < n && base[end + 1] == '\n')
        ++after;
    *next = after;
    return end;
}

} // namespace

bool parsePageFile(const QByteArray &body, PageFile &page)
{
    if (body.isEmpty())
        return false;
    qsizetype next = 0;
    const qsizetype end0 = lineEnd(body, 0, &next);
    if (next >= body.size()) // a single line: no latest-entry line at all
        return false;
    qsizetype after1 = 0;
    const qsizetype end1 = lineEnd(body, next, &after1);
    page.items = RecordList::split(body, 0, end0, ',');
    page.latest = splitString(QByteArrayView(body).sliced(next, end1 - next), ",");
    return true;
}

void applyPage(Catalogue &cat, int c, PageFile page)
{
    Category &category = cat.categories[size_t(c)];
    category.items = std::move(page.items);
    category.latest = std::move(page.latest);
    if (!category.taken)
        category.taken = MarkList(category.items->size());
    if (!category.ticked)
        category.ticked = MarkList(category.items->size());
}

void applyChangeLines(Catalogue &cat, int c, const QList<QByteArray> &lines)
{
    if (lines.isEmpty())
        return;
    const auto line = [&lines](int i) { return i < lines.size() ? lines[i] : QByteArray(); };
    Category &category = cat.categories[size_t(c)];
    cat.changeBatch = line(0);
    bool ok = false;
    const int serial = parseSignedInt(line(1), &ok);
    if (ok)
        category.serial = serial;
    category.updateTime = line(2);
    category.changeList = line(3);
}

} // namespace kestrin
