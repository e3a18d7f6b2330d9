#include "platform/lifecycle.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace kestrin {

void Lifecycle::requestTermination()
{
    if (m_terminating)
        return;
    m_terminating = true;
    endApplication();
}

void Lifecycle::endApplication()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

} // namespace kestrin
