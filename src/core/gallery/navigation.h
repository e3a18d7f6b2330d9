#pragma once
#include "core/catalogue/record_list.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kestrin::navigation {

inline constexpr int kPageSize = 240;  // pictures a page button shows: 60 rows of 4
inline constexpr int kSearchPage = 99; // the grid shows search results

// What an entry of the page bar does when clicked.
enum class BarAction { None, ShowPage, SelectModify, SelectSubmit, SelectAll, SelectClear, SelectReturn };

// One entry of the page bar: a flat button at a fixed place. Checkable entries form one radio group;
// the others never stay down.
struct BarEntry
{
    QString caption;
    int tag = 0;
    int left = 0;
    int width = 0;
    bool checkable = false;
    bool checked = false;
    BarAction action = BarAction::None;
};

// Page buttons of a category of recordCount pictures: "全部" (tag 0, down) and "第n页" (tag n) for each
// started page of kPageSize, 45 pixels wide with 3 between, page 1 at x 58.
QList<BarEntry> pageEntries(qsizetype recordCount);
// The records page shows (0: all of them). nullopt when the page is past the end (the category shrank
// since its buttons were made): the grid then keeps what it shows.
std::optional<RecordList> pageRecords(const RecordList &items, int page);

// Width of a category button: 15 pixels per Chinese character, a single-byte character counting half,
// rounded up (GBK byte length of the caption).
int captionWidth(const QString &caption);
struct ButtonPlace
{
    int left = 0;
    int width = 0;
};
// Places of the category buttons, left to right from x 5 with 5 pixels between.
QList<ButtonPlace> categoryButtonPlaces(const QStringList &captions);

enum class CategoryClick { ToggleZone, Ignore, Switch };
// A click on category button tag, of count categories (the button after the last is the zone's): the
// current category reloads only while search results are shown.
CategoryClick categoryClick(int tag, int count, int current, int currentPage);

} // namespace kestrin::navigation
