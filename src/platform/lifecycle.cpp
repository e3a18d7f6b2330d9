#include "platform/lifecycle.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace kestrin {

void Lifecycle::requestTermination(int status)
{
    if (m_terminating)
        return;
    m_terminating = true;
    endApplication(status);
}

void Lifecycle::endApplication(int status)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
}

} // namespace kestrin
