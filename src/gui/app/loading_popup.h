#pragma once
#include <QWidget>

namespace kestrin {

// "载入中...", shown over the middle of the main window while a category loads. It takes neither the
// focus nor the user's clicks away from the window.
class LoadingPopup : public QWidget
{
    Q_OBJECT
public:
    explicit LoadingPopup(QWidget *owner);
    void showOverOwner();
};

} // namespace kestrin
