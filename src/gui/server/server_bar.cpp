#include "gui/server/server_bar.h"

#include "core/server/server_choice.h"
#include "core/server/server_table.h"
#include "gui/ui/artwork.h"
#include "gui/ui/widget_kit.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestrin {

namespace {
const QColor kTitleBlue(98, 154, 238);
const char *const kLibraryCaptions[3] = {"图库1", "图库2", "图库3"};

QRadioButton *radio(QWidget *parent, const char *name, int library, QColor colour)
{
    auto *r = new QRadioButton(QString::fromUtf8(kLibraryCaptions[library]), parent);
    r->setObjectName(QLatin1String(name));
    kit::setTextColour(r, colour);
    return r;
}
} // namespace

ServerBar::ServerBar(ServerChoice &choice, Style style, QWidget *parent) : QWidget(parent), m_choice(choice)
{
    if (style == Style::Header)
        buildHeader();
    else
        buildGroup();
    bind();
    showChoice();
}

void ServerBar::buildHeader()
{
    setObjectName(QStringLiteral("serverHeader"));
    setFixedHeight(49 + 61);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_bands[0] = kit::panel(this, "carrierBand");
    m_bands[0]->setFixedHeight(49);
    m_bands[1] = kit::panel(this, "libraryBand", kTitleBlue);
    m_bands[1]->setFixedHeight(61);
    layout->addWidget(m_bands[0]);
    layout->addWidget(m_bands[1]);

    for (int c = 0; c < 2; ++c) {
        m_carriers[c] = kit::flatButton(m_bands[0], c == 0 ? "firstCarrierButton" : "secondCarrierButton",
                                        QString::fromUtf8(kCarrierNames[c]), true);
        m_carriers[c]->setGeometry(8 + 96 * c, 12, 90, 25);
    }
    for (int i = 0; i < 3; ++i) {
        m_libraries[i] = radio(m_bands[1], QStringLiteral("library%1Button").arg(i + 1).toLatin1(), i, Qt::white);
        m_libraries[i]->setGeometry(10 + 80 * i, 8, 75, 20);
        m_speeds[i] = kit::label(m_bands[1], QStringLiteral("library%1Speed").arg(i + 1).toLatin1(), {}, Qt::white);
        m_speeds[i]->setGeometry(14 + 80 * i, 34, 75, 18);
    }
    m_speedTest = kit::flatButton(m_bands[1], "speedTestButton", QStringLiteral("测速"));
    m_speedTest->setGeometry(252, 18, 50, 25);
    m_picture = kit::label(m_bands[1], "carrierPicture", {});
    m_picture->setGeometry(775, 7, 148, 47);
}

void ServerBar::buildGroup()
{
    setObjectName(QStringLiteral("serverGroup"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *group = new QGroupBox(QStringLiteral("请选择最快站点"), this);
    group->setObjectName(QStringLiteral("serverGroupBox"));
    group->setFixedHeight(200);
    layout->addWidget(group);
    for (int i = 0; i < 3; ++i) {
        m_libraries[i] = radio(group, QStringLiteral("library%1Button").arg(i + 1).toLatin1(), i, Qt::black);
        m_libraries[i]->setGeometry(10, 24 + 26 * i, 70, 20);
        m_speeds[i] = kit::label(group, QStringLiteral("library%1Speed").arg(i + 1).toLatin1(), {}, Qt::black);
        m_speeds[i]->setGeometry(90, 26 + 26 * i, 80, 18);
    }
    m_speedTest = kit::flatButton(group, "speedTestButton", QStringLiteral("测   速"));
    m_speedTest->setGeometry(10, 106, 160, 25);
    // This page puts the second carrier first.
    for (int c = 0; c < 2; ++c) {
        m_carriers[c] = kit::flatButton(group, c == 0 ? "firstCarrierButton" : "secondCarrierButton",
                                        QString::fromUtf8(kCarrierNames[c]), true);
        m_carriers[c]->setGeometry(c == 0 ? 92 : 10, 138, 78, 25);
    }
}

void ServerBar::bind()
{
    auto *carriers = new QButtonGroup(this);
    for (int c = 0; c < 2; ++c) {
        carriers->addButton(m_carriers[c], c);
        connect(m_carriers[c], &QToolButton::clicked, this, [this, c] { m_choice.setCarrier(c); });
    }
    for (int i = 0; i < 3; ++i) {
        connect(m_libraries[i], &QRadioButton::clicked, this, [this, i] { m_choice.setLibrary(i); });
        m_speeds[i]->setText(m_choice.speedText(i));
    }
    connect(m_speedTest, &QToolButton::clicked, this, &ServerBar::speedTestRequested);
    connect(&m_choice, &ServerChoice::changed, this, &ServerBar::showChoice);
    connect(&m_choice, &ServerChoice::speedChanged, this,
            [this](int library) { m_speeds[library]->setText(m_choice.speedText(library)); });
}

void ServerBar::showChoice()
{
    m_carriers[m_choice.carrier()]->setChecked(true);
    m_libraries[m_choice.library()]->setChecked(true);
    if (m_picture) {
        m_picture->setPixmap(kestrin::carrierPicture(m_choice.carrier()));
        // What the picture shows.
        m_picture->setAccessibleName(m_choice.carrier() == 1 ? QStringLiteral("网通线路") : QStringLiteral("电信线路"));
    }
}

} // namespace kestrin
