#include "catalogue/page_loader.h"

#include "catalogue/catalogue.h"
#include "catalogue/change_file.h"
#include "catalogue/records.h"
#include "server/http.h"

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
    page.latest = SplitString(QByteArrayView(body).sliced(next, end1 - next), ",");
    return true;
}

void applyPage(Catalogue &cat, int n, PageFile page)
{
    const size_t c = size_t(n);
    cat.CateItems[c] = std::move(page.items);
    cat.CateLatest[c] = std::move(page.latest);
    if (!cat.CateStatus[c])
        cat.CateStatus[c] = MarkList(cat.CateItems[c]->size());
    if (!cat.CateSelMarks[c])
        cat.CateSelMarks[c] = MarkList(cat.CateItems[c]->size());
}

void applyChangeLines(Catalogue &cat, int n, const QList<QByteArray> &lines)
{
    if (lines.isEmpty())
        return;
    const auto line = [&lines](int i) { return i < lines.size() ? lines[i] : QByteArray(); };
    const size_t c = size_t(n);
    cat.ChangeBatch = line(0);
    bool ok = false;
    const int serial = parseSignedInt(line(1), &ok);
    if (ok)
        cat.CateSerials[c] = serial;
    cat.CateUpdateTimes[c] = line(2);
    cat.CateChanges[c] = SplitString(line(3), ",");
}

bool LoadCatePage(Catalogue &cat, int n, Prompts &prompts, Lifecycle &life)
{
    if (!cat.validCategory(n))
        return false;
    cat.CateItems[size_t(n)] = RecordList();
    const HttpResult answer = Http::get(cat.baseUrl() + QStringLiteral("/kq/Page%1.dat").arg(n), kPageTimeoutMs);
    if (!answer.ok())
        return false;
    PageFile page;
    if (!parsePageFile(answer.body, page))
        return false;
    applyPage(cat, n, std::move(page));
    applyChangeLines(cat, n, FetchChanger(cat, n, prompts, life));
    return true;
}

} // namespace kestrin
