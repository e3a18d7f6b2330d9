#pragma once
#include <QObject>
#include <QString>

namespace kestrin {

// The user's choice of server, shared by the server bars of both pages so they always agree: a carrier
// (0 for "电信", 1 for "网通") and one of its three libraries, and the last measured speed of each
// library. The server index it stands for is 3 × carrier + library.
class ServerChoice : public QObject
{
    Q_OBJECT
public:
    static constexpr int kCarriers = 2;
    static constexpr int kLibraries = 3;

    using QObject::QObject;

    int carrier() const { return m_carrier; }
    int library() const { return m_library; }
    int serverIndex() const { return 3 * m_carrier + m_library; }
    // "速度未知" until a library's speed has been measured.
    QString speedText(int library) const;

    // The user picked a carrier or a library (on either page): the pick applies even when it was
    // already the choice, since servers that failed may have moved the server in use elsewhere.
    void setCarrier(int carrier);
    void setLibrary(int library);
    void setSpeedText(int library, const QString &text);

signals:
    // The carrier or the library changed (by either page).
    void changed();
    // A pick was made: requests go to this server from now on.
    void chosen(int serverIndex);
    void speedChanged(int library);

private:
    int m_carrier = 0;
    int m_library = 0;
    QString m_speeds[kLibraries];
};

} // namespace kestrin
