#pragma once
#include <QWidget>

class QLabel;

namespace kestrin {

// The splash shown while the main window loads.
class TFrmLoading : public QWidget
{
    Q_OBJECT
public:
    explicit TFrmLoading(QWidget *parent = nullptr);
    QLabel *Image1 = nullptr;
    QLabel *Label1 = nullptr;

private:
    void FormCreate();
};

// The small "载入中..." popup shown while a category reloads.
class TForm4 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm4(QWidget *owner = nullptr);
    QWidget *Panel1 = nullptr;
    QLabel *Label1 = nullptr;
    // Shows it centred on its owner (or the screen) and paints it at once.
    void showNow();
};

} // namespace kestrin
