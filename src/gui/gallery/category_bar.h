#pragma once
#include <QWidget>

class QButtonGroup;
class QToolButton;

namespace kestrin {

// One flat button per category, sized from its caption, and after them the personal zone's button.
// The current category's button is down, red and bold.
class CategoryBar : public QWidget
{
    Q_OBJECT
public:
    explicit CategoryBar(QWidget *parent = nullptr);

    void setCategories(const QStringList &captions);
    const QList<QToolButton *> &buttons() const { return m_buttons; } // the zone's button last
    QToolButton *zoneButton() const { return m_buttons.isEmpty() ? nullptr : m_buttons.last(); }
    void setCurrent(int category);
    // The zone button: caption, and red bold while the zone is in use (or a user is remembered).
    void setZoneLook(const QString &caption, bool highlighted);

signals:
    // tag: the category's index, or the number of categories for the zone's button.
    void buttonClicked(int tag);

private:
    QList<QToolButton *> m_buttons;
    QButtonGroup *m_group = nullptr;
};

} // namespace kestrin
