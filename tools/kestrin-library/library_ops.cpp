#include "library_ops.h"

#include "core/catalogue/gbk.h"
#include "core/catalogue/records.h"
#include "gbk_paths.h"
#include "library_files.h"

#include <QBuffer>
#include <QDateTime>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

namespace kestrin::library {

namespace {

QByteArray g(const char *utf8) { return gbk::encode(QString::fromUtf8(utf8)); }

// Names include characters whose second GBK byte is "|" (東 億 瑋), which naive splitting breaks.
const char *const kCategoryNames[] = {"建筑图纸", "東区机械", "电气图纸", "結構億瑋", "给排水", "暖通空调", "园林景观", "市政道路"};
const char *const kExts[] = {".jpg", ".png", ".jpg", ".jpeg"};
const char *const kPlaces[] = {"東方", "億豐", "瑋琪", "厂房", "住宅", "办公楼", "桥梁", "泵站", "变电所", "仓库"};
const char *const kKinds[] = {"平面图", "立面图", "剖面图", "结构图", "详图", "总图"};

QByteArray releaseLine()
{
    return "1.7.2.0|http://127.0.0.1:16990/kq/rd1.htm|" + g("每五秒检查一次新图纸，新图到达时会有声音提醒。") + '|' +
           g("欢迎使用图库。本库为示例图库，内容仅供测试。");
}

QByteArray page(const char *title, const char *text)
{
    return "<html><head><meta charset=\"gbk\"><title>" + g(title) + "</title></head><body><h2>" + g(title) +
           "</h2><p>" + g(text) + "</p></body></html>\r\n";
}

QByteArray record(int id, const QByteArray &file, const QByteArray &name, const QByteArray &time)
{
    return QByteArray::number(id) + '\t' + file + '|' + name + '|' + time;
}

int findRecord(const QList<QByteArray> &records, const QByteArray &fileName)
{
    for (int i = 0; i < records.size(); ++i) {
        const PictureRecord r = PictureRecord::parse(records[i]);
        if (!r.caption && r.fileName == fileName)
            return i;
    }
    return -1;
}

bool loadCategory(const QString &root, int n, QList<Category> *cats, CategoryFiles *files, QString *error)
{
    QByteArray release;
    if (!readConfig(root, cats, &release, error))
        return false;
    if (n < 0 || n >= cats->size()) {
        *error = QStringLiteral("no category %1 (the library has %2)").arg(n).arg(cats->size());
        return false;
    }
    return readCategory(root, n, files, error);
}

} // namespace

QByteArray nowText() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm")).toLatin1(); }

QByteArray makePicture(const QByteArray &ext, quint32 seed)
{
    QRandomGenerator rng(seed);
    QImage img(64, 48, QImage::Format_RGB32);
    img.fill(QColor::fromHsv(int(rng.bounded(360)), 90, 245));
    QPainter p(&img);
    p.setPen(QPen(QColor::fromHsv(int(rng.bounded(360)), 200, 120), 2));
    for (int i = 0; i < 5; ++i)
        p.drawLine(int(rng.bounded(64)), int(rng.bounded(48)), int(rng.bounded(64)), int(rng.bounded(48)));
    p.drawRect(4, 4, 55, 39);
    p.end();
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    const bool jpeg = ext.toLower() == ".jpg" || ext.toLower() == ".jpeg";
    img.save(&buf, jpeg ? "JPEG" : "PNG");
    return bytes;
}

bool initLibrary(const QString &root, const InitOptions &o, QString *error)
{
    QRandomGenerator rng(o.seed);
    QList<Category> cats;
    for (int c = 0; c < o.categories; ++c) {
        const QByteArray name = c < 8 ? g(kCategoryNames[c]) : g("分类") + QByteArray::number(c);
        cats.append({name, "kq/pic" + QByteArray::number(c), kExts[c % 4]});
    }
    if (!writeConfig(root, cats, releaseLine(), error))
        return false;
    const QByteArray batch = "B" + QByteArray::number(o.seed) + "-1";
    for (int c = 0; c < o.categories; ++c) {
        CategoryFiles files;
        const char prefix = char('A' + c % 26);
        QByteArray lastTime;
        int withdrawn = -1;
        for (int i = 0; i < o.pictures; ++i) {
            if (c == 0 && i == 0 && o.pictures > 1) { // a heading row above the pictures
                files.records << QByteArray::number(i) + '\t' + g("【本周推荐】工程图纸");
                continue;
            }
            const QByteArray file = prefix + QByteArray::number(1000 + i);
            const QByteArray name = g(kPlaces[rng.bounded(10)]) + g(kKinds[rng.bounded(6)]) + QByteArray::number(i);
            const int minutes = i * 7;
            lastTime = QStringLiteral("2026-11-%1 %2:%3")
                           .arg(1 + minutes / 1440 % 28, 2, 10, QChar('0'))
                           .arg(minutes / 60 % 24, 2, 10, QChar('0'))
                           .arg(minutes % 60, 2, 10, QChar('0'))
                           .toLatin1();
            const bool withdraw = c == 0 && i == 5 && o.pictures > 6;
            if (withdraw)
                withdrawn = i;
            files.records << record(i, file, name, withdraw ? QByteArray("-1") : lastTime);
            if (!writeBytePathAtomically(picturePath(root, cats[c], file), makePicture(cats[c].ext, o.seed * 7919u + quint32(c * 100000 + i)), error))
                return false;
        }
        const int first = qMax(0, o.pictures - 40);
        for (int i = first; i < o.pictures; ++i) {
            if (!(c == 0 && i == 0 && o.pictures > 1))
                files.latest << QByteArray::number(i);
        }
        if (withdrawn >= 0)
            files.latest.prepend("-" + QByteArray::number(withdrawn));
        files.change = {batch, 1, lastTime.isEmpty() ? nowText() : lastTime, QByteArray()};
        if (!writeCategory(root, c, files, error))
            return false;
    }
    QByteArray speed(1000000, '\0');
    for (int i = 0; i < speed.size(); ++i)
        speed[i] = char('a' + i % 26);
    if (!writeFileAtomically(root + QStringLiteral("/kq/tsspeed.dat"), speed, error) ||
        !writeFileAtomically(root + QStringLiteral("/kq/counter.htm"), page("访问统计", "计数页面"), error))
        return false;
    const char *const tabs[][2] = {{"图库首页", "欢迎使用图库。每五秒检查一次新图纸。"},
                                   {"开奖历史", "历史记录按日期排列，最新的在最上面。"},
                                   {"开奖直播", "直播开始前十分钟开放。"},
                                   {"六合走势", "走势图每日更新一次。"}};
    for (int i = 0; i < 4; ++i) {
        if (!writeFileAtomically(root + QStringLiteral("/kq/rd%1.htm").arg(i + 1), page(tabs[i][0], tabs[i][1]), error))
            return false;
    }
    return true;
}

bool publishPicture(const QString &root, int n, const QByteArray &fileName, const QByteArray &chineseName,
                    const QByteArray &time, QString *error)
{
    // "|" and "\\" are looked for as characters: they are also the second byte of many GBK characters (東 is 0x96 0x7C).
    if (fileName.isEmpty() || fileName.contains(' ') || gbk::contains(fileName, "|") || fileName.contains(',') ||
        fileName.contains('\t') || fileName.contains('/') || gbk::contains(fileName, "\\") || fileName == "." || fileName == ".." ||
        chineseName.contains(',') || chineseName.contains('\t') || chineseName.contains("  ") ||
        gbk::contains(chineseName, "|")) {
        *error = QStringLiteral("file name or Chinese name holds a character a record cannot carry");
        return false;
    }
    QList<Category> cats;
    CategoryFiles files;
    if (!loadCategory(root, n, &cats, &files, error))
        return false;
    const QByteArray when = time.isEmpty() ? nowText() : time;
    int id = findRecord(files.records, fileName);
    if (id < 0) {
        id = int(files.records.size());
        files.records << record(id, fileName, chineseName, when);
    } else {
        files.records[id] = record(id, fileName, chineseName, when);
    }
    if (!writeBytePathAtomically(picturePath(root, cats[n], fileName), makePicture(cats[n].ext, quint32(qHash(fileName))), error))
        return false;
    files.latest.removeAll(QByteArray::number(id)); // a picture stands once among the latest
    files.latest << QByteArray::number(id);
    while (files.latest.size() > 50)
        files.latest.removeFirst();
    files.change.serial += 1;
    files.change.time = when;
    files.change.changes = QByteArray::number(id);
    return writeCategory(root, n, files, error);
}

bool withdrawPicture(const QString &root, int n, const QByteArray &fileName, QString *error)
{
    QList<Category> cats;
    CategoryFiles files;
    if (!loadCategory(root, n, &cats, &files, error))
        return false;
    const int id = findRecord(files.records, fileName);
    if (id < 0) {
        *error = QStringLiteral("category %1 has no picture %2").arg(n).arg(gbk::decode(fileName));
        return false;
    }
    const PictureRecord r = PictureRecord::parse(files.records[id]);
    files.records[id] = record(id, r.fileName.toByteArray(), r.chineseName.toByteArray(), "-1");
    files.change.serial += 1;
    files.change.time = nowText();
    files.change.changes = "-" + QByteArray::number(id);
    return writeCategory(root, n, files, error);
}

bool newBatch(const QString &root, QString *error)
{
    QList<Category> cats;
    QByteArray release;
    if (!readConfig(root, &cats, &release, error))
        return false;
    const QByteArray batch = "B" + QByteArray::number(QDateTime::currentMSecsSinceEpoch());
    for (int n = 0; n < cats.size(); ++n) {
        CategoryFiles files;
        if (!readCategory(root, n, &files, error))
            return false;
        files.change.batch = batch;
        if (!writeChangeFile(root, n, files.change, error))
            return false;
    }
    return true;
}

} // namespace kestrin::library
