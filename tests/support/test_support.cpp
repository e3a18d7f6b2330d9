#include "test_support.h"

#include <ftw.h>
#include <stdexcept>

namespace kestrin::test {

ByteTempDir::~ByteTempDir()
{
    if (isValid())
        ::nftw(QFile::encodeName(path()).constData(), [](const char *p, const struct stat *, int, FTW *) { return ::remove(p); }, 16,
               FTW_DEPTH | FTW_PHYS);
}

ServedLibrary::ServedLibrary(library::InitOptions options)
{
    QString err;
    if (!library::initLibrary(m_dir.path(), options, &err))
        throw std::runtime_error(err.toStdString());
    m_server = std::make_unique<library::LibraryServer>(m_dir.path());
    if (!m_server->start({QStringLiteral("127.0.0.1")}, 0, false, &err))
        throw std::runtime_error(err.toStdString());
}

ServerTable ServedLibrary::table(int deadCount) const
{
    ServerTable t;
    for (int i = 0; i < 6; ++i)
        t.urls << (i < deadCount ? deadUrl() : url());
    return t;
}

void ServedLibrary::setFaults(const QStringList &specs)
{
    std::vector<library::FaultRule> rules;
    for (const QString &spec : specs) {
        QString error;
        const auto rule = library::FaultRule::parse(spec, &error);
        if (!rule)
            throw std::runtime_error(error.toStdString());
        rules.push_back(*rule);
    }
    m_server->setFaults(rules);
}

} // namespace kestrin::test
