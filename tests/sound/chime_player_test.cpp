// The chime's module on a sound server of the test's own that has no output when the first chime
// comes: an output that appears later (a headset plugged in) is heard from then on.
#include "test_support.h"

#include <QLibrary>
#include <QProcess>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

using namespace kestrin::test;

TEST(Chime, AnOutputThatAppearsAfterTheFirstChimeIsHeardFromThenOn)
{
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("native"));
    qputenv("PULSE_SERVER", ("unix:" + socket).toUtf8()); // for the module's audio engine and pactl
    // Detached and left to end by itself once idle: a sound server stays up while a program that
    // used it exits, and nothing of it holds the test's output open.
    QProcess server;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"HOME", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH"})
        env.insert(QString::fromLatin1(name), dir.path());
    server.setProcessEnvironment(env);
    server.setStandardOutputFile(QProcess::nullDevice());
    server.setStandardErrorFile(QProcess::nullDevice());
    server.setProgram(QStringLiteral("pulseaudio"));
    server.setArguments({"-n", "--daemonize=no", "--exit-idle-time=10", "--use-pid-file=no", "--log-level=error", "-L",
                         "module-native-protocol-unix auth-anonymous=1 socket=" + socket});
    ASSERT_TRUE(server.startDetached()) << "pulseaudio (installed by scripts/setup) did not start";
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(socket); }, 10000));

    QLibrary module(QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/kestrin/libkestrin_chime.so"));
    const auto make = reinterpret_cast<QObject *(*)(const char *)>(module.resolve("kestrinMakeChime"));
    ASSERT_TRUE(make) << module.errorString().toStdString();
    const std::unique_ptr<QObject> chime(make(QUrl::fromLocalFile(KESTRIN_CHIME_WAV).toEncoded().constData()));
    ASSERT_TRUE(chime);
    const auto ring = [&] {
        QMetaObject::invokeMethod(chime.get(), "play");
        return chime->property("outputId").toByteArray();
    };
    EXPECT_EQ(ring(), QByteArray()); // no output yet: silence

    ASSERT_EQ(QProcess::execute(QStringLiteral("pactl"), {"load-module", "module-null-sink", "sink_name=kestrin_test"}), 0);
    EXPECT_TRUE(waitUntil([&] { return ring() == "kestrin_test"; }, 10000));
}
