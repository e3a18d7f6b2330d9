#pragma once
#include <QColor>
#include <QString>

class QWidget;
class QLabel;
class QToolButton;
class QTreeWidget;

namespace kestrin::kit {

// Small constructors that keep the window's build readable: every control gets its object name.
QWidget *panel(QWidget *parent, const char *name, QColor colour = QColor());
QLabel *label(QWidget *parent, const char *name, const QString &text, QColor colour = QColor());
// A flat speed button; checkable ones take part in a radio group.
QToolButton *speedButton(QWidget *parent, const char *name, const QString &text, bool checkable = false);
// A read-only report view with whole-row selection and the given column widths.
QTreeWidget *reportView(QWidget *parent, const char *name, const QList<int> &widths, const QStringList &headers = {});
void setTextColour(QWidget *w, QColor colour);
void setBackground(QWidget *w, QColor colour);
// The UI font: the design family first, then what the system has, at a pixel height.
void setPixelFont(QWidget *w, int pixels, bool bold = false);

} // namespace kestrin::kit
