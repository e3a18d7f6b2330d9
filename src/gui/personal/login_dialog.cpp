#include "gui/personal/login_dialog.h"

#include "core/catalogue/gbk.h"
#include "core/gallery/search.h"
#include "core/personal/selection_store.h"
#include "platform/prompts.h"
#include "gui/ui/widget_kit.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace kestrin {

LoginDialog::LoginDialog(Prompts &prompts, SelectionStore &store, std::function<int()> drawCode, QWidget *parent)
    : QDialog(parent), m_prompts(prompts), m_store(store), m_drawCode(std::move(drawCode))
{
    setObjectName(QStringLiteral("loginDialog"));
    setWindowTitle(QStringLiteral("登陆专区"));
    setFixedSize(252, 144);
    kit::setPixelFont(this, 12);
    const auto row = [this](const char *name, const QString &caption, int top) {
        QLabel *label = kit::label(this, name, caption);
        label->setGeometry(16, top + 3, 60, 18);
        auto *edit = new QLineEdit(this);
        edit->setGeometry(76, top, 160, 22);
        label->setBuddy(edit);
        // The caption without its padding and colon.
        edit->setAccessibleName(QString(caption).remove(u' ').remove(u'：'));
        return edit;
    };
    m_name = row("nameCaption", QStringLiteral("用户名："), 10);
    m_name->setObjectName(QStringLiteral("nameEdit"));
    m_password = row("passwordCaption", QStringLiteral("密  码："), 38);
    m_password->setObjectName(QStringLiteral("passwordEdit"));
    m_password->setEchoMode(QLineEdit::Password);
    m_code = row("codeCaption", QStringLiteral("验证码："), 66);
    m_code->setObjectName(QStringLiteral("codeEdit"));
    m_code->setFixedWidth(80);
    m_codeLabel = kit::label(this, "codeLabel", QString(), Qt::blue);
    kit::setPixelFont(m_codeLabel, 14, true);
    m_codeLabel->setGeometry(166, 69, 70, 18);
    m_codeLabel->setAccessibleDescription(QStringLiteral("请输入此验证码"));
    auto *line = new QFrame(this);
    line->setObjectName(QStringLiteral("separator"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(8, 98, 236, 2);
    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_ok->setObjectName(QStringLiteral("okButton"));
    m_ok->setGeometry(52, 108, 70, 26);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setGeometry(132, 108, 70, 26);
    connect(m_ok, &QPushButton::clicked, this, &LoginDialog::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &LoginDialog::reject);
}

void LoginDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        m_codeLabel->setText(QString::number(m_drawCode()));
}

void LoginDialog::confirm()
{
    const QString name = trimmedTyped(m_name->text());
    const QString password = trimmedTyped(m_password->text());
    // Every check speaks for itself, in this order; any that fails keeps the dialog open.
    bool ok = true;
    if (name.isEmpty()) {
        m_prompts.message(QStringLiteral("请输入用户名！"));
        m_name->setFocus();
        ok = false;
    }
    if (password.isEmpty()) {
        m_prompts.message(QStringLiteral("请输入密码！"));
        m_password->setFocus();
        ok = false;
    }
    if (m_code->text() != m_codeLabel->text()) {
        m_prompts.message(QStringLiteral("验证码输入错误！"));
        ok = false;
    }
    if (!ok)
        return;
    const QByteArray user = gbk::encode(name);
    const QByteArray stored = m_store.password(user);
    if (stored.isEmpty()) {
        finishRegistration(name, password);
        return;
    }
    if (stored != gbk::encode(password)) {
        m_prompts.message(QStringLiteral("密码错误，请重新检查！"));
        m_password->selectAll();
        m_password->setFocus();
        return;
    }
    m_prompts.message(QStringLiteral("用户登陆成功！"));
    m_userName = user;
    m_userPassword = gbk::encode(password);
    accept();
}

void LoginDialog::finishRegistration(const QString &name, const QString &password)
{
    if (const QString problem = userNameProblem(name); !problem.isEmpty()) {
        m_prompts.message(problem);
        m_name->selectAll();
        m_name->setFocus();
        return;
    }
    if (const QString problem = passwordProblem(password); !problem.isEmpty()) {
        m_prompts.message(problem);
        m_password->selectAll();
        m_password->setFocus();
        return;
    }
    QString error;
    if (!m_store.registerUser(gbk::encode(name), gbk::encode(password), &error))
        m_prompts.message(QStringLiteral("无法写入 %1（%2）。本次仍可使用自选专区，但所选内容不会被保存。")
                              .arg(m_store.path(), error));
    m_prompts.message(QStringLiteral("用户注册成功！您的用户名：[") + name + QStringLiteral("] 密码：[") + password +
                      QStringLiteral("]"));
    m_prompts.warning(QStringLiteral("警告提示：您的自选区设置完毕后资料将自动保存到“我的文档”中的“MySelect.ini”"
                                     "文件中，请您自己要备份好，以免换系统找不到专区。"));
    m_userName = gbk::encode(name);
    m_userPassword = gbk::encode(password);
    accept();
}

} // namespace kestrin
