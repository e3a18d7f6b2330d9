#include "window_harness.h"

#include "library_files.h"

#include <QDir>
#include <QTest>
#include <stdexcept>

namespace kestrin::test {

WindowHarness::WindowHarness(library::InitOptions options) : lib(options)
{
    QDir(home.path()).mkpath(QStringLiteral("Desktop"));
    QDir(home.path()).mkpath(QStringLiteral("Documents"));
    folders.folders = {{QStringLiteral("Desktop"), desktop()},
                       {QStringLiteral("Personal"), home.filePath(QStringLiteral("Documents"))},
                       {QStringLiteral("Cache"), home.filePath(QStringLiteral("cache"))}};
    settings = std::make_unique<QtSettingsStore>(settingsFile());
}

WindowHarness::~WindowHarness()
{
    form.reset();
}

TForm1 &WindowHarness::start(int deadCount)
{
    return start(lib.table(deadCount));
}

TForm1 &WindowHarness::start(const ServerTable &servers)
{
    form = std::make_unique<TForm1>(AppPlatform{prompts, shell, *settings, folders, life, servers,
                                                [this](QDialog &d) { return onModal ? onModal(d) : 0; }});
    started = form->FormCreate();
    if (started) {
        form->resize(1180, 800);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            throw std::runtime_error("window not shown");
    }
    return *form;
}

void WindowHarness::writePage(int category, const QList<QByteArray> &records, const QList<QByteArray> &latest)
{
    library::CategoryFiles files;
    QString error;
    if (!library::readCategory(lib.root(), category, &files, &error))
        throw std::runtime_error(error.toStdString());
    files.records = records;
    files.latest = latest;
    if (!library::writeCategory(lib.root(), category, files, &error))
        throw std::runtime_error(error.toStdString());
}

QList<QByteArray> makeRecords(int count)
{
    QList<QByteArray> out;
    for (int k = 0; k < count; ++k)
        out << QByteArray::number(k) + "\tA" + QByteArray::number(k) + "|" + g("图") + QByteArray::number(k) +
                   "|2026-12-01 10:00";
    return out;
}

void saveScreen(QWidget *widget, const QString &name)
{
    const QString dir = qEnvironmentVariable("KESTRIN_SCREENS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    widget->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace kestrin::test
