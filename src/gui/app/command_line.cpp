#include "gui/app/command_line.h"

#include "gui/app/web_module.h"
#include "core/server/build_config.h"
#include "core/server/server_table.h"
#include "platform/lifecycle.h"
#include "platform/qt_settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <xcb/xcb.h>

namespace kestrin {

namespace {

struct QtOption
{
    const char *name;
    bool takesValue;
};

// What QApplication and its platform plugins take from the command line themselves (Qt 6), with one
// dash or two; a few also as -name=value.
constexpr QtOption kQtOptions[] = {
    {"platform", true},   {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowtitle", true}, {"qwindowicon", true}, {"session", true},
    {"style", true},      {"stylesheet", true},         {"reverse", false},      {"widgetcount", false},
    {"testability", false}, {"qdebug", false},          {"qdevel", false},
    // The X11 plugin's own.
    {"display", true},    {"name", true},               {"visual", true},        {"geometry", true},
    {"title", true},      {"icon", true},               {"dograb", false},       {"nograb", false},
};
constexpr const char *kQtAssignedOptions[] = {"style=", "stylesheet=", "qmljsdebugger="};

const QtOption *qtOption(const QString &name)
{
    for (const QtOption &option : kQtOptions) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

const char kUsage[] = "用法: kestrin [选项]\n";

const char kOptions[] =
    "选项:\n"
    "  -h, --help     显示本帮助并退出\n"
    "  -v, --version  显示版本号并退出\n"
    "  Qt 的标准选项同样可用，例如 -platform 平台名、-style 样式名、-reverse、\n"
    "  -qwindowgeometry 宽x高+左+上、-display 显示器（X11）。\n";

QString helpText()
{
    return QString::fromUtf8(kUsage) +
           QStringLiteral("图库 (Kestrin)：与发布在 HTTP 服务器上的图库保持同步，浏览、提醒并下载新到的图纸。\n\n") +
           QString::fromUtf8(kOptions) +
           QStringLiteral("\n环境变量:\n"
                          "  http_proxy, https_proxy, no_proxy（或大写）  访问服务器所用的代理，桌面的代理设置同样有效；\n"
                          "                 都未设置时直接连接，本机地址总是直接连接\n"
                          "  KESTRIN_NO_WEBENGINE=1  不用网页引擎：网页标签只显示网址\n"
                          "  QT_QPA_PLATFORM  Qt 的显示平台，例如 offscreen\n"
                          "\n退出状态:\n"
                          "  %1  正常结束（也包括已有一个图库在运行时）\n"
                          "  %2  无法启动：没有可用的显示，或系统缺少 GBK 编码支持\n"
                          "  %3  命令行有误\n"
                          "  %4  没有服务器应答，启动中止\n")
               .arg(exit_status::kNormal)
               .arg(exit_status::kCannotStart)
               .arg(exit_status::kUsage)
               .arg(exit_status::kNoServer) +
           QStringLiteral("\n保存的文件:\n"
                          "  设置（保存目录、记住的用户）: %1\n"
                          "  自选专区的用户和自选图纸: %2\n"
                          "  下载队列: %3\n"
                          "\n服务器: %4\n"
                          "网页显示模块: %5\n")
               .arg(QtSettingsStore().location(),
                    StandardShellFolders().folder(QStringLiteral("Personal")) + QStringLiteral("/MySelect.ini"),
                    StandardShellFolders().folder(QStringLiteral("AppData")) + QStringLiteral("/queue.json"),
                    ServerTable::builtIn().urls.join(QLatin1Char(' ')), QDir::cleanPath(webModulePath()));
}

void print(FILE *to, const QString &text) { std::fputs(text.toLocal8Bit().constData(), to); }

QString xcbProblem(const QString &given)
{
    const QByteArray name = given.isEmpty() ? qgetenv("DISPLAY") : given.toLocal8Bit();
    if (name.isEmpty())
        return QStringLiteral("未设置 DISPLAY 环境变量");
    xcb_connection_t *connection = xcb_connect(name.constData(), nullptr);
    const bool opened = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    return opened ? QString() : QStringLiteral("无法打开 X 显示“%1”").arg(QString::fromLocal8Bit(name));
}

QString waylandProblem()
{
    const QString named = qEnvironmentVariable("WAYLAND_DISPLAY");
    // The client library's own default when none is named.
    QString socket = named.isEmpty() ? QStringLiteral("wayland-0") : named;
    if (QFileInfo(socket).isRelative())
        socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + socket;
    if (QFileInfo::exists(socket))
        return {};
    return named.isEmpty() ? QStringLiteral("未设置 WAYLAND_DISPLAY 环境变量")
                           : QStringLiteral("找不到 Wayland 显示“%1”").arg(named);
}

// The platforms Qt tries in turn when none is given: X11, or Wayland first in a Wayland session
// other than GNOME's.
QString defaultPlatforms()
{
    const QByteArray desktops = qgetenv("XDG_CURRENT_DESKTOP").toLower() + ':' + qgetenv("XDG_SESSION_DESKTOP").toLower();
    if (qgetenv("XDG_SESSION_TYPE") == "wayland" && !desktops.contains("gnome"))
        return QStringLiteral("wayland;xcb");
    return QStringLiteral("xcb");
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine line;
    for (qsizetype i = 1; i < arguments.size() && line.wrong.isEmpty(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help") || a == QLatin1String("-?")) {
            line.help = true;
            continue;
        }
        if (a == QLatin1String("-v") || a == QLatin1String("--version")) {
            line.version = true;
            continue;
        }
        // The program takes no file or other argument of its own.
        if (a.size() < 2 || a[0] != QLatin1Char('-') || a == QLatin1String("--")) {
            line.wrong = a;
            break;
        }
        const QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        if (std::any_of(std::begin(kQtAssignedOptions), std::end(kQtAssignedOptions),
                        [&](const char *prefix) { return name.startsWith(QLatin1String(prefix)); }))
            continue;
        const QtOption *option = qtOption(name);
        if (!option || (option->takesValue && i + 1 >= arguments.size())) {
            line.wrong = a;
            break;
        }
        if (!option->takesValue)
            continue;
        const QString &value = arguments[++i];
        if (name == QLatin1String("platform"))
            line.platform = value;
        else if (name == QLatin1String("display"))
            line.display = value;
    }
    return line;
}

CommandLine CommandLine::parse(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return parse(arguments);
}

std::optional<int> answerCommandLine(int argc, char **argv)
{
    const CommandLine line = CommandLine::parse(argc, argv);
    if (!line.wrong.isEmpty()) {
        print(stderr, QStringLiteral("kestrin: 无法识别的参数“%1”\n").arg(line.wrong) + QString::fromUtf8(kUsage) +
                          QString::fromUtf8(kOptions) + QStringLiteral("详见 kestrin --help。\n"));
        return exit_status::kUsage;
    }
    if (!line.help && !line.version)
        return std::nullopt;
    QCoreApplication app(argc, argv); // for the program's own folder, where the web module is looked for
    if (line.help)
        print(stdout, helpText());
    else
        print(stdout, QStringLiteral("Kestrin %1\n").arg(QStringLiteral(KESTRIN_VERSION)));
    return exit_status::kNormal;
}

QString missingDisplay(const CommandLine &line)
{
    QString platforms = line.platform.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : line.platform;
    if (platforms.trimmed().isEmpty())
        platforms = defaultPlatforms();
    QStringList problems;
    for (const QString &entry : platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = entry.section(QLatin1Char(':'), 0, 0).trimmed(); // "xcb:option=..." names xcb
        QString problem;
        if (name == QLatin1String("xcb"))
            problem = xcbProblem(line.display);
        else if (name.startsWith(QLatin1String("wayland")))
            problem = waylandProblem();
        // Any other platform (offscreen, minimal, vnc, eglfs, ...) needs no display of a desktop.
        if (problem.isEmpty())
            return {};
        problems << problem;
    }
    if (problems.isEmpty())
        return {};
    return QStringLiteral("kestrin: 没有可用的显示，无法打开窗口：%1。").arg(problems.join(QStringLiteral("；")));
}

} // namespace kestrin
