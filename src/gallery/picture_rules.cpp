#include "gallery/picture_rules.h"

#include "catalogue/catalogue.h"
#include "catalogue/gbk.h"

namespace kestrin {

QString pictureText(const PictureRecord &record)
{
    return gbk::decodeForDisplay(record.fileName) + QStringLiteral("  ") + gbk::decodeForDisplay(record.chineseName);
}

CellLook gridCellLook(QByteArrayView record, bool taken, bool hovered)
{
    CellLook look;
    if (record.isEmpty())
        return look;
    const PictureRecord rec = PictureRecord::parse(record);
    if (rec.caption) {
        look.kind = CellLook::Caption;
        look.tone = PictureTone::Red;
        look.bold = true;
        look.text = gbk::decodeForDisplay(rec.rest);
        return look;
    }
    look.kind = CellLook::Picture;
    look.text = pictureText(rec);
    if (rec.withdrawn())
        look.tone = PictureTone::Black;
    else if (taken || hovered)
        look.tone = PictureTone::Red;
    return look;
}

CellLook gridCellLook(const Catalogue &cat, int c, QByteArrayView record, bool hovered)
{
    const int id = record.isEmpty() ? -1 : PictureRecord::parse(record).idNumber();
    return gridCellLook(record, id >= 0 && cat.isTaken(c, id), hovered);
}

bool canPick(QByteArrayView record)
{
    if (record.isEmpty())
        return false;
    const PictureRecord rec = PictureRecord::parse(record);
    return !rec.caption && !rec.withdrawn();
}

} // namespace kestrin
