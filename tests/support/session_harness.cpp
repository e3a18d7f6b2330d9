#include "session_harness.h"

#include "library_files.h"

#include <QDir>
#include <QSignalSpy>
#include <stdexcept>

namespace kestrin::test {

TestSeams::TestSeams()
{
    for (const QString &sub : {QStringLiteral("Desktop"), QStringLiteral("Documents")})
        QDir(home.path()).mkpath(sub);
    folders.folders = {{QStringLiteral("Desktop"), desktop()},
                       {QStringLiteral("Personal"), documents()},
                       {QStringLiteral("Cache"), home.filePath(QStringLiteral("cache"))},
                       {QStringLiteral("AppData"), appData()}};
    settings = std::make_unique<QtSettingsStore>(settingsFile());
}

Platform TestSeams::platform(const ServerTable &servers, Prompts *otherPrompts)
{
    return Platform{otherPrompts ? *otherPrompts : prompts, shell, *settings, folders, life, servers, {}, &sound,
                    &notifier, [] { return 4321; }, {}, {}};
}

SessionHarness::SessionHarness(library::InitOptions options) : lib(options) {}

SessionHarness::~SessionHarness() { session.reset(); }

LibrarySession &SessionHarness::start(int deadCount)
{
    session = std::make_unique<LibrarySession>(platform(lib.table(deadCount)));
    QObject::connect(session.get(), &LibrarySession::picturesAnnounced, session.get(),
                     [this](int, const QStringList &names) { announced << names; });
    QSignalSpy finished(session.get(), &LibrarySession::startFinished);
    session->start();
    if (!finished.wait(30000) || !finished.first().first().toBool())
        throw std::runtime_error("the session did not start");
    session->pollTimer().stop(); // tests poll when they mean to
    settle();
    return *session;
}

void SessionHarness::settle()
{
    if (!waitUntil([this] { return !session->loader().isLoading(); }, 60000))
        throw std::runtime_error("a load did not end");
    QCoreApplication::processEvents();
}

void SessionHarness::poll()
{
    session->poller().poll();
    if (!waitUntil([this] { return !session->poller().isPolling() && !session->isMerging(); }, 60000))
        throw std::runtime_error("a poll did not end");
    settle();
}

void SessionHarness::setFaults(const QStringList &specs) { lib.setFaults(specs); }

void SessionHarness::publish(int category, const QByteArray &fileName, const QByteArray &chineseName)
{
    QString error;
    if (!library::publishPicture(lib.root(), category, fileName, chineseName.isEmpty() ? g("新图") : chineseName, {},
                                 &error))
        throw std::runtime_error(error.toStdString());
}

QString SessionHarness::savedPath(int category, const QByteArray &fileName) const
{
    const CategoryEntry &entry = session->catalogue().categories[size_t(category)].entry;
    return desktop() + u'/' + gbk::decode(fileName + entry.extension);
}

QByteArray SessionHarness::servedPicture(int category, const QByteArray &fileName) const
{
    const CategoryEntry &entry = session->catalogue().categories[size_t(category)].entry;
    return readBytes(library::picturePath(lib.root(), {entry.caption, entry.folder, entry.extension}, fileName));
}

} // namespace kestrin::test
