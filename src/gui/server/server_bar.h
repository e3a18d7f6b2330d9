#pragma once
#include <QWidget>

class QLabel;
class QRadioButton;
class QToolButton;

namespace kestrin {

class ServerChoice;

// Carrier and library choice, the speed test button and the speed labels. Every bar is bound to the
// one shared ServerChoice, so the bars of both pages always show the same choice.
class ServerBar : public QWidget
{
    Q_OBJECT
public:
    enum class Style {
        Header, // the gallery page's two header bands (49 and 61 pixels); the page adds its own texts
        Group,  // the file page's group "请选择最快站点"
    };

    ServerBar(ServerChoice &choice, Style style, QWidget *parent = nullptr);

    QToolButton *carrierButton(int carrier) const { return m_carriers[carrier]; }
    QRadioButton *libraryButton(int library) const { return m_libraries[library]; }
    QLabel *speedLabel(int library) const { return m_speeds[library]; }
    QToolButton *speedTestButton() const { return m_speedTest; }
    // The chosen carrier's picture (header style only, else nullptr).
    QLabel *carrierPicture() const { return m_picture; }
    // Header style: the upper band (0) and the blue lower band (1), where the page places its own
    // controls beside the server's.
    QWidget *band(int i) const { return m_bands[i]; }

signals:
    void speedTestRequested();

private:
    void buildHeader();
    void buildGroup();
    void bind();
    void showChoice();

    ServerChoice &m_choice;
    QToolButton *m_carriers[2] = {};
    QRadioButton *m_libraries[3] = {};
    QLabel *m_speeds[3] = {};
    QToolButton *m_speedTest = nullptr;
    QLabel *m_picture = nullptr;
    QWidget *m_bands[2] = {};
};

} // namespace kestrin
