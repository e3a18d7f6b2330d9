#include "core/gallery/picture_rules.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/gbk.h"

namespace kestrin {

QString pictureText(const PictureRecord &record)
{
    return gbk::decodeForDisplay(record.fileName) + QStringLiteral("  ") + gbk::decodeForDisplay(record.chineseName);
}

CellLook recordLook(const PictureRecord &record, PictureTone captionTone, bool boldCaption)
{
    CellLook look;
    if (record.caption) {
        look.kind = CellLook::Caption;
        look.tone = captionTone;
        look.bold = boldCaption;
        look.text = gbk::decodeForDisplay(record.rest);
        return look;
    }
    look.kind = CellLook::Picture;
    look.text = pictureText(record);
    return look;
}

namespace {

CellLook gridLook(const PictureRecord &rec, bool taken, bool hovered)
{
    CellLook look = recordLook(rec, PictureTone::Red, true);
    if (look.kind != CellLook::Picture)
        return look;
    if (rec.withdrawn())
        look.tone = PictureTone::Black;
    else if (taken || hovered)
        look.tone = PictureTone::Red;
    return look;
}

} // namespace

CellLook gridCellLook(QByteArrayView record, bool taken, bool hovered)
{
    return record.isEmpty() ? CellLook() : gridLook(PictureRecord::parse(record), taken, hovered);
}

CellLook gridCellLook(const Catalogue &cat, int c, QByteArrayView record, bool hovered)
{
    // Parsed once: this runs for every cell painted.
    if (record.isEmpty())
        return {};
    const PictureRecord rec = PictureRecord::parse(record);
    const int id = rec.idNumber();
    return gridLook(rec, id >= 0 && cat.isTaken(c, id), hovered);
}

bool canPick(QByteArrayView record)
{
    if (record.isEmpty())
        return false;
    const PictureRecord rec = PictureRecord::parse(record);
    return !rec.caption && !rec.withdrawn();
}

} // namespace kestrin
