// The search box over a category's records, against a character-wise search written here.
// Input: one flag byte, the searched text, NUL, the records joined by "," (a page's line 0).
#include "fuzz_support.h"

#include "core/catalogue/record_list.h"
#include "core/catalogue/records.h"
#include "core/gallery/search.h"

using namespace kestrin;

namespace {

// A match: a picture whose file name is text, or whose Chinese name holds text starting on one of its
// characters (stepped as gbk.h steps them, nothing decoded).
bool referenceMatch(QByteArrayView record, QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    const PictureRecord r = PictureRecord::parse(record);
    if (r.caption)
        return false;
    if (r.fileName == text)
        return true;
    const QByteArrayView name = r.chineseName;
    for (qsizetype i = 0; i + text.size() <= name.size(); i += gbk::charWidth(name, i))
        if (name.sliced(i, text.size()) == text)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool firstOnly = data[0] & 1;
    const QList<QByteArray> input = fuzz::parts(fuzz::bytesOf(data + 1, size - 1), 2);
    const RecordList items = RecordList::split(input[1], ',');
    // What is typed arrives as text: the box's GBK form is searched, and the raw bytes too.
    const QByteArray typed = searchText(gbk::decode(input[0]));
    FUZZ_CHECK(trimmedBlanks(typed) == typed);

    for (const QByteArray &text : {input[0], typed}) {
        QList<qsizetype> expected;
        for (qsizetype i = 0; i < items.size(); ++i) {
            const bool match = referenceMatch(items[i], text);
            FUZZ_CHECK(recordMatches(items[i], text) == match);
            if (match && !(firstOnly && !expected.isEmpty()))
                expected.append(i);
        }
        FUZZ_CHECK(searchRecords(items, text, firstOnly) == expected);
    }

    // The file page's rows of the records: pictures only, none withdrawn, each with its id.
    const QList<LatestRow> rows = searchResultRows(items);
    qsizetype pictures = 0;
    if (!items.isEmpty() && !trimmedBlanks(items[0]).isEmpty())
        for (qsizetype i = 0; i < items.size(); ++i) {
            const PictureRecord r = PictureRecord::parse(items[i]);
            pictures += !trimmedBlanks(items[i]).isEmpty() && !r.caption && !r.withdrawn();
        }
    FUZZ_CHECK(rows.size() == pictures);
    for (const LatestRow &row : rows)
        FUZZ_CHECK(row.time != "-1" && !row.tag.contains('\t') && row.mark.isEmpty());
    return 0;
}
