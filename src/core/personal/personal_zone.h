#pragma once
#include "core/gallery/navigation.h"
#include "core/gallery/picture_rules.h"

#include <QByteArray>

namespace kestrin {

struct Catalogue;

// The personal zone ("自选专区"): who is in it, whether the selection editor is open, and what its
// buttons do to the catalogue's picks (the selection) and ticks (the editor's working copy).
struct PersonalZone
{
    enum class State { Outside, Viewing, Editing };

    State state = State::Outside;
    QByteArray userName; // GBK, as typed; empty outside
    QByteArray password;
    QByteArray lastSearch; // the last text a search found while the editor was open

    bool active() const { return state != State::Outside; }
};

// "增减我的图片": the ticks of category c rebuilt from its selection (names matching no record tick
// nothing).
void ticksFromSelection(Catalogue &cat, int c);
// "全部清除" / select all: every tick of category c off or on.
void setAllTicks(Catalogue &cat, int c, bool ticked);
// A click on a picture in the editor: its tick turned over.
void toggleTick(Catalogue &cat, int c, qsizetype id);
bool isTicked(const Catalogue &cat, int c, qsizetype id);
// "提交修改": the selection of category c made of the ticked pictures' file names, in record order.
void selectionFromTicks(Catalogue &cat, int c);
// Leaving the zone empties every category's selection (the stored one stays).
void clearSelections(Catalogue &cat);

// How the editor shows a record: caption rows grey; pictures black, ticked ones red and bold; those
// matching the last search red.
CellLook editorCellLook(QByteArrayView record, bool ticked, QByteArrayView lastSearch);

// The zone's buttons on the page bar.
QList<navigation::BarEntry> zoneEntries();

} // namespace kestrin
