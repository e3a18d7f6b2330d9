#pragma once
#include <QObject>
#include <QString>

namespace kestrin {

// What the user set on either page and every part reads: the save folder and the tick boxes that
// steer downloads and alerts. Each page shows them; a change made on one shows on the other.
class UserOptions : public QObject
{
    Q_OBJECT
public:
    enum Flag {
        PlaySound,        // "声音提醒"
        ChineseNames,     // "中文名下载"
        AutoOpen,         // "下载后自动打开"
        AutoQueue,        // "自动下载新到图纸"
        FlagCount
    };

    using QObject::QObject;

    QString savePath() const { return m_savePath; }
    void setSavePath(const QString &path);
    bool flag(Flag f) const { return m_flags[f]; }
    void setFlag(Flag f, bool on);

signals:
    void savePathChanged(const QString &path);
    void flagChanged(kestrin::UserOptions::Flag flag, bool on);

private:
    QString m_savePath;
    bool m_flags[FlagCount] = {true, false, false, false};
};

} // namespace kestrin
