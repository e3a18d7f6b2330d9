#pragma once
#include "core/catalogue/records.h"

#include <QString>

namespace kestrin {

struct Catalogue;

// How a grid cell shows the record it holds.
struct CellLook
{
    enum Kind { Empty, Caption, Picture };
    Kind kind = Empty;
    PictureTone tone = PictureTone::Blue;
    bool bold = false;
    bool ticked = false; // picked in the selection editor, which shows it only by colour and weight
    QString text; // what the cell reads, already cut to a length worth laying out
};

// A caption row is a red bold label; a picture is black when withdrawn, else red when taken or under
// the pointer, else blue.
CellLook gridCellLook(QByteArrayView record, bool taken, bool hovered);
// The same with the taken state read from the catalogue, for a record of category c.
CellLook gridCellLook(const Catalogue &cat, int c, QByteArrayView record, bool hovered);

// What a picture row or cell reads: file name, two blanks, Chinese name (each cut for showing).
QString pictureText(const PictureRecord &record);
// The look every grid starts from: a caption row in captionTone, a picture in blue with its text.
CellLook recordLook(const PictureRecord &record, PictureTone captionTone, bool boldCaption);

// Whether a click on the record opens the download dialog: pictures only, and none withdrawn.
bool canPick(QByteArrayView record);

} // namespace kestrin
