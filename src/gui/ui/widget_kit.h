#pragma once
#include "core/catalogue/records.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStyledItemDelegate>
#include <memory>

class QKeyEvent;
class QWidget;
class QLabel;
class QToolButton;
class QTreeView;

namespace kestrin::kit {

// Small constructors that keep the pages' builds readable: every control gets its object name.
QWidget *panel(QWidget *parent, const char *name, QColor colour = QColor());
QLabel *label(QWidget *parent, const char *name, const QString &text, QColor colour = QColor());
// A flat tool button; checkable ones take part in a radio group.
QToolButton *flatButton(QWidget *parent, const char *name, const QString &text, bool checkable = false);
// A caption from the server as a button or tab shows it: an "&" in it is a character, not a shortcut.
QString literalCaption(QString caption);
// A read-only report view with whole-row selection and the given column widths (0 hides a column).
void setUpReportView(QTreeView *view, const char *name, const QList<int> &widths, bool headers);
void setTextColour(QWidget *w, QColor colour);
void setBackground(QWidget *w, QColor colour);
// The UI font: the design family first, then what the system has, at a pixel height.
void setPixelFont(QWidget *w, int pixels, bool bold = false);
void setBold(QWidget *w, bool bold);
// Return, Enter or Space with no modifier: the keys that act on a list's current row as a click does.
bool isActivationKey(const QKeyEvent *event);
// Links the widgets into one run of the Tab chain, in the order given.
void chainTabs(const QList<QWidget *> &widgets);

// The three picture colours: blue RGB(0,0,255), red RGB(255,0,0), black.
QColor toneColour(PictureTone tone);

// Draws list rows in the toolkit's way, in the colour the model gives as a PictureTone in toneRole.
// Laid-out texts are kept, so a list refilled after every merge repaints without shaping them again.
class ToneRowDelegate : public QStyledItemDelegate
{
public:
    ToneRowDelegate(int toneRole, QObject *parent);
    ~ToneRowDelegate() override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    struct Layouts;
    int m_role;
    std::unique_ptr<Layouts> m_layouts;
};

} // namespace kestrin::kit
